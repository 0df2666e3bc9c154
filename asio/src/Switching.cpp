#include "Switching.h"

#include "quorvi/DriverRequests.h"

namespace quorviasio {

std::optional<HalfTracker::Handover> HalfTracker::wake(std::uint32_t status, const std::uint32_t stamps[2],
                                                       std::uint32_t now) {
    const int half = HalfNamed(status);
    if (half == previous_) return std::nullopt;
    // Distances back from now, so the timer's wrap does not matter. The
    // first boundary after a start has no earlier stamp of its own to go by.
    if (first_ || now - stamps[half] <= now - stamps[previous_]) counter_ += block_;
    first_ = false;
    previous_ = half;
    return Handover{half, counter_, stamps[half]};
}

ASIOTimeStamp NanosecondsOf(std::uint32_t ms) { return SamplesOf(static_cast<std::uint64_t>(ms) * 1000000u); }

ASIOSamples SamplesOf(std::uint64_t samples) {
    return {static_cast<unsigned long>(samples >> 32), static_cast<unsigned long>(samples & 0xFFFFFFFFu)};
}

void FillTimeRecord(ASIOTime& record, double rate, const HalfTracker::Handover& h, std::uint32_t timecode,
                    std::uint32_t status) {
    AsioTimeInfo& info = record.timeInfo;
    info.flags = kSystemTimeValid | kSamplePositionValid | kSampleRateValid;
    if (info.sampleRate != rate) info.flags |= kSampleRateChanged;
    info.sampleRate = rate;
    info.samplePosition = SamplesOf(h.position);
    info.systemTime = NanosecondsOf(h.timeMs);
    record.timeCode.timeCodeSamples = SamplesOf(timecode);
    const unsigned long speed = (status & quorvi::kStatusTimecodeRunning) ? kTcOnspeed : 0ul;
    const unsigned long motion = (status & quorvi::kStatusTimecodeStill) ? kTcStill : kTcValid | kTcRunning;
    record.timeCode.flags = speed | motion;
}

}  // namespace quorviasio
