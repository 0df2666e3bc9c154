#pragma once
// Meter peaks per board entry, kept between the host's reads: each read
// gives the peak since the previous read of that entry.
#include <cstdint>
#include <vector>

#include "ElementPlan.h"
#include "quorvi/DriverRequests.h"

namespace quorvix {

// The status block (QUORVI_GET_STATUS) as words; the meter words follow the
// counter and status words, in board entry order.
inline constexpr int kStatusWords = quorvi::kStatusBlockWords;
using quorvi::kStatusMeterWord;
static_assert(kStatusMeterWord + kBoardEntries <= kStatusWords);

// Full scale of a meter word: a 24-bit magnitude.
inline constexpr double kMeterFullScale = 8388607.0;

class MeterBank {
public:
    explicit MeterBank(int boards);

    // True when the entry's last peak was read already, so the boards must
    // be polled before the next read.
    bool NeedsPoll(int board, int entry) const;
    // A board's status block: each entry's peak grows to its meter word.
    void Absorb(int board, const std::uint32_t (&status)[kStatusWords]);
    // A poll that failed at `board`: that board and the ones after it were
    // not read, so their entries poll again at their next read instead of
    // passing off what they hold as new.
    void PollFailed(int board);
    // The peak since the previous read (1.0 = full scale), which starts a
    // new one.
    float Take(int board, int entry);

private:
    struct Meter {
        std::uint32_t peak = 0;
        bool read = true;
    };
    std::vector<std::vector<Meter>> boards_;
};

}  // namespace quorvix
