#pragma once
// The mixer window's rules: where its controls lie, what a mouse action does
// to the board's mix in the record, and what must be redrawn. The window
// passes every button press, move and release with the client point; it
// redraws the controls named in the returned change and, when told to,
// sends the mix (unless an update is in progress).
#include <bitset>
#include <cstdint>
#include <vector>
#include "StripLayout.h"
#include "quorvi/SettingsRecord.h"

namespace tray {

inline constexpr int kPanCentre = 11;
inline constexpr int kSoloChannels = 32;  // the master pair has no solo and no pan

// Strip geometry, x relative to the column's left edge.
inline constexpr int kPanTrackLeft = 4;
inline constexpr int kPanTrackRight = 26;  // one past the last pan position
inline constexpr int kFaderTrackTop = 51;

// Pan position of a click at client x in a column, 0 (left) to 21 (right).
int PanFromX(int x, int column);
// Client x of the pan line of a stored pan index.
int PanLineX(int pan, int column);
// Level stored for a knob dragged to client y: 67 at the top of the track,
// 0 below it.
int LevelFromY(int y);
// Top of the knob drawn for a stored level.
int KnobTop(int level);

// One board's mix in the settings record, by channel (0-15 inputs, 16-31
// outputs, 32-33 master). Pan and level are read as the displays read them,
// so a damaged record never places a control off its track.
class BoardMix {
public:
    BoardMix(quorvi::SettingsRecord& record, int board);

    bool Muted(int channel) const { return Mute(channel) != 0; }
    bool Soloed(int channel) const { return channel < kSoloChannels && Solo(channel) != 0; }
    int Pan(int channel) const { return channel < kSoloChannels ? quorvi::ClampPan(PanRef(channel)) : 0; }
    int Level(int channel) const { return quorvi::ClampLevel(LevelRef(channel)); }

    void SetMuted(int channel, bool on) { Mute(channel) = on; }
    void SetSoloed(int channel, bool on) { Solo(channel) = on; }
    void SetPan(int channel, int pan) { PanRef(channel) = quorvi::ClampPan(pan); }
    void SetLevel(int channel, int level) { LevelRef(channel) = quorvi::ClampLevel(level); }

private:
    std::int32_t& Mute(int channel) const;
    std::int32_t& Solo(int channel) const;
    std::int32_t& PanRef(int channel) const;
    std::int32_t& LevelRef(int channel) const;

    quorvi::BoardPanelBlock& panel_;
    quorvi::BoardDeviceBlock& device_;
};

// What a mouse action changed.
struct MixerChange {
    bool sendMix = false;
    std::bitset<kChannels> mutes, solos, pans, faders;  // controls to redraw
    int editLabel = -1;  // channel whose user label the window asks for
};

class MixerModel {
public:
    // shiftOrCtrl: the click adds a solo instead of replacing the others.
    // userLabels: the window shows user-defined labels, which a click edits.
    MixerChange LeftDown(BoardMix mix, const ColumnLayout& layout, int x, int y, bool shiftOrCtrl,
                         bool userLabels);
    MixerChange RightDown(BoardMix mix, const ColumnLayout& layout, int x, int y);
    MixerChange Move(BoardMix mix, int x, int y);
    void LeftUp();
    void RightUp();
    // The mouse left the client area.
    void EndDrags();

    bool PanDragging() const { return panChannel_ >= 0; }
    int FaderDragCount() const { return static_cast<int>(faders_.size()); }

private:
    void Solo(BoardMix mix, int channel, bool add, MixerChange& change) const;
    void Gang(int channel);
    void AddFader(int channel);
    void MoveFaders(BoardMix mix, int y, MixerChange& change) const;
    void MovePan(BoardMix mix, int x, MixerChange& change) const;

    std::vector<int> faders_;  // channels moved together
    bool rightDrag_ = false;
    int panChannel_ = -1;
    int panColumn_ = -1;
};

}  // namespace tray
