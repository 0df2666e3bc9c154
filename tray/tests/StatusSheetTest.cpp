// The status sheet of the frame hosted here, on virtual boards reporting
// status words: what its pages show of the latched words, and how their
// check boxes and Clear Errors work with the monitor and the tray icon. The
// monitor's and the pages' ticks are given by hand.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "FrameHost.h"
#include "quorvi/QuorviCore.h"
#include "resource.h"
#include "testkit/BroadcastSpy.h"

using namespace testkit;

namespace {

constexpr std::uint32_t kAllKinds = 0x3FFF;
const std::string kGreen = "QUORVI System Status (Green=OK)";
const std::string kRed = "QUORVI System Status (Red=clock error)";
constexpr int kNoClockLamp = 3, kValidityLamp = 7;

void StoreMask(std::uint32_t mask) {
    quorvi::SettingsRecord record = StoredRecord();
    record.boards[0].statusMask = static_cast<std::int32_t>(mask);
    QuorviSetRegSettings(&record);
}

class StatusSheetTest : public FrameHost {
protected:
    HWND OpenSheet() {
        SendMessageA(frame_->hwnd(), WM_COMMAND, ID_SHOW_STATUS, 0);
        return FindTopWindow("#32770", "QUORVI Status", GetCurrentProcessId());
    }
    // Ticks enough for the words read after the start-up's mask pass to be
    // latched.
    void MonitorTicks(int n = 1) const {
        for (int i = 0; i < n; ++i) SendMessageA(frame_->hwnd(), WM_TIMER, tray::kMonitorTimer, 0);
    }
    static void PageTick(HWND sheet) {
        SendMessageA(GetParent(Control(sheet, IDC_VERDICT)), WM_TIMER, tray::kStatusPageTimer, 0);
    }
    static std::string Verdict(HWND sheet) { return GetText(Control(sheet, IDC_VERDICT)); }
    static bool LampLit(HWND sheet, int lamp) {
        auto image = reinterpret_cast<HBITMAP>(
            SendMessageA(Control(sheet, IDC_LAMP_FIRST + lamp), STM_GETIMAGE, IMAGE_BITMAP, 0));
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, image);
        const COLORREF centre = GetPixel(dc, 5, 5);
        SelectObject(dc, old);
        DeleteDC(dc);
        return centre == RGB(0xFF, 0, 0);
    }
    std::optional<std::string> Tip() const { return shell_.ShownTip(frame_->hwnd(), IDI_TRAY_OK); }
};

}  // namespace

// An error whose box is unchecked lights its lamp and shows as masked, and
// the icon stays green; checking the box makes it count from the next tick.
TEST_F(StatusSheetTest, AMaskedErrorCountsOnceItsBoxIsChecked) {
    StoreMask(kAllKinds & ~0x8);
    Start(1);
    ASSERT_FALSE(HasFatalFailure());
    boards_->control("status 0 1 0");  // no master sample clock
    HWND sheet = OpenSheet();
    ASSERT_NE(sheet, nullptr);
    MonitorTicks(5);
    PageTick(sheet);
    EXPECT_EQ(Verdict(sheet), "Masked Errors");
    EXPECT_TRUE(LampLit(sheet, kNoClockLamp));
    EXPECT_FALSE(LampLit(sheet, kValidityLamp));
    EXPECT_EQ(GetCheck(Control(sheet, IDC_CHECK_NO_CLOCK)), BST_UNCHECKED);
    EXPECT_EQ(Tip(), kGreen);
    EXPECT_TRUE(std::regex_match(GetText(Control(sheet, IDC_MEASURED_RATE)), std::regex("\\d+\\.\\d\\d kHz")));

    Click(Control(sheet, IDC_CHECK_NO_CLOCK));
    EXPECT_EQ(frame_->record().boards[0].statusMask, static_cast<std::int32_t>(kAllKinds));
    MonitorTicks();
    EXPECT_EQ(Tip(), kRed);
    PageTick(sheet);
    EXPECT_EQ(Verdict(sheet), "System Errors");
}

// Clear Errors while the board still reports a counted error: red again on
// the next monitor tick. With its box unchecked it stays green after a
// clear, its lamp still lit.
TEST_F(StatusSheetTest, ClearErrorsAgainstAPersistingError) {
    Start(1);
    ASSERT_FALSE(HasFatalFailure());
    boards_->control("status 0 0 16");  // subcode 1: validity
    HWND sheet = OpenSheet();
    ASSERT_NE(sheet, nullptr);
    MonitorTicks(5);
    EXPECT_EQ(Tip(), kRed);

    Click(Control(sheet, IDC_CLEAR_ERRORS));
    EXPECT_FALSE(frame_->monitor().clockErrorLatched());
    MonitorTicks();
    EXPECT_EQ(Tip(), kRed);
    PageTick(sheet);
    EXPECT_EQ(Verdict(sheet), "System Errors");

    Click(Control(sheet, IDC_CHECK_VALIDITY));
    Click(Control(sheet, IDC_CLEAR_ERRORS));
    MonitorTicks(3);
    EXPECT_EQ(Tip(), kGreen);
    PageTick(sheet);
    EXPECT_EQ(Verdict(sheet), "Masked Errors");
    EXPECT_TRUE(LampLit(sheet, kValidityLamp));
}

// The pages follow the record when an update reloads it, so a later click
// changes only its own bit; closing the sheet stores the record.
TEST_F(StatusSheetTest, PagesFollowTheRecordAndClosingStoresIt) {
    Start(2);
    ASSERT_FALSE(HasFatalFailure());
    HWND sheet = OpenSheet();
    ASSERT_NE(sheet, nullptr);
    HWND tabs = PropSheet_GetTabControl(sheet);
    ASSERT_EQ(TabCtrl_GetItemCount(tabs), 2);
    char text[32] = {};
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    TabCtrl_GetItem(tabs, 1, &item);
    EXPECT_STREQ(text, "QUORVI #2");
    SendMessageA(frame_->hwnd(), WM_COMMAND, ID_SHOW_STATUS, 0);
    EXPECT_EQ(FindTopWindow("#32770", "QUORVI Status", GetCurrentProcessId()), sheet) << "one sheet at a time";

    StoreMask(kAllKinds & ~0x80);
    SendMessageA(frame_->hwnd(), RegisterWindowMessageA("START QUORVI UPDATE"), 0, 0);
    SendMessageA(frame_->hwnd(), RegisterWindowMessageA("END QUORVI UPDATE"), 0, 0);
    EXPECT_EQ(GetCheck(Control(sheet, IDC_CHECK_VALIDITY)), BST_UNCHECKED);
    Click(Control(sheet, IDC_CHECK_CRC));
    const auto expected = static_cast<std::int32_t>(kAllKinds & ~0x80 & ~0x400);
    EXPECT_EQ(frame_->record().boards[0].statusMask, expected);

    BroadcastSpy spy;
    PropSheet_PressButton(sheet, PSBTN_CANCEL);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(sheet); }));
    EXPECT_TRUE(spy.WaitFor("QUORVI CP"));
    EXPECT_EQ(StoredRecord().boards[0].statusMask, expected);

    sheet = OpenSheet();
    ASSERT_NE(sheet, nullptr) << "opens again";
    EXPECT_EQ(GetCheck(Control(sheet, IDC_CHECK_CRC)), BST_UNCHECKED);
}
