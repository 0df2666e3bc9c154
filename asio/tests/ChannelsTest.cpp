// Channel counts, places and names over the core's channel mappers.
#include <gtest/gtest.h>

#include <string>

#include "Channels.h"

using namespace quorviasio;

namespace {

quorvi::ChannelMaskSet AllReserved() {
    quorvi::ChannelMaskSet m{};
    for (int b = 0; b < 4; ++b) {
        m.in[b] = 0xFFFF;
        m.out[b] = 0x3FFFF;
    }
    return m;
}

struct Described {
    bool ok;
    std::string name;
    long group;
};

Described Describe(const ChannelSet& set, bool input, long channel) {
    ASIOChannelInfo info{};
    info.channel = channel;
    info.isInput = input ? ASIOTrue : ASIOFalse;
    const bool ok = set.describe(info);
    if (ok) {
        EXPECT_EQ(info.type, ASIOSTInt32LSB);
        EXPECT_EQ(info.isActive, ASIOTrue);
    }
    return {ok, info.name, info.channelGroup};
}

TEST(Channels, OneBoardOffersMonitorsFirstAndNamesChannelsAsPairs) {
    const ChannelSet set(AllReserved(), 1);
    EXPECT_EQ(set.inputs(), 16);
    EXPECT_EQ(set.outputs(), 18);

    const Described mon1 = Describe(set, false, 0), mon2 = Describe(set, false, 1);
    EXPECT_EQ(mon1.name, "S1:Mon1,2");
    EXPECT_EQ(mon2.name, "S1:Mon2,3");
    EXPECT_EQ(mon1.group, kGroupMonitor);
    const Described a1 = Describe(set, false, 2);
    EXPECT_EQ(a1.name, "S1:A1,2");
    EXPECT_EQ(a1.group, kGroupA);
    // A8's partner is the next channel, B1; the last one has none.
    EXPECT_EQ(Describe(set, false, 9).name, "S1:A8,1");
    EXPECT_EQ(Describe(set, false, 17).name, "S1:B8,8");
    EXPECT_EQ(Describe(set, false, 17).group, kGroupB);

    const Described b1 = Describe(set, true, 8);
    EXPECT_EQ(b1.name, "S1:B1");
    EXPECT_EQ(b1.group, kGroupB);
    EXPECT_EQ(Describe(set, true, 0).name, "S1:A1");
}

TEST(Channels, OnlyBoardsPresentCount) {
    // All four boards' words are set, two boards answer.
    const ChannelSet set(AllReserved(), 2);
    EXPECT_EQ(set.inputs(), 32);
    EXPECT_EQ(set.outputs(), 36);
    EXPECT_EQ(Describe(set, false, 2).name, "S2:Mon3,4");
    EXPECT_EQ(Describe(set, false, 4).name, "S1:A1,2");
    EXPECT_EQ(Describe(set, false, 20).name, "S2:A1,2");
    EXPECT_EQ(Describe(set, false, 35).name, "S2:B8,8");
    EXPECT_EQ(Describe(set, true, 16).name, "S2:A1");
    EXPECT_FALSE(Describe(set, true, 32).ok);
    EXPECT_FALSE(Describe(set, false, 36).ok);
    EXPECT_FALSE(Describe(set, false, -1).ok);
}

TEST(Channels, SparseReservationKeepsBoardOrderAndIgnoresBitsBeyondTheChannels) {
    quorvi::ChannelMaskSet m{};
    m.in[0] = 0x0003 | 0x10000;  // a bit past the 16 inputs
    m.in[2] = 0x0001;
    m.out[1] = 0x20080;  // board 2: A8 and its second monitor output
    const ChannelSet set(m, 3);
    EXPECT_EQ(set.inputs(), 3);
    EXPECT_EQ(set.outputs(), 2);
    EXPECT_EQ(set.place(true, 2).board, 2);
    EXPECT_EQ(set.place(true, 2).bit, 0);
    EXPECT_EQ(Describe(set, false, 0).name, "S2:Mon1,2");
    EXPECT_EQ(Describe(set, false, 1).name, "S2:A8,8");
    EXPECT_EQ(set.place(false, 2).board, -1);
}

}  // namespace
