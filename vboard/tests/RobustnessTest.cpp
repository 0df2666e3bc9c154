// Hostile and truncated messages must never crash the service nor change
// how it answers well-formed requests afterwards.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "vboard/InProcessBoards.h"
#include "win/Device.h"

using namespace quorvi;
using namespace vboard;
using namespace win::devicepipe;

namespace {

const std::uint32_t kCodes[] = {
    QUORVI_GET_BOARD_INFO,  QUORVI_GET_STATUS,       QUORVI_SET_PARAM,        QUORVI_HC_GET_PARAMS,
    QUORVI_GET_STATUS_FLAGS, QUORVI_HC_REPROG_FPGA,  QUORVI_SET_STATUS_MASKS, QUORVI_SET_OUT_CHANNEL,
    QUORVI_SET_IN_CHANNEL,  QUORVI_ACQUIRE_CHANNELS, QUORVI_RELEASE_CHANNELS, QUORVI_IOSTART,
    QUORVI_IORESET,         QUORVI_SET_PUNCH,        QUORVI_GET_PUNCH,        QUORVI_SET_SYS_SETUP,
    QUORVI_GET_SYS_SETUP,   QUORVI_ALLOC_BUFFERS,    QUORVI_FREE_BUFFERS,     QUORVI_SET_CALLBACK,
    QUORVI_CLEAR_CALLBACK,  QUORVI_SYS_UPDATE,       QUORVI_HC_SEND_FPGABYTE, QUORVI_HC_GET_FPGABYTE,
    STOP_SERIAL,            ICEAPI_ENUM_DEVICES,     ICEAPI_GETDEVICEINFO,    ICEAPI_SET_RATE,
    ICEAPI_CUSTOM,          0,                       0xFFFFFFFF,
};
const std::uint32_t kSizes[] = {0, 1, 3, 4, 5, 8, 12, 20, 24, 28, 32, 44, 176, 276, 280, 3895, 3896, 3897, 16384};

// A message that is mostly well formed, with random damage: wrong kinds,
// sizes that lie, truncation, random bytes.
Bytes RandomMessage(std::mt19937& rng) {
    auto pick = [&](auto& list) { return list[rng() % (sizeof list / sizeof list[0])]; };
    std::uint32_t inSize = pick(kSizes);
    RequestHeader head{1 + rng() % 4, pick(kCodes), inSize, pick(kSizes), 0};
    if (rng() % 8 == 0) head.sideSize = rng() % 2 ? sizeof(StreamSide) : rng();
    if (rng() % 8 == 0) head.inSize = rng();
    if (rng() % 8 == 0) head.outSize = rng();
    Bytes m(sizeof head + inSize + (head.sideSize <= sizeof(StreamSide) ? head.sideSize : 0));
    std::memcpy(m.data(), &head, sizeof head);
    for (std::size_t i = sizeof head; i < m.size(); ++i) m[i] = static_cast<std::uint8_t>(rng() % 4 ? rng() % 4 : rng());
    if (head.kind == 1 && rng() % 2) {
        OpenBody open{};
        std::strcpy(open.name, rng() % 2 ? kDeviceNameNT : kDeviceNameLintra);
        m.resize(sizeof head + sizeof open);
        std::memcpy(m.data() + sizeof head, &open, sizeof open);
        head.inSize = sizeof open;
        std::memcpy(m.data(), &head, sizeof head);
    }
    if (rng() % 6 == 0) m.resize(rng() % (m.size() + 1));
    return m;
}

void ExpectWellFormed(const Bytes& message, const Bytes& reply) {
    ReplyHeader head{};
    ASSERT_GE(reply.size(), sizeof head);
    std::memcpy(&head, reply.data(), sizeof head);
    ASSERT_EQ(reply.size(), sizeof head + head.returned + head.sideSize);
    if (head.error) {
        EXPECT_EQ(head.returned, 0u);
    }
    RequestHeader request{};
    if (head.returned && message.size() >= sizeof request) {
        std::memcpy(&request, message.data(), sizeof request);
        EXPECT_LE(head.returned, request.outSize);
    }
}

void ExpectServesCorrectly() {
    win::Device d(kDeviceNameNT, 0, 0, OPEN_EXISTING, 0);
    ASSERT_TRUE(d.valid());
    std::uint32_t board = 0, info[7] = {};
    DWORD got = 0;
    ASSERT_TRUE(d.control(QUORVI_GET_BOARD_INFO, &board, 4, info, sizeof info, &got));
    EXPECT_EQ(got, kBoardInfoSize);
    EXPECT_EQ(info[0], 5u);
    board = 1;
    EXPECT_FALSE(d.control(QUORVI_GET_BOARD_INFO, &board, 4, info, sizeof info, &got));
    EXPECT_EQ(GetLastError(), 0xF00Eu);
}

DriverConfig Config() {
    DriverConfig c;
    c.board[0].kind = 5;
    c.lintraDriver = true;
    c.lintraBoards = 2;
    return c;
}

TEST(Robustness, SessionAnswersEveryDamagedMessageWithAWellFormedReply) {
    ManualClock clock;
    Driver driver(clock, Config());
    std::mt19937 rng(1234);
    for (int round = 0; round < 200; ++round) {
        std::unique_ptr<Session> session = MakeDeviceSession(driver);
        for (int i = 0; i < 100; ++i) {
            Bytes message = RandomMessage(rng);
            ExpectWellFormed(message, session->handle(message));
        }
    }
    EXPECT_EQ(driver.openHandles(), 0u) << "every session released its handle";

    // An input larger than any client sends is refused before the driver
    // sees (and logs) it.
    std::unique_ptr<Session> session = MakeDeviceSession(driver);
    OpenBody open{};
    std::strcpy(open.name, kDeviceNameNT);
    Bytes opening(sizeof(RequestHeader) + sizeof open);
    RequestHeader head{1, 0, sizeof open, 0, 0};
    std::memcpy(opening.data(), &head, sizeof head);
    std::memcpy(opening.data() + sizeof head, &open, sizeof open);
    session->handle(opening);
    driver.clearLog();
    Bytes large(sizeof head + kMaxBody + 1);
    head = RequestHeader{2, QUORVI_SYS_UPDATE, kMaxBody + 1, 0, 0};
    std::memcpy(large.data(), &head, sizeof head);
    Bytes reply = session->handle(large);
    ReplyHeader answer{};
    std::memcpy(&answer, reply.data(), sizeof answer);
    EXPECT_EQ(answer.error, unsigned(ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(driver.log().empty());
}

TEST(Robustness, ServiceSurvivesRandomAndTruncatedMessagesOnThePipe) {
    InProcessBoards boards(Config());
    ASSERT_TRUE(boards.serving());
    std::mt19937 rng(99);
    std::vector<std::uint8_t> reply(sizeof(ReplyHeader) + 70000);
    for (int connection = 0; connection < 40; ++connection) {
        HANDLE pipe = CreateFileA(kPipeName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
        DWORD mode = PIPE_READMODE_MESSAGE;
        ASSERT_TRUE(SetNamedPipeHandleState(pipe, &mode, nullptr, nullptr));
        for (int i = 0; i < 60; ++i) {
            Bytes message = RandomMessage(rng);
            if (rng() % 50 == 0) message.assign(70000, 0x5A);  // longer than any request
            DWORD got = 0;
            if (message.empty()) continue;  // a zero-length write is no message
            ASSERT_TRUE(TransactNamedPipe(pipe, message.data(), static_cast<DWORD>(message.size()), reply.data(),
                                          static_cast<DWORD>(reply.size()), &got, nullptr));
            ExpectWellFormed(message, Bytes(reply.begin(), reply.begin() + got));
        }
        // Half the clients vanish with a request unanswered.
        if (connection % 2) {
            Bytes last = RandomMessage(rng);
            DWORD written = 0;
            if (!last.empty()) WriteFile(pipe, last.data(), static_cast<DWORD>(last.size()), &written, nullptr);
        }
        CloseHandle(pipe);
    }
    ExpectServesCorrectly();

    // A flood of idle connections finds the pipe busy past the limit instead
    // of making a thread each; the service answers once they are gone.
    std::vector<HANDLE> flood;
    for (DWORD i = 0; i < PipeServer::kMaxConnections + 8; ++i) {
        HANDLE pipe = CreateFileA(kPipeName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (pipe != INVALID_HANDLE_VALUE) flood.push_back(pipe);
    }
    EXPECT_LE(flood.size(), PipeServer::kMaxConnections);
    for (HANDLE pipe : flood) CloseHandle(pipe);
    ExpectServesCorrectly();

    // Through the device-access functions: random codes, sizes and buffers.
    win::Device d(kDeviceNameNT, 0, 0, OPEN_EXISTING, 0);
    std::vector<std::uint8_t> in(4000), out(4000);
    for (int i = 0; i < 2000; ++i) {
        for (auto& byte : in) byte = static_cast<std::uint8_t>(rng() % 3);
        std::uint32_t code = kCodes[rng() % (sizeof kCodes / sizeof kCodes[0])];
        DWORD inSize = kSizes[rng() % 17], outSize = kSizes[rng() % 17], got = 0;
        if (d.control(code, in.data(), inSize, out.data(), outSize, &got)) {
            EXPECT_LE(got, outSize);
        } else {
            EXPECT_EQ(got, 0u);
            EXPECT_NE(GetLastError(), 0u);
        }
    }
    ExpectServesCorrectly();
}

}  // namespace
