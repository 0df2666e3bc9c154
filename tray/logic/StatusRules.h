#pragma once
// Which status bits of a board count as errors, and what the status page
// shows of them. The monitor turns the error-mask word of the record into
// masks and latches the boards' status words; each status page, on its
// timer, hands the latched words to its StatusPageView and sets the lamps
// and the verdict it is told to. A page's check box toggles LampMaskBit of
// its lamp in the error-mask word.
#include <cstdint>

namespace tray {

inline constexpr std::uint32_t kFatalBit = 0x80000000;  // word 0; never masked

struct StatusMasks {
    std::uint32_t mask0;
    std::uint32_t mask1;
    bool subcode[8];  // which S/PDIF subcodes (word 1 bits 4-6) count
};

StatusMasks MasksFor(std::uint32_t errorMaskWord);

// A counted error: what turns the tray icon red. A fatal error is judged on
// its own and is not part of this test.
bool CountsAsError(std::uint32_t word0, std::uint32_t word1, const StatusMasks& masks);

// The page's 13 lamps, top to bottom: loss of real time, power-on test,
// slow clock, no clock, no sync, input A, input B, then the subcodes
// validity, low confidence, CRC, parity, biphase and no lock.
inline constexpr int kLamps = 13;

// The error-mask word bit that the lamp's check box edits.
std::uint32_t LampMaskBit(int lamp);

// Lamps lit by the latched words, bit i for lamp i. Format 3 has no sync
// indication, so its lamp stays dark there.
std::uint32_t LitLamps(std::uint32_t word0, std::uint32_t word1, int format);

enum class Verdict { SystemOk, SystemErrors, MaskedErrors };

// Nothing latched: OK; a counted or fatal error: errors; else the latched
// bits are all masked.
Verdict VerdictFor(std::uint32_t word0, std::uint32_t word1, const StatusMasks& masks);

// What one page last showed, so a tick touches only what changed. Each page
// keeps its own: pages of boards in different states must not hide each
// other's changes.
class StatusPageView {
public:
    struct Update {
        std::uint32_t changedLamps;  // lamps to set, bit i for lamp i
        std::uint32_t litLamps;      // their new state
        bool verdictChanged;
        Verdict verdict;
    };

    // The page was painted or refreshed: show every lamp and the verdict afresh.
    void Invalidate() { known_ = false; }

    Update Tick(std::uint32_t word0, std::uint32_t word1, int format, const StatusMasks& masks);

private:
    bool known_ = false;
    std::uint32_t lit_ = 0;
    Verdict verdict_ = Verdict::SystemOk;
};

}  // namespace tray
