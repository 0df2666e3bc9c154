// The Lintra exports against the virtual Lintra boards.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "quorvi/DriverRequests.h"
#include "quorvi/QuorviCore.h"
#include "testkit/MessageBoxCatcher.h"
#include "vboard/InProcessBoards.h"

using namespace quorvi;
using namespace vboard;

namespace {

DriverConfig Lintra(std::uint32_t boards) {
    DriverConfig c;
    c.lintraDriver = true;
    c.lintraBoards = boards;
    return c;
}

class LintraTest : public ::testing::Test {
protected:
    std::unique_ptr<SettingsRecord> record = std::make_unique<SettingsRecord>();
    void SetUp() override { std::memset(record.get(), 0xEE, sizeof *record); }
};

TEST_F(LintraTest, WithoutTheDriverNothingIsTouched) {
    InProcessBoards boards(DriverConfig{});
    auto before = std::make_unique<SettingsRecord>(*record);
    EXPECT_EQ(LintraUpdate(record.get()), -1);
    EXPECT_EQ(LintraUpdateLiveSetup(record.get()), -1);
    EXPECT_EQ(std::memcmp(record.get(), before.get(), sizeof *record), 0);
}

TEST_F(LintraTest, RateCodesAreSentInHertz) {
    InProcessBoards boards(Lintra(4));
    EXPECT_EQ(LintraUpdate(nullptr), 0);
    EXPECT_EQ(LintraUpdateLiveSetup(nullptr), 0);
    EXPECT_TRUE(boards.log().empty());
    const std::int32_t codes[4] = {0, 1, 2, 7};
    for (int i = 0; i < 4; ++i) record->lintra[i].rateCode = codes[i];
    EXPECT_EQ(LintraUpdate(record.get()), 4);
    std::vector<LogEntry> sent = boards.log(ICEAPI_SET_RATE);
    ASSERT_EQ(sent.size(), 4u);
    const std::uint32_t hz[4] = {48000, 44100, 32000, 48000};
    for (int i = 0; i < 4; ++i) {
        IceSetRateRequest r;
        ASSERT_EQ(sent[i].input.size(), sizeof r);
        std::memcpy(&r, sent[i].input.data(), sizeof r);
        EXPECT_EQ(r.code, ICEAPI_SET_RATE);
        EXPECT_EQ(r.device, LintraId(i)) << "the enumerated identifier, not the position";
        EXPECT_EQ(r.rate, hz[i]);
        EXPECT_EQ(r.reserved2, 0u);
    }
}

TEST_F(LintraTest, LiveSetupDecodesTheStatusBytesIntoTheirFields) {
    DriverConfig c = Lintra(2);
    const std::uint8_t first[5] = {0x3A, 0xF0, 0x03, 0, 0};
    const std::uint8_t second[5] = {0x00, 0x20, 0x04, 0, 0};
    std::memcpy(c.lintra[0].i2cSpace, first, 5);
    std::memcpy(c.lintra[1].i2cSpace, second, 5);
    c.lintra[1].micGains[0] = 0x11;
    c.lintra[1].micGains[1] = 0x22;
    InProcessBoards boards(c);
    EXPECT_EQ(LintraUpdateLiveSetup(record.get()), 2);

    const LintraBlock& a = record->lintra[0];
    EXPECT_EQ(a.statusZero, 0);
    EXPECT_EQ(a.status0Bit02, 0x02);
    EXPECT_EQ(a.status0Bit10, 0x10);
    EXPECT_EQ(a.status0Bit08, 0x08);
    EXPECT_EQ(a.status0Bit20, 0x20);
    EXPECT_EQ(a.status1Bits[0], 0x10);
    EXPECT_EQ(a.status1Bits[3], 0x80);
    EXPECT_EQ(a.status2Bit04Clear, 1);
    EXPECT_EQ(a.status2Bit01, 0x01);
    EXPECT_EQ(a.status2Bit02, 0x02);

    const LintraBlock& b = record->lintra[1];
    EXPECT_EQ(b.statusZero, 1);
    EXPECT_EQ(b.status0Bit02, 0);
    EXPECT_EQ(b.status1Bits[0], 0);
    EXPECT_EQ(b.status1Bits[1], 0x20);
    EXPECT_EQ(b.status2Bit04Clear, 0);
    EXPECT_EQ(b.status2Bit01, 0);
    EXPECT_EQ(b.micGains[0], 0x11);
    EXPECT_EQ(b.micGains[1], 0x22);
    EXPECT_STREQ(reinterpret_cast<const char*>(b.deviceInfo + 8), "Virtual Lintra board 2");
    // Reserved bytes and the blocks of absent boards stay as they were.
    EXPECT_EQ(b.reserved52[0], 0xEE);
    EXPECT_EQ(record->lintra[2].statusZero, static_cast<std::int32_t>(0xEEEEEEEE));
}

TEST_F(LintraTest, EachFailingRequestIsReportedAndTheLoopGoesOn) {
    InProcessBoards boards(Lintra(2));
    boards.control("fail ICEAPI_CUSTOM 0x1f once");
    boards.control("fail ICEAPI_GETDEVICEINFO 0x15 once");
    testkit::MessageBoxCatcher catcher;
    catcher.Expect(IDOK, 2);
    EXPECT_EQ(LintraUpdateLiveSetup(record.get()), 2);
    EXPECT_TRUE(catcher.WaitForBoxes(2));
    EXPECT_EQ(catcher.Texts(), (std::vector<std::string>{"CUST_GET_I2C_SPACE failed with code 1F.",
                                                         "ICEAPI_GETDEVICEINFO failed with code 15."}));
    EXPECT_EQ(record->lintra[0].statusZero, static_cast<std::int32_t>(0xEEEEEEEE));
    EXPECT_EQ(record->lintra[1].statusZero, 1);
    EXPECT_EQ(boards.log(ICEAPI_CUSTOM).size(), 4u);

    boards.control("fail ICEAPI_SET_RATE 0x57 once");
    catcher.Expect(IDOK);
    EXPECT_EQ(LintraUpdate(record.get()), 2);
    EXPECT_TRUE(catcher.WaitForBoxes(3));
    EXPECT_EQ(catcher.Texts().back(), "ICEAPI_SET_RATE failed with code 57.");
    EXPECT_EQ(boards.log(ICEAPI_SET_RATE).size(), 2u);

    boards.control("fail ICEAPI_CUSTOM 0x1f once");
    boards.control("fail ICEAPI_CUSTOM 0x2 once");
    catcher.Expect(IDOK, 2);
    EXPECT_EQ(LintraUpdateLiveSetup(record.get()), 2);
    EXPECT_TRUE(catcher.WaitForBoxes(5));
    EXPECT_EQ(catcher.Texts().back(), "CUST_GET_MIC_GAINS failed with code 2.");
}

}  // namespace
