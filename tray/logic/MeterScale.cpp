#include "MeterScale.h"
#include <algorithm>
#include <cmath>

namespace tray {

namespace {

// ln(2^23): the boards deliver 24-bit magnitudes.
const double kFullScale = std::log(8388608.0);

struct RangeScale {
    double offset;
    double factor;
};
constexpr RangeScale kRanges[4] = {
    {114.0 / 144.0, 576.0}, {84.0 / 144.0, 288.0}, {48.0 / 144.0, 180.0}, {0.0, 120.0}};

// Threshold and scale bitmap per range and reference level.
struct Zone {
    int threshold;
    int bitmapId;
};
constexpr Zone kZones[4][3] = {
    {{119, 132}, {64, 152}, {24, 153}},
    {{119, 130}, {92, 154}, {72, 155}},
    {{119, 133}, {102, 156}, {90, 157}},
    {{119, 135}, {108, 158}, {100, 159}},
};

}  // namespace

MeterScale ScaleFor(int range, int referenceLevel) {
    range = std::clamp(range, 0, 3);
    referenceLevel = std::clamp(referenceLevel, 0, 2);
    const Zone& zone = kZones[range][referenceLevel];
    return {kRanges[range].offset, kRanges[range].factor, zone.threshold, zone.bitmapId};
}

int MeterValue(std::uint32_t level, const MeterScale& scale) {
    if (level == 0) return 0;
    const double x = std::log(static_cast<double>(level)) / kFullScale - scale.offset;
    if (x <= 0) return 0;
    const double v = scale.factor * x;
    return v >= kClipValue ? kClipValue : static_cast<int>(v);
}

ChannelCounts CountsForFormat(int format, ChannelCounts previous) {
    switch (format) {
    case 0: return {16, 16};
    case 1:
    case 2: return {10, 10};
    case 3: return {4, 4};
    case 4: return {16, 10};
    default: return previous;
    }
}

void ComputeValues(const StatusBlock& block, ChannelCounts counts, const MeterScale& scale,
                   MeterValues& values) {
    constexpr int kFirstLevel = 10;
    const int outputs = std::clamp(counts.outputs, 0, 16), inputs = std::clamp(counts.inputs, 0, 16);
    values.fill(-1);
    for (int i = 0; i < outputs; ++i) values[kFirstOutput + i] = MeterValue(block[kFirstLevel + i], scale);
    for (int i = 0; i < inputs; ++i) values[i] = MeterValue(block[kFirstLevel + outputs + i], scale);
    for (int i = 0; i < 2; ++i)
        values[kFirstMaster + i] = MeterValue(block[kFirstLevel + outputs + inputs + i], scale);
}

MeterOptions LoadMeterOptions(quorvi::BoardPanelBlock& panel) {
    MeterOptions options{MeterGroups(panel),
                         panel.metersOnTop != 0,
                         std::min<int>(panel.meterDisplayMode, InfiniteHold),
                         std::min<int>(panel.meterRange, 3),
                         std::clamp(panel.referenceLevel, 0, 2),
                         std::min<int>(panel.meterLabelMode, 2),
                         std::clamp(panel.decayRate, 0, 100)};
    panel.meterDisplayMode = PeakHold;
    return options;
}

int HoldTicks(int mode, int decayRate, bool pickedFromMenu) {
    if (mode == InfiniteHold && pickedFromMenu) return kHoldForever;
    return std::clamp(decayRate, 0, 100);
}

}  // namespace tray
