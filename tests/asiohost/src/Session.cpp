#include "asiohost/Session.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

#include "asiohost/Loopback.h"

namespace asiohost {

namespace {

constexpr long kInternalClock = 3;

std::string ChannelName(Driver& d, long channel, bool input) {
    ASIOChannelInfo info{};
    info.channel = channel;
    info.isInput = input ? ASIOTrue : ASIOFalse;
    return d.getChannelInfo(&info) == ASE_OK ? std::string(info.name, strnlen(info.name, sizeof info.name)) : "?";
}

double Seconds(const LARGE_INTEGER& a, const LARGE_INTEGER& b, double frequency) {
    return static_cast<double>(b.QuadPart - a.QuadPart) / frequency;
}

double ThreadCpuSeconds(HANDLE thread) {
    FILETIME created, ended, kernel, user;
    if (!GetThreadTimes(thread, &created, &ended, &kernel, &user)) return 0;
    auto seconds = [](const FILETIME& f) {
        return (static_cast<double>(f.dwHighDateTime) * 4294967296.0 + f.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

// What the streaming thread notes at each switch; filled without allocating.
struct Timeline {
    std::vector<LARGE_INTEGER> times;
    std::vector<std::uint64_t> positions;
    std::size_t used = 0;
    LONGLONG hostTicks = 0;
    HANDLE thread = nullptr;
    double cpuAtFirst = 0;
};

// How late each switch came after the block boundary it answers, in
// blocks. A switch hands over the newest half, so it is less than a block
// late; the boundaries lie on a grid of the block period whose phase is
// where no switch falls: just after the widest gap between the switches'
// phases.
std::vector<double> Lateness(const Timeline& t, double ticks, double period) {
    std::vector<double> phases;
    for (std::size_t i = 0; i < t.used; ++i) {
        const double blocks = Seconds(t.times[0], t.times[i], ticks) / period;
        phases.push_back(blocks - std::floor(blocks));
    }
    if (phases.empty()) return phases;
    std::vector<double> sorted = phases;
    std::sort(sorted.begin(), sorted.end());
    double widest = sorted.front() + 1 - sorted.back(), boundary = sorted.front();
    for (std::size_t i = 1; i < sorted.size(); ++i)
        if (sorted[i] - sorted[i - 1] > widest) {
            widest = sorted[i] - sorted[i - 1];
            boundary = sorted[i];
        }
    for (double& p : phases) p = p - boundary < 0 ? p - boundary + 1 : p - boundary;
    return phases;
}

}  // namespace

double Percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5)];
}

SessionResult RunLoopbackSession(Driver& d, Host& host, long bufferSize, double rate, double seconds) {
    SessionResult r;
    r.bufferSize = bufferSize;
    r.rate = rate;
    auto fail = [&](const std::string& why) {
        r.failure = why + ": " + d.errorMessage();
        return r;
    };
    if (d.getChannels(&r.inputs, &r.outputs) != ASE_OK) return fail("getChannels");
    for (long i = 0; i < r.inputs; ++i) r.inputNames.push_back(ChannelName(d, i, true));
    for (long o = 0; o < r.outputs; ++o) r.outputNames.push_back(ChannelName(d, o, false));
    if (d.setClockSource(kInternalClock) != ASE_OK || d.setSampleRate(rate) != ASE_OK) return fail("internal clock");

    std::vector<ASIOBufferInfo> infos;
    for (long i = 0; i < r.inputs; ++i) infos.push_back({ASIOTrue, i, {}});
    for (long o = 0; o < r.outputs; ++o) infos.push_back({ASIOFalse, o, {}});
    if (d.createBuffers(infos.data(), static_cast<long>(infos.size()), bufferSize, host.callbacks()) != ASE_OK)
        return fail("createBuffers");
    d.getLatencies(&r.inputLatency, &r.outputLatency);

    Loopback loop(infos, bufferSize);
    for (long o = 0; o < r.outputs; ++o)
        for (long i = 0; i < r.inputs; ++i)
            if (r.outputNames[o].rfind(r.inputNames[i] + ",", 0) == 0) {
                loop.pair(i, o);
                if (r.tracedOutput.empty()) {
                    r.tracedOutput = r.outputNames[o];
                    r.tracedInput = r.inputNames[i];
                    loop.trace(o, i, static_cast<std::size_t>(bufferSize) * 24);
                }
            }

    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    const double ticks = static_cast<double>(frequency.QuadPart);
    const std::size_t capacity = static_cast<std::size_t>(seconds * rate / bufferSize * 1.5) + 64;
    Timeline t;
    t.times.resize(capacity);
    t.positions.resize(capacity);
    int made = 0;
    host.onSwitch = [&](long half, const ASIOTime*) {
        LARGE_INTEGER entered;
        QueryPerformanceCounter(&entered);
        // The first two are start's, on this thread.
        if (++made > 2 && t.used < capacity) {
            if (!t.thread) {
                DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &t.thread, 0, FALSE,
                                DUPLICATE_SAME_ACCESS);
                t.cpuAtFirst = ThreadCpuSeconds(t.thread);
            }
            ASIOSamples position{};
            ASIOTimeStamp stamp{};
            d.getSamplePosition(&position, &stamp);
            t.times[t.used] = entered;
            t.positions[t.used] = (std::uint64_t{position.hi} << 32) | position.lo;
            ++t.used;
        }
        loop.process(half);
        LARGE_INTEGER left;
        QueryPerformanceCounter(&left);
        if (made > 2) t.hostTicks += left.QuadPart - entered.QuadPart;
    };
    if (d.start() != ASE_OK) {
        d.disposeBuffers();
        host.onSwitch = nullptr;
        return fail("start");
    }
    Sleep(static_cast<DWORD>(seconds * 1000));
    const double cpuAtEnd = t.thread ? ThreadCpuSeconds(t.thread) : 0;
    d.stop();
    d.disposeBuffers();
    host.onSwitch = nullptr;

    const double period = static_cast<double>(bufferSize) / rate;
    r.switches = static_cast<long long>(t.used);
    for (std::size_t i = 1; i < t.used; ++i) {
        r.intervals.push_back(Seconds(t.times[i - 1], t.times[i], ticks) / period);
        const auto step = static_cast<long long>(t.positions[i] - t.positions[i - 1]) / bufferSize;
        if (step != 1) ++r.positionSteps;
        if (step > 1) r.missedByPosition += step - 1;
    }
    r.lateness = Lateness(t, ticks, period);
    if (t.used > 1) {
        // Whole blocks between the first switch and the last, however late
        // each was, against the switches made.
        const double span = Seconds(t.times[0], t.times[t.used - 1], ticks) / period - r.lateness.back() +
                            r.lateness.front();
        r.missedByTime = static_cast<long long>(std::floor(span + 0.5)) - static_cast<long long>(t.used - 1);
    }
    if (t.used > 1) {
        r.cpuPerSwitchUs = (cpuAtEnd - t.cpuAtFirst) / static_cast<double>(t.used - 1) * 1e6;
        r.hostPerSwitchUs = static_cast<double>(t.hostTicks) / ticks / static_cast<double>(t.used) * 1e6;
    }
    if (t.thread) CloseHandle(t.thread);

    for (const auto& [delay, count] : loop.delays()) r.delays.emplace_back(delay, count);
    r.patterned = loop.patterned();
    r.misrouted = loop.misrouted();
    r.sent = loop.sentTrace();
    r.received = loop.receivedTrace();
    r.ok = true;
    return r;
}

bool WriteTracePicture(const std::string& path, const SessionResult& r, long latency, int width, int height) {
    if (r.sent.empty() || width <= 0 || height <= 8) return false;
    std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * height * 3, 255);
    auto plot = [&](int x, int y, unsigned char red, unsigned char green, unsigned char blue) {
        if (x < 0 || x >= width || y < 0 || y >= height) return;
        unsigned char* p = &pixels[(static_cast<std::size_t>(y) * width + x) * 3];
        p[0] = red;
        p[1] = green;
        p[2] = blue;
    };
    // A tone computed from each sample's stream index: where the received
    // trace lines up with the sent one, every sample came back exactly
    // `latency` samples later. Block boundaries are ticked on the middle line.
    constexpr double kPeriod = 96.0;
    const int band = height / 2;
    auto level = [&](std::int64_t index, int top) {
        const double phase = 6.283185307179586 * static_cast<double>(index) / kPeriod;
        return top + band / 2 - static_cast<int>(std::sin(phase) * (band / 2 - 6));
    };
    auto line = [&](int x, int from, int to, unsigned char red, unsigned char blue) {
        for (int y = std::min(from, to); y <= std::max(from, to); ++y) plot(x, y, red, 0, blue);
    };
    const std::size_t start = static_cast<std::size_t>(r.bufferSize) * 2;
    for (int x = 0; x < width; ++x) {
        plot(x, band, 160, 160, 160);
        if ((start + static_cast<std::size_t>(x)) % static_cast<std::size_t>(r.bufferSize) == 0)
            for (int y = band - 4; y <= band + 4; ++y) plot(x, y, 60, 60, 60);
    }
    int lastSent = -1, lastReceived = -1;
    for (int x = 0; x < width; ++x) {
        const std::size_t n = start + static_cast<std::size_t>(x);
        const int sent = n < r.sent.size() ? level(r.sent[n], 0) : -1;
        const std::size_t m = n + static_cast<std::size_t>(latency);
        const int received = m < r.received.size() && r.received[m] >= 0 ? level(r.received[m], band) : -1;
        if (sent >= 0) line(x, lastSent >= 0 ? lastSent : sent, sent, 0, 200);
        if (received >= 0) line(x, lastReceived >= 0 ? lastReceived : received, received, 200, 0);
        lastSent = sent;
        lastReceived = received;
    }
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    std::fprintf(f, "P6\n%d %d\n255\n", width, height);
    const bool written = std::fwrite(pixels.data(), 1, pixels.size(), f) == pixels.size();
    return std::fclose(f) == 0 && written;
}

}  // namespace asiohost

namespace asiohost {

namespace {

// The delay most samples came back with.
std::pair<std::uint32_t, long long> UsualDelay(const SessionResult& r) {
    std::pair<std::uint32_t, long long> usual{0, 0};
    for (const auto& d : r.delays)
        if (d.second > usual.second) usual = d;
    return usual;
}

}  // namespace

bool LatencyAsReported(const SessionResult& r) {
    return r.ok && r.patterned > 0 && r.misrouted == 0 &&
           static_cast<long>(UsualDelay(r).first) == r.inputLatency + r.outputLatency;
}

std::vector<std::string> DescribeSession(const SessionResult& r) {
    std::vector<std::string> lines;
    char line[256];
    auto add = [&](const char* format, auto... values) {
        std::snprintf(line, sizeof line, format, values...);
        lines.emplace_back(line);
    };
    if (!r.ok) {
        lines.push_back("run failed: " + r.failure);
        return lines;
    }
    const double blockMs = 1000.0 * static_cast<double>(r.bufferSize) / r.rate;
    add("%ld inputs, %ld outputs, buffer %ld samples (%.3f ms) at %.0f Hz, %lld switches", r.inputs, r.outputs,
        r.bufferSize, blockMs, r.rate, r.switches);
    add("latency reported: input %ld + output %ld = %ld samples", r.inputLatency, r.outputLatency,
        r.inputLatency + r.outputLatency);
    const auto usual = UsualDelay(r);
    add("loop-back measured: %lu samples for %.3f%% of the looped samples, %s%s", static_cast<unsigned long>(usual.first),
        r.patterned ? 100.0 * static_cast<double>(usual.second) / static_cast<double>(r.patterned) : 0.0,
        LatencyAsReported(r) ? "as reported" : "NOT as reported", r.misrouted ? ", some on the wrong input" : "");
    // A block whose switch came too late is played again from what the
    // host wrote two blocks before: the audible glitch of a late host.
    std::string others;
    for (const auto& [delay, count] : r.delays) {
        if (delay == usual.first) continue;
        std::snprintf(line, sizeof line, " %lu samples x %lld", static_cast<unsigned long>(delay), count);
        others += line;
    }
    if (!others.empty()) lines.push_back("  and, where a switch came too late, stale halves:" + others);
    std::vector<double> deviation;
    for (double interval : r.intervals) deviation.push_back(interval > 1 ? interval - 1 : 1 - interval);
    add("switch interval off the block period: p50 %.1f%%, p99 %.1f%%, max %.1f%%", 100 * Percentile(deviation, 0.5),
        100 * Percentile(deviation, 0.99), 100 * Percentile(deviation, 1));
    add("switch lateness after its block boundary: p50 %.1f%%, p99 %.1f%%, max %.1f%% of a block", 100 * Percentile(r.lateness, 0.5),
        100 * Percentile(r.lateness, 0.99), 100 * Percentile(r.lateness, 1));
    add("blocks missed: %lld by time, %lld by the sample position (%lld steps other than one block)", r.missedByTime,
        r.missedByPosition, r.positionSteps);
    add("processor time per switch: %.1f us (host loop-back work %.1f us of it)", r.cpuPerSwitchUs, r.hostPerSwitchUs);
    return lines;
}

}  // namespace asiohost
