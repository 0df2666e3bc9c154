#include "ChannelMap.h"

#include "quorvi/QuorviCore.h"

namespace quorvi {

namespace {

// Walks bits first..last of boards 0..boards-1; counts down n at each set
// bit and returns the position where it runs out.
bool Walk(int& n, int boards, const std::uint32_t* masks, int first, int last,
          ChannelPosition& found) {
    for (int board = 0; board < boards; ++board) {
        for (int bit = first; bit <= last; ++bit) {
            if ((masks[board] >> bit & 1) == 0) continue;
            if (n-- == 0) {
                found = {board, bit};
                return true;
            }
        }
    }
    return false;
}

}  // namespace

ChannelPosition FindInput(int n, const std::uint32_t* inMasks) {
    ChannelPosition found;
    if (n >= 0 && inMasks) Walk(n, kRecordBoards, inMasks, 0, 15, found);
    return found;
}

ChannelPosition FindOutput(int n, int boards, const std::uint32_t* outMasks) {
    ChannelPosition found;
    if (boards > kRecordBoards) boards = kRecordBoards;
    if (n >= 0 && outMasks && !Walk(n, boards, outMasks, 16, 17, found)) Walk(n, boards, outMasks, 0, 15, found);
    return found;
}

}  // namespace quorvi

using namespace quorvi;

extern "C" int WINAPI QuorviInChannelIndex(int n, const std::uint32_t* inMasks) {
    return FindInput(n, inMasks).bit;
}

extern "C" int WINAPI QuorviInChannelBoard(int n, const std::uint32_t* inMasks) {
    return FindInput(n, inMasks).board;
}

extern "C" int WINAPI QuorviOutChannelIndex(int n, int boards, const ChannelMaskSet* masks) {
    return FindOutput(n, boards, masks ? masks->out : nullptr).bit;
}

extern "C" int WINAPI QuorviOutChannelBoard(int n, int boards, const ChannelMaskSet* masks) {
    return FindOutput(n, boards, masks ? masks->out : nullptr).board;
}
