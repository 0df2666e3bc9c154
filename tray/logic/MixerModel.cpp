#include "MixerModel.h"
#include <algorithm>

namespace tray {

namespace {

constexpr int kGroup = quorvi::kGroupChannels;

// Rows of a strip by client y.
bool MuteRow(int y) { return y < 14; }
bool SoloRow(int y) { return y >= 14 && y < 26; }
bool PanRow(int y) { return y > 33 && y < 45; }
bool FaderRow(int y) { return y > 47 && y < 126; }
bool LabelRow(int y) { return y > 127; }

int ColumnAtX(int x) { return x / kColumnWidth; }

// The other channel of a stereo pair: 0 with 1, 2 with 3, ... 32 with 33.
int Partner(int channel) { return channel % 2 ? channel - 1 : channel + 1; }

}  // namespace

int PanFromX(int x, int column) {
    const int left = column * kColumnWidth + kPanTrackLeft;
    return std::clamp(x - left, 0, kPanTrackRight - kPanTrackLeft - 1);
}

int PanLineX(int pan, int column) { return column * kColumnWidth + kPanTrackLeft + quorvi::ClampPan(pan); }

int LevelFromY(int y) {
    int t = y - 4;
    if (t > 117) t = 118;
    if (t <= kFaderTrackTop) t = kFaderTrackTop;
    return 118 - t;
}

int KnobTop(int level) { return 119 - quorvi::ClampLevel(level); }

BoardMix::BoardMix(quorvi::SettingsRecord& record, int board)
    : panel_(record.boards[quorvi::ClampBoard(board)]), device_(record.device.boards[quorvi::ClampBoard(board)]) {}

std::int32_t& BoardMix::Mute(int channel) const {
    if (channel < kGroup) return panel_.muteA[channel];
    if (channel < kSoloChannels) return panel_.muteB[channel - kGroup];
    return panel_.masterMute[channel - kSoloChannels];
}

std::int32_t& BoardMix::Solo(int channel) const {
    std::int32_t* group = channel < kGroup ? panel_.soloA : panel_.soloB;
    return group[channel % kGroup];
}

std::int32_t& BoardMix::PanRef(int channel) const {
    std::int32_t* group = channel < kGroup ? panel_.panA : panel_.panB;
    return group[channel % kGroup];
}

std::int32_t& BoardMix::LevelRef(int channel) const {
    if (channel < kGroup) return device_.levelA[channel];
    if (channel < kSoloChannels) return device_.levelB[channel - kGroup];
    return panel_.masterLevel[channel - kSoloChannels];
}

MixerChange MixerModel::LeftDown(BoardMix mix, const ColumnLayout& layout, int x, int y, bool shiftOrCtrl,
                                 bool userLabels) {
    MixerChange change;
    const int channel = layout.ChannelAtX(x);
    if (channel < 0) return change;
    const bool stereo = channel < kSoloChannels;
    if (MuteRow(y)) {
        mix.SetMuted(channel, !mix.Muted(channel));
        change.mutes.set(channel);
        change.sendMix = true;
    } else if (SoloRow(y) && stereo) {
        Solo(mix, channel, shiftOrCtrl, change);
        change.sendMix = true;
    } else if (PanRow(y) && stereo) {
        panChannel_ = channel;
        panColumn_ = ColumnAtX(x);
        MovePan(mix, x, change);
    } else if (FaderRow(y)) {
        faders_.assign(1, channel);
        MoveFaders(mix, y, change);
    } else if (LabelRow(y) && userLabels) {
        change.editLabel = channel;
    }
    return change;
}

// A plain click leaves at most the clicked channel soloed; Shift or Ctrl
// adds to the solos already on.
void MixerModel::Solo(BoardMix mix, int channel, bool add, MixerChange& change) const {
    bool anyBefore = false;
    for (int c = 0; c < kSoloChannels; ++c) anyBefore |= mix.Soloed(c);
    mix.SetSoloed(channel, !mix.Soloed(channel));
    change.solos.set(channel);
    if (add || !anyBefore) return;
    for (int c = 0; c < kSoloChannels; ++c) {
        if (c == channel || !mix.Soloed(c)) continue;
        mix.SetSoloed(c, false);
        change.solos.set(c);
    }
}

MixerChange MixerModel::RightDown(BoardMix mix, const ColumnLayout& layout, int x, int y) {
    MixerChange change;
    if (PanDragging()) {
        // A right click while panning snaps the pan to the centre.
        mix.SetPan(panChannel_, kPanCentre);
        change.pans.set(panChannel_);
        change.sendMix = true;
        panChannel_ = -1;
        return change;
    }
    const int channel = layout.ChannelAtX(x);
    if (MuteRow(y)) {
        for (int c = 0; c < kChannels; ++c) mix.SetMuted(c, false);
        change.mutes.set();
        change.sendMix = true;
    } else if (SoloRow(y) && channel >= 0 && channel < kSoloChannels) {
        for (int c = 0; c < kSoloChannels; ++c) {
            mix.SetSoloed(c, false);
            change.solos.set(c);
        }
        change.sendMix = true;
    } else if (FaderRow(y) && channel >= 0) {
        Gang(channel);
        MoveFaders(mix, y, change);
    }
    return change;
}

// The first right click on a fader gangs it with its stereo partner; more
// right clicks while the button is held add single faders.
void MixerModel::Gang(int channel) {
    const bool first = !rightDrag_ || faders_.empty();
    AddFader(channel);
    if (first) AddFader(Partner(channel));
    rightDrag_ = true;
}

void MixerModel::AddFader(int channel) {
    if (std::find(faders_.begin(), faders_.end(), channel) == faders_.end()) faders_.push_back(channel);
}

MixerChange MixerModel::Move(BoardMix mix, int x, int y) {
    MixerChange change;
    if (!faders_.empty()) {
        if (y < 25 || y > 145)
            faders_.clear();
        else
            MoveFaders(mix, y, change);
    }
    if (PanDragging()) {
        if (y < 30 || y > 65)
            panChannel_ = -1;
        else
            MovePan(mix, x, change);
    }
    return change;
}

void MixerModel::MoveFaders(BoardMix mix, int y, MixerChange& change) const {
    for (int channel : faders_) {
        mix.SetLevel(channel, LevelFromY(y));
        change.faders.set(channel);
    }
    change.sendMix = true;
}

void MixerModel::MovePan(BoardMix mix, int x, MixerChange& change) const {
    mix.SetPan(panChannel_, PanFromX(x, panColumn_));
    change.pans.set(panChannel_);
    change.sendMix = true;
}

void MixerModel::LeftUp() { EndDrags(); }

void MixerModel::RightUp() {
    if (!rightDrag_) return;
    faders_.clear();
    rightDrag_ = false;
}

void MixerModel::EndDrags() {
    faders_.clear();
    panChannel_ = -1;
}

}  // namespace tray
