#pragma once
// The Setups page's rules, free of windows: the latency list, the master
// board arrows and the bit fields of the MTC word.
#include <cstdint>
#include <string>

namespace panel {

inline constexpr int kLatencyChoices = 4;

struct LatencyChoice {
    int index;      // entry to select, and what the record will hold
    bool enabled;   // whether the user may choose
    bool changed;   // the stored value was replaced: the page is modified
};

// Drivers of Windows 9x and older boards run at the first latency only. A
// stored value the list has no entry for becomes the first entry.
LatencyChoice ChooseLatency(int stored, bool windowsNT, bool oldBoardPresent);

// The master board after a press of the arrows: a proposed change of zero
// or less (the up arrow) is the next board, a positive one the previous.
int StepMaster(int master, int delta, int boardCount);
// "QUORVI #1" for board 0.
std::string MasterText(const std::string& boardName, int master);

// One choice of the MTC Device Setup dialog: the bits it owns and the value
// it puts there.
struct MtcChoice {
    std::uint16_t mask;
    std::uint16_t value;
};

namespace mtc {
inline constexpr MtcChoice kFreeRunning{0x0003, 1};
inline constexpr MtcChoice kSynchroniser{0x0003, 2};
inline constexpr MtcChoice kNone{0x0003, 0};
inline constexpr MtcChoice k441{0x000C, 4};
inline constexpr MtcChoice k48{0x000C, 8};
inline constexpr MtcChoice kNormal{0x3000, 0};
inline constexpr MtcChoice kPullUp{0x3000, 0x1000};
inline constexpr MtcChoice kPullDown{0x3000, 0x2000};
inline constexpr MtcChoice kDropFrame{0x4000, 0x4000};
inline constexpr MtcChoice kNonDrop{0x4000, 0};
inline constexpr std::uint16_t kTimebaseMask = 0x0F00;
inline constexpr int kTimebases = 4;
}  // namespace mtc

// The word as the dialog opens it: a word without a tape frequency gets 48 kHz.
std::uint16_t MtcOnOpen(std::uint16_t word);
inline bool MtcHolds(std::uint16_t word, MtcChoice c) { return (word & c.mask) == c.value; }
inline std::uint16_t MtcApply(std::uint16_t word, MtcChoice c) {
    return static_cast<std::uint16_t>((word & ~c.mask) | c.value);
}
inline int MtcTimebase(std::uint16_t word) { return (word & mtc::kTimebaseMask) >> 8; }
std::uint16_t MtcWithTimebase(std::uint16_t word, int index);

}  // namespace panel
