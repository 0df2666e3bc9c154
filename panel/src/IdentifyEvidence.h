#pragma once
// Whether an optical input receives its own output while the board runs its
// identification program. The output flashes, so a looped input never shows
// its status bit at two polls running; an open or foreign input does.
#include "quorvi/DriverRequests.h"
#include <cstdint>

namespace panel {

class InputEvidence {
public:
    // Polls without a pair of set bits before an input counts as connected.
    static constexpr int kConnectedAfter = 36;

    void Poll(bool bitSet) {
        if (!bitSet) {
            seen_ = false;
            if (count_ < kConnectedAfter) ++count_;
        } else if (seen_) {
            count_ = 0;
        } else {
            seen_ = true;
        }
    }
    bool Connected() const { return count_ >= kConnectedAfter; }

private:
    int count_ = 0;
    bool seen_ = false;
};

// Both inputs of a board, from its FPGA status byte.
class IdentifyEvidence {
public:
    void Poll(std::uint32_t status) {
        a_.Poll((status & quorvi::kFpgaSignalA) != 0);
        b_.Poll((status & quorvi::kFpgaSignalB) != 0);
    }
    const InputEvidence& a() const { return a_; }
    const InputEvidence& b() const { return b_; }

private:
    InputEvidence a_, b_;
};

}  // namespace panel
