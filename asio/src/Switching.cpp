#include "Switching.h"

#include <cmath>

namespace quorviasio {

std::optional<HalfTracker::Handover> HalfTracker::wake(std::uint32_t status, const std::uint32_t stamps[2],
                                                       std::uint32_t now) {
    const int half = HalfNamed(status);
    if (half == previous_) return std::nullopt;
    // Distances back from now, so the timer's wrap does not matter. The
    // first boundary after a start has no earlier stamp of its own to go by.
    const bool fresh = first_ || now - stamps[half] <= now - stamps[previous_];
    if (fresh) {
        counter_ += std::uint64_t{block_} * (measured_ ? blocksTo(stamps[half]) : 1);
        lastStamp_ = stamps[half];
    }
    measured_ = fresh;
    first_ = false;
    previous_ = half;
    return Handover{half, counter_, stamps[half]};
}

std::uint32_t HalfTracker::blocksTo(std::uint32_t stamp) const {
    if (blockMs_ <= 0) return 1;
    const double blocks = static_cast<double>(stamp - lastStamp_) / blockMs_;
    const double pairs = std::floor((blocks - 1) / 2 + 0.5);
    return pairs < 1 ? 1 : 2 * static_cast<std::uint32_t>(pairs) + 1;
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
