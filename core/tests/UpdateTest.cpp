// Applying a record to virtual boards through the real exports: what the
// boards were told is read back from their request log.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "quorvi/DriverRequests.h"
#include "quorvi/QuorviCore.h"
#include "testkit/BroadcastSpy.h"
#include "testkit/MessageBoxCatcher.h"
#include "vboard/InProcessBoards.h"
#include "win/Device.h"

using namespace quorvi;
using namespace vboard;

namespace {

DriverConfig Boards(std::uint32_t count) {
    DriverConfig c;
    c.boards = count;
    return c;
}

const std::vector<std::string> kUpdateMessages = {"START QUORVI UPDATE", "END QUORVI UPDATE",
                                                  "QUORVI TRAY"};

// The update messages the spy received. A marker posted after them arrives
// after them, so once it is in, nothing posted before is still on its way.
std::vector<testkit::Broadcast> UpdateMessages(testkit::BroadcastSpy& spy) {
    PostMessageA(HWND_BROADCAST, RegisterWindowMessageA("CORE TEST MARKER"), 0, 0);
    EXPECT_TRUE(spy.WaitFor("CORE TEST MARKER"));
    std::vector<testkit::Broadcast> seen;
    for (const auto& b : spy.Received()) {
        if (std::find(kUpdateMessages.begin(), kUpdateMessages.end(), b.name) != kUpdateMessages.end()) {
            seen.push_back(b);
        }
    }
    return seen;
}

std::vector<std::string> Names(const std::vector<testkit::Broadcast>& seen) {
    std::vector<std::string> names;
    for (const auto& b : seen) names.push_back(b.name);
    return names;
}

class UpdateTest : public ::testing::Test {
protected:
    void Start(std::uint32_t count) {
        boards = std::make_unique<InProcessBoards>(Boards(count));
        ASSERT_TRUE(boards->serving());
        device = win::Device(kDeviceNameNT, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             OPEN_EXISTING, 0);
        ASSERT_TRUE(device.valid());
        std::memset(record.get(), 0, sizeof *record);
        record->device.version = 22;
    }
    // The parameter block of the last QUORVI_SET_PARAM sent for a board.
    ParameterBlock Sent(int board) {
        ParameterBlock block{};
        for (const LogEntry& e : boards->log(QUORVI_SET_PARAM)) {
            if (e.board == board && e.input.size() == 4 + sizeof block) {
                std::memcpy(&block, e.input.data() + 4, sizeof block);
            }
        }
        return block;
    }

    std::unique_ptr<InProcessBoards> boards;
    win::Device device;
    std::unique_ptr<SettingsRecord> record = std::make_unique<SettingsRecord>();
};

TEST_F(UpdateTest, GainsAtTheTableEdgesMastersAndTheOptionWord) {
    Start(1);
    BoardPanelBlock& p = record->boards[0];
    BoardDeviceBlock& d = record->device.boards[0];
    d.levelA[0] = 68;  p.panA[0] = 0;
    d.levelA[1] = 68;  p.panA[1] = 11;
    d.levelA[2] = 0;   p.panA[2] = 10;
    d.levelA[3] = 68;  p.muteA[3] = 1;
    d.levelA[4] = 500; p.panA[4] = 99;  // from a damaged file: read as 68 and 21
    d.levelB[15] = 68; p.panB[15] = 10;
    p.masterLevel[0] = 68;
    p.masterLevel[1] = 37;
    d.hiRateBits = 0x80;
    ASSERT_EQ(QuorviUpdateMix(record.get(), device.get(), 0), 1);
    ParameterBlock b = Sent(0);
    EXPECT_EQ(b.gainA[0], 131071u);  EXPECT_EQ(b.gainA[1], 0u);
    EXPECT_EQ(b.gainA[2], 122880u);  EXPECT_EQ(b.gainA[3], 131071u);
    EXPECT_EQ(b.gainA[4], 0u);       EXPECT_EQ(b.gainA[5], 0u);
    EXPECT_EQ(b.gainA[6], 0u);       EXPECT_EQ(b.gainA[7], 0u);
    EXPECT_EQ(b.gainA[8], 0u);       EXPECT_EQ(b.gainA[9], 131071u);
    EXPECT_EQ(b.gainB[30], 131071u); EXPECT_EQ(b.gainB[31], 122880u);
    EXPECT_EQ(b.masterGain[0], 8388607u);
    EXPECT_EQ(b.masterGain[1], 131071u);
    EXPECT_EQ(b.options, 0x80u);
    EXPECT_EQ(b.driverWords[0], 0x00010000u);
    EXPECT_EQ(b.driverWords[1], 0x0000FFFFu);

    // Bit 7 of the option word follows the record (only that bit of a
    // damaged hiRateBits); its other bits and the driver's words stay as read.
    d.hiRateBits = 0x7F;
    std::uint32_t request[1 + 69] = {0};
    request[1 + 66] = 0x1234 | 0x80;
    ASSERT_TRUE(device.control(QUORVI_SET_PARAM, request, sizeof request, nullptr, 0));
    ASSERT_EQ(QuorviUpdateMix(record.get(), device.get(), 0), 1);
    EXPECT_EQ(Sent(0).options, 0x1234u);
    EXPECT_EQ(Sent(0).driverWords[0], 0x00010000u);
    EXPECT_EQ(boards->log(QUORVI_HC_GET_PARAMS).size(), 2u);
}

TEST_F(UpdateTest, OneSoloSilencesEveryOtherChannelButNotTheMasters) {
    Start(1);
    BoardPanelBlock& p = record->boards[0];
    BoardDeviceBlock& d = record->device.boards[0];
    for (int k = 0; k < 16; ++k) d.levelA[k] = d.levelB[k] = 68;
    p.masterLevel[0] = p.masterLevel[1] = 68;
    p.soloB[5] = 1;
    p.muteB[5] = 1;  // muted and soloed: heard
    ASSERT_EQ(QuorviUpdateMix(record.get(), device.get(), 0), 1);
    ParameterBlock b = Sent(0);
    for (int w = 0; w < 32; ++w) {
        EXPECT_EQ(b.gainA[w], 0u) << w;
        EXPECT_EQ(b.gainB[w], (w == 10) ? 131071u : 0u) << w;
    }
    EXPECT_EQ(b.masterGain[0], 8388607u);

    p.soloB[5] = 0;
    p.masterMute[1] = 1;
    ASSERT_EQ(QuorviUpdateMix(record.get(), device.get(), 0), 1);
    b = Sent(0);
    EXPECT_EQ(b.gainB[10], 0u);  // muted, no longer soloed
    EXPECT_EQ(b.gainA[0], 131071u);
    EXPECT_EQ(b.masterGain[1], 0u);
}

TEST_F(UpdateTest, DoUpdateSendsTheDeviceBlockThenEachBoardsMixAndAnnouncesIt) {
    Start(2);
    record->device.masterBoard = 1;
    record->device.boards[1].mainClock[0] = 4;
    for (int i = 30; i < 3896; i += 97) reinterpret_cast<std::uint8_t*>(&record->device)[i] ^= 0x5A;
    testkit::BroadcastSpy spy;
    HANDLE handle = device.get();
    ASSERT_EQ(QuorviDoUpdate(record.get(), handle, 0), 1);

    std::vector<LogEntry> log = boards->log();
    std::vector<std::uint32_t> codes;
    for (const LogEntry& e : log) codes.push_back(e.code);
    EXPECT_EQ(codes, (std::vector<std::uint32_t>{
                         QUORVI_SYS_UPDATE, QUORVI_GET_BOARD_INFO, QUORVI_GET_BOARD_INFO,
                         QUORVI_GET_BOARD_INFO, QUORVI_HC_GET_PARAMS, QUORVI_SET_PARAM,
                         QUORVI_GET_BOARD_INFO, QUORVI_GET_BOARD_INFO, QUORVI_GET_BOARD_INFO,
                         QUORVI_HC_GET_PARAMS, QUORVI_SET_PARAM, QUORVI_GET_BOARD_INFO,
                         QUORVI_GET_BOARD_INFO, QUORVI_GET_BOARD_INFO}));
    ASSERT_EQ(log[0].input.size(), 3896u);
    EXPECT_EQ(std::memcmp(log[0].input.data(), &record->device, 3896), 0);

    std::vector<testkit::Broadcast> seen = UpdateMessages(spy);
    ASSERT_EQ(Names(seen), kUpdateMessages);
    EXPECT_EQ(seen[2].wParam, reinterpret_cast<WPARAM>(record.get()));
    // The address of the handle argument: in the call's frame, just below
    // this test's own on the stack.
    char here = 0;
    auto mine = reinterpret_cast<std::uintptr_t>(&here);
    auto where = static_cast<std::uintptr_t>(seen[2].lParam);
    EXPECT_LT(where, mine);
    EXPECT_GT(where, mine - 65536);
}

TEST_F(UpdateTest, FailedDeviceUpdateIsReportedAndEndsTheUpdate) {
    Start(2);
    boards->control("fail QUORVI_SYS_UPDATE 0x1f once");
    testkit::BroadcastSpy spy;
    testkit::MessageBoxCatcher catcher;
    catcher.Expect(IDOK);
    EXPECT_EQ(QuorviDoUpdate(record.get(), device.get(), 0), 0);
    EXPECT_TRUE(catcher.WaitForBoxes(1));
    EXPECT_EQ(catcher.Texts(),
              std::vector<std::string>{"Error: QUORVI_SYS_UPDATE failed with code 0x1f"});
    EXPECT_EQ(Names(UpdateMessages(spy)), std::vector<std::string>{"START QUORVI UPDATE"});
    EXPECT_EQ(boards->log().size(), 1u);
}

TEST_F(UpdateTest, WithoutBoardsTheDeviceBlockIsStillSent) {
    Start(0);
    testkit::BroadcastSpy spy;
    EXPECT_EQ(QuorviGetNumberBoards(device.get()), 0u);
    EXPECT_EQ(QuorviDoUpdate(record.get(), device.get(), 1), 1);
    EXPECT_EQ(boards->log(QUORVI_SYS_UPDATE).size(), 1u);
    EXPECT_TRUE(boards->log(QUORVI_SET_PARAM).empty());
    EXPECT_EQ(Names(UpdateMessages(spy)), kUpdateMessages);
}

TEST_F(UpdateTest, FailedParameterRequestsAreReportedAndTheUpdateGoesOn) {
    Start(4);
    EXPECT_EQ(QuorviGetNumberBoards(device.get()), 4u);
    boards->control("fail QUORVI_HC_GET_PARAMS 0x15 board 1 once");
    boards->control("fail QUORVI_SET_PARAM 0x1f board 2 once");
    boards->control("clear-log");
    testkit::MessageBoxCatcher catcher;
    catcher.Expect(IDOK, 2);
    EXPECT_EQ(QuorviDoUpdate(record.get(), device.get(), 0), 1);
    EXPECT_TRUE(catcher.WaitForBoxes(2));
    EXPECT_EQ(catcher.Texts(), (std::vector<std::string>{
                                   "Error: QUORVI_HC_GET_PARAMS failed with code 0x15",
                                   "Error: QUORVI_SET_PARAM failed with code 0x1f"}));
    EXPECT_EQ(boards->log(QUORVI_SET_PARAM).size(), 3u);
    // Four boards are all the record holds: index 4 is never asked for.
    for (const LogEntry& e : boards->log(QUORVI_GET_BOARD_INFO)) EXPECT_LT(e.board, 4);

    boards->control("clear-log");
    EXPECT_EQ(QuorviUpdateMix(record.get(), device.get(), 4), 0);
    EXPECT_EQ(QuorviUpdateMix(record.get(), device.get(), -1), 0);
    EXPECT_EQ(QuorviUpdateMix(nullptr, device.get(), 0), 0);
    testkit::BroadcastSpy spy;
    EXPECT_EQ(QuorviDoUpdate(nullptr, device.get(), 0), 0);
    EXPECT_TRUE(boards->log().empty());
    EXPECT_TRUE(UpdateMessages(spy).empty());
}

TEST_F(UpdateTest, TimeCodeFollowsTheSystemSetupBlock) {
    Start(1);
    EXPECT_EQ(QuorviTimeCodeEnabled(device.get()), 0);
    boards->control("timecode-on on");
    EXPECT_EQ(QuorviTimeCodeEnabled(device.get()), 1);
    boards->control("fail QUORVI_GET_SYS_SETUP 0x57 once");
    testkit::MessageBoxCatcher catcher;
    catcher.Expect(IDOK);
    EXPECT_EQ(QuorviTimeCodeEnabled(device.get()), 0);
    EXPECT_TRUE(catcher.WaitForBoxes(1));
    EXPECT_EQ(catcher.Texts(),
              std::vector<std::string>{"Error: QUORVI_GET_SYS_SETUP failed with code 0x57"});
}

}  // namespace
