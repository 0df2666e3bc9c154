// The tray's frame hosted in this process against virtual boards served
// here too: its pop-up menu and its wait for its own work, which only show
// from inside.
#include <windows.h>
#include <shellapi.h>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "FrameHost.h"
#include "quorvi/DriverRequests.h"
#include "quorvi/QuorviCore.h"
#include "resource.h"
#include "testkit/MessageBoxCatcher.h"
#include "testkit/SystemDir.h"

using namespace testkit;

namespace {

using FrameTest = FrameHost;

}  // namespace

TEST_F(FrameTest, MenuNamesTheBoardsAndSetupsAndOffersOnlyWhatWorks) {
    Start(1);
    ASSERT_FALSE(HasFatalFailure());
    std::vector<MenuLine> menu = PopupMenu();
    ASSERT_GE(menu.size(), 9u);
    EXPECT_EQ(menu[5], (MenuLine{ID_SHOW_METERS, "Show &Meters", true}));
    EXPECT_EQ(menu[6], (MenuLine{ID_SHOW_MIXER, "Show Mi&xer", true}));
    frame_.reset();

    QuorviAddUserMenu("factory.ssf");
    ASSERT_TRUE(WriteRegDword(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quelmar", "Koriad", 1));
    Start(2);
    ASSERT_FALSE(HasFatalFailure());
    menu = PopupMenu();
    const std::vector<MenuLine> expected{
        {ID_MENU_HEADER, "QUORVI Configuration && Status:", false},
        {0, "", false},
        {ID_SHOW_STATUS, "&Show Status/Errors...", true},
        {ID_CLEAR_ERROR, "&Clear Error Indicator", false},
        {ID_OPEN_CONTROL_PANEL, "&Open Control Panel", true},
        {ID_SHOW_METERS_1, "Show Meters for QUORVI #1", true},
        {ID_SHOW_METERS_2, "Show Meters for QUORVI #2", true},
        {ID_SHOW_MIXER_1, "Show Mixer for QUORVI #1", true},
        {ID_SHOW_MIXER_2, "Show Mixer for QUORVI #2", true},
        {0, "", false},
        {ID_PUNCH, "&Punch In/Out...", true},
        {0, "", false},
        {ID_USER_SETUPS_HEADER, "User Setups", false},
        {0, "", false},
        {ID_USER_SETUP_FIRST, "Factory default setup file", true},
        {0, "", false},
        {ID_CLOSE_TRAY, "Close QUORVI Tray Application", true},
    };
    EXPECT_EQ(menu, expected);

    // A setup added while the menu is open: the open menu stays whole, the
    // next one lists it.
    auto second = ReadSystemFile("factory.ssf");
    ASSERT_TRUE(second && second->size() > 20);
    std::memcpy(second->data() + 8, "Second", 7);
    ASSERT_TRUE(WriteSystemFile("second.ssf", *second));
    boards_->control("status 1 0 2");
    ASSERT_TRUE(PumpUntil([&] {
        Tick();
        return frame_->monitor().clockErrorLatched();
    }));
    menu = PopupMenu([] { QuorviAddUserMenu("second.ssf"); });
    EXPECT_EQ(menu.size(), expected.size());
    ASSERT_GT(menu.size(), 3u);
    EXPECT_TRUE(menu[3].enabled) << "Clear Error Indicator while the error is latched";
    menu = PopupMenu();
    ASSERT_EQ(menu.size(), expected.size() + 1);
    EXPECT_EQ(menu[15], (MenuLine{ID_USER_SETUP_FIRST + 1, "Second", true}));
}

// The tray's own work can only be in progress further down its stack (a
// message box of a tick, say), so the wait for it is bounded and keeps
// answering other programs meanwhile.
TEST_F(FrameTest, AnUpdateWhileTheTrayIsBusyWaitsBoundedAndStaysResponsive) {
    Start(1);
    ASSERT_FALSE(HasFatalFailure());
    MessageBoxCatcher boxes;
    boxes.Expect(IDOK);
    frame_->busy().meters = 1;
    std::atomic<bool> answered{false};
    std::thread other([&] {
        Sleep(300);
        DWORD_PTR result = 0;
        answered = SendMessageTimeoutA(frame_->hwnd(), WM_NULL, 0, 0, SMTO_NORMAL, 1000, &result) != 0;
    });
    const DWORD start = GetTickCount();
    SendMessageA(frame_->hwnd(), RegisterWindowMessageA("START QUORVI UPDATE"), 0, 0);
    const DWORD waited = GetTickCount() - start;
    other.join();
    EXPECT_TRUE(answered) << "sent messages are served during the wait";
    EXPECT_LT(waited, tray::kBusyWaitMs + 5000);
    ASSERT_TRUE(boxes.WaitForBoxes(1));
    EXPECT_EQ(boxes.Texts()[0],
              "Timeout while waiting for tray events to complete.\nTimer: 0 Status: 0 Meters: 1 Faders: 0 Punch: 0");
    EXPECT_TRUE(frame_->busy().updateInProgress);

    frame_->busy().meters = 0;
    SendMessageA(frame_->hwnd(), RegisterWindowMessageA("END QUORVI UPDATE"), 0, 0);
    EXPECT_FALSE(frame_->busy().updateInProgress);
}

// A tick that shows a message is not run again inside that message's loop:
// a failing board would pile up a box per timer tick otherwise.
TEST_F(FrameTest, TicksWaitingWhileATickShowsAMessageDoNotRunInsideIt) {
    Start(1);
    ASSERT_FALSE(HasFatalFailure());
    MessageBoxCatcher boxes;
    boxes.Expect(IDOK);
    boards_->control("fail QUORVI_GET_STATUS 31 once");
    const std::size_t reads = boards_->log(quorvi::QUORVI_GET_STATUS_FLAGS).size();
    for (int i = 0; i < 3; ++i) PostMessageA(frame_->hwnd(), WM_TIMER, tray::kMonitorTimer, 0);
    ASSERT_TRUE(PumpUntil([&] { return boxes.Boxes().size() == 1 && !frame_->busy().timer; }));
    EXPECT_EQ(boxes.Texts()[0], "Error: failure reading clock data from QUORVI");
    PumpUntil([] { return false; }, 200);
    EXPECT_EQ(boards_->log(quorvi::QUORVI_GET_STATUS_FLAGS).size(), reads + 1)
        << "the ticks queued behind the message were dropped";
}

// A shell that is not ready yet refuses the first tick's change of the
// icon: the icon is added again and the start-up completes on a later tick
// that could change it, with the boot results shown then, once.
TEST_F(FrameTest, StartUpCompletesOnTheFirstTickTheShellTakesTheIcon) {
    const BYTE bootResults[4] = {5, 0, 0, 0};
    ASSERT_TRUE(WriteRegValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quelmar", "QuorviStatus", REG_BINARY, bootResults, 4));
    MessageBoxCatcher boxes;
    boxes.Expect(IDOK);
    shell_.RefuseModify(1);
    Start(1);
    ASSERT_FALSE(HasFatalFailure());
    const std::vector<NotifyIconCall> calls = shell_.Calls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back().operation, static_cast<DWORD>(NIM_ADD)) << "added again after the refusal";
    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_TRUE(ReadRegValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quelmar", "QuorviStatus")) << "not complete yet";

    PostMessageA(frame_->hwnd(), WM_TIMER, tray::kMonitorTimer, 0);
    ASSERT_TRUE(PumpUntil([&] { return !boxes.Boxes().empty() && !frame_->busy().timer; }));
    EXPECT_EQ(boxes.Texts()[0], "Board 1-DSP code loaded, but did not boot correctly.\nA power cycle is necessary.");
    EXPECT_FALSE(ReadRegValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quelmar", "QuorviStatus"));
    PostMessageA(frame_->hwnd(), WM_TIMER, tray::kMonitorTimer, 0);
    Pump(200);
    EXPECT_EQ(boxes.Boxes().size(), 1u);
}

// A second right click on the icon while its menu is open must not let a
// setup list change rebuild (and destroy) the menu still on screen.
TEST_F(FrameTest, ASecondRightClickWhileTheMenuIsOpenKeepsItWhole) {
    Start(1);
    ASSERT_FALSE(HasFatalFailure());
    QuorviAddUserMenu("factory.ssf");
    auto second = ReadSystemFile("factory.ssf");
    ASSERT_TRUE(second && second->size() > 20);
    ASSERT_TRUE(WriteSystemFile("second.ssf", *second));
    const std::size_t items = PopupMenu().size();
    const std::vector<MenuLine> menu = PopupMenu([&] {
        PostMessageA(frame_->hwnd(), tray::WM_TRAY_NOTIFY, IDI_TRAY_OK, WM_RBUTTONDOWN);
        Sleep(300);
        QuorviAddUserMenu("second.ssf");
    });
    EXPECT_EQ(menu.size(), items);
    EXPECT_EQ(PopupMenu().size(), items + 1) << "the next menu lists the new setup";
}
