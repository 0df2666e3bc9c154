// The board and driver model on a manual clock, request by request.
#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string>

#include "vboard/Driver.h"

using namespace quorvi;
using namespace vboard;

namespace {

class DriverTest : public ::testing::Test {
protected:
    DriverTest() : driver(clock, Config()) { EXPECT_EQ(driver.open(kDeviceNameNT, handle), 0u); }

    static DriverConfig Config() {
        DriverConfig c;
        c.boards = 2;
        return c;
    }

    Reply call(std::uint32_t code, std::initializer_list<std::uint32_t> words, std::uint32_t outSize = 0) {
        std::vector<std::uint32_t> in(words);
        return driver.request(handle, code, in.data(), static_cast<std::uint32_t>(in.size() * 4), outSize);
    }
    static std::uint32_t Word(const Reply& r, int i) {
        std::uint32_t v = 0;
        if (r.out.size() >= 4u * (i + 1)) std::memcpy(&v, r.out.data() + 4 * i, 4);
        return v;
    }
    std::uint32_t counterSum(std::uint32_t board) {
        std::uint32_t sum = 0;
        for (int i = 0; i < 32; ++i) sum += Word(call(QUORVI_GET_STATUS, {board}, kStatusBlockSize), 4);
        return sum;
    }
    // Sends a default device block with board b's clock for format 0.
    void setClock(std::uint32_t b, std::uint8_t clockCode, std::int32_t varispeed = 401, std::int16_t mtc = 0) {
        DeviceBlock d{};
        d.version = kRecordVersion;
        d.mtcSettings = mtc;
        for (auto& board : d.boards)
            for (int f = 0; f < kFormats; ++f) board.mainClock[f] = 3;
        d.boards[b].mainClock[0] = clockCode;
        d.boards[b].varispeed[0] = varispeed;
        ASSERT_EQ(driver.request(handle, QUORVI_SYS_UPDATE, &d, sizeof d, 0).error, 0u);
    }

    ManualClock clock;
    Driver driver;
    std::uint32_t handle = 0;
};

TEST_F(DriverTest, CounterFollowsTheClockOfTheLastDeviceBlock) {
    // Summing 32 readings, as the calibration does, gives the tick constant
    // at 44.1 kHz.
    EXPECT_EQ(counterSum(1), 26688u);
    setClock(1, 4);
    EXPECT_NEAR(counterSum(1), 26688.0 * 44.1 / 48.0, 1.0);
    EXPECT_EQ(counterSum(0), 26688u) << "board 0 stays at 44.1 kHz";
    setClock(1, 5, 417);  // varispeed 44.047 kHz
    EXPECT_EQ(counterSum(1), 32u * 835u);

    driver.configure([](DriverConfig& c) { c.board[1].crystalError = 0.001; });
    setClock(1, 3);
    EXPECT_NEAR(counterSum(1), 26688 * 1.001, 1.0);

    setClock(1, 5, 0x7FFFFFFF);  // from any client: the slowest clock there is
    EXPECT_EQ(Word(call(QUORVI_GET_STATUS, {1}, kStatusBlockSize), 4), 0xFFFFFFFFu);
}

TEST_F(DriverTest, ExternalClockWithoutSignalRaisesNoMasterClock) {
    auto word0 = [&](std::uint32_t b) { return Word(call(QUORVI_GET_STATUS_FLAGS, {0}, 8 * 2), 2 * b); };
    setClock(0, 2);  // word clock, nothing connected
    EXPECT_EQ(word0(0) & 1, 1u);
    EXPECT_EQ(word0(1) & 1, 0u);
    std::uint32_t held = counterSum(0);
    EXPECT_EQ(held, 26688u) << "the counter holds its last value";

    driver.configure([](DriverConfig& c) { c.board[0].externalRate[WordClock] = 32000; });
    EXPECT_EQ(word0(0) & 1, 0u);
    EXPECT_NEAR(counterSum(0), 26688.0 * 44.1 / 32.0, 1.0);
}

TEST_F(DriverTest, ParameterBlockRoundTripsWithTheDriverWordsKept) {
    Reply first = call(QUORVI_HC_GET_PARAMS, {1}, kParameterBlockSize);
    ASSERT_EQ(first.error, 0u);
    std::uint32_t driverWords[2] = {Word(first, 67), Word(first, 68)};
    EXPECT_NE(driverWords[0], 0u);

    std::vector<std::uint32_t> in(1 + 69);
    in[0] = 1;
    for (int w = 0; w < 69; ++w) in[1 + w] = 1000 + w;
    ASSERT_EQ(driver.request(handle, QUORVI_SET_PARAM, in.data(), 280, 0).error, 0u);
    Reply back = call(QUORVI_HC_GET_PARAMS, {1}, kParameterBlockSize);
    for (int w = 0; w < 67; ++w) EXPECT_EQ(Word(back, w), 1000u + w);
    EXPECT_EQ(Word(back, 67), driverWords[0]);
    EXPECT_EQ(Word(back, 68), driverWords[1]);
    EXPECT_EQ(Word(call(QUORVI_HC_GET_PARAMS, {0}, kParameterBlockSize), 0), 0u) << "board 0 untouched";
}

TEST_F(DriverTest, IdentifyFlashesFollowTimeWhoeverPolls) {
    driver.configure([](DriverConfig& c) {
        c.board[0].loopA = c.board[0].loopB = true;
        c.board[1].loopA = true;
    });
    ASSERT_EQ(call(STOP_SERIAL, {0}).error, 0u);
    ASSERT_EQ(call(QUORVI_HC_REPROG_FPGA, {0, 3}).error, 0u);
    std::uint32_t other = 0;
    ASSERT_EQ(driver.open(kDeviceNameNT, other), 0u);
    auto poll = [&](std::uint32_t h, std::uint32_t board) {
        std::uint32_t in[2] = {board, 0}, status = 0;
        Reply r = driver.request(h, QUORVI_HC_GET_FPGABYTE, in, 8, 4);
        if (r.out.size() == 4) std::memcpy(&status, r.out.data(), 4);
        std::string s = std::string(status & kFpgaSignalA ? "A" : "") + (status & kFpgaSignalB ? "B" : "");
        return (s.empty() ? "-" : s) + " ";
    };
    // Polls every 50 ms from the start, with another program polling the
    // same board in between: A at every third poll, B at every sixth, never
    // at two polls in a row. Board 1, started 40 ms later, keeps its own
    // time; its B is not looped.
    std::string board0 = poll(handle, 0), board1;
    clock.advanceMicros(40000);
    ASSERT_EQ(call(QUORVI_HC_REPROG_FPGA, {1, 3}).error, 0u);
    clock.advanceMicros(10000);
    for (int i = 1; i < 12; ++i) {
        for (int j = 0; j < 5; ++j) poll(other, 0);
        board0 += poll(handle, 0);
        board1 += poll(handle, 1);
        clock.advanceMicros(50000);
    }
    EXPECT_EQ(board0, "- - A - - AB - - A - - AB ");
    EXPECT_EQ(board1, "B B AB B B AB B B AB B B ");

    // Polled every 10 ms, a flash is seen at consecutive polls: a wrong
    // poll period shows.
    std::string fast;
    for (int i = 0; i < 15; ++i) {
        clock.advanceMicros(10000);
        fast += poll(handle, 0)[0];
    }
    EXPECT_NE(fast.find("AA"), std::string::npos) << fast;

    // A device update restores the normal program and the ports: the bits
    // then say whether a signal arrives.
    driver.configure([](DriverConfig& c) { c.board[0].externalRate[InputA] = 48000; });
    ASSERT_EQ(call(QUORVI_HC_REPROG_FPGA, {0, 0}).error, 0u);
    EXPECT_EQ(Word(call(QUORVI_HC_GET_FPGABYTE, {0, 0}, 4), 0), 0u) << "ports still stopped";
    setClock(0, 3);
    EXPECT_EQ(Word(call(QUORVI_HC_GET_FPGABYTE, {0, 0}, 4), 0), 0x04u);
}

// Time code zero is 120 s at the time code's rate: what the tray shows as
// zero and adds to a punch time when it arms or disarms.
TEST_F(DriverTest, PunchHitsOnceWhenRunningTimecodePassesItAndTheTraysDisarmNever) {
    EXPECT_EQ(driver.timecode(), 44100u * 120) << "power-on: zero at 44.1 kHz";
    setClock(0, 3, 401, 0x8);  // time code counted at 48 kHz
    const std::uint32_t zero = 48000 * 120;
    driver.setTimecode(zero, true);
    ASSERT_EQ(call(QUORVI_SET_PUNCH, {zero + 48000, 0}).error, 0u);
    clock.advanceMicros(999000);
    EXPECT_EQ(Word(call(QUORVI_GET_PUNCH, {}, 8), 1) & 1, 0u);
    clock.advanceMicros(2000);
    EXPECT_EQ(Word(call(QUORVI_GET_PUNCH, {}, 8), 1) & 1, 1u);
    EXPECT_EQ(Word(call(QUORVI_GET_PUNCH, {}, 8), 1) & 1, 0u) << "reported once";

    Reply status = call(QUORVI_GET_STATUS, {0}, kStatusBlockSize);
    std::uint32_t position = (Word(status, 6) & 0xFFFFFF) | (Word(status, 7) << 24);
    EXPECT_EQ(position, zero + 48048u);

    // Disarmed with the position before zero, time code running up through
    // it from a pre-roll of -2 s does not hit.
    driver.setTimecode(zero - 96000, true);
    ASSERT_EQ(call(QUORVI_SET_PUNCH, {zero - 1, 0}).error, 0u);
    clock.advanceMicros(3000000);
    EXPECT_EQ(Word(call(QUORVI_GET_PUNCH, {}, 8), 1) & 1, 0u);
    setClock(0, 3, 401, 0);  // at 44.1 kHz the disarm value is another
    driver.setTimecode(zero - 44100, true);
    ASSERT_EQ(call(QUORVI_SET_PUNCH, {zero - 1, 0}).error, 0u);
    clock.advanceMicros(2000000);
    EXPECT_EQ(Word(call(QUORVI_GET_PUNCH, {}, 8), 1) & 1, 1u) << "armed at the 48 kHz value";
}

TEST_F(DriverTest, StatusWordOneSaysTimecodePausedWhileTimecodeIsOnAndStands) {
    auto word1 = [&](std::uint32_t b) { return Word(call(QUORVI_GET_STATUS_FLAGS, {0}, 8 * 2), 2 * b + 1); };
    EXPECT_EQ(word1(0), 0u) << "time code off";
    driver.setTimecodeOn(true);
    EXPECT_EQ(word1(0), 0x100u);
    EXPECT_EQ(word1(1), 0x100u);
    driver.setTimecode(1000, true);
    EXPECT_EQ(word1(0), 0u);
}

TEST_F(DriverTest, TimecodeWrapsLikeA32BitCounterAndStillHitsThePunch) {
    driver.setTimecode(0xFFFFF000, true);
    ASSERT_EQ(call(QUORVI_SET_PUNCH, {0xFFFFFF00, 0}).error, 0u);
    clock.advanceMicros(1000000);  // 44100 samples, past the wrap
    EXPECT_EQ(driver.timecode(), 44100u - 0x1000u);
    EXPECT_EQ(Word(call(QUORVI_GET_PUNCH, {}, 8), 1) & 1, 1u);

    // A day and more without a request runs past 2^32 samples at once.
    driver.setTimecode(0, true);
    clock.advanceMicros(100000ull * 1000000);
    EXPECT_EQ(driver.timecode(), static_cast<std::uint32_t>(100000ull * 44100));
}

TEST_F(DriverTest, MetersCarryTheConfiguredSignals) {
    driver.configure([](DriverConfig& c) {
        c.board[0].signals[0] = Signal{SignalKind::Steady, 1000000, 1000};
        c.board[0].signals[1] = Signal{SignalKind::Clip, 0, 1000};
        c.board[0].signals[2] = Signal{SignalKind::Decaying, 0x400000, 800};
    });
    Reply a = call(QUORVI_GET_STATUS, {0}, kStatusBlockSize);
    EXPECT_EQ(Word(a, 10), 1000000u);
    EXPECT_EQ(Word(a, 11), 0x800000u);
    EXPECT_EQ(Word(a, 12), 0x400000u);
    EXPECT_EQ(Word(a, 13), 0u);
    clock.advanceMicros(100000);  // one eighth of the period: half the peak
    EXPECT_EQ(Word(call(QUORVI_GET_STATUS, {0}, kStatusBlockSize), 12), 0x200000u);
}

TEST_F(DriverTest, RefusesWrongSizesBoardsAndCodesLikeAKernelDriver) {
    EXPECT_EQ(call(QUORVI_GET_STATUS, {0, 0}, kStatusBlockSize).error, unsigned(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(call(QUORVI_GET_STATUS, {0}, kStatusBlockSize - 1).error, unsigned(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(call(QUORVI_GET_BOARD_INFO, {2}, kBoardInfoSize).error, 0xF00Eu);
    EXPECT_EQ(call(QUORVI_GET_STATUS, {0xFFFFFFFF}, kStatusBlockSize).error, 0xF00Eu);
    EXPECT_EQ(call(0x81012FFC, {0}, 64).error, unsigned(ERROR_INVALID_FUNCTION));
    EXPECT_EQ(call(ICEAPI_ENUM_DEVICES, {}, 20).error, unsigned(ERROR_INVALID_FUNCTION));
    EXPECT_EQ(call(QUORVI_GET_STATUS_FLAGS, {0}, 15).error, unsigned(ERROR_INSUFFICIENT_BUFFER));
    Reply failed = call(QUORVI_GET_STATUS, {0, 0}, kStatusBlockSize);
    EXPECT_TRUE(failed.out.empty());

    std::vector<std::uint8_t> block(kDeviceBlockSize - 1);
    EXPECT_EQ(driver.request(handle, QUORVI_SYS_UPDATE, block.data(), kDeviceBlockSize - 1, 0).error,
              unsigned(ERROR_INVALID_PARAMETER));
}

TEST_F(DriverTest, StatusWordsSetOnceAreReportedOnce) {
    driver.setStatusWords(1, 0x800000, 0x2, true);
    driver.setStatusWords(0, 0, 0x4, false);
    Reply first = call(QUORVI_GET_STATUS_FLAGS, {}, 16);
    ASSERT_EQ(first.out.size(), 16u);
    EXPECT_EQ(Word(first, 1), 0x4u);
    EXPECT_EQ(Word(first, 2), 0x800000u);
    EXPECT_EQ(Word(first, 3), 0x2u);
    Reply second = call(QUORVI_GET_STATUS_FLAGS, {}, 16);
    EXPECT_EQ(Word(second, 1), 0x4u);
    EXPECT_EQ(Word(second, 3), 0u);
}

TEST_F(DriverTest, LintraDriverServesItsBoards) {
    std::uint32_t ice = 0;
    EXPECT_EQ(driver.open("\\\\.\\ICE.VXD", ice), unsigned(ERROR_FILE_NOT_FOUND)) << "no Lintra driver yet";
    driver.configure([](DriverConfig& c) {
        c.lintraDriver = true;
        c.lintraBoards = 2;
    });
    ASSERT_EQ(driver.open(kDeviceNameLintra, ice), 0u);
    handle = ice;
    Reply e = call(ICEAPI_ENUM_DEVICES, {}, kIceEnumSize);
    EXPECT_EQ(Word(e, 0), 2u);
    const std::uint32_t first = Word(e, 1), second = Word(e, 2);
    EXPECT_EQ(call(ICEAPI_SET_RATE, {ICEAPI_SET_RATE, second, 0, 32000, 0, 0}).error, 0u);
    for (std::uint32_t position : {0u, 1u, 2u})
        EXPECT_EQ(call(ICEAPI_SET_RATE, {ICEAPI_SET_RATE, position, 0, 32000, 0, 0}).error, unsigned(ERROR_DEV_NOT_EXIST))
            << "a board is named by its identifier, not its position";
    EXPECT_EQ(call(ICEAPI_SET_RATE, {ICEAPI_SET_RATE, second, 0, 12345, 0, 0}).error, unsigned(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(call(ICEAPI_SET_RATE, {ICEAPI_SET_RATE, second, 0, 32000, 0, 7}).error, unsigned(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(call(ICEAPI_CUSTOM, {CUST_GET_I2C_SPACE, second, 0, 0}, 5).out.size(), 5u);
    EXPECT_EQ(call(ICEAPI_CUSTOM, {CUST_GET_MIC_GAINS, first, 0, 0}, 2).out.size(), 2u);
    Reply info = call(ICEAPI_GETDEVICEINFO, {0, second, 0, 0, 0, 0}, kIceDeviceInfoSize);
    ASSERT_EQ(info.out.size(), kIceDeviceInfoSize);
    EXPECT_EQ(Word(info, 0), second);
    EXPECT_EQ(Word(info, 1), 32000u);
    EXPECT_EQ(Word(call(ICEAPI_GETDEVICEINFO, {0, first, 0, 0, 0, 0}, kIceDeviceInfoSize), 1), 48000u);
    EXPECT_EQ(call(QUORVI_GET_STATUS, {0}, kStatusBlockSize).error, unsigned(ERROR_INVALID_FUNCTION));
}

TEST_F(DriverTest, InjectedFailuresHitTheChosenRequestAndAreLogged) {
    driver.injectFailure(QUORVI_GET_STATUS, 1, 0x1F, 1);
    EXPECT_EQ(call(QUORVI_GET_STATUS, {0}, kStatusBlockSize).error, 0u);
    EXPECT_EQ(call(QUORVI_GET_STATUS, {1}, kStatusBlockSize).error, 0x1Fu);
    EXPECT_EQ(call(QUORVI_GET_STATUS, {1}, kStatusBlockSize).error, 0u) << "once only";
    driver.injectFailure(kOpenRequest, -1, ERROR_ACCESS_DENIED, -1);
    std::uint32_t other = 0;
    EXPECT_EQ(driver.open(kDeviceNameNT, other), unsigned(ERROR_ACCESS_DENIED));
    EXPECT_EQ(driver.open(kDeviceNameNT, other), unsigned(ERROR_ACCESS_DENIED)) << "until cleared";
    driver.clearFailures();
    EXPECT_EQ(driver.open(kDeviceNameNT, other), 0u);

    std::vector<LogEntry> log = driver.log();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[1].board, 1);
    EXPECT_EQ(log[1].error, 0x1Fu);
    EXPECT_EQ(log[1].input, (std::vector<std::uint8_t>{1, 0, 0, 0}));

    std::vector<OpenEntry> opens = driver.opens();
    ASSERT_EQ(opens.size(), 4u);
    EXPECT_EQ(opens[1].error, unsigned(ERROR_ACCESS_DENIED));
    EXPECT_EQ(opens[1].handle, 0u);
    EXPECT_GT(opens[1].sequence, log[2].sequence) << "opens and requests read in order";
    EXPECT_EQ(opens[3].error, 0u);
    EXPECT_EQ(opens[3].handle, other);
    driver.reset(Config());
    EXPECT_TRUE(driver.opens().empty());
}

TEST_F(DriverTest, BoardCountsBeyondTheModelAreClampedAndHugeInputsLoggedInPart) {
    DriverConfig many = Config();
    many.boards = 9;
    many.lintraBoards = 9;
    driver.reset(many);
    EXPECT_EQ(driver.config().boards, kMaxBoards);
    EXPECT_EQ(driver.config().lintraBoards, std::uint32_t(kMaxLintra));
    EXPECT_EQ(call(QUORVI_GET_BOARD_INFO, {3}, kBoardInfoSize).error, 0u);
    EXPECT_EQ(call(QUORVI_GET_BOARD_INFO, {4}, kBoardInfoSize).error, 0xF00Eu);

    std::vector<std::uint8_t> huge(60000);
    EXPECT_EQ(driver.request(handle, QUORVI_SYS_UPDATE, huge.data(), 60000, 0).error, unsigned(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(driver.log().back().input.size(), kDeviceBlockSize);
}

}  // namespace
