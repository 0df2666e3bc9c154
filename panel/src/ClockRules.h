#pragma once
// The Clocks page's rules: varispeed limits and rate text, the scroll bar's
// steps, which radios a format offers and which combinations it refuses.
#include <string>

namespace panel {

enum ClockCode { kClockInputA, kClockInputB, kClockWordClock, kClockInternal441, kClockInternal48,
                 kClockVarispeed, kClockCodes };

inline constexpr unsigned kDefaultTicks = 26688;
inline constexpr unsigned kDefaultSamples = 32;

// 2 x Samples / (44100 x Ticks); a zero count from the registry would give a
// rate of zero or infinity, so it falls back to the default.
double RateFactor(unsigned samples, unsigned ticks);

struct VarispeedRange {
    int minimum, maximum;
};
VarispeedRange VarispeedLimits(unsigned capability);
int ClampVarispeed(int value, VarispeedRange range);
// Scroll-bar position of a value, 0 at the maximum so the rate rises to the
// right. A value from a file beyond the limits sits at the nearer end.
int VarispeedPosition(int value, VarispeedRange range);

double VarispeedKHz(int value, double rateFactor);
std::string VarispeedText(int value, double rateFactor);

// Scroll-bar request codes as the horizontal scroll message carries them.
enum ScrollRequest { kLineLeft, kLineRight, kPageLeft, kPageRight, kThumbPosition, kThumbTrack,
                     kLeftEnd, kRightEnd };
// New position in 0..span for a request at position pos; -1 for a request
// that does not move the bar.
int ScrollTo(int request, int pos, int thumb, int span);

// Enabling of the radios for a format. valid is false for a format the page
// does not know; the enabling is then left as it is.
struct ClockEnabling {
    bool valid;
    bool mainInputB;
    bool srcGroup;
    bool srcRadio[kClockCodes];
};
ClockEnabling EnablingFor(int format);

// Message number refusing a combination (136 or 137), or 0 when the page
// may be left.
int ClockCombinationError(int format, int mainClock, int srcClock);

}  // namespace panel
