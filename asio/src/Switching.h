#pragma once
// What a block-boundary wake means: which half goes to the host, whether it
// counts as a block, and the time record handed with it.
#include <cstdint>
#include <optional>

#include "asio/Asio.h"
#include "quorvi/DriverRequests.h"

namespace quorviasio {

// The half the status word names as the host's.
inline int HalfNamed(std::uint32_t status) { return (status & quorvi::kStatusHalf0) ? 0 : 1; }

// Follows the halves from a start on. Used by one thread at a time: the
// host's during start, the streaming thread afterwards.
class HalfTracker {
public:
    // Start hands both halves to the host, half 1 last; the board's first
    // boundary then names half 0. `rate` 0 when it is not known.
    void start(long blockSize, double rate) {
        block_ = static_cast<std::uint32_t>(blockSize);
        blockMs_ = rate > 0 ? static_cast<double>(blockSize) * 1000.0 / rate : 0;
        previous_ = 1;
        counter_ = 0;
        first_ = true;
        measured_ = false;
    }

    struct Handover {
        int half;
        std::uint64_t position;  // samples the stream has moved since the start
        std::uint32_t timeMs;    // the half's stamp
    };
    // A wake: the status word, the stamps of halves 0 and 1 and the
    // multimedia timer now. None when it names the half handed over last (a
    // wake merged with a later one, or left over from before the start).
    // A half whose stamp is older than the previous half's is handed over
    // but not counted: the board has not finished a new block. A wake that
    // came blocks late counts the blocks it missed too, so the position
    // stays with the stream.
    std::optional<Handover> wake(std::uint32_t status, const std::uint32_t stamps[2], std::uint32_t now);

    std::uint64_t counter() const { return counter_; }

private:
    // Blocks from the stamp counted last to `stamp`: an odd number, as the
    // halves alternate, which millisecond stamps tell apart even for the
    // shortest blocks.
    std::uint32_t blocksTo(std::uint32_t stamp) const;

    std::uint32_t block_ = 0;
    double blockMs_ = 0;
    int previous_ = 1;
    std::uint64_t counter_ = 0;
    bool first_ = true;
    bool measured_ = false;  // lastStamp_ is a block's end counted
    std::uint32_t lastStamp_ = 0;
};

// Nanoseconds of a multimedia-timer stamp, as the interface counts them.
ASIOTimeStamp NanosecondsOf(std::uint32_t ms);
ASIOSamples SamplesOf(std::uint64_t samples);

// The record handed with bufferSwitchTimeInfo: position, stamp and rate
// valid, the rate flagged when it moved since the last record, and the time
// code as the status word describes it.
void FillTimeRecord(ASIOTime& record, double rate, const HalfTracker::Handover& h, std::uint32_t timecode,
                    std::uint32_t status);

}  // namespace quorviasio
