#pragma once
// A timed loop-back run through a driver on every channel it offers: what
// a host sees of the stream's timing and of the audio that comes back.
#include <cstdint>
#include <string>
#include <vector>

#include "asiohost/Driver.h"
#include "asiohost/Host.h"

namespace asiohost {

struct SessionResult {
    bool ok = false;
    std::string failure;  // why the run could not be made
    long inputs = 0, outputs = 0;
    std::vector<std::string> inputNames, outputNames;
    long bufferSize = 0;
    double rate = 0;
    long inputLatency = 0, outputLatency = 0;

    long long switches = 0;          // made by the streaming thread
    std::vector<double> intervals;   // between them, in block periods
    std::vector<double> lateness;    // after the block boundary answered, in block periods
    long long positionSteps = 0;     // steps of the sample position other than one block
    long long missedByPosition = 0;  // blocks those steps passed over
    long long missedByTime = 0;      // boundaries passed without a switch
    double cpuPerSwitchUs = 0;       // the streaming thread's processor time
    double hostPerSwitchUs = 0;      // of which the host's loop-back work

    std::vector<std::pair<std::uint32_t, long long>> delays;  // samples late, how many
    long long patterned = 0, misrouted = 0;
    // One output and the input it loops to: stream index of each sample
    // sent, source index of each received (-1: no pattern).
    std::string tracedOutput, tracedInput;
    std::vector<std::int64_t> sent, received;
};

// Runs `seconds` of loop-back at `bufferSize` through an initialised driver
// on the internal clock at `rate` (44100 or 48000).
SessionResult RunLoopbackSession(Driver& driver, Host& host, long bufferSize, double rate, double seconds);

// p in 0..1 of the values, sorted by the call.
double Percentile(std::vector<double> values, double p);

// The two traces one above the other, the received one shifted by
// `latency` samples, as a binary PPM picture of width x height.
bool WriteTracePicture(const std::string& path, const SessionResult& r, long latency, int width, int height);

}  // namespace asiohost

namespace asiohost {

// Report lines: latencies reported and measured, switch timing, missed
// blocks and processor time.
std::vector<std::string> DescribeSession(const SessionResult& r);
// Whether every looped sample came back on its own input exactly the
// reported input plus output latency later.
bool LatencyAsReported(const SessionResult& r);

}  // namespace asiohost
