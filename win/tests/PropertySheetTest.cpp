#include "win/PropertySheet.h"
#include "win/RegisteredMessage.h"
#include "testkit/MessageBoxCatcher.h"
#include "testkit/Robot.h"
#include "TestResources.h"
#include <gtest/gtest.h>
#include <functional>

namespace {

const win::Module& TestModule() {
    static win::Module module(win::ThisModule(), IDS_CAPTION);
    return module;
}

const win::RegisteredMessage kSheetMessage("WINLAYER SHEET MESSAGE");

class CountingPage : public win::PropertyPage {
public:
    explicit CountingPage(UINT templateId) : PropertyPage(TestModule(), templateId) {}
    bool refuseLeaving = false;
    int activations = 0, applies = 0, oks = 0, resets = 0;
    bool lastApplyWasOK = false;

protected:
    bool OnSetActive() override {
        ++activations;
        return true;
    }
    bool OnKillActive() override { return !refuseLeaving; }
    bool OnApply() override {
        ++applies;
        lastApplyWasOK = applyingWithOK();
        return PropertyPage::OnApply();
    }
    void OnOK() override { ++oks; }
    void OnReset() override { ++resets; }
    bool OnCommand(WORD id, WORD code, HWND control) override {
        if (code != EN_CHANGE) return PropertyPage::OnCommand(id, code, control);
        SetModified();
        return true;
    }
};

class TestSheet : public win::PropertySheet {
public:
    TestSheet() : PropertySheet(TestModule(), "Layer Test Sheet") {}
    int registeredSeen = 0;

protected:
    bool OnSheetMessage(UINT message, WPARAM wParam, LPARAM lParam,
                        LRESULT& result) override {
        if (!kSheetMessage.is(message)) return false;
        ++registeredSeen;
        result = 77;
        return true;
    }
};

// The sheet's Apply button, as comctl32 numbers it.
constexpr int kApplyButton = 0x3021;

int CurrentTab(HWND sheet) {
    return TabCtrl_GetCurSel(PropSheet_GetTabControl(sheet));
}

TEST(PropertySheet, PagesRefuseLeaveApplyAndHearRegisteredMessages) {
    CountingPage first(IDD_PAGE_ONE), second(IDD_PAGE_TWO);
    second.SetTitle("Renamed");
    second.SetIcon(LoadIcon(nullptr, IDI_APPLICATION));
    TestSheet sheet;
    sheet.AddPage(first);
    sheet.AddPage(second);

    struct {
        int tabAfterRefusal = -1, tabAfterLeave = -1;
        std::string secondTabText;
        int firstTabImage = 0, secondTabImage = -1;
        LRESULT answer = 0;
        int firstAppliesAfterApply = -1, secondAppliesAfterApply = -1;
        bool applyWasOK = true;
    } seen;
    INT_PTR result;
    testkit::RunWhile([&] { result = sheet.RunModal(nullptr); },
                     [&] {
        HWND h = testkit::WaitForTopWindow("", "Layer Test Sheet");
        if (!h) return;
        first.refuseLeaving = true;
        PropSheet_SetCurSel(h, nullptr, 1);
        seen.tabAfterRefusal = CurrentTab(h);
        first.refuseLeaving = false;
        PropSheet_SetCurSel(h, nullptr, 1);
        seen.tabAfterLeave = CurrentTab(h);

        char text[64] = {};
        TCITEMA item{};
        item.mask = TCIF_TEXT | TCIF_IMAGE;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(PropSheet_GetTabControl(h), TCM_GETITEMA, 1,
                     reinterpret_cast<LPARAM>(&item));
        seen.secondTabText = text;
        seen.secondTabImage = item.iImage;
        SendMessageA(PropSheet_GetTabControl(h), TCM_GETITEMA, 0,
                     reinterpret_cast<LPARAM>(&item));
        seen.firstTabImage = item.iImage;

        kSheetMessage.Send(5, 0);
        seen.answer = kSheetMessage.SendTo(h, 6, 0);

        // Typing marks the page modified, which enables Apply.
        SendMessageA(GetDlgItem(PropSheet_GetCurrentPageHwnd(h), IDC_NAME), WM_SETTEXT,
                     0, reinterpret_cast<LPARAM>("changed"));
        testkit::Click(GetDlgItem(h, kApplyButton));
        seen.firstAppliesAfterApply = first.applies;
        seen.secondAppliesAfterApply = second.applies;
        seen.applyWasOK = second.lastApplyWasOK;
        testkit::Click(GetDlgItem(h, IDOK));
                     });
    EXPECT_GT(result, 0);
    EXPECT_EQ(seen.tabAfterRefusal, 0) << "OnKillActive returning false keeps the page";
    EXPECT_EQ(seen.tabAfterLeave, 1);
    EXPECT_EQ(seen.secondTabText, "Renamed");
    EXPECT_GE(seen.secondTabImage, 0) << "a page given an icon shows it on its tab";
    EXPECT_EQ(seen.firstTabImage, -1);
    EXPECT_EQ(sheet.registeredSeen, 2) << "the broadcast and the direct send";
    EXPECT_EQ(seen.answer, 77);
    EXPECT_EQ(seen.firstAppliesAfterApply, 1);
    EXPECT_EQ(seen.secondAppliesAfterApply, 1);
    EXPECT_FALSE(seen.applyWasOK);
    EXPECT_EQ(first.applies, 2);
    EXPECT_EQ(second.applies, 2);
    EXPECT_EQ(second.oks, 2) << "the default OnApply calls OnOK";
    EXPECT_TRUE(second.lastApplyWasOK);
    EXPECT_EQ(first.resets + second.resets, 0);
    EXPECT_EQ(sheet.ActivePageIndex(), 1) << "the page shown last is remembered";
    EXPECT_EQ(sheet.hwnd(), nullptr);
}

TEST(PropertySheet, OnlyShownPagesApplyAndCancelResets) {
    CountingPage first(IDD_PAGE_ONE), second(IDD_PAGE_TWO);
    TestSheet sheet;
    sheet.AddPage(first);
    sheet.AddPage(second);
    ASSERT_TRUE(sheet.SetActivePage(1));
    ASSERT_FALSE(sheet.SetActivePage(2));
    testkit::RunWhile([&] { sheet.RunModal(nullptr); },
                     [&] {
        if (HWND h = testkit::WaitForTopWindow("", "Layer Test Sheet"))
            PropSheet_PressButton(h, PSBTN_OK);
                     });
    EXPECT_EQ(first.activations, 0);
    EXPECT_EQ(first.applies, 0) << "a page never shown is not applied";
    EXPECT_EQ(second.applies, 1);
    testkit::RunWhile([&] { sheet.RunModal(nullptr); },
                     [&] {
        if (HWND h = testkit::WaitForTopWindow("", "Layer Test Sheet"))
            PropSheet_PressButton(h, PSBTN_CANCEL);
                     });
    EXPECT_EQ(second.applies, 1);
    EXPECT_EQ(second.resets, 1);
}

// OK, Cancel and the close box each end a modeless sheet: its window goes,
// and the keyboard no longer reaches it.
TEST(PropertySheet, AModelessSheetEndsByEachOfItsButtons) {
    CountingPage first(IDD_PAGE_ONE);
    TestSheet sheet;
    sheet.AddPage(first);
    const auto pump = [] {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!win::IsModelessDialogMessage(msg)) DispatchMessageA(&msg);
        }
    };
    const std::function<void(HWND)> endings[] = {
        [](HWND h) { PropSheet_PressButton(h, PSBTN_OK); },
        [](HWND h) { PropSheet_PressButton(h, PSBTN_CANCEL); },
        [](HWND h) { SendMessageA(h, WM_SYSCOMMAND, SC_CLOSE, 0); },
    };
    for (const auto& end : endings) {
        ASSERT_TRUE(sheet.CreateModeless(nullptr));
        HWND h = sheet.hwnd();
        ASSERT_TRUE(IsWindow(h));
        EXPECT_FALSE(sheet.CreateModeless(nullptr)) << "one window per sheet";
        pump();
        end(h);
        pump();
        EXPECT_FALSE(IsWindow(h));
        EXPECT_EQ(sheet.hwnd(), nullptr);
    }
    EXPECT_EQ(first.applies, 1);
    EXPECT_EQ(first.resets, 2);
}

}  // namespace
