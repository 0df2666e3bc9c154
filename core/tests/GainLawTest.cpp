#include <gtest/gtest.h>

#include "GainLaw.h"

using namespace quorvi;

namespace {

struct Fingerprint {
    std::uint64_t total = 0;
    std::uint32_t hash = 2166136261u;  // FNV-1a over left, right of every level and pan
};

Fingerprint WholeTable() {
    Fingerprint f;
    for (int level = 0; level <= kMaxLevelIndex; ++level) {
        for (int pan = 0; pan <= kMaxPanIndex; ++pan) {
            for (bool left : {true, false}) {
                std::uint32_t gain = ChannelGain(level, pan, left);
                f.total += gain;
                f.hash = (f.hash ^ gain) * 16777619u;
            }
        }
    }
    return f;
}

unsigned short ControlWord() {
    unsigned short word;
    __asm__ __volatile__("fnstcw %0" : "=m"(word));
    return word;
}

void SetControlWord(unsigned short word) { __asm__ __volatile__("fldcw %0" : : "m"(word)); }

}  // namespace

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

// The reference was worked out independently with 64-bit mantissas. Double
// precision gives the very same gains: each exact product L * P / 8388607 is
// either whole (L or P zero or full scale: no other pan entry shares a factor
// with 8388607 = 47 * 178481), which both precisions reach, or lies at least
// 1/8388607 from a whole number, far beyond the 3e-9 at most that double
// rounding moves it; comparing all 3,036 gains both ways confirms it. What does
// change gains is what hosts set for speed: single precision (28 gains) and
// truncating or downward rounding (306), so those are the states tested.
TEST(GainLaw, WholeTableMatchesTheReferenceWhateverStateTheHostLeft) {
    struct HostState {
        const char* name;
        unsigned short controlWord;
    } const states[] = {
        {"as started", ControlWord()},
        {"single precision", 0x007F},
        {"double precision, truncating", 0x0E7F},
        {"extended precision, rounding down", 0x077F},
    };
    const unsigned short saved = ControlWord();
    for (const HostState& state : states) {
        SCOPED_TRACE(state.name);
        SetControlWord(state.controlWord);
        Fingerprint table = WholeTable();
        std::uint32_t singleSensitive = ChannelGain(64, 11, true);
        std::uint32_t roundingSensitive = ChannelGain(38, 0, true);
        unsigned short after = ControlWord();
        SetControlWord(saved);
        EXPECT_EQ(table.total, 44711446u);
        EXPECT_EQ(table.hash, 0x0e23a12bu);
        EXPECT_EQ(singleSensitive, 107519u);
        EXPECT_EQ(roundingSensitive, 2560u);
        EXPECT_EQ(after, state.controlWord) << "the host's state is given back";
    }
    EXPECT_EQ(ChannelGain(58, 12, true), 3801087u >> 6);
    EXPECT_EQ(ChannelGain(9, 0, true), 0u);
    EXPECT_EQ(ChannelGain(10, 0, true), 1u);
}

TEST(GainLaw, OutOfRangeIndexesReadAsTheLastEntry) {
    EXPECT_EQ(ChannelGain(69, 0, true), 131071u);
    EXPECT_EQ(ChannelGain(1000000, 0, true), 131071u);
    EXPECT_EQ(ChannelGain(68, 22, true), 0u);
    EXPECT_EQ(ChannelGain(68, 0x7FFFFFFF, false), 131071u);
    EXPECT_EQ(ChannelGain(-5, 0, true), 0u);
}
