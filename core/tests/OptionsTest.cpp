// The option dialogs, driven with the UI robot, and the window requests to
// the tray.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstring>

#include "quorvi/QuorviCore.h"
#include "testkit/BroadcastSpy.h"
#include "testkit/Robot.h"

using namespace testkit;

namespace {

const int kDecayBar = 1000;

int Position(HWND bar) { return static_cast<int>(SendMessageA(bar, TBM_GETPOS, 0, 0)); }

TEST(OptionDialogs, DecayRateOpensAtTheMirroredPositionAndKeepsItUnlessOK) {
    int rate = 30, result = -1, opened = -1;
    RunWhile([&] { result = QuorviSetDecayRate(&rate); },
             [&] {
                 HWND dlg = WaitForTopWindow("#32770", "Set Meter Decay Rate");
                 if (!dlg) return;
                 opened = Position(Control(dlg, kDecayBar));
                 EXPECT_EQ(GetText(Control(dlg, IDCANCEL)), "Cancel");
                 Click(Control(dlg, IDOK));
             });
    EXPECT_EQ(opened, 70);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(rate, 30);

    RunWhile([&] { result = QuorviSetDecayRate(&rate); },
             [&] {
                 HWND dlg = WaitForTopWindow("#32770", "Set Meter Decay Rate");
                 if (!dlg) return;
                 SendMessageA(Control(dlg, kDecayBar), TBM_SETPOS, TRUE, 10);
                 Click(Control(dlg, IDCANCEL));
             });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(rate, 30);

    RunWhile([&] { result = QuorviSetDecayRate(&rate); },
             [&] {
                 HWND dlg = WaitForTopWindow("#32770", "Set Meter Decay Rate");
                 if (!dlg) return;
                 SendMessageA(Control(dlg, kDecayBar), TBM_SETPOS, TRUE, 90);
                 Click(Control(dlg, IDOK));
             });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(rate, 10);
}

TEST(OptionDialogs, ReferenceLevelChecksTheStoredButtonAndStoresTheChoice) {
    int level = 1, result = -1;
    std::string checked;
    RunWhile([&] { result = QuorviSetReferenceLevel(&level); },
             [&] {
                 HWND dlg = WaitForTopWindow("#32770", "Set Meter Reference Level");
                 if (!dlg) return;
                 for (int id : {1004, 1005, 1006}) {
                     if (GetCheck(Control(dlg, id)) == BST_CHECKED) checked = GetText(Control(dlg, id));
                 }
                 Click(Control(dlg, 1004));
                 Click(Control(dlg, IDOK));
             });
    EXPECT_EQ(checked, "-&14 dB");
    EXPECT_EQ(result, 1);
    EXPECT_EQ(level, 0);

    RunWhile([&] { result = QuorviSetReferenceLevel(&level); },
             [&] {
                 HWND dlg = WaitForTopWindow("#32770", "Set Meter Reference Level");
                 if (!dlg) return;
                 Click(Control(dlg, 1006));
                 Click(Control(dlg, IDCANCEL));
             });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(level, 0);
}

TEST(OptionDialogs, FontDialogWritesBackOnlyOnOK) {
    LOGFONTA font{};
    font.lfHeight = -10;
    font.lfWeight = 300;
    std::strcpy(font.lfFaceName, "Arial");
    LOGFONTA before = font;
    int result = -1;
    RunWhile([&] { result = QuorviSetMetersFont(&font); },
             [&] {
                 HWND dlg = WaitForTopWindow("#32770", "Font");
                 if (dlg) Click(Control(dlg, IDCANCEL));
             });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(std::memcmp(&font, &before, sizeof font), 0);

    std::memset(font.lfFaceName, 0, sizeof font.lfFaceName);
    RunWhile([&] { result = QuorviSetFadersFont(&font); },
             [&] {
                 HWND dlg = WaitForTopWindow("#32770", "Font");
                 if (dlg) Click(Control(dlg, IDOK));
             });
    EXPECT_EQ(result, 1);
    EXPECT_NE(font.lfFaceName[0], '\0');  // the system's choice
}

TEST(OptionDialogs, NoVariableNoDialog) {
    EXPECT_EQ(QuorviSetDecayRate(nullptr), 0);
    EXPECT_EQ(QuorviSetReferenceLevel(nullptr), 0);
    EXPECT_EQ(QuorviSetMetersFont(nullptr), 0);
    EXPECT_EQ(QuorviSetFadersFont(nullptr), 0);
}

TEST(WindowRequests, MetersAndMixerArePostedWithTheBoardIndex) {
    BroadcastSpy spy;
    EXPECT_EQ(QuorviOpenMeters(2), 1);
    EXPECT_EQ(QuorviOpenFaders(3), 1);
    auto meters = spy.WaitFor("QUORVI METERS");
    auto mixer = spy.WaitFor("QUORVI MIXER");
    ASSERT_TRUE(meters && mixer);
    EXPECT_EQ(meters->wParam, 2u);
    EXPECT_FALSE(meters->sent);
    EXPECT_EQ(mixer->wParam, 3u);
    EXPECT_EQ(mixer->lParam, 0);
}

}  // namespace
