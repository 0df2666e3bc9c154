#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "DefaultRecord.h"

using namespace quorvi;

namespace {

// Read at the byte offsets of the setup file, which this record becomes.
struct Bytes {
    const std::uint8_t* p;
    std::int32_t i32(std::size_t at) const {
        std::int32_t v;
        std::memcpy(&v, p + at, 4);
        return v;
    }
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

TEST_F(DefaultRecordTest, FileBytesCarryTheVersionAndNothingOfWhatTheMemoryHeld) {
    auto fromZeros = std::make_unique<SettingsRecord>();
    std::memset(fromZeros.get(), 0, sizeof(SettingsRecord));
    BuildDefaultRecord(*fromZeros);
    EXPECT_EQ(std::memcmp(fromZeros.get(), record.get(), sizeof(SettingsRecord)), 0);

    EXPECT_EQ(at.i32(0), 22);
    EXPECT_EQ(at.i32(15676), 22);
    for (std::size_t off = 9452; off < 15676; ++off) ASSERT_EQ(at.p[off], 0) << off;
    for (std::size_t off = 19572; off < 21716; ++off) ASSERT_EQ(at.p[off], 0) << off;
}

TEST_F(DefaultRecordTest, BoardsGetStackedWindowsInternalClocksAndStraightRoutes) {
    for (int b = 0; b < 4; ++b) {
        const std::size_t panel = 252 + 2300 * b, device = 15700 + 968 * b;
        EXPECT_EQ(at.i32(panel + 28), 100 * b);
        EXPECT_EQ(at.i32(panel + 980), 100 * b + 50);
        for (int f = 0; f < 10; ++f) {
            EXPECT_EQ(at.p[device + 20 + f], 3);
            EXPECT_EQ(at.p[device + 30 + f], 3);
            for (int i = 0; i < 16; ++i) {
                ASSERT_EQ(at.p[device + 520 + 16 * f + i], i);
                ASSERT_EQ(at.p[device + 680 + 16 * f + i], i);
            }
        }
    }
}

}  // namespace
