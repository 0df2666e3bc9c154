#pragma once
// The boards' clocks as hosts see them: five clock sources, the board clock
// codes behind them, and the rates a host is told.
#include <cstdint>
#include <optional>

#include "asio/Asio.h"

namespace quorviasio {

inline constexpr long kClockSourceCount = 5;
inline constexpr long kInternalSource = 3;

// Board clock codes (the master clock of the settings).
enum ClockCode : std::uint32_t {
    kClockInterfaceA = 0,
    kClockInterfaceB = 1,
    kClockWord = 2,
    kClockInternal44 = 3,
    kClockInternal48 = 4,
    kClockVarispeed = 5,
};

inline constexpr double kRate44 = 44100.0, kRate48 = 48000.0;

// Fills min(count, 5) entries of the list with `current` marked; the number
// filled.
long FillClockSources(ASIOClockSource* list, long count, long current);

// The clock source of a board clock code; none for a code that is not one.
std::optional<long> SourceForCode(std::uint32_t code);
// The board clock code that a clock source selects: the internal clock
// keeps 44.1 kHz when that is the rate the host was told (the stored rate
// is a measurement, never exactly 44100), else runs at 48 kHz.
std::uint32_t CodeForSource(long source, double rate);

// The rate a host is told: within 300 Hz of 48 or 44.1 kHz counts as that
// rate (the stored rate is a measurement), anything else as it is.
double ReportedRate(double rate);
// The two rates the internal clock makes.
bool IsInternalRate(double rate);
// A stored rate worth taking: a finite number of hertz a board could run
// at; anything else leaves the current rate.
bool IsUsableRate(double rate);

}  // namespace quorviasio
