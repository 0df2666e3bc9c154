#pragma once
// Columns of the meter and mixer windows. Both show, side by side in 30-pixel
// columns, the 16 inputs, the 16 outputs and the master pair, each group only
// when the user shows it. Channels are numbered as the mixer numbers its
// faders: 0-15 inputs, 16-31 outputs, 32-33 master left and right.
#include "quorvi/SettingsRecord.h"

namespace tray {

inline constexpr int kChannels = quorvi::kLabels;  // 34
inline constexpr int kFirstOutput = 16;
inline constexpr int kFirstMaster = 32;
inline constexpr int kColumnWidth = 30;

struct ShownGroups {
    bool inputs = true;
    bool outputs = true;
    bool master = true;
};

ShownGroups MeterGroups(const quorvi::BoardPanelBlock& panel);
ShownGroups FaderGroups(const quorvi::BoardPanelBlock& panel);

// The window maps a click to a channel and a channel to the column it draws
// in; the label array uses the same order.
class ColumnLayout {
public:
    explicit ColumnLayout(ShownGroups shown);

    ShownGroups Shown() const { return shown_; }
    int Columns() const { return columns_; }
    // First column of the outputs and of the master pair.
    int OutputBase() const { return outputBase_; }
    int MasterBase() const { return masterBase_; }

    // -1 for a column without a channel.
    int ChannelAt(int column) const;
    int ChannelAtX(int x) const { return x < 0 ? -1 : ChannelAt(x / kColumnWidth); }
    // -1 for a channel whose group is hidden.
    int ColumnOf(int channel) const;

private:
    ShownGroups shown_;
    int outputBase_, masterBase_, columns_;
};

// Size of a meter or mixer window, its frame included (the 4 pixels of
// width beside the columns are the frame's); nothing shown leaves the
// window at the system's minimum size.
struct StripWindowSize {
    bool minimum;
    int width, height;
};
StripWindowSize WindowSizeFor(ShownGroups shown);

// Where a window opens from its stored position. The upper limits keep its
// caption reachable on the maximised screen; the lower ones keep a position
// from a damaged file from putting it far off the desktop.
struct ScreenArea {
    int left, top;                          // of the desktop
    int maximisedWidth, maximisedHeight;
};
struct WindowPlace {
    int left, top;
};
WindowPlace PlaceWindow(int storedLeft, int storedTop, const ScreenArea& screen);

}  // namespace tray
