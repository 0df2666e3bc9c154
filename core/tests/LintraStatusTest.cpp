#include <gtest/gtest.h>

#include <cstdint>

#include "LintraStatus.h"

using namespace quorvi;

TEST(LintraStatus, BoardCountNeverNegativeNorPastTheRecord) {
    EXPECT_EQ(LintraBoardCount(2), 2);
    EXPECT_EQ(LintraBoardCount(9), 4);
    EXPECT_EQ(LintraBoardCount(-1), 0);  // not "no driver"
    EXPECT_EQ(LintraBoardCount(INT32_MIN), 0);
}
