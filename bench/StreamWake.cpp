// Streaming timing against quorvisim in another process: the interval
// between block wake-ups as the registered thread sees them, for a few block
// sizes, and how many wake-ups merged (counted, not lost).
//   bench_stream_wake [seconds per size]   (default 2)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/Execution.h"
#include "quorvi/DriverRequests.h"
#include "vboard/Control.h"
#include "vboard/QuorvisimProcess.h"
#include "win/Device.h"

using namespace quorvi;

namespace {

LARGE_INTEGER g_frequency;
std::vector<LONGLONG> g_wakes;

void CALLBACK OnBlock(ULONG_PTR) {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    g_wakes.push_back(now.QuadPart);
}

std::uint32_t Address(const void* p) { return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(p)); }

// One input and one output channel laid out as the ASIO driver does: two
// channel records, then the halves. Registers both halves of both.
bool Register(const win::Device& d, std::uint8_t* block, std::uint32_t bytes) {
    auto records = reinterpret_cast<ChannelRecord*>(block);
    std::uint8_t* halves = block + 2 * sizeof(ChannelRecord);
    for (int channel = 0; channel < 2; ++channel) {
        ChannelRecord& record = records[channel];
        std::uint8_t* half0 = halves + 2 * channel * bytes;
        record.half0 = Address(half0);
        record.bytes0 = bytes;
        record.half1 = Address(half0 + bytes);
        record.bytes1 = bytes;
        for (int h = 0; h < 2; ++h) {
            ChannelHalfRequest r{0, 0, 4, 5, Address(h ? &record.half1 : &record.half0), 0xFFFFFFFF,
                                 h ? record.half1 : record.half0, channel ? kStatusHalfFlags : kHalfFlags};
            if (!d.control(channel ? QUORVI_SET_OUT_CHANNEL : QUORVI_SET_IN_CHANNEL, &r, sizeof r, nullptr, 0))
                return false;
        }
    }
    return true;
}

void Report(std::uint32_t samples, const std::string& state) {
    std::vector<double> gaps;
    for (std::size_t i = 1; i < g_wakes.size(); ++i)
        gaps.push_back((g_wakes[i] - g_wakes[i - 1]) * 1e6 / g_frequency.QuadPart);
    std::sort(gaps.begin(), gaps.end());
    if (gaps.empty()) {
        std::printf("%5u samples: no wake-ups\n", samples);
        return;
    }
    std::string stream = state.substr(state.find("stream"));
    stream.erase(stream.find_last_not_of("\r\n") + 1);
    std::printf("%5u samples (%.0f us at 44.1 kHz): wake interval median %.0f us, p99 %.0f us, max %.0f us; %s\n",
                samples, samples / 44.1e3 * 1e6, gaps[gaps.size() / 2], gaps[gaps.size() * 99 / 100], gaps.back(),
                stream.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    bench::PrintExecution();
    int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2;
    QueryPerformanceFrequency(&g_frequency);
    vboard::QuorvisimProcess sim(vboard::FindQuorvisim(), "--boards 1");
    if (!sim.started() || !sim.waitServing(20000)) {
        std::fprintf(stderr, "bench: quorvisim.exe did not start\n");
        return 1;
    }
    win::Device d(kDeviceNameAsio, 0, 0, 0, FILE_FLAG_DELETE_ON_CLOSE);
    std::uint32_t masks[8] = {0x1, 0, 0, 0, 0x1, 0, 0, 0};
    std::uint32_t pages = 16, address = 0;
    std::uint32_t callback[2] = {Address(reinterpret_cast<void*>(&OnBlock)), kCallbackFilter};
    if (!d || !d.control(QUORVI_ACQUIRE_CHANNELS, masks, 32, nullptr, 0) ||
        !d.control(QUORVI_ALLOC_BUFFERS, &pages, 4, &address, 4)) {
        std::fprintf(stderr, "bench: cannot set up streaming: %lu\n", GetLastError());
        return 1;
    }
    auto block = reinterpret_cast<std::uint8_t*>(static_cast<std::uintptr_t>(address));
    for (std::uint32_t samples : {64u, 256u, 1024u}) {
        g_wakes.clear();
        g_wakes.reserve(100000);
        // A fresh registration per size, so its counts start at zero.
        if (!d.control(QUORVI_SET_CALLBACK, callback, 8, nullptr, 0) || !Register(d, block, samples * 4) ||
            !d.control(QUORVI_IOSTART, masks, 32, nullptr, 0)) {
            std::fprintf(stderr, "bench: cannot start %u samples: %lu\n", samples, GetLastError());
            return 1;
        }
        DWORD end = GetTickCount() + seconds * 1000;
        while (GetTickCount() < end) SleepEx(100, TRUE);
        std::string state;
        vboard::ControlClient{}.command("state", state);
        d.control(QUORVI_IORESET, masks, 32, nullptr, 0);
        d.control(QUORVI_CLEAR_CALLBACK, callback, 8, nullptr, 0);
        Report(samples, state);
    }
    d.reset();
    vboard::QuorvisimProcess stop(vboard::FindQuorvisim(), "--stop");
    stop.waitExit(10000);
    sim.waitExit(10000);
    return 0;
}
