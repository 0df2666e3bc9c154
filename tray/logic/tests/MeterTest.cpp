#include "MeterBars.h"
#include "MeterScale.h"
#include "MeterTray.h"
#include <gtest/gtest.h>
#include <cmath>
#include <random>
#include <set>

using namespace tray;

namespace {

constexpr std::uint32_t kFull = 1u << 23;

// One column's rows as the window's fills leave them.
struct Column {
    std::uint32_t rows[kBarBottom];
    Column() { std::fill(std::begin(rows), std::end(rows), kBarBackground); }
    void Apply(const std::vector<BarFill>& fills, int column) {
        for (const BarFill& f : fills) {
            if (f.column != column) continue;
            ASSERT_LE(kBarTop, f.top);
            ASSERT_LE(f.top, f.bottom);
            ASSERT_LE(f.bottom, kBarBottom);
            for (int y = f.top; y < f.bottom; ++y) rows[y] = f.colour;
        }
    }
};

// What a full repaint of value n with a marker at p shows.
Column Expected(int n, int p, int threshold) {
    Column c;
    if (n == kClipValue) {
        for (int y = kBarTop; y < kBarBottom; ++y) c.rows[y] = kBarClip;
    } else {
        for (int v = 1; v <= n; ++v) c.rows[kBarBase - v] = v > threshold ? kBarYellow : kBarGreen;
    }
    if (p >= 1)
        c.rows[kBarBase - p] = p == kClipValue ? kPeakClip : p > threshold ? kPeakYellow : kPeakGreen;
    return c;
}

MeterValues Only(int channel, int value) {
    MeterValues v;
    v.fill(0);
    v[channel] = value;
    return v;
}

}  // namespace

TEST(MeterScale, FullScaleClipsInEveryRangeAndQuietLevelsShowNothing) {
    for (int range = 0; range < 4; ++range) {
        const MeterScale s = ScaleFor(range, 1);
        EXPECT_EQ(MeterValue(kFull, s), kClipValue) << range;
        EXPECT_EQ(MeterValue(0xFFFFFFFF, s), kClipValue) << range;
        EXPECT_EQ(MeterValue(0, s), 0);
        EXPECT_LT(MeterValue(kFull / 2, s), kClipValue) << range;
        int last = 0;  // never falls as the level rises
        for (double e = 0; e <= 23; e += 0.05) {
            const int v = MeterValue(static_cast<std::uint32_t>(std::pow(2.0, e)), s);
            EXPECT_GE(v, last);
            last = v;
        }
    }
    const MeterScale db30 = ScaleFor(0, 1);
    EXPECT_EQ(MeterValue(static_cast<std::uint32_t>(std::pow(2.0, 23 * 0.79)), db30), 0);
    EXPECT_GT(MeterValue(static_cast<std::uint32_t>(std::pow(2.0, 23 * 0.80)), db30), 0);
    // Damaged options are read as the nearest valid ones.
    EXPECT_EQ(ScaleFor(250, 7).bitmapId, 159);
    EXPECT_EQ(ScaleFor(-1, -1).bitmapId, 132);
}

TEST(MeterScale, LevelsComeFromTheBlockInTheFormatsOrder) {
    StatusBlock block{};
    for (int i = 0; i < kStatusWords; ++i) block[i] = 1u << (i % 24);
    const ChannelCounts f3 = CountsForFormat(3, {});
    MeterValues values;
    const MeterScale s = ScaleFor(3, 0);
    ComputeValues(block, f3, s, values);
    EXPECT_EQ(values[16], MeterValue(block[10], s));   // outputs first
    EXPECT_EQ(values[19], MeterValue(block[13], s));
    EXPECT_EQ(values[0], MeterValue(block[14], s));    // then inputs
    EXPECT_EQ(values[32], MeterValue(block[18], s));   // then master
    EXPECT_EQ(values[20], -1);
    EXPECT_EQ(values[4], -1);
    const ChannelCounts f4 = CountsForFormat(4, f3);
    EXPECT_EQ(f4.inputs, 10);
    EXPECT_EQ(CountsForFormat(6, f4).inputs, 10);       // keeps the previous counts
}

TEST(MeterBars, IncrementalDrawingMatchesAFullRepaint) {
    for (int reference = 0; reference < 3; ++reference) {
        const MeterScale s = ScaleFor(1, reference);
        MeterBars bars;
        bars.SetStyle(s.threshold, true, 4);
        const ColumnLayout layout({false, true, false});
        Column screen;
        std::mt19937 random(7 + reference);
        std::vector<BarFill> fills;
        for (int tick = 0; tick < 3000; ++tick) {
            int n = static_cast<int>(random() % 121);
            if (n == 120) n = kClipValue;
            else if (tick % 3) n = std::min<int>(n, 40 + tick % 50);
            bars.Tick(Only(16, n), layout, fills);
            screen.Apply(fills, 0);
            const Column want = Expected(n, bars.Peak(16), s.threshold);
            for (int y = 0; y < kBarBottom; ++y)
                ASSERT_EQ(want.rows[y], screen.rows[y]) << "tick " << tick << " value " << n << " row " << y << " peak " << bars.Peak(16);
        }
    }
}

TEST(MeterBars, ReferenceZeroHasNoYellowZone) {
    MeterBars bars;
    bars.SetStyle(ScaleFor(2, 0).threshold, true, 10);
    std::vector<BarFill> fills;
    bars.Tick(Only(0, 118), ColumnLayout({true, false, false}), fills);
    for (const BarFill& f : fills) EXPECT_NE(f.colour, kBarYellow);
}

TEST(MeterBars, MarkersHoldThenFallUnlessInfiniteHoldWasPicked) {
    const ColumnLayout layout({true, true, true});
    std::vector<BarFill> fills;
    MeterBars bars;
    bars.SetStyle(119, true, 3);
    bars.Tick(Only(0, 100), layout, fills);
    for (int t = 0; t < 2; ++t) {   // shown for three ticks with its peak
        bars.Tick(Only(0, 50), layout, fills);
        EXPECT_EQ(bars.Peak(0), 100) << t;
    }
    bars.Tick(Only(0, 50), layout, fills);
    EXPECT_EQ(bars.Peak(0), 99);
    for (int t = 0; t < 200; ++t) bars.Tick(Only(0, 50), layout, fills);
    EXPECT_EQ(bars.Peak(0), 50);    // stops at the signal
    for (int t = 0; t < 200; ++t) bars.Tick(Only(0, 0), layout, fills);
    EXPECT_EQ(bars.Peak(0), 1);     // and never below one unit

    // Picked from the menu: never falls. Loaded with the window: falls after
    // the decay rate, as in Peak Hold.
    EXPECT_EQ(HoldTicks(InfiniteHold, 20, true), kHoldForever);
    EXPECT_EQ(HoldTicks(InfiniteHold, 20, false), 20);
    EXPECT_EQ(HoldTicks(PeakHold, 250, true), 100);
    bars.SetStyle(119, true, HoldTicks(InfiniteHold, 20, true));
    bars.Tick(Only(0, 90), layout, fills);
    for (int t = 0; t < 5000; ++t) bars.Tick(Only(0, 10), layout, fills);
    EXPECT_EQ(bars.Peak(0), 90);
    bars.SetStyle(119, true, HoldTicks(InfiniteHold, 20, false));
    bars.Tick(Only(0, 90), layout, fills);
    for (int t = 0; t < 25; ++t) bars.Tick(Only(0, 10), layout, fills);
    EXPECT_LT(bars.Peak(0), 90);
}

TEST(MeterOptions, LoadingClampsAndStoresPeakHold) {
    quorvi::BoardPanelBlock panel{};
    panel.showInputMeters = 1;
    panel.meterDisplayMode = InfiniteHold;
    panel.meterRange = 9;
    panel.meterLabelMode = 77;
    panel.referenceLevel = -3;
    panel.decayRate = 1000;
    const MeterOptions o = LoadMeterOptions(panel);
    EXPECT_EQ(o.mode, InfiniteHold);             // the window keeps what it read
    EXPECT_EQ(panel.meterDisplayMode, PeakHold);  // saving now stores Peak Hold
    EXPECT_EQ(o.range, 3);
    EXPECT_EQ(o.labelMode, 2);
    EXPECT_EQ(o.reference, 0);
    EXPECT_EQ(o.decayRate, 100);
    EXPECT_TRUE(o.shown.inputs);
    EXPECT_FALSE(o.shown.outputs);
}

TEST(MeterTray, IconsSummariseFourChannelsEach) {
    const std::vector<TrayMeterIcon> icons = TrayMeterIcons({false, true, true}, "QUORVI #2 Audio Level Meters");
    ASSERT_EQ(icons.size(), 5u);
    EXPECT_EQ(icons[0].tip, "QUORVI #2 Audio Level Meters-Outputs 1 && 2 L/R");
    EXPECT_EQ(icons[3].tip, "QUORVI #2 Audio Level Meters-Outputs 7 && 8 L/R");
    EXPECT_EQ(icons[3].firstChannel, 28);
    EXPECT_EQ(icons[4].tip, "QUORVI #2 Audio Level Meters-Monitor L/R");

    MeterValues v;
    v.fill(0);
    v[16] = 119;
    v[17] = 81;
    v[18] = 80;
    v[19] = 3;
    v[32] = 2;
    v[33] = 119;
    EXPECT_EQ(IconPattern(icons[0], v), 3 << 6 | 2 << 4 | 1 << 2 | 1);
    EXPECT_EQ(IconPattern(icons[4], v), 3);
    v[16] = -1;  // a channel the format lacks
    EXPECT_EQ(IconPattern(icons[0], v) >> 6, 0);

    std::set<int> ids;
    for (int p = 0; p < 256; ++p) ids.insert(IconResource(icons[0], p));
    EXPECT_EQ(ids.size(), 256u);
    EXPECT_EQ(IconResource(icons[0], 0), 156);
    EXPECT_EQ(IconResource(icons[0], 1), 155);
    EXPECT_EQ(*ids.rbegin(), 426);
    for (int p = 0; p < 16; ++p) {
        EXPECT_EQ(ids.count(IconResource(icons[4], p)), 0u);
        EXPECT_EQ(IconResource(icons[4], p), 171 + p);
    }
}
