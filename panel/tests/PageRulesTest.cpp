#include "ClockRules.h"
#include "DacLevels.h"
#include "DeviceAppearance.h"
#include "IdentifyEvidence.h"
#include "MetersRules.h"
#include "SetupsRules.h"
#include "SheetPlan.h"
#include <gtest/gtest.h>
#include <limits>

using namespace panel;

TEST(Varispeed, RateTextFollowsTheCalibration) {
    const double factor = RateFactor(kDefaultSamples, kDefaultTicks);
    EXPECT_EQ(VarispeedText(417, factor), "44.047 kHz");
    EXPECT_EQ(VarispeedText(346, factor), "53.073 kHz");
    EXPECT_EQ(VarispeedText(453, factor), "40.551 kHz");
    // A zero count in the registry falls back to the default, not to 0 or inf.
    EXPECT_DOUBLE_EQ(RateFactor(0, 0), factor);
}

TEST(Varispeed, LimitsAndScrollSteps) {
    const VarispeedRange narrow = VarispeedLimits(0), wide = VarispeedLimits(7);
    EXPECT_EQ(narrow.minimum, 346);
    EXPECT_EQ(narrow.maximum, 453);
    EXPECT_EQ(wide.minimum, 370);
    EXPECT_EQ(wide.maximum, 600);
    EXPECT_EQ(ClampVarispeed(1000, narrow), 453);
    EXPECT_EQ(ClampVarispeed(-5, wide), 370);

    const int narrowSpan = narrow.maximum - narrow.minimum, wideSpan = wide.maximum - wide.minimum;
    EXPECT_EQ(ScrollTo(kPageRight, 10, 0, narrowSpan), 16);
    EXPECT_EQ(ScrollTo(kPageRight, 10, 0, wideSpan), 24);
    EXPECT_EQ(ScrollTo(kPageLeft, 3, 0, wideSpan), 0);
    EXPECT_EQ(ScrollTo(kPageRight, narrowSpan - 2, 0, narrowSpan), narrowSpan);
    EXPECT_EQ(ScrollTo(kLineLeft, 0, 0, narrowSpan), 0);
    EXPECT_EQ(ScrollTo(kLineRight, 5, 0, narrowSpan), 6);
    EXPECT_EQ(ScrollTo(kThumbTrack, 5, 40, narrowSpan), 40);
    EXPECT_EQ(ScrollTo(kRightEnd, 5, 0, wideSpan), wideSpan);
    EXPECT_EQ(ScrollTo(kLeftEnd, 5, 0, wideSpan), 0);
    EXPECT_EQ(ScrollTo(8, 5, 0, wideSpan), -1);   // end of scroll: no move

    // The rate rises to the right; a value from a file beyond the limits,
    // however far, puts the bar at the nearer end.
    EXPECT_EQ(VarispeedPosition(417, narrow), 36);
    EXPECT_EQ(VarispeedPosition(std::numeric_limits<int>::min(), narrow), narrowSpan);
    EXPECT_EQ(VarispeedPosition(std::numeric_limits<int>::max(), wide), 0);
}

TEST(ClockCombination, OnlyTheTwoSpdifFormatIsChecked) {
    EXPECT_EQ(ClockCombinationError(3, kClockVarispeed, kClockVarispeed), 0);
    EXPECT_EQ(ClockCombinationError(3, kClockWordClock, kClockVarispeed), 136);
    EXPECT_EQ(ClockCombinationError(3, kClockVarispeed, kClockWordClock), 136);
    EXPECT_EQ(ClockCombinationError(3, kClockInputA, kClockInputB), 137);
    EXPECT_EQ(ClockCombinationError(3, kClockInputA, kClockInternal48), 0);
    EXPECT_EQ(ClockCombinationError(3, kClockWordClock, kClockWordClock), 0);
    EXPECT_EQ(ClockCombinationError(0, kClockInputA, kClockInputB), 0);
}

TEST(ClockCombination, RadiosPerFormat) {
    const ClockEnabling spdif = EnablingFor(3);
    EXPECT_TRUE(spdif.valid && spdif.srcGroup);
    EXPECT_FALSE(spdif.mainInputB);
    EXPECT_FALSE(spdif.srcRadio[kClockInputB]);
    EXPECT_TRUE(spdif.srcRadio[kClockVarispeed]);
    const ClockEnabling adat = EnablingFor(0);
    EXPECT_TRUE(adat.mainInputB);
    EXPECT_FALSE(adat.srcGroup || adat.srcRadio[kClockInternal441]);
    EXPECT_FALSE(EnablingFor(7).valid);
}

TEST(DacLevels, PacksLeftAndLeftXorRight) {
    const std::int32_t levels = PackDacLevels(0, 64);
    EXPECT_EQ(levels & 0xFF, 0);
    EXPECT_EQ((levels >> 8) & 0xFF, 64);
    EXPECT_EQ(DacLeftStep(levels), 0);
    EXPECT_EQ(DacRightStep(levels), 64);
    EXPECT_EQ(DacLevelText(DacLeftStep(levels)), " 8dBm");
    EXPECT_EQ(DacLevelText(DacRightStep(levels)), "mute");
    const std::int32_t both = PackDacLevels(20, 13);
    EXPECT_EQ(both, 20 | ((20 ^ 13) << 8));
    EXPECT_EQ(DacRightStep(both), 13);
    EXPECT_EQ(DacLevelText(20), "-12dBm");
    EXPECT_EQ(DacLeftStep(18), 18);             // the default word
    EXPECT_EQ(DacRightStep(18), 18);
    EXPECT_EQ(DacLeftStep(0xC8), kDacMuteStep);  // step 200 from a file
}

TEST(SheetPlan, PagesPerBoardAndSystem) {
    EXPECT_EQ(PlanPages(1, false).size(), 6u);
    EXPECT_EQ(PlanPages(1, true).size(), 7u);
    EXPECT_EQ(PlanPages(4, false).size(), 21u);
    EXPECT_EQ(PlanPages(4, true).size(), 25u);
    const std::vector<PagePlace> two = PlanPages(2, true);
    EXPECT_EQ(two[0].kind, PageKind::Setups);
    EXPECT_EQ(two[0].board, -1);
    EXPECT_EQ(two[6].kind, PageKind::Appearance);
    EXPECT_EQ(two[7].kind, PageKind::MetersMixer);
    EXPECT_EQ(two[7].board, 1);
    EXPECT_EQ(PlanPages(2, false)[6].board, 1);
}

TEST(ApplyProtocol, OneApplyPerOkHoweverManyPages) {
    ApplyProtocol protocol;
    for (int i = 0; i < 3; ++i) protocol.Join();
    EXPECT_FALSE(protocol.Leave());
    EXPECT_FALSE(protocol.Leave());
    EXPECT_TRUE(protocol.Leave());
    protocol.Join();   // a fourth page shown after the first Apply
    int applies = 0;
    for (int i = 0; i < 4; ++i) applies += protocol.Leave();
    EXPECT_EQ(applies, 1);
    for (int i = 0; i < 4; ++i) applies += protocol.Leave();
    EXPECT_EQ(applies, 2);
}

TEST(SetupsRules, LatencyListPerSystemAndBoards) {
    auto same = [](LatencyChoice a, LatencyChoice b) {
        return a.index == b.index && a.enabled == b.enabled && a.changed == b.changed;
    };
    // Windows 9x drivers: the first entry, not to be chosen, the record untouched.
    EXPECT_TRUE(same(ChooseLatency(2, false, false), {0, false, false}));
    EXPECT_TRUE(same(ChooseLatency(2, true, false), {2, true, false}));
    // An older board anywhere: the first entry only.
    EXPECT_TRUE(same(ChooseLatency(2, true, true), {0, false, true}));
    EXPECT_TRUE(same(ChooseLatency(0, true, true), {0, false, false}));
    // A value the list has no entry for would be stored back as no selection.
    EXPECT_TRUE(same(ChooseLatency(4, true, false), {0, true, true}));
    EXPECT_TRUE(same(ChooseLatency(-1, true, false), {0, true, true}));
}

TEST(SetupsRules, MasterArrowsStepThroughTheBoards) {
    EXPECT_EQ(StepMaster(0, -1, 1), 0);
    EXPECT_EQ(StepMaster(0, 1, 1), 0);
    EXPECT_EQ(MasterText("QUORVI", StepMaster(0, -1, 1)), "QUORVI #1");
    int master = 0;
    for (int press = 0; press < 4; ++press) master = StepMaster(master, -1, 3);   // up
    EXPECT_EQ(master, 2);
    EXPECT_EQ(StepMaster(master, 0, 3), 2);
    EXPECT_EQ(StepMaster(master, 1, 3), 1);   // down
    EXPECT_EQ(StepMaster(0, 1, 3), 0);
    EXPECT_EQ(StepMaster(0, 0, 3), 1);        // no change proposed counts as up
}

TEST(SetupsRules, MtcFieldsChangeOnlyTheirOwnBits) {
    const std::uint16_t opened = MtcOnOpen(0);
    EXPECT_TRUE(MtcHolds(opened, mtc::kNone));
    EXPECT_TRUE(MtcHolds(opened, mtc::k48));
    EXPECT_TRUE(MtcHolds(opened, mtc::kNormal));
    EXPECT_TRUE(MtcHolds(opened, mtc::kNonDrop));
    EXPECT_EQ(MtcTimebase(opened), 0);
    EXPECT_EQ(MtcOnOpen(0x0004), 0x0004);   // 44.1 kHz stays

    std::uint16_t word = 0xFFFF;
    word = MtcApply(word, mtc::kFreeRunning);
    EXPECT_EQ(word, 0xFFFD);
    word = MtcApply(word, mtc::kPullUp);
    EXPECT_EQ(word, 0xDFFD);
    word = MtcApply(word, mtc::kNonDrop);
    EXPECT_EQ(word, 0x9FFD);
    word = MtcWithTimebase(word, 2);
    EXPECT_EQ(word, 0x92FD);
    EXPECT_EQ(MtcTimebase(word), 2);
    // Both frequency bits set: neither radio is checked.
    EXPECT_FALSE(MtcHolds(0x000C, mtc::k441) || MtcHolds(0x000C, mtc::k48));
}

TEST(MetersRules, MonitorDestinationsFollowTheFormat) {
    const std::vector<std::string> adat = MonitorDestinations(0);
    ASSERT_EQ(adat.size(), 17u);
    EXPECT_EQ(adat[0], "Off");
    EXPECT_EQ(adat[1], "ADAT A Ch 1");
    EXPECT_EQ(adat[16], "ADAT B Ch 8");
    EXPECT_EQ(MonitorDestinations(5), adat);
    const std::vector<std::string> dat = MonitorDestinations(6);
    ASSERT_EQ(dat.size(), 11u);
    EXPECT_EQ(dat[9], "SPDIF B Ch 1");
    EXPECT_EQ(MonitorDestinations(1), dat);
    EXPECT_EQ(MonitorDestinations(3),
              (std::vector<std::string>{"Off", "SPDIF A Ch 1", "SPDIF A Ch 2", "SPDIF B Ch 1", "SPDIF B Ch 2"}));
    EXPECT_EQ(MonitorDestinations(4)[16], "Korg B Ch 8");
    EXPECT_EQ(MonitorDestinations(7), std::vector<std::string>{"Off"});
    EXPECT_EQ(MonitorDestinations(-1), std::vector<std::string>{"Off"});
}

TEST(DeviceNames, SanitisedToTwoIntegers) {
    EXPECT_EQ(SanitiseNameFormat("Card %s out %x %y"), "Card %d out %d  y");
    EXPECT_EQ(SanitiseNameFormat("%%%%"), "%d%d");
    EXPECT_EQ(SanitiseNameFormat("%d%d%d"), "%d%d d");
    EXPECT_EQ(SanitiseNameFormat("Board %d %"), "Board %d %d");
    EXPECT_EQ(SanitiseNameFormat("Plain"), "Plain");
    // A '%' completed at the very end must not push the name past the
    // driver's 31 characters.
    const std::string full = std::string(30, 'x') + "%";
    const std::string safe = SanitiseNameFormat(full);
    EXPECT_EQ(safe.size(), kMaxDeviceName);
    EXPECT_EQ(safe, std::string(30, 'x') + " ");
}

TEST(DeviceNames, PreviewFillsBoardAndDevice) {
    EXPECT_EQ(DeviceNamePreview(DeviceEntryAt(DeviceSide::Input, 17).defaultName, 2,
                                DeviceEntryAt(DeviceSide::Input, 17).deviceNumber),
              "Quelmar QUORVI 2 Stereo In2");
    EXPECT_EQ(DeviceNamePreview("Quelmar QUORVI MTC In", 1, 1), "Quelmar QUORVI MTC In");
    // A stored name with other conversions is shown safely, never printed raw.
    EXPECT_EQ(DeviceNamePreview("%s:%n%p", 3, 16), "3:16 p");
}

// The driver finds each name by its key: the layout of its service key.
TEST(DeviceNames, EntriesAndTheirKeys) {
    const DeviceEntry mono = DeviceEntryAt(DeviceSide::Input, 9);
    EXPECT_EQ(mono.listText, "QUORVI Wave Mono In 10");
    EXPECT_EQ(mono.subkey, "MonoIn9");
    EXPECT_EQ(mono.deviceNumber, 10);
    EXPECT_EQ(DeviceEntryAt(DeviceSide::Input, 0).listText, "QUORVI Wave Mono In  1");
    const DeviceEntry stereo = DeviceEntryAt(DeviceSide::Output, 23);
    EXPECT_EQ(stereo.subkey, "StereoOut7");
    EXPECT_EQ(stereo.deviceNumber, 8);
    const DeviceEntry mtc = DeviceEntryAt(DeviceSide::Input, 24);
    EXPECT_TRUE(mtc.sharedByBoards);
    EXPECT_EQ(mtc.subkey, "QuorviMTC");
    const DeviceEntry monitor = DeviceEntryAt(DeviceSide::Output, 24);
    EXPECT_FALSE(monitor.sharedByBoards);
    EXPECT_EQ(monitor.subkey, "MonitorOut");
    EXPECT_EQ(monitor.defaultName, "Quelmar QUORVI %d Monitor Out");
}

TEST(IdentifyEvidence, ALoopedInputNeverShowsItsBitTwiceRunning) {
    InputEvidence steady;
    for (int poll = 0; poll < 500; ++poll) steady.Poll(true);
    EXPECT_FALSE(steady.Connected());

    InputEvidence clear;
    for (int poll = 0; poll < 35; ++poll) clear.Poll(false);
    EXPECT_FALSE(clear.Connected());
    clear.Poll(false);
    EXPECT_TRUE(clear.Connected());
    // One set bit alone is the flashing output; two in a row is a steady signal.
    clear.Poll(true);
    EXPECT_TRUE(clear.Connected());
    clear.Poll(true);
    EXPECT_FALSE(clear.Connected());

    // Input A sees its output flash at every second poll: 36 clear polls
    // take 72. Input B sees a steady signal.
    IdentifyEvidence board;
    int polls = 0;
    const std::uint32_t both = quorvi::kFpgaSignalA | quorvi::kFpgaSignalB;
    while (!board.a().Connected() && polls < 1000) board.Poll(polls++ % 2 ? quorvi::kFpgaSignalB : both);
    EXPECT_EQ(polls, 72);
    EXPECT_FALSE(board.b().Connected());
}
