#pragma once
// The latency coefficients the ASIO driver adds to its block size when it
// tells hosts how late their audio is: they describe the boards' path, so the
// installer writes the ones of the boards it finds.
#include <windows.h>

namespace setup {

enum class BoardsFound { None, Hardware, Virtual };

struct LatencyCoefficients {
    DWORD inBlocks, inSamples, outBlocks, outSamples;
};

// Asks the board driver, by the name it has on this Windows, whether board
// 0 is there and who serves it.
BoardsFound FindBoards(bool windowsNT);

LatencyCoefficients CoefficientsFor(BoardsFound boards);

}  // namespace setup
