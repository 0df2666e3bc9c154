#include "ClockRules.h"
#include "FormatNumbers.h"
#include <algorithm>
#include <cstdio>

namespace panel {

double RateFactor(unsigned samples, unsigned ticks) {
    if (samples == 0) samples = kDefaultSamples;
    if (ticks == 0) ticks = kDefaultTicks;
    return 2.0 * samples / (44100.0 * ticks);
}

VarispeedRange VarispeedLimits(unsigned capability) {
    return capability != 0 ? VarispeedRange{370, 600} : VarispeedRange{346, 453};
}

int ClampVarispeed(int value, VarispeedRange range) {
    return std::clamp(value, range.minimum, range.maximum);
}

int VarispeedPosition(int value, VarispeedRange range) {
    return range.maximum - ClampVarispeed(value, range);
}

double VarispeedKHz(int value, double rateFactor) {
    return 0.001 / ((value + 0.5) * rateFactor);
}

std::string VarispeedText(int value, double rateFactor) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f kHz", VarispeedKHz(value, rateFactor));
    return text;
}

int ScrollTo(int request, int pos, int thumb, int span) {
    int to;
    switch (request) {
    case kLineLeft: to = pos - 1; break;
    case kLineRight: to = pos + 1; break;
    case kPageLeft: to = pos - span / 16; break;
    case kPageRight: to = pos + span / 16; break;
    case kThumbPosition:
    case kThumbTrack: to = thumb; break;
    case kLeftEnd: to = 0; break;
    case kRightEnd: to = span; break;
    default: return -1;
    }
    return std::clamp(to, 0, span);
}

ClockEnabling EnablingFor(int format) {
    ClockEnabling e{};
    if (!KnownFormat(format)) return e;
    e.valid = true;
    const bool twoSpdif = format == 3;
    e.mainInputB = !twoSpdif;
    e.srcGroup = twoSpdif;
    for (int code = 0; code < kClockCodes; ++code)
        e.srcRadio[code] = twoSpdif && code != kClockInputB;
    return e;
}

int ClockCombinationError(int format, int mainClock, int srcClock) {
    if (format != 3) return 0;
    if ((mainClock == kClockWordClock && srcClock == kClockVarispeed) ||
        (mainClock == kClockVarispeed && srcClock == kClockWordClock))
        return 136;
    if (srcClock != kClockInternal441 && srcClock != kClockInternal48 && srcClock != mainClock)
        return 137;
    return 0;
}

}  // namespace panel
