// The control commands, and quorvisim.exe in a process of its own driven by
// its command line and the C++ control client.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "vboard/Control.h"
#include "vboard/InProcessBoards.h"
#include "vboard/QuorvisimProcess.h"
#include "win/Device.h"
#include "win/RegKey.h"

using namespace quorvi;
using namespace vboard;

namespace {

TEST(Control, AcceptsTheDocumentedCommandsAndRefusesMalformedOnes) {
    ManualClock clock;
    Driver driver(clock, DriverConfig{});
    for (const char* good :
         {"boards 4", "kind 3 0x21", "capability 1 0", "ticks 0 26000", "crystal 2 -0.0002", "rate 1 word 32000",
          "loop 0 a on", "signal 0 all decay 4000000 500", "signal 1 33 clip", "status 2 0x800000 0 once",
          "timecode 5760000 running", "timecode zero stopped", "timecode-on on", "punch arm 100", "punch hit", "missing-board-error 0x37",
          "lintra 2", "lintra off", "lintra-i2c 3 0 2 0x10 4 0", "lintra-gains 0 32 255", "fail QUORVI_GET_STATUS 0x1F board 1 times 3", "fail open 5 once",
          "fail 0x81012028 0x1F", "misreply QUORVI_GET_STATUS short 3 board 1 once",
          "misreply QUORVI_HC_GET_PARAMS noise 7 times 2", "misreply QUORVI_GET_BOARD_INFO long", "clear-failures", "log", "log 7", "opens", "opens 3", "clear-log", "step 10", "state", "reset"})
        EXPECT_TRUE(RunControl(driver, &clock, good).ok) << good;
    for (const char* bad :
         {"", "boards 5", "boards -1", "kind 4 1", "kind 0", "ticks 0 0", "crystal 0 1", "rate 0 c 48000",
          "rate 0 a -1", "loop 0 a maybe", "signal 0 34 clip", "signal 0 all steady 9000000", "signal 0 all decay 5 2",
          "status 0 1", "timecode 5 walking", "punch arm", "fail QUORVI_NOTHING 5", "fail QUORVI_GET_STATUS 0",
          "fail open 5 times 0", "misreply QUORVI_GET_STATUS", "misreply QUORVI_GET_STATUS short",
          "misreply QUORVI_GET_STATUS wide 3", "misreply QUORVI_GET_STATUS long board 4", "lintra 5", "lintra-i2c 4 0 0 0 0 0", "lintra-gains 0 256 0", "lintra-gains 0 1", "log x", "opens 1 2", "step", "frobnicate"})
        EXPECT_FALSE(RunControl(driver, &clock, bad).ok) << bad;
    EXPECT_FALSE(RunControl(driver, nullptr, "step 10").ok) << "no manual clock to step";
    ASSERT_TRUE(RunControl(driver, nullptr, "lintra-i2c 1 9 8 7 6 5").ok);
    EXPECT_EQ(driver.config().lintra[1].i2cSpace[0], 9);
    EXPECT_EQ(driver.config().lintra[1].i2cSpace[4], 5);
    EXPECT_TRUE(RunControl(driver, nullptr, "stop").stop);
}

TEST(Control, CommandsReachTheModel) {
    InProcessBoards boards;
    boards.control("boards 2");
    boards.control("timecode 1000 running");
    boards.control("step 1000");
    EXPECT_EQ(boards.control("state"), "boards 2\nlintra off 0\nhandles 0\ntimecode 45100\n");
    boards.control("fail QUORVI_GET_STATUS 0x1F");
    win::Device d(kDeviceNameNT, 0, 0, OPEN_EXISTING, 0);
    std::uint32_t board = 1;
    std::uint8_t status[kStatusBlockSize];
    EXPECT_FALSE(d.control(QUORVI_GET_STATUS, &board, 4, status, sizeof status));
    EXPECT_EQ(GetLastError(), 0x1Fu);
    boards.control("reset");
    EXPECT_TRUE(d.control(QUORVI_GET_STATUS, &board, 4, status, sizeof status)) << "reset clears failures";
    EXPECT_EQ(boards.control("log"), "1 1 QUORVI_GET_STATUS 1 0x0 01000000\n") << "and the log";
}

// A driver that answers badly: the caller sees a short reply as a success
// with fewer bytes, an oversized one as a failure, noise as arbitrary values.
TEST(Control, MisrepliesReachTheCaller) {
    InProcessBoards boards;
    boards.control("boards 2");
    win::Device d(kDeviceNameNT, 0, 0, OPEN_EXISTING, 0);
    std::uint32_t board = 1;
    std::uint8_t status[kStatusBlockSize];
    DWORD got = 0;
    boards.control("misreply QUORVI_GET_STATUS short 6 board 1 once");
    ASSERT_TRUE(d.control(QUORVI_GET_STATUS, &board, 4, status, sizeof status, &got));
    EXPECT_EQ(got, 6u);
    ASSERT_TRUE(d.control(QUORVI_GET_STATUS, &board, 4, status, sizeof status, &got));
    EXPECT_EQ(got, kStatusBlockSize) << "once";

    boards.control("misreply QUORVI_GET_STATUS long");
    EXPECT_FALSE(d.control(QUORVI_GET_STATUS, &board, 4, status, sizeof status, &got));
    EXPECT_EQ(got, 0u);
    boards.control("clear-failures");

    boards.control("misreply QUORVI_HC_GET_PARAMS noise 99");
    std::uint32_t first[kParameterBlockSize / 4], second[kParameterBlockSize / 4];
    ASSERT_TRUE(d.control(QUORVI_HC_GET_PARAMS, &board, 4, first, sizeof first, &got));
    ASSERT_TRUE(d.control(QUORVI_HC_GET_PARAMS, &board, 4, second, sizeof second, &got));
    EXPECT_NE(std::memcmp(first, second, sizeof first), 0) << "each reply draws new values";
    EXPECT_NE(first[67], 0x00010001u);
}

TEST(Control, LogAndOpenLinesRoundTrip) {
    LogEntry e{42, 3, QUORVI_SET_PUNCH, -1, {0x10, 0xFF, 0, 0, 0, 0, 0, 0}, 0x57, 0};
    LogEntry back{};
    ASSERT_TRUE(ParseLogEntry(FormatLogEntry(e), back));
    EXPECT_EQ(back.sequence, 42u);
    EXPECT_EQ(back.handle, 3u);
    EXPECT_EQ(back.code, QUORVI_SET_PUNCH);
    EXPECT_EQ(back.board, -1);
    EXPECT_EQ(back.input, e.input);
    EXPECT_EQ(back.error, 0x57u);
    e.input.clear();
    ASSERT_TRUE(ParseLogEntry(FormatLogEntry(e), back));
    EXPECT_TRUE(back.input.empty());
    EXPECT_FALSE(ParseLogEntry("1 2 QUORVI_GET_STATUS 0 0x0 0g", back));

    // A name from any client stays on its line.
    OpenEntry open{7, 2, "\\\\.\\Odd name\n", {GENERIC_READ, 7, OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE}, 0x57};
    OpenEntry opened{};
    ASSERT_TRUE(ParseOpenEntry(FormatOpenEntry(open), opened));
    EXPECT_EQ(opened.sequence, 7u);
    EXPECT_EQ(opened.handle, 2u);
    EXPECT_EQ(opened.name, "\\\\.\\Odd name?");
    EXPECT_EQ(opened.args.access, unsigned(GENERIC_READ));
    EXPECT_EQ(opened.args.share, 7u);
    EXPECT_EQ(opened.args.disposition, unsigned(OPEN_EXISTING));
    EXPECT_EQ(opened.args.flags, unsigned(FILE_FLAG_DELETE_ON_CLOSE));
    EXPECT_EQ(opened.error, 0x57u);
}

TEST(Quorvisim, ServesBoardsToOtherProcessesUntilStopped) {
    {
        SwitchSetting off(nullptr);
        QuorvisimProcess unasked(FindQuorvisim(), "--boards 1");
        EXPECT_EQ(unasked.waitExit(30000), 2u) << "no boards where no program would take them";
    }
    win::RegKey::Create(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quelmar").deleteValue("QuorviStatus");
    QuorvisimProcess sim(FindQuorvisim(), "--boards 2 --kind 1 0x21 --boot-status 0x0000FF03");
    ASSERT_TRUE(sim.started());
    // The bound only keeps a broken start from hanging the test.
    ASSERT_TRUE(sim.waitServing(20000));
    EXPECT_EQ(win::RegKey::Open(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quelmar").dwordOr("QuorviStatus", 0), 0xFF03u);

    QuorvisimProcess second(FindQuorvisim(), "--boards 1");
    EXPECT_EQ(second.waitExit(30000), 1u) << "one service at a time";

    win::Device d(kDeviceName9x, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, 0, 0);
    ASSERT_TRUE(d.valid()) << GetLastError();
    std::uint32_t board = 1, info[7] = {};
    ASSERT_TRUE(d.control(QUORVI_GET_BOARD_INFO, &board, 4, info, sizeof info));
    EXPECT_EQ(info[0], 0x21u);

    std::string reply;
    ASSERT_TRUE(ControlClient{}.command("fail QUORVI_GET_BOARD_INFO 0x1F once", reply)) << reply;
    EXPECT_FALSE(d.control(QUORVI_GET_BOARD_INFO, &board, 4, info, sizeof info));
    EXPECT_EQ(GetLastError(), 0x1Fu);
    EXPECT_FALSE(ControlClient{}.command("boards 9", reply));
    std::vector<LogEntry> log = ControlClient{}.log();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[1].error, 0x1Fu);
    EXPECT_EQ(log[1].board, 1);
    std::vector<OpenEntry> opens = ControlClient{}.opens();
    ASSERT_EQ(opens.size(), 1u);
    EXPECT_EQ(opens[0].name, kDeviceName9x);
    EXPECT_EQ(opens[0].args.share, unsigned(FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE));
    EXPECT_EQ(opens[0].args.disposition, 0u);
    EXPECT_EQ(opens[0].handle, log[0].handle);

    // More log than one control reply holds comes in several.
    std::uint8_t params[4 + kParameterBlockSize] = {};
    for (int i = 0; i < 120; ++i) d.control(QUORVI_SET_PARAM, params, sizeof params, nullptr, 0);
    EXPECT_EQ(ControlClient{}.log().size(), 122u);

    QuorvisimProcess stop(FindQuorvisim(), "--stop");
    EXPECT_EQ(stop.waitExit(30000), 0u);
    EXPECT_EQ(sim.waitExit(30000), 0u);
    EXPECT_FALSE(ControlClient{}.command("state", reply));
}

}  // namespace
