// The mixer window of the hosted frame, worked with the mouse and its
// system menu: what the board receives, what the record keeps, and how the
// window follows its options.
#include <windows.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "FrameHost.h"
#include "MixerWnd.h"
#include "quorvi/DriverRequests.h"
#include "quorvi/QuorviCore.h"
#include "resource.h"
#include "testkit/BroadcastSpy.h"
#include "testkit/MessageBoxCatcher.h"
#include "testkit/Robot.h"

using quorvi::QUORVI_HC_GET_PARAMS;
using quorvi::QUORVI_SET_PARAM;

namespace {

// Gain words of an input pair and of an output pair in QUORVI_SET_PARAM's
// input, which starts with the board index.
constexpr int kInputPair0 = 1 + 34;
constexpr int kOutputPair0 = 1 + 0;
constexpr int kOptionWord = 1 + 66;
constexpr int kFaderY = 80;

LPARAM At(int x, int y) { return MAKELPARAM(x, y); }
int ColumnX(int column) { return column * tray::kColumnWidth + 15; }

// The window's size, frame included.
SIZE WindowSize(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return {r.right - r.left, r.bottom - r.top};
}

class MixerWindowTest : public FrameHost {
protected:
    HWND Open(int board) {
        Send("QUORVI MIXER", board);
        tray::CMixerWnd* mixer = frame_->mixerWindow(board);
        EXPECT_NE(mixer, nullptr);
        return mixer ? mixer->hwnd() : nullptr;
    }
    // A left-button drag of the fader in a column, pressed in the middle of
    // the track.
    void DragFader(HWND window, int column, int toY) const {
        PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, At(ColumnX(column), kFaderY));
        PostMessageA(window, WM_MOUSEMOVE, MK_LBUTTON, At(ColumnX(column) + 3, toY));
        PostMessageA(window, WM_LBUTTONUP, 0, At(ColumnX(column) + 3, toY));
        Pump(100);
    }
    std::vector<vboard::LogEntry> MixesTo(int board) const {
        std::vector<vboard::LogEntry> mixes;
        for (const vboard::LogEntry& e : Log(QUORVI_SET_PARAM))
            if (Word(e.input, 0) == static_cast<std::uint32_t>(board)) mixes.push_back(e);
        return mixes;
    }
    bool MenuChecked(HWND window, UINT id) const {
        return (GetMenuState(GetSystemMenu(window, FALSE), id, MF_BYCOMMAND) & MF_CHECKED) != 0;
    }
};

}  // namespace

TEST_F(MixerWindowTest, AFaderDragSendsTheMixButNothingGoesOutDuringAnUpdate) {
    Start(2);
    ASSERT_FALSE(HasFatalFailure());
    HWND window = Open(1);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(win::WindowText(window), "QUORVI #2 Master Mix Levels");
    EXPECT_EQ(WindowSize(window).cx, 4 + 480 + 480 + 60);
    EXPECT_EQ(WindowSize(window).cy, 180);
    Send("QUORVI MIXER", 1);
    EXPECT_EQ(frame_->mixerWindow(1)->hwnd(), window) << "one window per board, raised again";

    boards_->driver().clearLog();
    DragFader(window, 0, 54);  // the knob's top at the top of the track
    ASSERT_TRUE(PumpUntil([&] { return MixesTo(1).size() >= 2; }));
    const vboard::LogEntry mix = MixesTo(1).back();
    // Level 67 (8126464) fully left, scaled to the board's 17 bits.
    EXPECT_EQ(Word(mix.input, kInputPair0), 8126464u >> 6);
    EXPECT_EQ(Word(mix.input, kInputPair0 + 1), 0u);
    EXPECT_EQ(frame_->record().device.boards[1].levelA[0], 67);
    EXPECT_EQ(Log(QUORVI_HC_GET_PARAMS).size(), Log(QUORVI_SET_PARAM).size()) << "each send reads, then writes";
    EXPECT_EQ(frame_->busy().faders, 0);

    Send("START QUORVI UPDATE");
    boards_->driver().clearLog();
    DragFader(window, 1, 100);
    PostMessageA(window, WM_RBUTTONDOWN, MK_RBUTTON, At(ColumnX(5), 8));
    Pump(300);
    EXPECT_TRUE(Log(QUORVI_HC_GET_PARAMS).empty());
    EXPECT_TRUE(Log(QUORVI_SET_PARAM).empty()) << "nothing is sent while another program updates";
    Send("END QUORVI UPDATE");
    // The update's end reloads the stored record, which never held the
    // unsent change.
    EXPECT_EQ(frame_->record().device.boards[1].levelA[1], 0);
}

// A drag lasts while the window holds the mouse: one that another window
// took, or a board that refuses the mix, ends it, so a fader never follows
// a pointer whose button went up elsewhere and a failing board shows one
// message, not one per move.
TEST_F(MixerWindowTest, ADragEndsWhenTheMouseIsTakenOrTheBoardRefusesTheMix) {
    Start(1);
    ASSERT_FALSE(HasFatalFailure());
    HWND window = Open(0);
    ASSERT_NE(window, nullptr);
    const std::int32_t& level = frame_->record().device.boards[0].levelA[3];
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, At(ColumnX(3), 100));
    EXPECT_EQ(GetCapture(), window);
    EXPECT_EQ(level, 22);
    HWND other = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    SetCapture(other);
    SendMessageA(window, WM_MOUSEMOVE, MK_LBUTTON, At(ColumnX(3), 60));
    EXPECT_EQ(level, 22) << "the drag ended with the mouse taken";
    ReleaseCapture();
    DestroyWindow(other);

    testkit::MessageBoxCatcher boxes;
    boxes.Expect(IDOK);
    boards_->control("fail QUORVI_SET_PARAM 31");
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, At(ColumnX(4), 100));
    for (int y = 99; y > 90; --y) SendMessageA(window, WM_MOUSEMOVE, MK_LBUTTON, At(ColumnX(4), y));
    ASSERT_TRUE(boxes.WaitForBoxes(1));
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"Error: QUORVI_SET_PARAM failed with code 0x1f"});
    EXPECT_NE(GetCapture(), window);
    EXPECT_EQ(frame_->busy().faders, 0);
}

// The monitor re-sends the high-rate bit through the open mixer window, so
// the board gets it with the window's mix rather than over its old gains.
TEST_F(MixerWindowTest, TheHighRateBitGoesOutWithTheWindowsMix) {
    Start(1);
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_NE(Open(0), nullptr);
    frame_->record().device.boards[0].levelB[0] = 68;
    boards_->driver().clearLog();
    Send("QUORVI TRAY");  // the next tick sends the high-rate bit again
    Tick();
    ASSERT_TRUE(PumpUntil([&] { return !MixesTo(0).empty(); }));
    const vboard::LogEntry mix = MixesTo(0).back();
    EXPECT_EQ(Word(mix.input, kOutputPair0), 8388607u >> 6);
    EXPECT_EQ(Word(mix.input, kOptionWord) & quorvi::kHiRateBit, quorvi::kHiRateBit);
}

TEST_F(MixerWindowTest, TheSystemMenuShowsGroupsKeepsOnTopAndSavesThePlace) {
    Start(1);
    ASSERT_FALSE(HasFatalFailure());
    // A place from a damaged file is pulled back onto the screen.
    frame_->record().boards[0].fadersLeft = 99999;
    frame_->record().boards[0].fadersTop = -99999;
    HWND window = Open(0);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(win::WindowText(window), "QUORVI Master Mix Levels");
    RECT place{};
    GetWindowRect(window, &place);
    EXPECT_EQ(place.left, GetSystemMetrics(SM_CXMAXIMIZED) - 100);
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_EQ(place.top, work.top);

    EXPECT_TRUE(MenuChecked(window, ID_SHOW_INPUTS));
    SysCommand(window, ID_SHOW_INPUTS);
    EXPECT_FALSE(MenuChecked(window, ID_SHOW_INPUTS));
    EXPECT_EQ(WindowSize(window).cx, 4 + 480 + 60);
    EXPECT_EQ(frame_->mixerWindow(0)->layout().ChannelAt(0), tray::kFirstOutput);
    // The first column is now output 1: its mute is output 1's.
    PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, At(ColumnX(0), 8));
    Pump(100);
    EXPECT_EQ(frame_->record().boards[0].muteB[0], 1);
    EXPECT_EQ(frame_->record().boards[0].muteA[0], 0);

    SysCommand(window, ID_KEEP_ON_TOP);
    EXPECT_TRUE(MenuChecked(window, ID_KEEP_ON_TOP));
    EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    SysCommand(window, ID_LABEL_USER);
    EXPECT_TRUE(MenuChecked(window, ID_LABEL_USER));
    EXPECT_FALSE(MenuChecked(window, ID_LABEL_LOGICAL));
    // With user labels a click on a label edits it.
    testkit::RunWhile([&] { SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, At(ColumnX(0), 150)); }, [&] {
        HWND dlg = testkit::WaitForTopWindow("#32770", "Create User-defined Label");
        if (!dlg) return;
        testkit::TypeText(testkit::Control(dlg, IDC_LABEL_TEXT), "Kick|Drum");
        testkit::PostClick(testkit::Control(dlg, IDOK));
    });
    EXPECT_STREQ(frame_->record().boards[0].faderLabels[tray::kFirstOutput], "Kick|Drum");

    testkit::BroadcastSpy spy;
    MoveWindow(window, 40, 60, place.right - place.left, place.bottom - place.top, TRUE);
    SysCommand(window, ID_SAVE_SETTINGS);
    ASSERT_TRUE(PumpUntil([&] { return !spy.Received("QUORVI CP").empty(); }));
    auto stored = std::make_unique<quorvi::SettingsRecord>();
    ASSERT_TRUE(QuorviGetRegSettings(stored.get(), 1));
    EXPECT_EQ(stored->boards[0].fadersLeft, 40);
    EXPECT_EQ(stored->boards[0].fadersTop, 60);
    EXPECT_EQ(stored->boards[0].showInputFaders, 0);
    EXPECT_EQ(stored->boards[0].fadersOnTop, 1);
    EXPECT_EQ(stored->boards[0].faderLabelMode, tray::UserLabels);

    // Another program's change reaches the open window.
    frame_->record().boards[0].showInputFaders = 1;
    Send("QUORVI TRAY");
    EXPECT_EQ(WindowSize(window).cx, 4 + 480 + 480 + 60);
    EXPECT_TRUE(MenuChecked(window, ID_SHOW_INPUTS));

    PostMessageA(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return frame_->mixerWindow(0) == nullptr; }));
    window = Open(0);
    ASSERT_NE(window, nullptr) << "a closed window opens again";

    // Closed with the program, it keeps its place too.
    MoveWindow(window, 80, 90, place.right - place.left, place.bottom - place.top, TRUE);
    frame_.reset();
    ASSERT_TRUE(QuorviGetRegSettings(stored.get(), 1));
    EXPECT_EQ(stored->boards[0].fadersLeft, 80);
    EXPECT_EQ(stored->boards[0].fadersTop, 90);
}

// A level or pan index from a damaged record is drawn at the end of its
// track, never outside it.
TEST_F(MixerWindowTest, DamagedLevelsAndPansAreDrawnOnTheirTracks) {
    Start(1);
    ASSERT_FALSE(HasFatalFailure());
    frame_->record().device.boards[0].levelA[0] = 99999;
    frame_->record().boards[0].panA[0] = 1000;
    frame_->record().boards[0].masterLevel[1] = -5;
    HWND window = Open(0);
    ASSERT_NE(window, nullptr);
    UpdateWindow(window);
    HDC dc = GetDC(window);
    const COLORREF knob = RGB(0xC8, 0xC8, 0xC8);
    EXPECT_EQ(GetPixel(dc, 8 + 2, tray::kFaderTrackTop + 2), knob) << "level 68: the top of the track";
    EXPECT_EQ(GetPixel(dc, tray::kPanTrackRight - 1, 40), RGB(0, 0xFF, 0)) << "pan 21: the right end";
    EXPECT_EQ(GetPixel(dc, 33 * tray::kColumnWidth + 8 + 2, 119 + 2), knob) << "level 0: the bottom";
    ReleaseDC(window, dc);
}
