#include "win/Dialog.h"
#include "win/Window.h"
#include "testkit/MessageBoxCatcher.h"
#include "testkit/Robot.h"
#include "TestResources.h"
#include <gtest/gtest.h>

namespace {

const win::Module& TestModule() {
    static win::Module module(win::ThisModule(), IDS_CAPTION);
    return module;
}

class NameDialog : public win::Dialog {
public:
    NameDialog() : Dialog(TestModule(), IDD_DIALOG) {}
    std::string name;
    bool quitOnClose = false;

protected:
    BOOL OnInitDialog() override {
        SetItemText(IDC_NAME, "initial");
        return TRUE;
    }
    void OnOK() override {
        name = ItemText(IDC_NAME);
        Dialog::OnOK();
        if (quitOnClose) PostQuitMessage(0);
    }
    INT_PTR DlgProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (message) {
        case WM_APP:
            return Result(static_cast<LRESULT>(wParam) * 2);
        default:
            return Dialog::DlgProc(message, wParam, lParam);
        }
    }
};

TEST(Dialog, ModalDialogIsDrivenThroughItsControls) {
    NameDialog dialog;
    std::string seenInitially;
    LRESULT answer = 0;
    INT_PTR result;
    testkit::RunWhile([&] { result = dialog.RunModal(nullptr); },
                     [&] {
        HWND h = testkit::WaitForTopWindow("", "Layer Test Dialog");
        if (!h) return;
        seenInitially = testkit::GetText(GetDlgItem(h, IDC_NAME));
        answer = SendMessageA(h, WM_APP, 21, 0);
        SendMessageA(GetDlgItem(h, IDC_NAME), WM_SETTEXT, 0,
                     reinterpret_cast<LPARAM>("typed"));
        testkit::Click(GetDlgItem(h, IDOK));
                     });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(seenInitially, "initial");
    EXPECT_EQ(answer, 42) << "the derived DlgProc must answer with its result";
    EXPECT_EQ(dialog.name, "typed");
    EXPECT_EQ(dialog.hwnd(), nullptr);

    // The same object runs again; Escape's IDCANCEL closes without OnOK.
    dialog.name.clear();
    testkit::RunWhile([&] { result = dialog.RunModal(nullptr); },
                     [&] {
        if (HWND h = testkit::WaitForTopWindow("", "Layer Test Dialog"))
            PostMessageA(h, WM_COMMAND, IDCANCEL, 0);
                     });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(dialog.name, "");
}

TEST(Dialog, ModelessDialogGetsTheKeyboardFromTheLoop) {
    NameDialog dialog;
    dialog.quitOnClose = true;
    ASSERT_TRUE(dialog.CreateModeless(nullptr));
    HWND edit = dialog.Item(IDC_NAME);
    SetFocus(edit);
    // Enter in a single-line edit means OK only through IsDialogMessage.
    PostMessageA(edit, WM_KEYDOWN, VK_RETURN, 1);
    win::RunMessageLoop();
    EXPECT_EQ(dialog.result(), IDOK);
    EXPECT_EQ(dialog.name, "initial");
    EXPECT_EQ(dialog.hwnd(), nullptr);

    HWND h;
    {
        NameDialog open;
        ASSERT_TRUE(open.CreateModeless(nullptr));
        h = open.hwnd();
    }
    EXPECT_FALSE(IsWindow(h)) << "a modeless dialog goes with its object";
    MSG msg{};
    msg.hwnd = h;
    msg.message = WM_KEYDOWN;
    EXPECT_FALSE(win::IsModelessDialogMessage(msg));
}

class CountingWindow : public win::Window {
public:
    int created = 0, custom = 0, destroyed = 0;

protected:
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (message) {
        case WM_CREATE:
            ++created;
            return 0;
        case WM_APP:
            ++custom;
            return 5;
        default:
            return Window::WndProc(message, wParam, lParam);
        }
    }
    void OnDestroyed() override { ++destroyed; }
};

TEST(Window, MessagesReachTheObjectUntilTheWindowGoes) {
    WNDCLASSEXA wc{};
    wc.hInstance = win::ThisModule();
    wc.lpszClassName = "WinLayerCounting";
    ASSERT_TRUE(win::Window::RegisterWindowClass(wc));
    ASSERT_TRUE(win::Window::RegisterWindowClass(wc)) << "registering twice is fine";

    CountingWindow w;
    ASSERT_TRUE(w.Create(0, "WinLayerCounting", "", WS_POPUP, 0, 0, 10, 10, nullptr,
                         nullptr, win::ThisModule()));
    EXPECT_EQ(w.created, 1);
    EXPECT_EQ(SendMessageA(w.hwnd(), WM_APP, 0, 0), 5);
    EXPECT_EQ(w.custom, 1);
    w.Destroy();
    EXPECT_EQ(w.destroyed, 1);
    EXPECT_EQ(w.hwnd(), nullptr);

    HWND h;
    {
        CountingWindow gone;
        ASSERT_TRUE(gone.Create(0, "WinLayerCounting", "", WS_POPUP, 0, 0, 10, 10, nullptr,
                                nullptr, win::ThisModule()));
        h = gone.hwnd();
    }
    EXPECT_FALSE(IsWindow(h)) << "a window goes with its object";

    h = CreateWindowExA(0, "WinLayerCounting", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                        win::ThisModule(), nullptr);
    ASSERT_NE(h, nullptr) << "a window of the class without an object is a default window";
    EXPECT_EQ(SendMessageA(h, WM_APP, 0, 0), 0);
    DestroyWindow(h);
}

}  // namespace
