// Streaming through the device-access functions, laid out as the ASIO
// driver lays out its shared block, on the manual clock.
#include <gtest/gtest.h>
#include <windows.h>
#include <mmsystem.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "quorvi/SettingsRecord.h"
#include "vboard/InProcessBoards.h"
#include "vboard/QuorvisimProcess.h"
#include "vboard/StreamClient.h"
#include "win/Device.h"

using namespace quorvi;
using namespace vboard;

namespace {

LONG g_wakes = 0;
void CALLBACK OnBlock(ULONG_PTR) { ++g_wakes; }

// The wake is queued by a thread of the device-access functions; wait for
// it alertably, as the ASIO driver's streaming thread does. The bound only
// turns a service that never wakes into a failure instead of a hang.
bool Wake() { return SleepEx(10000, TRUE) == WAIT_IO_COMPLETION; }

const std::vector<StreamChannel> kInOut = {{true, 0, 0}, {false, 0, 0}};

void Fill(std::int32_t* half, std::uint32_t samples, std::int32_t value) { std::fill(half, half + samples, value); }

bool All(const std::int32_t* half, std::uint32_t from, std::uint32_t to, std::int32_t value) {
    return std::all_of(half + from, half + to, [&](std::int32_t s) { return s == value; });
}

constexpr std::int32_t kUntouched = 0x41414141;

// Wake-ups queued to the one streaming handle of a state report.
int Wakes(const std::string& state) {
    std::size_t at = state.find(" wakes ");
    return at == std::string::npos ? 0 : std::atoi(state.c_str() + at + 7);
}

class Streaming : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(boards.serving());
        g_wakes = 0;
    }
    // Every board on one clock and format, as a device block sets them.
    void setBoards(std::uint8_t clock, std::uint8_t format = 0) {
        win::Device d(kDeviceNameNT, 0, 0, OPEN_EXISTING, 0);
        DeviceBlock block{};
        block.version = kRecordVersion;
        for (auto& b : block.boards) {
            b.format = format;
            for (auto& c : b.mainClock) c = clock;
        }
        ASSERT_TRUE(d.control(QUORVI_SYS_UPDATE, &block, sizeof block, nullptr, 0));
    }
    std::uint32_t meter(std::uint32_t board, int m) {
        win::Device d(kDeviceNameNT, 0, 0, OPEN_EXISTING, 0);
        std::uint32_t status[kStatusBlockSize / 4] = {};
        EXPECT_TRUE(d.control(QUORVI_GET_STATUS, &board, 4, status, sizeof status));
        return status[10 + m];
    }
    std::string state() { return boards.control("state"); }

    InProcessBoards boards;
    StreamClient host;
};

TEST_F(Streaming, BlocksAlternateHalvesLoopOutputsBackAndWakeTheRegisteredThread) {
    ASSERT_TRUE(host.lay(kInOut, 64));
    ASSERT_TRUE(host.registerHalves());
    ASSERT_TRUE(host.setCallback(OnBlock));
    Fill(host.half(1, 0), 64, 0x10);
    Fill(host.half(1, 1), 64, 0x11);
    boards.control("timecode 1000 running");
    ASSERT_TRUE(host.start());

    boards.advanceMs(1);  // 64 samples at 44.1 kHz take 1.45 ms
    EXPECT_EQ(host.half(0, 0)[0], kUntouched) << "the input half is the board's until the block ends";
    boards.advanceMs(1);
    ASSERT_TRUE(Wake());
    EXPECT_EQ(g_wakes, 1);
    const ChannelRecord& status = host.statusRecord();
    EXPECT_EQ(&status, &host.record(1)) << "the first output record";
    EXPECT_EQ(status.status & kStatusHalf0, kStatusHalf0) << "half 0 is the caller's";
    EXPECT_EQ(status.status & kStatusTimecodeRunning, kStatusTimecodeRunning);
    EXPECT_TRUE(All(host.half(0, 0), 0, 64, 0x10)) << "output half 0 came back on input half 0";
    EXPECT_EQ(host.half(0, 1)[0], kUntouched);
    EXPECT_EQ(status.time0, 1u) << "stamped at the boundary, 1.45 ms";
    EXPECT_EQ(status.timecode0, 1000u) << "time code of the half's first sample";

    boards.control("timecode 5000 stopped");
    boards.advanceMs(1);
    ASSERT_TRUE(Wake());
    EXPECT_EQ(status.status, kStatusTimecodeStill) << "then half 1, time code standing";
    EXPECT_TRUE(All(host.half(0, 1), 0, 64, 0x11));
    EXPECT_EQ(status.timecode1, 5000u);
    EXPECT_EQ(status.time1, 3u);
    EXPECT_NE(state().find("stream 1 blocks 2 wakes 2 merged 0\n"), std::string::npos);

    ASSERT_TRUE(host.clearCallback());
    ASSERT_TRUE(host.reset());
    std::uint32_t word = status.status;
    boards.advanceMs(20);
    EXPECT_EQ(status.status, word) << "no blocks after the reset";
    EXPECT_EQ(SleepEx(0, TRUE), 0u) << "no wake after clearing";
    EXPECT_FALSE(host.start()) << "the reset forgot the halves";
    EXPECT_EQ(GetLastError(), unsigned(ERROR_INVALID_PARAMETER));
}

// A host asking for 100 samples gets blocks of 64: the position it counts
// and the audio it gets must not drift apart. Every boundary names the
// other half, from half 0 on, stamped one block after the one before.
TEST_F(Streaming, BlocksArePacedAndTransferredByTheRoundedBlockAndNoneIsSkipped) {
    setBoards(4);  // 48 kHz: a block of 64 samples lasts 1333 us
    ASSERT_TRUE(host.lay(kInOut, 100));
    ASSERT_TRUE(host.registerHalves());
    ASSERT_TRUE(host.setCallback(OnBlock));
    for (int h = 0; h < 2; ++h) Fill(host.half(1, h), 100, 0x20 + h);
    ASSERT_TRUE(host.start());
    const ChannelRecord& status = host.statusRecord();
    const int kBlocks = 9;
    for (int n = 1, ms = 0; n <= kBlocks; ++n) {
        std::uint32_t due = (n * 4 + 2) / 3;  // the boundary, in whole ms
        boards.advanceMs(due - ms);
        ms = due;
        ASSERT_TRUE(Wake()) << n;
        int half = (n - 1) % 2;
        EXPECT_EQ(status.status & kStatusHalf0, half == 0 ? kStatusHalf0 : 0u) << n;
        EXPECT_EQ(half ? status.time1 : status.time0, (n * 4000 + 1500) / 3000) << n;
        EXPECT_TRUE(All(host.half(0, half), 0, 64, 0x20 + half)) << n;
        EXPECT_TRUE(All(host.half(0, half), 64, 100, 0)) << "past the block: silence, " << n;
    }
    EXPECT_EQ(g_wakes, kBlocks);
    EXPECT_NE(state().find("blocks 9 wakes 9 merged 0\n"), std::string::npos) << state();

    // The state line counts the new stream's wake-ups, not the callback's.
    ASSERT_TRUE(host.reset());
    ASSERT_TRUE(host.registerHalves());
    ASSERT_TRUE(host.start());
    boards.advanceMs(2);
    ASSERT_TRUE(Wake());
    EXPECT_NE(state().find("blocks 1 wakes 1 merged 0\n"), std::string::npos) << state();
}

// The board plays a half from the boundary on; a host that writes it later
// is heard late, as a glitch in the looped audio.
TEST_F(Streaming, AnOutputHalfIsTakenWhenTheBoardStartsPlayingIt) {
    setBoards(4);
    ASSERT_TRUE(host.lay(kInOut, 64));
    ASSERT_TRUE(host.registerHalves());
    Fill(host.half(1, 0), 64, 1);
    Fill(host.half(1, 1), 64, 2);
    ASSERT_TRUE(host.start());
    Fill(host.half(1, 0), 64, 3);  // after the start: too late for block 0
    boards.advanceMs(2);           // block 0 ends; half 0 is the host's
    EXPECT_TRUE(All(host.half(0, 0), 0, 64, 1));
    Fill(host.half(1, 0), 64, 4);  // in time for block 2
    boards.advanceMs(1);           // block 1 ends, block 2 starts
    Fill(host.half(1, 0), 64, 5);  // too late again
    boards.advanceMs(1);           // block 2 ends
    EXPECT_TRUE(All(host.half(0, 0), 0, 64, 4));
}

TEST_F(Streaming, EveryInputHalfIsWrittenAndTheMetersFollowTheStream) {
    boards.control("signal 0 all steady 1000");
    boards.control("signal 0 17 steady 300000");  // input 2 (meters: 16 outputs, then the inputs)
    boards.control("signal 0 18 silence");        // input 3
    ASSERT_TRUE(host.lay({{false, 0, 0}, {true, 0, 0}, {true, 0, 1}, {true, 0, 2}, {false, 0, 16}, {false, 0, 17}},
                         64));
    ASSERT_TRUE(host.registerHalves());
    for (int h = 0; h < 2; ++h) {
        Fill(host.half(0, h), 64, 0x100000);
        host.half(0, h)[7] = -0x200000;  // a peak of 0x2000 in the top 24 bits
        Fill(host.half(4, h), 64, 0x7FFFFFFF);
        Fill(host.half(5, h), 64, -0x3000);
    }
    ASSERT_TRUE(host.start());
    boards.advanceMs(2);
    EXPECT_EQ(host.half(1, 0)[7], -0x200000) << "looped";
    std::int32_t* signal = host.half(2, 0);
    EXPECT_TRUE(All(signal, 0, 32, 300000 << 8) && All(signal, 32, 64, -(300000 << 8)))
        << "the input's test signal, a square wave";
    EXPECT_TRUE(All(host.half(3, 0), 0, 64, 0)) << "silence, not the fill";

    EXPECT_EQ(meter(0, 0), 0x2000u) << "output 1";
    EXPECT_EQ(meter(0, 16), 0x2000u) << "input 1";
    EXPECT_EQ(meter(0, 17), 300000u);
    EXPECT_EQ(meter(0, 18), 0u);
    EXPECT_EQ(meter(0, 1), 1000u) << "a channel that does not stream keeps its test signal";
    EXPECT_EQ(meter(0, 32), 0x7FFFFFu) << "master left from the first monitor output";
    EXPECT_EQ(meter(0, 33), 0x30u);

    // In the two-S/PDIF format the board meters 4 outputs, 4 inputs, then
    // master: input 2 is its second meter of inputs.
    setBoards(3, 3);
    EXPECT_EQ(meter(0, 4), 0x2000u) << "input 1";
    EXPECT_EQ(meter(0, 8), 0x7FFFFFu) << "master left";
    ASSERT_TRUE(host.reset());
    EXPECT_EQ(meter(0, 8), 1000u) << "a reset gives the meters back to the test signals";
}

TEST_F(Streaming, RefusesHalvesOutsideTheBlockOrOnChannelsNotHeld) {
    ASSERT_TRUE(host.lay(kInOut, 64));
    EXPECT_FALSE(host.start());
    EXPECT_EQ(GetLastError(), unsigned(ERROR_INVALID_PARAMETER));
    host.record(1).bytes0 = 8192;  // the half would run past the block
    EXPECT_FALSE(host.registerHalf(1, 0, kStatusHalfFlags));
    EXPECT_EQ(GetLastError(), unsigned(ERROR_INVALID_PARAMETER));
    host.record(1).bytes0 = 256;
    EXPECT_FALSE(host.registerHalf(1, 0, 0x12345678)) << "unknown flags";

    // Input 4 of A in a record of the block: well formed, but not acquired.
    ChannelHalfRequest notHeld{0, 3, 4, 5, 0, 0xFFFFFFFF, host.record(0).half0, kHalfFlags};
    notHeld.recordWord = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(&host.record(0).half0));
    EXPECT_FALSE(host.device().control(QUORVI_SET_IN_CHANNEL, &notHeld, sizeof notHeld, nullptr, 0));
    EXPECT_EQ(GetLastError(), unsigned(ERROR_ACCESS_DENIED));

    std::uint32_t pages = 1, address = 0;
    EXPECT_FALSE(host.device().control(QUORVI_ALLOC_BUFFERS, &pages, 4, &address, 4)) << "one block per handle";
    std::uint32_t wrong = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(host.block())) + 4096;
    EXPECT_FALSE(host.device().control(QUORVI_FREE_BUFFERS, &wrong, 4, nullptr, 0));
    std::uint32_t right = wrong - 4096;
    EXPECT_TRUE(host.device().control(QUORVI_FREE_BUFFERS, &right, 4, nullptr, 0));
    MEMORY_BASIC_INFORMATION info{};
    VirtualQuery(host.block(), &info, sizeof info);
    EXPECT_EQ(info.State, unsigned(MEM_FREE)) << "unmapped in the caller's process";
}

// 65,536-sample halves on every channel of four boards, the largest request
// the ASIO driver makes; anything larger is refused as too much memory.
TEST_F(Streaming, TheLargestBlockFitsAndOneMorePageIsRefused) {
    boards.control("boards 4");
    std::vector<StreamChannel> all;
    for (bool input : {true, false})
        for (std::uint32_t b = 0; b < 4; ++b)
            for (std::uint32_t bit = 0; bit < (input ? 16u : 18u); ++bit) all.push_back({input, b, bit});
    ASSERT_TRUE(host.lay(all, 65536)) << GetLastError();
    EXPECT_EQ(host.pages(), win::devicepipe::kMaxBufferPages);
    ASSERT_TRUE(host.registerHalves()) << GetLastError();

    win::Device more(kDeviceNameAsio, 0, 0, 0, FILE_FLAG_DELETE_ON_CLOSE);
    std::uint32_t pages = win::devicepipe::kMaxBufferPages + 1, address = 0;
    EXPECT_FALSE(more.control(QUORVI_ALLOC_BUFFERS, &pages, 4, &address, 4));
    EXPECT_EQ(GetLastError(), unsigned(ERROR_NOT_ENOUGH_MEMORY));
}

TEST_F(Streaming, ClosingTheHandleReleasesBuffersChannelsAndWakeUps) {
    ASSERT_TRUE(host.lay(kInOut, 64));
    ASSERT_TRUE(host.registerHalves());
    ASSERT_TRUE(host.setCallback(OnBlock));
    ASSERT_TRUE(host.start());
    host.device().reset();
    boards.advanceMs(50);
    EXPECT_EQ(SleepEx(0, TRUE), 0u);
    EXPECT_EQ(g_wakes, 0);
    MEMORY_BASIC_INFORMATION info{};
    VirtualQuery(host.block(), &info, sizeof info);
    EXPECT_EQ(info.State, unsigned(MEM_FREE));
    EXPECT_EQ(boards.driver().nextBoundaryMicros(), UINT64_MAX);

    StreamClient next;
    EXPECT_TRUE(next.lay(kInOut, 64));
}

// A host killed in the middle of streaming: its connection breaks, and its
// channels, block and wake-ups go with it, so the next host gets them.
TEST_F(Streaming, AHostKilledMidStreamReleasesEverythingForTheNext) {
    auto killed = std::make_unique<QuorvisimProcess>(FindQuorvisim("vboard_stream_host.exe"), "");
    ASSERT_TRUE(killed->started());
    DWORD start = GetTickCount();
    while (Wakes(state()) < 3 && GetTickCount() - start < 20000) {
        boards.advanceMs(2);
        Sleep(5);
    }
    ASSERT_GE(Wakes(state()), 3) << "the host streams";
    killed.reset();
    start = GetTickCount();
    while (boards.driver().openHandles() != 1 && GetTickCount() - start < 20000) Sleep(5);
    EXPECT_EQ(boards.driver().openHandles(), 1u) << "only this test's own";
    EXPECT_EQ(boards.driver().nextBoundaryMicros(), UINT64_MAX);

    ASSERT_TRUE(host.lay(kInOut, 64)) << GetLastError();
    ASSERT_TRUE(host.registerHalves());
    ASSERT_TRUE(host.setCallback(OnBlock));
    ASSERT_TRUE(host.start());
    boards.advanceMs(2);
    EXPECT_TRUE(Wake());
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
    StreamClient host;
    ASSERT_TRUE(host.lay(kInOut, 64));
    std::vector<DWORD> before = ThreadIds();
    ASSERT_TRUE(host.setCallback(OnBlock));
    std::vector<HANDLE> waiters;
    for (DWORD id : ThreadIds())
        if (std::find(before.begin(), before.end(), id) == before.end())
            waiters.push_back(OpenThread(SYNCHRONIZE, FALSE, id));
    ASSERT_EQ(waiters.size(), 1u);
    sim.reset();  // killed with the callback still registered
    // The bound only turns a waiter that never ends into a failure.
    EXPECT_EQ(WaitForSingleObject(waiters[0], 20000), WAIT_OBJECT_0);
    CloseHandle(waiters[0]);

    std::uint32_t address = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(host.block()));
    EXPECT_FALSE(host.device().control(QUORVI_FREE_BUFFERS, &address, 4, nullptr, 0));
    host.device().reset();
    MEMORY_BASIC_INFORMATION info{};
    VirtualQuery(host.block(), &info, sizeof info);
    EXPECT_EQ(info.State, unsigned(MEM_FREE));
}

TEST(StreamingAcrossProcesses, QuorvisimWakesTheRegisteredThreadOfAnotherProcess) {
    QuorvisimProcess sim(FindQuorvisim(), "--boards 1");
    ASSERT_TRUE(sim.started());
    ASSERT_TRUE(sim.waitServing(20000));
    {
        StreamClient host;
        ASSERT_TRUE(host.lay(kInOut, 64));
        ASSERT_TRUE(host.registerHalves());
        ASSERT_TRUE(host.setCallback(OnBlock));
        Fill(host.half(1, 0), 64, 0x10);
        Fill(host.half(1, 1), 64, 0x11);
        ASSERT_TRUE(host.start());
        DWORD before = timeGetTime();
        for (int i = 0; i < 3; ++i) ASSERT_TRUE(Wake());
        DWORD after = timeGetTime();
        EXPECT_EQ(host.half(0, 0)[0], 0x10);
        EXPECT_EQ(host.half(0, 1)[0], 0x11);
        // The stamps are on this process's multimedia timer.
        std::uint32_t stamp = std::max(host.statusRecord().time0, host.statusRecord().time1);
        EXPECT_LE(stamp - before, after - before);
    }
    QuorvisimProcess stop(FindQuorvisim(), "--stop");
    EXPECT_EQ(stop.waitExit(30000), 0u);
    EXPECT_EQ(sim.waitExit(30000), 0u);
}

}  // namespace
