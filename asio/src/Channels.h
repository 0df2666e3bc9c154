#pragma once
// The channels offered to hosts: the reserved bits of the boards present,
// numbered by the core's channel mappers (inputs board by board; outputs
// the monitor pairs of every board first, then the optical outputs), with
// the names and groups hosts show.
#include <cstdint>

#include "asio/Asio.h"
#include "quorvi/DriverRequests.h"
#include "quorvi/QuorviCore.h"

namespace quorviasio {

// Channel groups, as the clock-source list refers to them.
enum ChannelGroup : long { kGroupMonitor = 0, kGroupA = 1, kGroupB = 2 };

struct ChannelPlace {
    int board = -1;  // 0-3, or -1 when the channel does not exist
    int bit = -1;    // 0-15 (inputs), 0-17 (outputs)
};

class ChannelSet {
public:
    ChannelSet() = default;
    ChannelSet(const quorvi::ChannelMaskSet& reserved, unsigned boards);

    const quorvi::ChannelMaskSet& masks() const { return masks_; }
    unsigned boards() const { return boards_; }
    long inputs() const { return inputs_; }
    long outputs() const { return outputs_; }
    long count(bool input) const { return input ? inputs_ : outputs_; }

    ChannelPlace place(bool input, long channel) const;
    // Fills everything but the channel number and direction the host gave;
    // false for a channel that is not offered.
    bool describe(ASIOChannelInfo& info) const;

private:
    quorvi::ChannelMaskSet masks_{};
    unsigned boards_ = 0;
    long inputs_ = 0;
    long outputs_ = 0;
};

// Bits 0-15 of the input words and 0-17 of the output words of the boards
// present, set in `masks`.
long CountReserved(const quorvi::ChannelMaskSet& masks, unsigned boards, bool input);

}  // namespace quorviasio
