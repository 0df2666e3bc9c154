#include <gtest/gtest.h>

#include "ChannelMap.h"

using namespace quorvi;

TEST(ChannelMap, InputsCountSetBitsBoardByBoard) {
    const std::uint32_t in[4] = {0x0003, 0, 0x0001, 0};
    EXPECT_EQ(FindInput(0, in).board, 0);
    EXPECT_EQ(FindInput(0, in).bit, 0);
    EXPECT_EQ(FindInput(1, in).bit, 1);
    EXPECT_EQ(FindInput(2, in).board, 2);
    EXPECT_EQ(FindInput(2, in).bit, 0);
    EXPECT_EQ(FindInput(3, in).board, -1);
    EXPECT_EQ(FindInput(3, in).bit, -1);
    EXPECT_EQ(FindInput(-1, in).bit, -1);
    // Bits above 15 are not inputs.
    const std::uint32_t high[4] = {0x30000, 0, 0, 0};
    EXPECT_EQ(FindInput(0, high).bit, -1);
}

TEST(ChannelMap, OutputsTakeTheMonitorPairsOfEveryBoardFirst) {
    const std::uint32_t out[4] = {0x3FFFF, 0x3FFFF, 0x3FFFF, 0x3FFFF};
    auto at = [&](int n, int boards) {
        ChannelPosition p = FindOutput(n, boards, out);
        return std::make_pair(p.board, p.bit);
    };
    EXPECT_EQ(at(0, 2), std::make_pair(0, 16));
    EXPECT_EQ(at(1, 2), std::make_pair(0, 17));
    EXPECT_EQ(at(2, 2), std::make_pair(1, 16));
    EXPECT_EQ(at(3, 2), std::make_pair(1, 17));
    EXPECT_EQ(at(4, 2), std::make_pair(0, 0));
    EXPECT_EQ(at(20, 2), std::make_pair(1, 0));
    EXPECT_EQ(at(35, 2), std::make_pair(1, 15));
    EXPECT_EQ(at(36, 2), std::make_pair(-1, -1));
    for (int n : {0, 1, 17}) EXPECT_EQ(at(n, 0), std::make_pair(-1, -1));
    // A board count above four is read as four.
    EXPECT_EQ(at(71, 9), std::make_pair(3, 15));
    EXPECT_EQ(at(72, 9), std::make_pair(-1, -1));
    EXPECT_EQ(FindOutput(0, 1, nullptr).bit, -1);
    EXPECT_EQ(FindInput(0, nullptr).board, -1);
}
