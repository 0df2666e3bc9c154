// The punch-in dialog of the hosted frame against virtual boards whose time
// code runs on the test's clock: what it arms, what it shows, what it keeps.
#include <windows.h>
#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <string>

#include "FrameHost.h"
#include "PunchDlg.h"
#include "quorvi/DriverRequests.h"
#include "quorvi/QuorviCore.h"
#include "resource.h"
#include "testkit/MessageBoxCatcher.h"
#include "testkit/Robot.h"

using quorvi::QUORVI_GET_PUNCH;
using quorvi::QUORVI_SET_PUNCH;

namespace {

constexpr const char* kMakerKey = "SOFTWARE\\Quelmar";
constexpr std::uint32_t kZero441 = 44100 * 120;  // the board's time code at zero

class PunchDialogTest : public FrameHost {
protected:
    HWND Open() {
        frame_->OpenPunchDialog();
        tray::CPunchDlg* dialog = frame_->punchDialog();
        EXPECT_NE(dialog, nullptr);
        return dialog ? dialog->hwnd() : nullptr;
    }
    tray::CPunchDlg& Dialog() const { return *frame_->punchDialog(); }
    // Types a time and leaves the box, as a user tabbing on would.
    void TypeTime(HWND dialog, const std::string& text) const {
        HWND edit = GetDlgItem(dialog, IDC_PUNCH_TIME);
        testkit::TypeText(edit, text);
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_PUNCH_TIME, EN_KILLFOCUS), reinterpret_cast<LPARAM>(edit));
    }
    std::string Typed(HWND dialog) const { return testkit::GetText(GetDlgItem(dialog, IDC_PUNCH_TIME)); }
    std::string Display(HWND dialog) const { return testkit::GetText(GetDlgItem(dialog, IDC_PUNCH_DISPLAY)); }
    void Press(HWND dialog) const { testkit::Click(GetDlgItem(dialog, IDC_PUNCH)); }
    // A monitor tick, then a punch tick, as their timers would give them.
    void PunchTick(HWND dialog) const {
        const std::size_t reads = Log(quorvi::QUORVI_GET_STATUS_FLAGS).size();
        Tick();
        EXPECT_TRUE(PumpUntil([&] { return Log(quorvi::QUORVI_GET_STATUS_FLAGS).size() > reads; }));
        SendMessageA(dialog, WM_TIMER, tray::kPunchTimer, 0);
    }
    std::uint32_t LastPunchPosition() const {
        const auto sets = Log(QUORVI_SET_PUNCH);
        return sets.empty() ? 0 : Word(sets.back().input, 0);
    }
};

}  // namespace

TEST_F(PunchDialogTest, ArmingOnRunningTimeCodeReachesHit) {
    Start(1);
    ASSERT_FALSE(HasFatalFailure());
    boards_->control("timecode zero running");
    HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    // Delay compensation of the digital ADAT interface, stored with its
    // defaults on first use.
    EXPECT_EQ(testkit::ReadRegDword(HKEY_LOCAL_MACHINE, kMakerKey, "AdatDigitalInputSample"), 4u);
    EXPECT_EQ(testkit::ReadRegDword(HKEY_LOCAL_MACHINE, kMakerKey, "AdatDigitalOutputBlock"), 0xFFFFFFFFu);
    EXPECT_EQ(testkit::GetText(GetDlgItem(dialog, IDC_TAPE_FORMAT)), "Bad tape format!");
    EXPECT_EQ(testkit::GetText(GetDlgItem(dialog, IDC_TIME_BASE)), "30 fps non-drop");

    TypeTime(dialog, "1.00");
    EXPECT_EQ(Typed(dialog), "00:00:01.00");
    Press(dialog);
    EXPECT_EQ(LastPunchPosition(), kZero441 + 44100);
    EXPECT_EQ(Dialog().state(), tray::PunchState::Armed);

    boards_->advanceMs(500);
    PunchTick(dialog);
    EXPECT_EQ(Display(dialog), "00:00:00.50 WAITING");
    boards_->advanceMs(600);
    PunchTick(dialog);
    EXPECT_EQ(Dialog().state(), tray::PunchState::Hit);
    EXPECT_EQ(LastPunchPosition(), kZero441 - 1) << "the board is disarmed after the hit";
    EXPECT_EQ(Display(dialog), "00:00:01.10 HIT");

    Press(dialog);
    EXPECT_EQ(Dialog().state(), tray::PunchState::NotArmed);
    EXPECT_EQ(LastPunchPosition(), kZero441 - 1);

    testkit::Click(GetDlgItem(dialog, IDOK));
    EXPECT_EQ(frame_->punchDialog(), nullptr);
    auto stored = std::make_unique<quorvi::SettingsRecord>();
    ASSERT_TRUE(PumpUntil([&] { return QuorviGetRegSettings(stored.get(), 1) && stored->punchTime == 44100; }))
        << "the punch time is stored when the dialog closes";
}

TEST_F(PunchDialogTest, TimesThatCannotBeArmedAreRefusedAndThePauseIsShown) {
    Start(1);
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(testkit::WriteRegDword(HKEY_LOCAL_MACHINE, kMakerKey, "CustomOutputSample", 50));
    frame_->record().punchInterfaceType = 1;
    frame_->record().punchTime = INT_MIN;  // from a damaged file
    boards_->control("timecode-on on");
    HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(Dialog().delays().outputSample, 50);
    EXPECT_EQ(Dialog().delays().inputSample, 4);
    EXPECT_FALSE(testkit::ReadRegDword(HKEY_LOCAL_MACHINE, kMakerKey, "CustomInputSample"))
        << "custom values are only read";

    const std::string refused =
        "The punch-in time cannot be armed.\nEnter hours:minutes:seconds.fraction from -00:02:00.00 to 13:31:35.77.";
    testkit::MessageBoxCatcher boxes;
    boxes.Expect(IDOK, 2);
    boards_->driver().clearLog();
    Press(dialog);
    EXPECT_TRUE(Log(QUORVI_SET_PUNCH).empty()) << "a wrapped position is never armed";
    TypeTime(dialog, "13:35:00.00");
    ASSERT_TRUE(boxes.WaitForBoxes(2));
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{refused, refused}));
    EXPECT_EQ(Typed(dialog), "-13:31:35.77") << "the previous time stays";

    TypeTime(dialog, "-5");
    EXPECT_EQ(Dialog().punchTime(), -5 * 441);
    testkit::Click(GetDlgItem(dialog, IDC_UNITS_SAMPLES));
    EXPECT_EQ(Typed(dialog), "-00:00:00.02205");

    // The board reports its time code standing still; the monitor latches
    // that once its start-up ticks have passed.
    boards_->control("timecode zero stopped");
    for (int tick = 0; tick < 5; ++tick) PunchTick(dialog);
    EXPECT_NE(Display(dialog).find("TC PAUSED"), std::string::npos) << Display(dialog);
    SendMessageA(dialog, WM_TIMER, tray::kPunchTimer, 0);
    EXPECT_NE(Display(dialog).find("TC PAUSED"), std::string::npos) << "steady until the next latch";

    Send("START QUORVI UPDATE");
    boards_->driver().clearLog();
    PostMessageA(dialog, WM_TIMER, tray::kPunchTimer, 0);
    Pump(100);
    EXPECT_TRUE(Log(QUORVI_GET_PUNCH).empty()) << "no tick during another program's update";
    Send("END QUORVI UPDATE");

    boxes.Expect(IDOK);
    boards_->control("fail QUORVI_GET_PUNCH 31 once");
    SendMessageA(dialog, WM_TIMER, tray::kPunchTimer, 0);
    ASSERT_TRUE(boxes.WaitForBoxes(3));
    EXPECT_EQ(boxes.Texts()[2], "Error getting punch-in status.  Further status updates are suspended.");
    boards_->driver().clearLog();
    PostMessageA(dialog, WM_TIMER, tray::kPunchTimer, 0);
    Pump(100);
    EXPECT_TRUE(Log(QUORVI_GET_PUNCH).empty()) << "status updates stay suspended";

    // Closed with the program, the dialog's values are kept as on Close,
    // a time still in the box too.
    testkit::TypeText(GetDlgItem(dialog, IDC_PUNCH_TIME), "-7");
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    EXPECT_EQ(Typed(dialog), "-7") << "a repaint leaves what is being typed";
    frame_.reset();
    auto stored = std::make_unique<quorvi::SettingsRecord>();
    ASSERT_TRUE(QuorviGetRegSettings(stored.get(), 1));
    EXPECT_EQ(stored->punchTime, -7);
    EXPECT_EQ(stored->punchTimecodeUnits, 1);
    EXPECT_EQ(stored->punchInterfaceType, 1);
}
