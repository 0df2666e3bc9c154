// Peaks since the last read, taken from the meter words of the status block.
#include <gtest/gtest.h>

#include "MeterBank.h"

using namespace quorvix;

namespace {

struct Status {
    std::uint32_t words[kStatusWords] = {};
};

Status WithMeter(int entry, std::uint32_t level) {
    Status s;
    for (std::uint32_t w = 0; w < kStatusMeterWord; ++w) s.words[w] = 0xFFFFFF;  // counter and status, never a peak
    s.words[kStatusMeterWord + entry] = level;
    return s;
}

}  // namespace

TEST(MeterBankTest, EntriesReadTheMeterWordsAfterTheCounterAndStatus) {
    MeterBank bank(1);
    bank.Absorb(0, WithMeter(0, 8388607).words);
    EXPECT_FLOAT_EQ(bank.Take(0, 0), 1.0f);
    bank.Absorb(0, WithMeter(33, 4194304).words);
    EXPECT_NEAR(bank.Take(0, 33), 0.5f, 1e-6);
    EXPECT_FLOAT_EQ(bank.Take(0, 1), 0.0f) << "status words are not meters";
    bank.Absorb(0, WithMeter(2, 8388608).words);
    EXPECT_EQ(bank.Take(0, 2), 1.0f) << "a clipping input is full scale, not above it";
    bank.Absorb(0, WithMeter(3, 0xFFFFFFFF).words);
    EXPECT_EQ(bank.Take(0, 3), 1.0f) << "nor is a word with bits past the magnitude";
}

TEST(MeterBankTest, ReadGivesThePeakSinceThePreviousReadAndAsksForANewPoll) {
    MeterBank bank(2);
    EXPECT_TRUE(bank.NeedsPoll(1, 5)) << "nothing polled yet";
    bank.Absorb(1, WithMeter(5, 3000).words);
    bank.Absorb(1, WithMeter(5, 1000).words);
    EXPECT_FALSE(bank.NeedsPoll(1, 5));
    EXPECT_FLOAT_EQ(bank.Take(1, 5), static_cast<float>(3000 / kMeterFullScale));
    EXPECT_TRUE(bank.NeedsPoll(1, 5));
    EXPECT_FLOAT_EQ(bank.Take(1, 5), 0.0f) << "a peak is reported once";
}

TEST(MeterBankTest, AFailedPollMakesTheBoardsItMissedPollAgainWithoutLosingTheirPeaks) {
    MeterBank bank(3);
    for (int b = 0; b < 3; ++b) bank.Absorb(b, WithMeter(7, 100 + b).words);
    bank.PollFailed(1);
    EXPECT_FALSE(bank.NeedsPoll(0, 7)) << "board 1 was read before the failure";
    EXPECT_TRUE(bank.NeedsPoll(1, 7));
    EXPECT_TRUE(bank.NeedsPoll(2, 7));
    bank.Absorb(2, WithMeter(7, 50).words);
    EXPECT_FLOAT_EQ(bank.Take(2, 7), static_cast<float>(102 / kMeterFullScale));
}
