#include "MonitorRules.h"

#include <cmath>

namespace tray {

namespace {

constexpr double kSmoothing = 0.95;
constexpr double kJump = 1.02;
constexpr double kHighRateOn = 34.4;
constexpr double kHighRateOff = 34.3;
constexpr std::uint32_t kHighRateWord = 0x80;
// 32 counter readings at 44.1 kHz, in seconds.
constexpr double kCalibrationSpan = 32.0 / 44100.0;

}  // namespace

std::uint32_t StatusEnableValue(int format, std::uint8_t mainClock, std::uint32_t previous) {
    const bool externalWordClock = (mainClock & 0x30) == 0x20;
    switch (format) {
    case 0: return externalWordClock ? 0x107 : 0x106;
    case 1: case 2: case 4: return externalWordClock ? 0x173 : 0x172;
    case 3: return 0x170;
    default: return previous;
    }
}

std::optional<std::uint32_t> CalibratedTicks(std::uint64_t sum, int readings, int wanted) {
    if (readings <= 0 || sum == 0) return std::nullopt;
    const std::uint64_t ticks = (sum * wanted + readings / 2) / readings;
    if (ticks > 0xFFFFFFFFull) return std::nullopt;
    return static_cast<std::uint32_t>(ticks);
}

double SecondsPerCount(std::uint32_t ticks) { return ticks ? kCalibrationSpan / ticks : 0.0; }

double InstantRate(double secondsPerCount, std::uint32_t counter) {
    if (secondsPerCount <= 0 || counter == 0) return 0;
    return 0.001 / (counter * secondsPerCount);
}

SmoothedRate SmoothRate(double r, double f) {
    const double smoothed = kSmoothing * r + (1 - kSmoothing) * f;
    if (f > r) return {f / r > kJump ? f : smoothed, false};
    if (r / f > kJump) return {f, true};
    return {smoothed, false};
}

std::optional<std::uint32_t> HighRateUpdate(double rate, std::uint32_t word, bool force) {
    if (force) return rate > kHighRateOn ? kHighRateWord : 0;
    if (rate < kHighRateOff && word != 0) return 0;
    if (rate > kHighRateOn && word != kHighRateWord) return kHighRateWord;
    return std::nullopt;
}

RateBand ClassifyRate(int kHz) {
    if (kHz > 46) return {2, 46, 1000};
    if (kHz < 40) return {3, 1, 40};
    return {0, 40, 46};
}

bool InBand(const RateBand& b, int kHz) { return kHz >= b.lower && kHz <= b.upper; }

std::vector<std::uint32_t> BandWords(int format, std::uint8_t srcClock, int band) {
    if (format == 0 || format == 4) return {};
    std::vector<std::uint32_t> words{0x500u + band};
    if (format == 3) {
        std::uint32_t src = srcClock == 3 ? 0x600 : srcClock == 4 ? 0x602 : 0x600u + band;
        words.push_back(src);
    }
    return words;
}

bool ShouldAnnounce(float last, float rate) {
    return static_cast<long>(std::fabs(rate - last)) > 300;
}

}  // namespace tray
