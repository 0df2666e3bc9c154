#include "ChannelLabels.h"
#include <gtest/gtest.h>
#include <cstring>
#include <memory>
#include <numeric>

using namespace tray;

namespace {

struct Routing {
    std::uint8_t in[16], out[16];
    char user[quorvi::kLabels][quorvi::kLabelSize] = {};
    Routing() {
        std::iota(in, in + 16, 0);
        std::iota(out, out + 16, 0);
    }
    LabelSource Source(int format) const { return {format, in, out, user}; }
};

constexpr ShownGroups kAll{true, true, true};

}  // namespace

TEST(ChannelLabels, PhysicalAndLogicalSetsFollowTheDisplayOrder) {
    Routing r;
    DisplayLabels labels = BuildLabels(PhysicalLabels, kAll, r.Source(0));
    EXPECT_EQ(labels[0], "Adat A|In 1");
    EXPECT_EQ(labels[8], "Adat B|In 1");
    EXPECT_EQ(labels[15], "Adat B|In 8");
    EXPECT_EQ(labels[16], "Adat A|Out 1");
    EXPECT_EQ(labels[32], "Mon|1");
    EXPECT_EQ(labels[33], "Mon|2");

    labels = BuildLabels(LogicalLabels, kAll, r.Source(0));
    EXPECT_EQ(labels[0], "In|1L");
    EXPECT_EQ(labels[1], "In|1R");
    EXPECT_EQ(labels[15], "In|8R");
    EXPECT_EQ(labels[16], "Out|1L");

    // With inputs hidden the outputs start at entry 0 and master follows them.
    labels = BuildLabels(LogicalLabels, {false, true, true}, r.Source(0));
    EXPECT_EQ(labels[0], "Out|1L");
    EXPECT_EQ(labels[16], "Mon|1");
    EXPECT_EQ(labels[18], "");
    labels = BuildLabels(PhysicalLabels, {false, true, false}, r.Source(0));
    EXPECT_EQ(labels[0], "Adat A|Out 1");
    EXPECT_EQ(labels[16], "");
}

TEST(ChannelLabels, PhysicalTextsPerFormat) {
    Routing r;
    DisplayLabels f1 = BuildLabels(PhysicalLabels, kAll, r.Source(1));
    EXPECT_EQ(f1[7], "Adat A|In 8");
    EXPECT_EQ(f1[8], "Spdif B|In 1");
    EXPECT_EQ(f1[16 + 8], "Spdif B|Out 1");
    EXPECT_EQ(f1[16 + 9], "Spdif B|Out 2");
    EXPECT_EQ(f1[16 + 10], "unused");

    // Format 3 turns to interface B at the fourth channel, not the third.
    DisplayLabels f3 = BuildLabels(PhysicalLabels, kAll, r.Source(3));
    EXPECT_EQ(f3[2], "Spdif A|In 3");
    EXPECT_EQ(f3[3], "Spdif B|In 4");
    EXPECT_EQ(f3[16 + 3], "Spdif B|Out 4");
    EXPECT_EQ(f3[4], "unused");

    DisplayLabels f4 = BuildLabels(PhysicalLabels, kAll, r.Source(4));
    EXPECT_EQ(f4[0], "Korg A|In 1");
    EXPECT_EQ(f4[9], "Spdif B|In 2");
    EXPECT_EQ(f4[16 + 8], "Korg B|Out 1");
    EXPECT_EQ(f4[16 + 15], "Korg B|Out 8");

    // Formats without physical texts label only the master pair.
    for (int format : {5, 6, 9, 200}) {
        DisplayLabels other = BuildLabels(PhysicalLabels, kAll, {format, nullptr, nullptr, r.user});
        EXPECT_EQ(other[0], "");
        EXPECT_EQ(other[16], "");
        EXPECT_EQ(other[32], "Mon|1");
    }
}

TEST(ChannelLabels, RoutingPlacesTextsAndDamagedBytesPlaceNone) {
    Routing r;
    std::swap(r.in[0], r.in[5]);      // physical input 0 feeds column 5
    r.out[3] = 16;                    // damaged: no such position
    r.out[4] = 255;
    DisplayLabels labels = BuildLabels(PhysicalLabels, kAll, r.Source(0));
    EXPECT_EQ(labels[5], "Adat A|In 1");
    EXPECT_EQ(labels[0], "Adat A|In 6");
    EXPECT_EQ(labels[16 + 3], "");    // nothing routed there
    EXPECT_EQ(labels[16 + 4], "");
    EXPECT_EQ(labels[32], "Mon|1");   // not overwritten by output 3 or 4

    // Inputs hidden: the output tables place into entries 0-15 only.
    std::swap(r.out[0], r.out[15]);
    labels = BuildLabels(PhysicalLabels, {false, true, true}, r.Source(0));
    EXPECT_EQ(labels[15], "Adat A|Out 1");
    EXPECT_EQ(labels[16], "Mon|1");
}

TEST(ChannelLabels, UserLabelsAreReadAndStoredWithinTheirFields) {
    Routing r;
    std::memset(r.user[0], 'x', quorvi::kLabelSize);   // no terminator in the field
    std::strcpy(r.user[1], "Kick|In");
    std::strcpy(r.user[16], "Main L");
    std::strcpy(r.user[33], "Mon R");
    DisplayLabels labels = BuildLabels(UserLabels, {true, false, true}, r.Source(0));
    EXPECT_EQ(labels[0], std::string(quorvi::kLabelSize, 'x'));
    EXPECT_EQ(labels[1], "Kick|In");
    EXPECT_EQ(labels[17], "Mon R");     // master follows the inputs; outputs hidden

    char field[quorvi::kLabelSize];
    std::memset(field, 'z', sizeof field);
    StoreUserLabel(field, "abcdefghijklmnopqrstuvwxyz");
    EXPECT_STREQ(field, "abcdefghijklmnopqrstuv");  // the dialog's 22 characters
    EXPECT_EQ(field[23], '\0');
    StoreUserLabel(field, "Vox");
    EXPECT_STREQ(field, "Vox");
    EXPECT_EQ(field[4], '\0');  // no stale bytes follow into the file
}

TEST(ChannelLabels, EachWindowReadsItsOwnSetFromTheRecord) {
    auto record = std::make_unique<quorvi::SettingsRecord>();
    quorvi::BoardPanelBlock& panel = record->boards[2];
    std::strcpy(panel.meterLabels[16], "meter");
    std::strcpy(panel.faderLabels[16], "fader");
    panel.showOutputFaders = 1;
    const ShownGroups faders = FaderGroups(panel);
    EXPECT_EQ(BuildLabels(UserLabels, faders, FaderLabelSource(*record, 2))[0], "fader");
    EXPECT_EQ(BuildLabels(UserLabels, faders, MeterLabelSource(*record, 2))[0], "meter");

    record->device.boards[2].format = 0;
    record->device.boards[2].inRoute[0][0] = 3;
    EXPECT_EQ(BuildLabels(PhysicalLabels, kAll, MeterLabelSource(*record, 2))[3], "Adat A|In 1");
    record->device.boards[2].format = 250;   // a damaged file: no tables to read
    EXPECT_EQ(BuildLabels(PhysicalLabels, kAll, MeterLabelSource(*record, 2))[3], "");
}

TEST(ChannelLabels, ColumnsMapToChannelsAndWindowsKeepOnScreen) {
    ColumnLayout outputsOnly({false, true, true});
    EXPECT_EQ(outputsOnly.ChannelAtX(5), 16);     // first column edits output 1
    EXPECT_EQ(outputsOnly.ChannelAtX(16 * 30), 32);
    EXPECT_EQ(outputsOnly.ChannelAtX(18 * 30), -1);
    EXPECT_EQ(outputsOnly.ColumnOf(3), -1);
    EXPECT_EQ(outputsOnly.ColumnOf(33), 17);
    ColumnLayout inputsOnly({true, false, false});
    EXPECT_EQ(inputsOnly.ChannelAtX(481), -1);    // the window's right margin

    EXPECT_EQ(WindowSizeFor({true, true, true}).width, 4 + 480 + 480 + 60);
    EXPECT_EQ(WindowSizeFor({false, false, true}).width, 64);
    EXPECT_TRUE(WindowSizeFor({false, false, false}).minimum);

    const ScreenArea screen{0, 0, 1024, 740};
    EXPECT_EQ(PlaceWindow(5000, 5000, screen).left, 924);
    EXPECT_EQ(PlaceWindow(5000, 5000, screen).top, 540);
    EXPECT_EQ(PlaceWindow(-100000, 40, screen).left, 0);
    EXPECT_EQ(PlaceWindow(-100000, 40, {-1280, 0, 1024, 740}).left, -1280);
}
