#pragma once
// The monitor's arithmetic: the status reporting it asks of a board, the
// measured sample rate and the rate-dependent register values of a board.
// Which status bits count is in StatusRules.h, shared with the status page.
#include <cstdint>
#include <optional>
#include <vector>

#include "StatusRules.h"

namespace tray {

// The enable value of QUORVI_SET_STATUS_MASKS for a board in this format
// on this main clock; a format without a value of its own keeps `previous`.
std::uint32_t StatusEnableValue(int format, std::uint8_t mainClock, std::uint32_t previous);

// The calibration from `readings` of the `wanted` counter readings at
// 44.1 kHz: a run cut short by a failed read is scaled up to the full
// count, and a run without readings gives none.
std::optional<std::uint32_t> CalibratedTicks(std::uint64_t sum, int readings, int wanted);

// Seconds per counter step of a board whose 32 counter readings at
// 44.1 kHz summed to `ticks`; 0 for a board that gave no readings.
double SecondsPerCount(std::uint32_t ticks);

// Sample rate in kHz from one counter reading; 0 when it cannot be
// measured (no calibration, or a counter of 0).
double InstantRate(double secondsPerCount, std::uint32_t counter);

// The stored rate after one more measurement. A fall of more than 2 % is
// taken at once and forces the rate-dependent registers to be sent again;
// a rise of more than 2 % is taken at once; anything smaller is smoothed.
struct SmoothedRate {
    double rate;
    bool forced;
};
SmoothedRate SmoothRate(double stored, double instant);

// The high-rate bit of the parameter option word: 0x80 above 34.4 kHz,
// 0 below 34.3 kHz, unchanged in between unless forced. The word to store
// and send, or nothing when the board already has the right one.
std::optional<std::uint32_t> HighRateUpdate(double rate, std::uint32_t word, bool force);

// Rate bands: 0 = 44.1 kHz, 2 = 48 kHz, 3 = 32 kHz, with the whole-kHz
// bounds inside which a rate stays in its band.
struct RateBand {
    int band = 0;
    int lower = 0;
    int upper = 0;
};
RateBand ClassifyRate(int wholeKHz);
bool InBand(const RateBand& band, int wholeKHz);

// The FPGA register words that tell a board its band: none in formats 0
// and 4, the band word, and in format 3 also the sample-rate converter's
// word (fixed when the converter runs from an internal clock).
std::vector<std::uint32_t> BandWords(int format, std::uint8_t srcClockFormat3, int band);

// Whether a rate (Hz) differs from the one announced last by more than
// 300 Hz.
bool ShouldAnnounce(float lastAnnounced, float rate);

}  // namespace tray
