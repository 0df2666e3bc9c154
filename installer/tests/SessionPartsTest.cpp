// What the setup finds in the session it runs in: the trays to close before
// their files are replaced, and who serves the boards.
#include <gtest/gtest.h>
#include <windows.h>

#include "Latency.h"
#include "Trays.h"
#include "vboard/InProcessBoards.h"

namespace {

// Stands in for a running tray: a hidden frame with the tray's title that,
// unless told to stay, closes on "QUORVI SHUTDOWN".
class FakeTray {
public:
    explicit FakeTray(bool obeys) : obeys_(obeys) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "QuorviSetupFakeTray";
        RegisterClassA(&wc);
        hwnd_ = CreateWindowA(wc.lpszClassName, "QUORVI Tray Controller", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, wc.hInstance, this);
    }
    ~FakeTray() {
        if (IsWindow(hwnd_)) DestroyWindow(hwnd_);
    }
    bool alive() const { return IsWindow(hwnd_); }

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        static const UINT shutdown = RegisterWindowMessageA("QUORVI SHUTDOWN");
        if (message == WM_NCCREATE)
            SetWindowLongPtrA(hwnd, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
        auto* self = reinterpret_cast<FakeTray*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (message == shutdown && self && self->obeys_) {
            DestroyWindow(hwnd);
            return 0;
        }
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    bool obeys_;
    HWND hwnd_ = nullptr;
};

TEST(Trays, RunningTraysAreAskedToCloseAndOneThatStaysIsReported) {
    EXPECT_EQ(setup::CountRunningTrays(), 0);
    EXPECT_TRUE(setup::CloseTrays(1000));
    {
        FakeTray first(true), second(true);
        EXPECT_EQ(setup::CountRunningTrays(), 2);
        EXPECT_TRUE(setup::CloseTrays(5000));
        EXPECT_FALSE(first.alive());
        EXPECT_FALSE(second.alive());
    }
    FakeTray stubborn(false);
    const DWORD start = GetTickCount();
    EXPECT_FALSE(setup::CloseTrays(500));
    EXPECT_LT(GetTickCount() - start, 5000u);
    EXPECT_TRUE(stubborn.alive());
}

TEST(Latency, BoardsAreFoundWithTheirServer) {
    EXPECT_EQ(setup::FindBoards(true), setup::BoardsFound::None);
    vboard::InProcessBoards boards;
    ASSERT_TRUE(boards.serving());
    EXPECT_EQ(setup::FindBoards(true), setup::BoardsFound::Virtual);
    EXPECT_EQ(setup::FindBoards(false), setup::BoardsFound::Virtual);
}

}  // namespace
