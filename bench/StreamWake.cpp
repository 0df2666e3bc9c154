// Streaming timing against quorvisim in another process, at 48 kHz: the
// interval between block wake-ups as the registered thread sees them, for a
// few layouts and block sizes, with the wake-ups that merged (counted, not
// lost) and the halves the status record named out of turn. Then the cost of
// a block in the board model itself, on a manual clock.
//   bench_stream_wake [seconds per case]   (default 2)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "bench/Boards.h"
#include "bench/Execution.h"
#include "bench/Timing.h"
#include "quorvi/SettingsRecord.h"
#include "vboard/Control.h"
#include "vboard/InProcessBoards.h"
#include "vboard/StreamClient.h"
#include "win/Device.h"

using namespace quorvi;
using vboard::StreamChannel;
using vboard::StreamClient;

namespace {

struct WakeSeen {
    LONGLONG at;
    std::uint32_t status;
};
std::vector<WakeSeen> g_wakes;
const StreamClient* g_host = nullptr;

void CALLBACK OnBlock(ULONG_PTR) {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    g_wakes.push_back({now.QuadPart, g_host->statusRecord().status});
}

// Every board at 48 kHz.
bool At48k() {
    win::Device d(kDeviceNameNT, 0, 0, OPEN_EXISTING, 0);
    DeviceBlock block{};
    block.version = kRecordVersion;
    for (auto& b : block.boards)
        for (auto& c : b.mainClock) c = 4;
    return d.control(QUORVI_SYS_UPDATE, &block, sizeof block, nullptr, 0);
}

std::vector<StreamChannel> AllChannels(std::uint32_t boards) {
    std::vector<StreamChannel> all;
    for (bool input : {true, false})
        for (std::uint32_t b = 0; b < boards; ++b)
            for (std::uint32_t bit = 0; bit < (input ? 16u : 18u); ++bit) all.push_back({input, b, bit});
    return all;
}

void Report(const char* layout, std::uint32_t samples, std::uint32_t block) {
    std::vector<double> gaps;
    int outOfTurn = 0;
    for (std::size_t i = 1; i < g_wakes.size(); ++i) {
        gaps.push_back(bench::Microseconds(g_wakes[i].at - g_wakes[i - 1].at));
        if ((g_wakes[i].status ^ g_wakes[i - 1].status) % 2 == 0) ++outOfTurn;
    }
    std::string state;
    vboard::ControlClient{}.command("state", state);
    std::size_t at = state.find("stream");
    std::string stream = at == std::string::npos ? "no stream line" : state.substr(at);
    stream.erase(stream.find_last_not_of("\r\n") + 1);
    double period = block / 48e3 * 1e6;
    if (gaps.empty()) {
        std::printf("%-22s %5u samples: no wake-ups\n", layout, samples);
        return;
    }
    bench::Spread s = bench::Spreading(gaps);
    std::printf("%-22s %5u samples (block %u, %.0f us): wake interval median %.0f us, p99 %.0f us, max %.0f us "
                "(p99 lateness %.0f%% of the block); halves out of turn %d; %s\n",
                layout, samples, block, period, s.median, s.p99, s.max, (s.p99 - period) / period * 100, outOfTurn,
                stream.c_str());
}

bool RunCase(const char* layout, const std::vector<StreamChannel>& channels, std::uint32_t samples, int seconds) {
    StreamClient host;
    g_host = &host;
    g_wakes.clear();
    g_wakes.reserve(200000);
    if (!host.lay(channels, samples) || !host.registerHalves() || !host.setCallback(OnBlock) || !host.start()) {
        std::fprintf(stderr, "bench: cannot stream %s at %u samples: %lu\n", layout, samples, GetLastError());
        return false;
    }
    DWORD end = GetTickCount() + seconds * 1000;
    while (GetTickCount() < end) SleepEx(100, TRUE);
    Report(layout, samples, samples / 64 * 64);
    host.reset();
    host.clearCallback();
    return true;
}

// The model's own work per block (outputs taken, inputs written, status
// stamped, wake-ups signalled), with no one waiting for the wake-ups.
void ModelCost(std::uint32_t boards, std::uint32_t samples, int blocks) {
    vboard::DriverConfig config;
    config.boards = boards;
    vboard::InProcessBoards model(config);
    StreamClient host;
    if (!model.serving() || !At48k() || !host.lay(AllChannels(boards), samples) || !host.registerHalves() ||
        !host.start()) {
        std::fprintf(stderr, "bench: cannot stream in process: %lu\n", GetLastError());
        return;
    }
    std::uint32_t ms = static_cast<std::uint32_t>(samples / 48.0 * blocks);
    LARGE_INTEGER before, after;
    QueryPerformanceCounter(&before);
    model.advanceMs(ms);
    QueryPerformanceCounter(&after);
    std::printf("model, %u boards, all channels, %5u samples: %.1f us a block (%d blocks)\n", boards, samples,
                bench::Microseconds(after.QuadPart - before.QuadPart) / blocks, blocks);
}

}  // namespace

int main(int argc, char** argv) {
    bench::PrintExecution();
    int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2;
    {
        bench::Boards boards("--boards 2");
        if (!boards.serving() || !At48k()) return 1;
        const std::vector<StreamChannel> pair = {{true, 0, 0}, {false, 0, 0}};
        bool ok = true;
        for (std::uint32_t samples : {64u, 100u, 256u, 1024u}) ok = ok && RunCase("1 in, 1 out", pair, samples, seconds);
        for (std::uint32_t samples : {64u, 256u}) ok = ok && RunCase("2 boards, 32 in, 36 out", AllChannels(2), samples, seconds);
        if (!ok) return 1;
    }
    ModelCost(2, 64, 2000);
    ModelCost(2, 256, 2000);
    ModelCost(4, 65536, 20);
    return 0;
}
