#pragma once
// Flat channel numbers to board and bit, counting the set bits of a channel
// mask set in a fixed order.
#include <cstdint>

namespace quorvi {

struct ChannelPosition {
    int board = -1;
    int bit = -1;
};

// Inputs: bits 0-15 of board 0, then of board 1, and so on to board 3.
ChannelPosition FindInput(int n, const std::uint32_t* inMasks);
// Outputs: bits 16-17 of every board first, then bits 0-15 of every board.
// A board count above four is read as four. Without masks nothing is found.
ChannelPosition FindOutput(int n, int boards, const std::uint32_t* outMasks);

}  // namespace quorvi
