// Streaming through the device-access functions, laid out as the ASIO
// driver lays out its shared block, on the manual clock.
#include <gtest/gtest.h>
#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "vboard/InProcessBoards.h"
#include "vboard/QuorvisimProcess.h"
#include "win/Device.h"

using namespace quorvi;
using namespace vboard;

namespace {

constexpr std::uint32_t kBytes = 256;  // 64 samples per half
LONG g_wakes = 0;
void CALLBACK OnBlock(ULONG_PTR) { ++g_wakes; }

std::uint32_t Address(const void* p) { return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(p)); }

// One input and one output channel of board 0 in a one-page block.
class StreamLayout {
protected:
    void prepare() {
        asio = win::Device(kDeviceNameAsio, 0, 0, 0, FILE_FLAG_DELETE_ON_CLOSE);
        ASSERT_TRUE(asio.valid());
        std::uint32_t masks[8] = {0x1, 0, 0, 0, 0x1, 0, 0, 0};
        ASSERT_TRUE(asio.control(QUORVI_ACQUIRE_CHANNELS, masks, 32, nullptr, 0));
        std::uint32_t pages = 1, address = 0;
        ASSERT_TRUE(asio.control(QUORVI_ALLOC_BUFFERS, &pages, 4, &address, 4));
        block = reinterpret_cast<std::uint8_t*>(static_cast<std::uintptr_t>(address));
        std::memset(block, 0x41, 4096);
        // Input record at 0, output record (the status record) at 68, then
        // the halves: input 0, input 1, output 0, output 1.
        layRecord(inRecord(), 0);
        layRecord(outRecord(), 1);
        g_wakes = 0;
    }

    std::uint8_t* inRecord() { return block; }
    std::uint8_t* outRecord() { return block + 68; }
    std::uint8_t* half(int channel, int h) { return block + 136 + (2 * channel + h) * kBytes; }
    std::uint32_t word(const std::uint8_t* record, int offset) {
        std::uint32_t v;
        std::memcpy(&v, record + offset, 4);
        return v;
    }
    void put(std::uint8_t* record, int offset, std::uint32_t v) { std::memcpy(record + offset, &v, 4); }
    void layRecord(std::uint8_t* record, int channel) {
        put(record, 0, channel);
        put(record, 4, Address(half(channel, 0)));
        put(record, 8, kBytes);
        put(record, 36, Address(half(channel, 1)));
        put(record, 40, kBytes);
    }
    BOOL registerHalf(bool input, std::uint8_t* record, int h, std::uint32_t flags) {
        std::uint8_t r[kChannelHalfSize] = {0, 0, 4, 5};
        std::uint32_t words[4] = {Address(record + (h ? 36 : 4)), 0xFFFFFFFF, word(record, h ? 36 : 4), flags};
        std::memcpy(r + 4, words, 16);
        return asio.control(input ? QUORVI_SET_IN_CHANNEL : QUORVI_SET_OUT_CHANNEL, r, sizeof r, nullptr, 0);
    }
    void registerAll() {
        ASSERT_TRUE(registerHalf(true, inRecord(), 0, 0x80000000));
        ASSERT_TRUE(registerHalf(true, inRecord(), 1, 0x80000000));
        ASSERT_TRUE(registerHalf(false, outRecord(), 0, 0xB0000000));
        ASSERT_TRUE(registerHalf(false, outRecord(), 1, 0xB0000000));
    }
    BOOL start() {
        std::uint32_t masks[8] = {0x1, 0, 0, 0, 0x1, 0, 0, 0};
        return asio.control(QUORVI_IOSTART, masks, 32, nullptr, 0);
    }
    // The wake is queued by a thread of the device-access functions; wait
    // for it alertably, as the ASIO driver's streaming thread does. The bound
    // only turns a service that never wakes into a failure instead of a hang.
    bool wake() { return SleepEx(10000, TRUE) == WAIT_IO_COMPLETION; }

    win::Device asio;
    std::uint8_t* block = nullptr;
};

class Streaming : public ::testing::Test, protected StreamLayout {
protected:
    void SetUp() override {
        ASSERT_TRUE(boards.serving());
        prepare();
    }
    void TearDown() override { asio.reset(); }

    InProcessBoards boards;
};

TEST_F(Streaming, BlocksAlternateHalvesLoopOutputsBackAndWakeTheRegisteredThread) {
    registerAll();
    std::uint32_t callback[2] = {Address(reinterpret_cast<void*>(&OnBlock)), kCallbackFilter};
    ASSERT_TRUE(asio.control(QUORVI_SET_CALLBACK, callback, 8, nullptr, 0));
    std::memset(half(1, 0), 0x10, kBytes);
    std::memset(half(1, 1), 0x11, kBytes);
    boards.control("timecode 1000 running");
    ASSERT_TRUE(start());

    boards.advanceMs(1);  // 64 samples at 44.1 kHz take 1.45 ms
    EXPECT_EQ(half(0, 0)[0], 0x41);
    boards.advanceMs(1);
    ASSERT_TRUE(wake());
    EXPECT_EQ(g_wakes, 1);
    EXPECT_EQ(word(outRecord(), 20) & 1, 1u) << "half 0 is the caller's";
    EXPECT_EQ(word(outRecord(), 20) & 0x08000000, 0x08000000u) << "time code running";
    EXPECT_EQ(half(0, 0)[kBytes - 1], 0x10) << "output half 0 came back on input half 0";
    EXPECT_EQ(half(0, 1)[0], 0x41);
    EXPECT_EQ(word(outRecord(), 32), 1u) << "stamped at the boundary, 1.45 ms";
    EXPECT_EQ(word(outRecord(), 28), 1000u) << "time code of the half's first sample";

    boards.advanceMs(1);
    ASSERT_TRUE(wake());
    EXPECT_EQ(word(outRecord(), 20) & 1, 0u) << "then half 1";
    EXPECT_EQ(half(0, 1)[0], 0x11);
    EXPECT_NE(boards.control("state").find("stream 1 blocks 2 wakes 2 merged 0\n"), std::string::npos);

    ASSERT_TRUE(asio.control(QUORVI_CLEAR_CALLBACK, callback, 8, nullptr, 0));
    std::uint32_t masks[8] = {0x1, 0, 0, 0, 0x1, 0, 0, 0};
    ASSERT_TRUE(asio.control(QUORVI_IORESET, masks, 32, nullptr, 0));
    std::uint32_t status = word(outRecord(), 20);
    boards.advanceMs(20);
    EXPECT_EQ(word(outRecord(), 20), status) << "no blocks after the reset";
    EXPECT_EQ(SleepEx(0, TRUE), 0u) << "no wake after clearing";
    EXPECT_FALSE(start()) << "the reset forgot the halves";
    EXPECT_EQ(GetLastError(), unsigned(ERROR_INVALID_PARAMETER));
}

TEST_F(Streaming, RefusesHalvesOutsideTheBlockOrOnChannelsNotHeld) {
    EXPECT_FALSE(start());
    EXPECT_EQ(GetLastError(), unsigned(ERROR_INVALID_PARAMETER));
    put(outRecord(), 8, 8192);  // the half would run past the block
    EXPECT_FALSE(registerHalf(false, outRecord(), 0, 0xB0000000));
    EXPECT_EQ(GetLastError(), unsigned(ERROR_INVALID_PARAMETER));
    layRecord(outRecord(), 1);
    EXPECT_FALSE(registerHalf(false, outRecord(), 0, 0x12345678)) << "unknown flags";

    std::uint8_t r[kChannelHalfSize] = {0, 3, 4, 5};  // input 4 of A: not acquired
    std::uint32_t words[4] = {Address(inRecord() + 4), 0xFFFFFFFF, word(inRecord(), 4), 0x80000000};
    std::memcpy(r + 4, words, 16);
    EXPECT_FALSE(asio.control(QUORVI_SET_IN_CHANNEL, r, sizeof r, nullptr, 0));
    EXPECT_EQ(GetLastError(), unsigned(ERROR_ACCESS_DENIED));

    std::uint32_t pages = 1, address = 0;
    EXPECT_FALSE(asio.control(QUORVI_ALLOC_BUFFERS, &pages, 4, &address, 4)) << "one block per handle";
    std::uint32_t wrong = Address(block) + 4096;
    EXPECT_FALSE(asio.control(QUORVI_FREE_BUFFERS, &wrong, 4, nullptr, 0));
    std::uint32_t right = Address(block);
    EXPECT_TRUE(asio.control(QUORVI_FREE_BUFFERS, &right, 4, nullptr, 0));
    MEMORY_BASIC_INFORMATION info{};
    VirtualQuery(block, &info, sizeof info);
    EXPECT_EQ(info.State, unsigned(MEM_FREE)) << "unmapped in the caller's process";
}

TEST_F(Streaming, ClosingTheHandleReleasesBuffersChannelsAndWakeUps) {
    registerAll();
    std::uint32_t callback[2] = {Address(reinterpret_cast<void*>(&OnBlock)), kCallbackFilter};
    ASSERT_TRUE(asio.control(QUORVI_SET_CALLBACK, callback, 8, nullptr, 0));
    ASSERT_TRUE(start());
    asio.reset();
    boards.advanceMs(50);
    EXPECT_EQ(SleepEx(0, TRUE), 0u);
    EXPECT_EQ(g_wakes, 0);
    MEMORY_BASIC_INFORMATION info{};
    VirtualQuery(block, &info, sizeof info);
    EXPECT_EQ(info.State, unsigned(MEM_FREE));
    EXPECT_EQ(boards.driver().nextBoundaryMicros(), UINT64_MAX);

    win::Device other(kDeviceNameAsio, 0, 0, 0, FILE_FLAG_DELETE_ON_CLOSE);
    std::uint32_t masks[8] = {0x1, 0, 0, 0, 0x1, 0, 0, 0};
    EXPECT_TRUE(other.control(QUORVI_ACQUIRE_CHANNELS, masks, 32, nullptr, 0));
}

// Threads of this process, by id.
std::vector<DWORD> ThreadIds() {
    std::vector<DWORD> ids;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 t{};
    t.dwSize = sizeof t;
    for (BOOL more = Thread32First(snapshot, &t); more; more = Thread32Next(snapshot, &t))
        if (t.th32OwnerProcessID == GetCurrentProcessId()) ids.push_back(t.th32ThreadID);
    CloseHandle(snapshot);
    return ids;
}

TEST(StreamingAcrossProcesses, WhenTheServiceDiesTheWaiterEndsAndClosingUnmapsTheBlock) {
    auto sim = std::make_unique<QuorvisimProcess>(FindQuorvisim(), "--boards 1");
    ASSERT_TRUE(sim->started());
    ASSERT_TRUE(sim->waitServing(20000));
    win::Device asio(kDeviceNameAsio, 0, 0, 0, FILE_FLAG_DELETE_ON_CLOSE);
    ASSERT_TRUE(asio.valid());
    std::uint32_t pages = 1, address = 0;
    ASSERT_TRUE(asio.control(QUORVI_ALLOC_BUFFERS, &pages, 4, &address, 4));
    std::vector<DWORD> before = ThreadIds();
    std::uint32_t callback[2] = {Address(reinterpret_cast<void*>(&OnBlock)), kCallbackFilter};
    ASSERT_TRUE(asio.control(QUORVI_SET_CALLBACK, callback, 8, nullptr, 0));
    std::vector<HANDLE> waiters;
    for (DWORD id : ThreadIds())
        if (std::find(before.begin(), before.end(), id) == before.end())
            waiters.push_back(OpenThread(SYNCHRONIZE, FALSE, id));
    ASSERT_EQ(waiters.size(), 1u);
    sim.reset();  // killed with the callback still registered
    // The bound only turns a waiter that never ends into a failure.
    EXPECT_EQ(WaitForSingleObject(waiters[0], 20000), WAIT_OBJECT_0);
    CloseHandle(waiters[0]);

    EXPECT_FALSE(asio.control(QUORVI_FREE_BUFFERS, &address, 4, nullptr, 0));
    asio.reset();
    MEMORY_BASIC_INFORMATION info{};
    VirtualQuery(reinterpret_cast<void*>(static_cast<std::uintptr_t>(address)), &info, sizeof info);
    EXPECT_EQ(info.State, unsigned(MEM_FREE));
}

TEST(StreamingAcrossProcesses, QuorvisimWakesTheRegisteredThreadOfAnotherProcess) {
    QuorvisimProcess sim(FindQuorvisim(), "--boards 1");
    ASSERT_TRUE(sim.started());
    ASSERT_TRUE(sim.waitServing(20000));
    struct Client : StreamLayout {
        void run() {
            prepare();
            registerAll();
            std::uint32_t callback[2] = {Address(reinterpret_cast<void*>(&OnBlock)), kCallbackFilter};
            ASSERT_TRUE(asio.control(QUORVI_SET_CALLBACK, callback, 8, nullptr, 0));
            std::memset(half(1, 0), 0x10, kBytes);
            std::memset(half(1, 1), 0x11, kBytes);
            ASSERT_TRUE(start());
            for (int i = 0; i < 3; ++i) ASSERT_TRUE(wake());
            EXPECT_EQ(half(0, 0)[0], 0x10);
            EXPECT_EQ(half(0, 1)[0], 0x11);
            asio.reset();
        }
    } client;
    client.run();
    QuorvisimProcess stop(FindQuorvisim(), "--stop");
    EXPECT_EQ(stop.waitExit(30000), 0u);
    EXPECT_EQ(sim.waitExit(30000), 0u);
}

}  // namespace
