// The status reporting asked of a board, the rate measurement and the
// register values that follow from the rate.
#include <gtest/gtest.h>

#include "MonitorRules.h"

using namespace tray;

TEST(StatusMasks, EnableValueFollowsFormatAndWordClock) {
    EXPECT_EQ(StatusEnableValue(0, 3, 0), 0x106u);
    EXPECT_EQ(StatusEnableValue(0, 0x22, 0), 0x107u);
    EXPECT_EQ(StatusEnableValue(0, 0x32, 0), 0x106u);
    for (int format : {1, 2, 4}) {
        EXPECT_EQ(StatusEnableValue(format, 0, 0), 0x172u);
        EXPECT_EQ(StatusEnableValue(format, 0x20, 0), 0x173u);
    }
    EXPECT_EQ(StatusEnableValue(3, 0x20, 0), 0x170u);
    EXPECT_EQ(StatusEnableValue(5, 0x20, 0x106), 0x106u) << "kept from the previous board";
    EXPECT_EQ(StatusEnableValue(-1, 0, 0x173), 0x173u);
}

TEST(RateMeasurement, ACalibrationCutShortIsScaledAndNoneGivesNothing) {
    EXPECT_EQ(CalibratedTicks(26688, 32, 32), 26688u);
    EXPECT_EQ(CalibratedTicks(834 * 8, 8, 32), 26688u) << "8 of 32 readings";
    EXPECT_EQ(CalibratedTicks(0, 0, 32), std::nullopt);
    EXPECT_EQ(CalibratedTicks(0, 32, 32), std::nullopt) << "a counter that never moved";
}

TEST(RateMeasurement, CalibrationMakesTheCounterReadInKilohertz) {
    const double k = SecondsPerCount(26688);  // 32 readings of 834 at 44.1 kHz
    EXPECT_NEAR(InstantRate(k, 834), 44.1, 1e-9);
    EXPECT_NEAR(InstantRate(k, 766), 48.0, 0.05);
    EXPECT_EQ(InstantRate(k, 0), 0.0) << "no clock, no rate";
    EXPECT_EQ(InstantRate(SecondsPerCount(0), 834), 0.0) << "an uncalibrated board has no rate";
}

TEST(RateMeasurement, JumpsTakenAtOnceOnlyAFallForcesTheRegisters) {
    SmoothedRate up = SmoothRate(44.1, 48.0);
    EXPECT_EQ(up.rate, 48.0);
    EXPECT_FALSE(up.forced);
    SmoothedRate first = SmoothRate(0, 44.1);
    EXPECT_EQ(first.rate, 44.1) << "the first measurement is taken as it is";
    SmoothedRate down = SmoothRate(48.0, 44.1);
    EXPECT_EQ(down.rate, 44.1);
    EXPECT_TRUE(down.forced);
    SmoothedRate drift = SmoothRate(44.1, 44.5);
    EXPECT_NEAR(drift.rate, 44.12, 1e-9);
    EXPECT_FALSE(drift.forced);
    SmoothedRate sag = SmoothRate(44.1, 43.5);
    EXPECT_NEAR(sag.rate, 44.07, 1e-9);
    EXPECT_FALSE(sag.forced);
}

TEST(RateMeasurement, HighRateBitHasHysteresisUnlessForced) {
    EXPECT_EQ(HighRateUpdate(44.1, 0, false), 0x80u);
    EXPECT_EQ(HighRateUpdate(44.1, 0x80, false), std::nullopt);
    EXPECT_EQ(HighRateUpdate(32.0, 0x80, false), 0u);
    EXPECT_EQ(HighRateUpdate(32.0, 0, false), std::nullopt);
    EXPECT_EQ(HighRateUpdate(34.35, 0, false), std::nullopt);
    EXPECT_EQ(HighRateUpdate(34.35, 0x80, false), std::nullopt);
    EXPECT_EQ(HighRateUpdate(34.35, 0x80, true), 0u);
    EXPECT_EQ(HighRateUpdate(44.1, 0x80, true), 0x80u) << "forced: sent even when unchanged";
}

TEST(RateBands, ClassificationAndTheWordsEachFormatGets) {
    EXPECT_EQ(ClassifyRate(47).band, 2);
    EXPECT_EQ(ClassifyRate(46).band, 0);
    EXPECT_EQ(ClassifyRate(40).band, 0);
    EXPECT_EQ(ClassifyRate(39).band, 3);
    EXPECT_TRUE(InBand(ClassifyRate(44), 46));
    EXPECT_FALSE(InBand(ClassifyRate(44), 47));
    EXPECT_TRUE(InBand(ClassifyRate(48), 46)) << "the bounds overlap, so a rate near one does not flap";

    EXPECT_TRUE(BandWords(0, 3, 2).empty());
    EXPECT_TRUE(BandWords(4, 3, 2).empty());
    EXPECT_EQ(BandWords(1, 3, 2), (std::vector<std::uint32_t>{0x502}));
    EXPECT_EQ(BandWords(2, 3, 3), (std::vector<std::uint32_t>{0x503}));
    EXPECT_EQ(BandWords(3, 3, 2), (std::vector<std::uint32_t>{0x502, 0x600}));
    EXPECT_EQ(BandWords(3, 4, 0), (std::vector<std::uint32_t>{0x500, 0x602}));
    EXPECT_EQ(BandWords(3, 0, 3), (std::vector<std::uint32_t>{0x503, 0x603})) << "an external converter clock";
}

TEST(RateAnnouncement, OnlyAMoveOfMoreThan300HzIsAnnounced) {
    EXPECT_TRUE(ShouldAnnounce(0, 44100));
    EXPECT_FALSE(ShouldAnnounce(44100, 44400));
    EXPECT_FALSE(ShouldAnnounce(44100, 44400.9f)) << "the difference is truncated";
    EXPECT_TRUE(ShouldAnnounce(44100, 44401));
    EXPECT_TRUE(ShouldAnnounce(48000, 44100));
}
