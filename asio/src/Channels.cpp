#include "Channels.h"

#include <bitset>
#include <cstdio>

namespace quorviasio {

namespace {

char GroupLetter(long group) { return group == kGroupA ? 'A' : 'B'; }

}  // namespace

long CountReserved(const quorvi::ChannelMaskSet& masks, unsigned boards, bool input) {
    long count = 0;
    for (unsigned b = 0; b < boards && b < quorvi::kMaxBoards; ++b) {
        const std::uint32_t word = input ? masks.in[b] & quorvi::kAllInputChannels
                                         : masks.out[b] & quorvi::kAllOutputChannels;
        count += static_cast<long>(std::bitset<32>(word).count());
    }
    return count;
}

ChannelSet::ChannelSet(const quorvi::ChannelMaskSet& reserved, unsigned boards)
    : masks_(reserved),
      boards_(boards < quorvi::kMaxBoards ? boards : quorvi::kMaxBoards),
      inputs_(CountReserved(reserved, boards_, true)),
      outputs_(CountReserved(reserved, boards_, false)) {}

ChannelPlace ChannelSet::place(bool input, long channel) const {
    if (channel < 0 || channel >= count(input)) return {};
    const int n = static_cast<int>(channel);
    const int boards = static_cast<int>(boards_);
    if (input) return {QuorviInChannelBoard(n, masks_.in), QuorviInChannelIndex(n, masks_.in)};
    return {QuorviOutChannelBoard(n, boards, &masks_), QuorviOutChannelIndex(n, boards, &masks_)};
}

bool ChannelSet::describe(ASIOChannelInfo& info) const {
    const bool input = info.isInput != ASIOFalse;
    const ChannelPlace at = place(input, info.channel);
    if (at.board < 0 || at.bit < 0) return false;
    info.isActive = ASIOTrue;
    info.type = ASIOSTInt32LSB;
    const int board = at.board + 1;
    if (input) {
        info.channelGroup = at.bit / 8 + 1;
        std::snprintf(info.name, sizeof info.name, "S%d:%c%d", board, GroupLetter(info.channelGroup), at.bit % 8 + 1);
        return true;
    }
    info.channelGroup = (at.bit / 8 + 1) % 3;
    if (info.channelGroup == kGroupMonitor) {
        // Monitor outputs are named by their channel numbers, as a pair.
        std::snprintf(info.name, sizeof info.name, "S%d:Mon%ld,%ld", board, info.channel + 1, info.channel + 2);
        return true;
    }
    // Named as a pair with the next channel; past the last one that reads 8.
    const int next = QuorviOutChannelIndex(static_cast<int>(info.channel) + 1, static_cast<int>(boards_), &masks_);
    std::snprintf(info.name, sizeof info.name, "S%d:%c%d,%d", board, GroupLetter(info.channelGroup), at.bit % 8 + 1,
                  (next & 7) + 1);
    return true;
}

}  // namespace quorviasio
