#pragma once
// From the board's levels to the meter window's display units, and the meter
// options as the window reads them from the record. The window loads the
// options on its first paint and on refresh, takes the scale for the range
// and reference level, and on every tick turns the status block into one
// display value per channel.
#include <array>
#include <climits>
#include <cstdint>
#include "StripLayout.h"
#include "quorvi/SettingsRecord.h"

namespace tray {

// Display units run from 0 to 119; 119 is full scale, drawn as a clip.
inline constexpr int kClipValue = 119;

enum PeakMode : int { Instantaneous = 0, PeakHold = 1, InfiniteHold = 2 };

struct MeterScale {
    double offset;
    double factor;
    int threshold;  // bars are yellow above this value, green up to it
    int bitmapId;   // the scale picture blitted into every column
};

// Range 0-3 (30, 60, 96, 144 dB) and reference level 0-2 (0, -14, -24 dB);
// values from a damaged record are read as the nearest valid one.
MeterScale ScaleFor(int range, int referenceLevel);

// Display value of a level word (an unsigned magnitude, full scale 2^23).
int MeterValue(std::uint32_t level, const MeterScale& scale);

// Channels the board delivers levels for in its current format; formats
// without their own counts keep the previous ones.
struct ChannelCounts {
    int outputs = 16;
    int inputs = 16;
};
ChannelCounts CountsForFormat(int format, ChannelCounts previous);

// The board's status block as QUORVI_GET_STATUS returns it: levels in words
// 10 to 43, the outputs first, then the inputs, then master left and right.
inline constexpr int kStatusWords = 44;
using StatusBlock = std::array<std::uint32_t, kStatusWords>;

// Display value per channel (0-15 inputs, 16-31 outputs, 32-33 master);
// -1 for a channel the board does not have in its format.
using MeterValues = std::array<int, kChannels>;
void ComputeValues(const StatusBlock& block, ChannelCounts counts, const MeterScale& scale,
                   MeterValues& values);

// The meter options of one board, each within its valid values.
struct MeterOptions {
    ShownGroups shown;
    bool onTop;
    int mode;       // PeakMode
    int range;
    int reference;
    int labelMode;  // LabelMode
    int decayRate;  // 0-100
};

// Reads the options and stores Peak Hold as the record's display mode: the
// window keeps the mode it read, but only a mode picked from its menu is
// saved.
MeterOptions LoadMeterOptions(quorvi::BoardPanelBlock& panel);

// Ticks a peak marker is held before it falls. Infinite Hold never lets it
// fall only when the user picks it from the menu; a window that opens in
// Infinite Hold holds for the decay rate, as in Peak Hold.
inline constexpr int kHoldForever = INT_MAX;
int HoldTicks(int mode, int decayRate, bool pickedFromMenu);

}  // namespace tray
