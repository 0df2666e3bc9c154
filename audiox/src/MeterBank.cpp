#include "MeterBank.h"

#include <algorithm>

namespace quorvix {

MeterBank::MeterBank(int boards)
    : boards_(std::max(boards, 0), std::vector<Meter>(kBoardEntries)) {}

bool MeterBank::NeedsPoll(int board, int entry) const { return boards_.at(board).at(entry).read; }

void MeterBank::Absorb(int board, const std::uint32_t (&status)[kStatusWords]) {
    std::vector<Meter>& meters = boards_.at(board);
    for (int e = 0; e < kBoardEntries; ++e) {
        meters[e].peak = std::max(meters[e].peak, status[kStatusMeterWord + e]);
        meters[e].read = false;
    }
}

void MeterBank::PollFailed(int board) {
    for (int b = std::max(board, 0); b < static_cast<int>(boards_.size()); ++b) {
        for (Meter& m : boards_[b]) m.read = true;
    }
}

float MeterBank::Take(int board, int entry) {
    Meter& m = boards_.at(board).at(entry);
    // A clipping input reads one above full scale, and a word with bits past
    // the 24-bit magnitude is no louder than that: hosts are promised 0..1.
    float value = static_cast<float>(std::min(m.peak / kMeterFullScale, 1.0));
    m.peak = 0;
    m.read = true;
    return value;
}

}  // namespace quorvix
