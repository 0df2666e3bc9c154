#pragma once
// Punch-in against the synchroniser's time code: positions in samples of the
// time-code rate, shown and typed as hours, minutes, seconds and a fraction
// (hundredths or samples). The punch dialog formats the board's position on
// every tick, parses what the user typed when the edit box loses the focus,
// and asks here what to send when the Punch button is pressed or the board
// reports the punch.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tray {

enum class TimecodeUnits : int { Hundredths = 0, Samples = 1 };

// Samples per second of the time code: bit 3 of the MTC setup word.
int TimecodeRate(std::int16_t mtcSettings);

enum class TimeBase { Fps30, Fps2997, Fps25, Fps24, Invalid };
enum class TapeFormat { Khz441, Khz48, Bad };
TimeBase TimeBaseOf(std::int16_t mtcSettings);
TapeFormat TapeFormatOf(std::int16_t mtcSettings);

// "01:02:03.50" in hundredths, "01:02:03.22050" in samples, with a leading
// "-" before time-code zero.
std::string FormatTimecode(std::int64_t position, int rate, TimecodeUnits units);

// A typed time: up to four numbers separated by any of " :.,", read from the
// end as fraction, seconds, minutes and hours; a "-" before any number makes
// the time negative.
enum class ParseError { None, NotATime, OutOfRange };
struct ParsedTime {
    ParseError error;
    std::int32_t samples;
};
// A time is out of range when the record cannot hold it or the board cannot
// be armed at it.
ParsedTime ParsePunchTime(std::string_view text, int rate, TimecodeUnits units);

// The board counts time code from an offset of two minutes; positions sent
// and positions shown both carry it, so what is shown is what is armed.
std::int64_t TimecodeOffset(int rate);
// The position shown for the board's time-code word.
std::int64_t TimecodePosition(std::uint32_t ioWord, int rate);

// Punch states as the dialog shows them: "NO PUNCH", "WAITING", "HIT".
enum class PunchState : int { NotArmed = 0, Armed = 1, Hit = 3 };

// Pressing Punch arms an idle board and disarms an armed or hit one. No
// request is made when the punch time cannot be armed (position empty).
struct PunchPress {
    PunchState next;
    std::optional<std::uint32_t> position;  // for QUORVI_SET_PUNCH
};
PunchPress PressPunch(PunchState state, std::int32_t punchTime, int rate);

// A tick, from the board's punch report (word 1 of QUORVI_GET_PUNCH) and
// the monitor's latched status word 1. A reported punch turns the state to
// hit and asks for the disarm request; bit 8 of the latched word means the
// time code paused since the last tick: the dialog shows "TC PAUSED" and
// clears the bit.
inline constexpr std::uint32_t kTimecodePaused = 0x100;
struct PunchTick {
    PunchState next;
    std::optional<std::uint32_t> disarm;
    bool timecodePaused;
};
PunchTick AdvancePunch(PunchState state, std::uint32_t punchWord1, std::uint32_t latchedWord1, int rate);

// "TC PAUSED" stays up while the pause keeps being reported. The monitor
// latches the status words only every 777 ms and each punch tick (266 ms)
// takes the bit, so most ticks find it clear even while the time code
// stands still; the notice goes once a monitor period has passed without it.
inline constexpr int kPausedHoldTicks = 4;
class PausedNotice {
public:
    // One punch tick; true while the notice is shown.
    bool Tick(bool reported);

private:
    int quietTicks_ = kPausedHoldTicks;
};

}  // namespace tray
