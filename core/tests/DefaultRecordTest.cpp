#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "DefaultRecord.h"

using namespace quorvi;

namespace {

struct Bytes {
    const std::uint8_t* p;
    std::int32_t i32(std::size_t at) const {
        std::int32_t v;
        std::memcpy(&v, p + at, 4);
        return v;
    }
    const char* str(std::size_t at) const { return reinterpret_cast<const char*>(p + at); }
};

class DefaultRecordTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::memset(record.get(), 0xCD, sizeof(SettingsRecord));
        BuildDefaultRecord(*record);
    }
    std::unique_ptr<SettingsRecord> record = std::make_unique<SettingsRecord>();
    Bytes at{reinterpret_cast<const std::uint8_t*>(record.get())};
};

TEST_F(DefaultRecordTest, TopLevelAndStringsFromTheTable) {
    EXPECT_EQ(at.i32(0), 22);
    EXPECT_EQ(at.i32(4), 1);
    EXPECT_STREQ(at.str(8), "Factory default setup file");
    EXPECT_STREQ(at.str(90), "factory.ssf");
    EXPECT_EQ(at.i32(224), 0);
    EXPECT_EQ(at.i32(232), 1);
    EXPECT_EQ(at.i32(248), 0);
    EXPECT_EQ(at.i32(15676), 22);
    EXPECT_EQ(at.i32(15680), 0);
    for (std::size_t off = 9452; off < 15676; ++off) ASSERT_EQ(at.p[off], 0) << off;
    for (std::size_t off = 19572; off < 21716; ++off) ASSERT_EQ(at.p[off], 0) << off;
}

TEST_F(DefaultRecordTest, PanelBlocksPerBoard) {
    for (int b = 0; b < 4; ++b) {
        std::size_t r = 252 + 2300 * b;
        EXPECT_EQ(at.i32(r + 0), 0x3FFF);
        EXPECT_EQ(at.i32(r + 4) + at.i32(r + 8) + at.i32(r + 12), 3);
        EXPECT_EQ(at.i32(r + 28), 100 * b);
        EXPECT_EQ(at.i32(r + 980), 100 * b + 50);
        EXPECT_EQ(at.p[r + 32], 1);
        EXPECT_EQ(at.p[r + 33], 1);
        EXPECT_EQ(at.p[r + 34], 1);
        EXPECT_EQ(at.i32(r + 36), 1);
        EXPECT_EQ(at.i32(r + 40), 0);
        EXPECT_EQ(at.p[r + 984], 1);
        for (std::size_t font : {r + 44, r + 988}) {
            EXPECT_EQ(at.i32(font), -10);
            EXPECT_EQ(at.i32(font + 16), 300);
            EXPECT_EQ(at.p[font + 23], 1);
            EXPECT_EQ(at.p[font + 27], 0x22);
            EXPECT_STREQ(at.str(font + 28), "Arial");
        }
        EXPECT_STREQ(at.str(r + 138), "User|1");
        EXPECT_STREQ(at.str(r + 522), "User|17");
        EXPECT_STREQ(at.str(r + 906 + 24), "User|34");
        EXPECT_STREQ(at.str(r + 1082 + 15 * 24), "User|16");
        EXPECT_STREQ(at.str(r + 1082 + 33 * 24), "User|34");
        EXPECT_EQ(at.i32(r + 2164), 0);
        EXPECT_EQ(at.i32(r + 2168), 21);
        EXPECT_EQ(at.i32(r + 2228 + 60), 21);
        EXPECT_EQ(at.i32(r + 2292), 0);
    }
}

TEST_F(DefaultRecordTest, DeviceBlocksPerBoardAndFormat) {
    for (int b = 0; b < 4; ++b) {
        std::size_t r = 15700 + 968 * b;
        EXPECT_EQ(at.p[r + 12], 0);
        for (int f = 0; f < 10; ++f) {
            EXPECT_EQ(at.p[r + 20 + f], 3);
            EXPECT_EQ(at.p[r + 30 + f], 3);
            EXPECT_EQ(at.i32(r + 40 + 4 * f), 401);
            EXPECT_EQ(at.i32(r + 80 + 4 * f), 0);
            EXPECT_EQ(at.i32(r + 440 + 4 * f), 1);
            EXPECT_EQ(at.i32(r + 480 + 4 * f), 18);
            for (int i = 0; i < 16; ++i) {
                ASSERT_EQ(at.p[r + 520 + 16 * f + i], i);
                ASSERT_EQ(at.p[r + 680 + 16 * f + i], i);
            }
        }
        EXPECT_EQ(at.i32(r + 840), 0);
        EXPECT_EQ(at.i32(r + 964), 0);
    }
}

}  // namespace
