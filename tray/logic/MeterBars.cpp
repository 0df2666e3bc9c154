#include "MeterBars.h"
#include <algorithm>

namespace tray {

MeterBars::MeterBars() = default;

void MeterBars::SetStyle(int threshold, bool markers, int holdTicks) {
    threshold_ = threshold;
    markers_ = markers;
    hold_ = holdTicks;
    ClearPeaks();
}

void MeterBars::ClearPeaks() {
    for (Channel& c : channels_) c.peak = c.held = 0;
    repaintAll_ = true;
}

void MeterBars::Tick(const MeterValues& values, const ColumnLayout& layout, std::vector<BarFill>& fills) {
    fills.clear();
    clipSeen_ = false;
    for (int column = 0; column < layout.Columns(); ++column) {
        const int channel = layout.ChannelAt(column);
        const int n = std::min(values[channel], kClipValue);
        if (n < 0) continue;
        Channel& c = channels_[channel];
        Bar(column, c, n, fills);
        if (markers_) Marker(column, c, n, fills);
        c.drawn = n;
    }
    // A clip shows red for one tick; the next one redraws every bar.
    repaintAll_ = clipSeen_;
}

void MeterBars::Bar(int column, Channel& c, int n, std::vector<BarFill>& fills) {
    int o = c.drawn;
    // A clipped bar is red to its base, so it is redrawn whole.
    if (repaintAll_ || o == kClipValue) {
        fills.push_back({column, kBarTop, kBarBottom, kBarBackground});
        o = 0;
    }
    if (n == kClipValue) {
        fills.push_back({column, kBarTop, kBarBottom, kBarClip});
        clipSeen_ = true;
    } else if (n < o) {
        fills.push_back({column, kBarBase - o, kBarBase - n, kBarBackground});
    } else if (n > o) {
        Rise(column, o, n, fills);
    }
}

// Values o + 1 to n, green up to the threshold and yellow above it.
void MeterBars::Rise(int column, int o, int n, std::vector<BarFill>& fills) const {
    if (o < threshold_) fills.push_back({column, kBarBase - std::min(n, threshold_), kBarBase - o, kBarGreen});
    if (n > threshold_) fills.push_back({column, kBarBase - n, kBarBase - std::max(o, threshold_), kBarYellow});
}

// The marker follows a rising signal at once, is held while the signal
// stays below it, then falls one unit per tick until it meets the signal
// again (never below 1). It is drawn every tick, as the bar may have
// covered it.
void MeterBars::Marker(int column, Channel& c, int n, std::vector<BarFill>& fills) const {
    if (n >= c.peak) {
        // A marker that sat on the bar's top is now inside the bar.
        if (c.peak >= 1 && c.peak < n && n < kClipValue)
            fills.push_back({column, kBarBase - c.peak, kBarBase - c.peak + 1,
                             c.peak > threshold_ ? kBarYellow : kBarGreen});
        c.peak = n;
        c.held = 0;
    } else if (hold_ != kHoldForever) {
        if (c.held < hold_) ++c.held;
        if (c.held >= hold_ && c.peak > 1) {
            fills.push_back({column, kBarBase - c.peak, kBarBase - c.peak + 1, kBarBackground});
            --c.peak;
            if (c.peak == n) c.held = 0;
        }
    }
    if (c.peak >= 1) fills.push_back({column, kBarBase - c.peak, kBarBase - c.peak + 1, MarkerColour(c.peak)});
}

std::uint32_t MeterBars::MarkerColour(int p) const {
    if (p >= kClipValue) return kPeakClip;
    return p > threshold_ ? kPeakYellow : kPeakGreen;
}

}  // namespace tray
