#pragma once
// The bars of one meter window between ticks: what each column shows, its
// peak marker and the marker's hold counter. On every tick the window hands
// over the display values and gets back the rectangles to fill, in order,
// so it draws only what changed instead of invalidating the window.
//
// Rows of a column: value v lights the v rows from 125 - v up to 124; rows
// 125 and 126 light only in a clip, which fills the whole bar area, rows 6
// to 126. A peak marker at value p is the one row 125 - p, the top row of
// that value.
#include <cstdint>
#include <vector>
#include "MeterScale.h"
#include "StripLayout.h"

namespace tray {

inline constexpr int kBarTop = 6;
inline constexpr int kBarBottom = 127;  // one past the last row
inline constexpr int kBarBase = 125;    // the row above which values rise

// Colours as 0x00BBGGRR.
inline constexpr std::uint32_t kBarBackground = 0x606060;
inline constexpr std::uint32_t kBarGreen = 0x00D000;
inline constexpr std::uint32_t kBarYellow = 0x00D0D0;
inline constexpr std::uint32_t kBarClip = 0x0000FF;
inline constexpr std::uint32_t kPeakGreen = 0x00FF00;
inline constexpr std::uint32_t kPeakYellow = 0x00FFFF;
inline constexpr std::uint32_t kPeakClip = 0x0000FF;

// Rows [top, bottom) of the bar of a column, across the bar's width.
struct BarFill {
    int column;
    int top;
    int bottom;
    std::uint32_t colour;
};

class MeterBars {
public:
    MeterBars();

    // Threshold of the yellow zone; markers shown (modes 1 and 2) and held
    // for holdTicks (kHoldForever: never fall). Clears the peaks.
    void SetStyle(int threshold, bool markers, int holdTicks);
    void ClearPeaks();
    // The next tick paints every bar afresh (options changed, or the window
    // was painted over).
    void RepaintAll() { repaintAll_ = true; }

    // One tick: the fills that bring every shown column to the new values.
    // Columns whose channel the board lacks (value -1) keep only the scale.
    void Tick(const MeterValues& values, const ColumnLayout& layout, std::vector<BarFill>& fills);

    int Peak(int channel) const { return channels_[channel].peak; }

private:
    struct Channel {
        int drawn = 0;
        int peak = 0;
        int held = 0;
    };
    void Bar(int column, Channel& c, int n, std::vector<BarFill>& fills);
    void Marker(int column, Channel& c, int n, std::vector<BarFill>& fills) const;
    void Rise(int column, int from, int to, std::vector<BarFill>& fills) const;
    std::uint32_t MarkerColour(int p) const;

    Channel channels_[kChannels];
    int threshold_ = kClipValue;
    bool markers_ = true;
    int hold_ = 0;
    bool repaintAll_ = true;
    bool clipSeen_ = false;
};

}  // namespace tray
