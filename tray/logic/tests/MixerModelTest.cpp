#include "MixerModel.h"
#include <gtest/gtest.h>
#include <memory>

using namespace tray;

namespace {

constexpr int kMuteY = 8, kSoloY = 20, kPanY = 40, kFaderY = 80, kLabelY = 150;
constexpr int X(int column, int offset = 15) { return column * kColumnWidth + offset; }

struct Mixer : ::testing::Test {
    std::unique_ptr<quorvi::SettingsRecord> record = std::make_unique<quorvi::SettingsRecord>();
    BoardMix mix{*record, 1};
    ColumnLayout all{{true, true, true}};
    MixerModel model;
};

}  // namespace

TEST_F(Mixer, PlainSoloClickLeavesOneSoloAndShiftOrCtrlAdds) {
    model.LeftDown(mix, all, X(1), kSoloY, false, false);
    MixerChange c = model.LeftDown(mix, all, X(20), kSoloY, false, false);
    EXPECT_TRUE(mix.Soloed(20));
    EXPECT_FALSE(mix.Soloed(1));
    EXPECT_TRUE(c.solos[1] && c.solos[20]);   // the cleared button is redrawn too
    EXPECT_TRUE(c.sendMix);

    model.LeftDown(mix, all, X(3), kSoloY, true, false);
    EXPECT_TRUE(mix.Soloed(3) && mix.Soloed(20));
    // A plain click turning a solo off clears them all.
    model.LeftDown(mix, all, X(3), kSoloY, false, false);
    EXPECT_FALSE(mix.Soloed(3) || mix.Soloed(20));
    EXPECT_EQ(record->boards[1].soloB[4], 0);
}

TEST_F(Mixer, FadersStoreTheTrackPositionAndDragUntilTheyLeaveTheStrip) {
    model.LeftDown(mix, all, X(2), 50, false, false);
    EXPECT_EQ(mix.Level(2), 67);                 // the top of the track
    EXPECT_EQ(KnobTop(mix.Level(2)), kFaderTrackTop + 1);
    model.Move(mix, X(9), 125);
    EXPECT_EQ(mix.Level(2), 0);                  // below the track
    model.Move(mix, X(9), 100);
    EXPECT_EQ(mix.Level(2), 22);
    EXPECT_EQ(record->device.boards[1].levelA[2], 22);
    EXPECT_FALSE(model.Move(mix, X(2), 146).sendMix);   // off the strip ends the drag
    EXPECT_FALSE(model.Move(mix, X(2), 90).sendMix);

    // Master levels live in the panel block.
    model.LeftDown(mix, all, X(33), 100, false, false);
    EXPECT_EQ(record->boards[1].masterLevel[1], 22);
    model.LeftUp();
    EXPECT_EQ(model.FaderDragCount(), 0);
}

TEST_F(Mixer, RightClickOnAnOddFaderGangsItWithTheChannelBefore) {
    MixerChange c = model.RightDown(mix, all, X(21), kFaderY);
    EXPECT_TRUE(c.faders[21] && c.faders[20]);
    EXPECT_EQ(mix.Level(20), mix.Level(21));
    model.Move(mix, X(0), 110);
    EXPECT_EQ(mix.Level(20), 12);
    EXPECT_EQ(mix.Level(21), 12);
    EXPECT_EQ(mix.Level(22), 0);
    model.RightUp();
    EXPECT_FALSE(model.Move(mix, X(0), 90).sendMix);
}

TEST_F(Mixer, RightClicksClearTheMuteAndSoloRows) {
    for (int x : {X(0), X(17), X(32), X(33)}) model.LeftDown(mix, all, x, kMuteY, false, false);
    model.LeftDown(mix, all, X(5), kSoloY, true, false);
    model.LeftDown(mix, all, X(6), kSoloY, true, false);
    EXPECT_TRUE(mix.Muted(33));
    MixerChange c = model.RightDown(mix, all, X(10), kMuteY);
    EXPECT_TRUE(c.sendMix);
    EXPECT_EQ(c.mutes.count(), 34u);
    for (int ch = 0; ch < kChannels; ++ch) EXPECT_FALSE(mix.Muted(ch)) << ch;
    EXPECT_EQ(record->boards[1].masterMute[1], 0);

    // On a master column the solo row is not there.
    EXPECT_FALSE(model.RightDown(mix, all, X(32), kSoloY).sendMix);
    model.RightDown(mix, all, X(4), kSoloY);
    EXPECT_FALSE(mix.Soloed(5) || mix.Soloed(6));
}

TEST_F(Mixer, MasterColumnsHaveNoSoloOrPan) {
    for (int y : {kSoloY, kPanY}) {
        const MixerChange c = model.LeftDown(mix, all, X(32), y, false, false);
        EXPECT_FALSE(c.sendMix);
        EXPECT_FALSE(model.PanDragging());
    }
    EXPECT_TRUE(model.LeftDown(mix, all, X(32), kMuteY, false, false).mutes[32]);
}

TEST_F(Mixer, PanFollowsTheMouseWithinTheTrackAndRightClickCentres) {
    model.LeftDown(mix, all, X(3, 0), kPanY, false, false);
    EXPECT_EQ(mix.Pan(3), 0);
    model.Move(mix, X(3, 29), 50);
    EXPECT_EQ(mix.Pan(3), 21);
    model.Move(mix, X(3, 14), 50);
    EXPECT_EQ(mix.Pan(3), 10);
    EXPECT_EQ(PanLineX(mix.Pan(3), 3), X(3, 14));
    const MixerChange c = model.RightDown(mix, all, X(8), kMuteY);   // ends the drag only
    EXPECT_EQ(mix.Pan(3), kPanCentre);
    EXPECT_TRUE(c.pans[3]);
    EXPECT_EQ(c.mutes.count(), 0u);
    EXPECT_FALSE(model.PanDragging());
}

TEST_F(Mixer, DamagedValuesStayOnTheirTracksAndLabelClicksName) {
    record->boards[1].panA[0] = 1000;
    record->boards[1].panB[0] = -7;
    record->device.boards[1].levelA[0] = 99999;
    record->boards[1].masterLevel[0] = -1;
    EXPECT_EQ(PanLineX(mix.Pan(0), 0), kPanTrackRight - 1);
    EXPECT_EQ(PanLineX(mix.Pan(16), 0), kPanTrackLeft);
    EXPECT_EQ(KnobTop(mix.Level(0)), kFaderTrackTop);
    EXPECT_EQ(KnobTop(mix.Level(32)), 119);

    const ColumnLayout outputsFirst({false, true, true});
    EXPECT_EQ(model.LeftDown(mix, outputsFirst, X(0), kLabelY, false, true).editLabel, 16);
    EXPECT_EQ(model.LeftDown(mix, outputsFirst, X(0), kLabelY, false, false).editLabel, -1);
    EXPECT_FALSE(model.LeftDown(mix, outputsFirst, X(18), kMuteY, false, false).sendMix);
}
