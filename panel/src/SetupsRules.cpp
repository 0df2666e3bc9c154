#include "SetupsRules.h"
#include <algorithm>

namespace panel {

LatencyChoice ChooseLatency(int stored, bool windowsNT, bool oldBoardPresent) {
    if (!windowsNT) return {0, false, false};
    LatencyChoice choice{stored, true, false};
    if (stored < 0 || stored >= kLatencyChoices) choice = {0, true, true};
    if (oldBoardPresent) {
        if (choice.index != 0) choice = {0, false, true};
        choice.enabled = false;
    }
    return choice;
}

int StepMaster(int master, int delta, int boardCount) {
    if (boardCount <= 1) return 0;
    const int next = delta <= 0 ? master + 1 : master - 1;
    return std::clamp(next, 0, boardCount - 1);
}

std::string MasterText(const std::string& boardName, int master) {
    return boardName + " #" + std::to_string(master + 1);
}

std::uint16_t MtcOnOpen(std::uint16_t word) {
    return (word & (mtc::k441.mask)) == 0 ? MtcApply(word, mtc::k48) : word;
}

std::uint16_t MtcWithTimebase(std::uint16_t word, int index) {
    return static_cast<std::uint16_t>((word & ~mtc::kTimebaseMask) | ((index & 0xF) << 8));
}

}  // namespace panel
