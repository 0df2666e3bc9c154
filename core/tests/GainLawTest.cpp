#include <gtest/gtest.h>

#include "GainLaw.h"

using namespace quorvi;

TEST(GainLaw, TableEdgesAndMiddlePanPair) {
    EXPECT_EQ(ChannelGain(68, 0, true), 131071u);
    EXPECT_EQ(ChannelGain(68, 0, false), 0u);
    EXPECT_EQ(ChannelGain(68, 11, true), 122880u);
    EXPECT_EQ(ChannelGain(68, 11, false), 131071u);
    EXPECT_EQ(ChannelGain(68, 10, true), 131071u);
    EXPECT_EQ(ChannelGain(68, 10, false), 122880u);
    EXPECT_EQ(ChannelGain(0, 0, true), 0u);
    EXPECT_EQ(ChannelGain(0, 11, false), 0u);
    EXPECT_EQ(ChannelGain(68, 21, true), 0u);
    EXPECT_EQ(ChannelGain(68, 21, false), 131071u);
}

TEST(GainLaw, WholeTableMatchesExtendedPrecisionReference) {
    // Fingerprint (FNV-1a over left, right for every level and pan index) of
    // the gains worked out independently with 64-bit-mantissa rounding.
    std::uint32_t hash = 2166136261u;
    std::uint64_t total = 0;
    for (int level = 0; level <= kMaxLevelIndex; ++level) {
        for (int pan = 0; pan <= kMaxPanIndex; ++pan) {
            for (bool left : {true, false}) {
                std::uint32_t gain = ChannelGain(level, pan, left);
                total += gain;
                hash = (hash ^ gain) * 16777619u;
            }
        }
    }
    EXPECT_EQ(total, 44711446u);
    EXPECT_EQ(hash, 0x0e23a12bu);
    EXPECT_EQ(ChannelGain(58, 12, true), 3801087u >> 6);
    EXPECT_EQ(ChannelGain(9, 0, true), 0u);
    EXPECT_EQ(ChannelGain(10, 0, true), 1u);
}

TEST(GainLaw, SameResultWhateverPrecisionTheHostLeft) {
    unsigned short saved;
    __asm__ __volatile__("fnstcw %0" : "=m"(saved));
    unsigned short doublePrecision = (saved & ~0x0300) | 0x0200;
    __asm__ __volatile__("fldcw %0" : : "m"(doublePrecision));
    std::uint32_t left = ChannelGain(68, 11, true);
    unsigned short after;
    __asm__ __volatile__("fnstcw %0" : "=m"(after));
    __asm__ __volatile__("fldcw %0" : : "m"(saved));
    EXPECT_EQ(left, 122880u);
    EXPECT_EQ(after, doublePrecision);
}

TEST(GainLaw, OutOfRangeIndexesReadAsTheLastEntry) {
    EXPECT_EQ(ChannelGain(69, 0, true), 131071u);
    EXPECT_EQ(ChannelGain(1000000, 0, true), 131071u);
    EXPECT_EQ(ChannelGain(68, 22, true), 0u);
    EXPECT_EQ(ChannelGain(68, 0x7FFFFFFF, false), 131071u);
    EXPECT_EQ(ChannelGain(-5, 0, true), 0u);
}
