// The gain words the mixer sends: its own linear law, mutes, and where each
// entry lands in the board's parameter block.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "MixBlock.h"

using namespace quorvix;

TEST(MixBlockTest, GainWordIsLevelTimesFullGainOrZeroWhenMuted) {
    EXPECT_EQ(GainWord({1.0f, 0, 0}), 131071u);
    EXPECT_EQ(GainWord({0.5f, 0, 0}), 65535u) << "truncated, not rounded";
    EXPECT_EQ(GainWord({StartingLevel(34), 0, 0}), 65535u);
    EXPECT_EQ(GainWord({1.0f, 0.7f, 1}), 0u);
    EXPECT_EQ(GainWord({0.0f, 0, 0}), 0u);
    // A level that could only come from damage never becomes a wild gain.
    EXPECT_EQ(GainWord({std::numeric_limits<float>::quiet_NaN(), 0, 0}), 0u);
    EXPECT_EQ(GainWord({1e30f, 0, 0}), 0u);
}

TEST(MixBlockTest, StartingLevelsAreSettingsIndexesOverSixtyEight) {
    EXPECT_FLOAT_EQ(StartingLevel(68), 1.0f);
    EXPECT_FLOAT_EQ(StartingLevel(17), 0.25f);
    EXPECT_FLOAT_EQ(StartingLevel(500), 1.0f);
    EXPECT_FLOAT_EQ(StartingLevel(-3), 0.0f);
}

TEST(MixBlockTest, ValuesAHostMaySet) {
    EXPECT_TRUE(ValidLevel(0) && ValidLevel(1) && ValidPan(-1) && ValidPan(1));
    EXPECT_FALSE(ValidLevel(1.0001f) || ValidLevel(-0.0001f) || ValidPan(1.5f));
    EXPECT_FALSE(ValidLevel(std::nanf("")) || ValidPan(std::nanf("")));
}

TEST(MixBlockTest, EntriesLandInTheirGroupsPairsAndNothingElseChanges) {
    SendValues entries[kBoardEntries] = {};
    entries[3] = {1.0f, -1.0f, 0};        // output channel 4: group B pair 3
    entries[16 + 9] = {0.25f, 1.0f, 0};   // input channel 10: group A pair 9
    entries[16 + 10] = {1.0f, 0.0f, 1};   // muted
    quorvi::ParameterBlock block;
    std::fill(std::begin(block.gainA), std::end(block.gainA), 777u);
    std::fill(std::begin(block.gainB), std::end(block.gainB), 777u);
    block.masterGain[0] = 11;
    block.masterGain[1] = 12;
    block.options = 0x80 | 0x5;
    block.driverWords[0] = 13;
    block.driverWords[1] = 14;

    WriteMixGains(entries, block);

    EXPECT_EQ(block.gainB[6], 131071u);
    EXPECT_EQ(block.gainB[7], 131071u) << "pan does not reach the board";
    EXPECT_EQ(block.gainA[18], 32767u);
    EXPECT_EQ(block.gainA[19], 32767u);
    EXPECT_EQ(block.gainA[20], 0u);
    EXPECT_EQ(block.gainA[21], 0u);
    EXPECT_EQ(block.gainA[0], 0u) << "every pair is written";
    EXPECT_EQ(block.masterGain[0], 11u);
    EXPECT_EQ(block.masterGain[1], 12u);
    EXPECT_EQ(block.options, 0x85u) << "the board's own high-rate bit stays";
    EXPECT_EQ(block.driverWords[0], 13u);
    EXPECT_EQ(block.driverWords[1], 14u);
}
