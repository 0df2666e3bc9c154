#include <gtest/gtest.h>

#include <cstring>

#include "LintraStatus.h"

using namespace quorvi;

TEST(LintraStatus, BoardCountNeverNegativeNorPastTheRecordOrTheReply) {
    EXPECT_EQ(LintraBoardCount(2, 20), 2);
    EXPECT_EQ(LintraBoardCount(9, 20), 4);
    EXPECT_EQ(LintraBoardCount(-1, 20), 0);  // not "no driver"
    EXPECT_EQ(LintraBoardCount(0, 20), 0);
    EXPECT_EQ(LintraBoardCount(4, 12), 2);   // only two identifiers came back
    EXPECT_EQ(LintraBoardCount(3, 2), 0);
}

TEST(LintraStatus, ShortReplyDecodesNothing) {
    LintraBlock block;
    std::memset(&block, 0xEE, sizeof block);
    const std::uint8_t status[5] = {0, 0, 0, 0, 0};
    EXPECT_FALSE(DecodeLintraStatus(status, 2, block));
    EXPECT_EQ(block.statusZero, static_cast<std::int32_t>(0xEEEEEEEE));
    EXPECT_TRUE(DecodeLintraStatus(status, 3, block));
    EXPECT_EQ(block.statusZero, 1);
    EXPECT_EQ(block.status2Bit04Clear, 1);
}
