#include "ClockRules.h"
#include "DacLevels.h"
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
