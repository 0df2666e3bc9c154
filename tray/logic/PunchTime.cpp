#include "PunchTime.h"
#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <vector>
#include "quorvi/DriverRequests.h"

namespace tray {

namespace {

constexpr int kMaxFields = 4;
// Any field this large is out of range already; stopping here keeps the
// arithmetic inside 64 bits.
constexpr std::int64_t kFieldLimit = 10000000000;
constexpr std::int64_t kOffsetSeconds = 120;

// Samples per unit of the fraction field.
int FractionSamples(int rate, TimecodeUnits units) { return units == TimecodeUnits::Samples ? 1 : rate / 100; }

// The numbers of a typed time; false when a piece is not a number or there
// are more than the four fields.
bool SplitNumbers(std::string_view text, std::vector<std::int64_t>& numbers, bool& negative) {
    constexpr std::string_view kSeparators = " :.,";
    std::size_t at = 0;
    while (at < text.size()) {
        if (kSeparators.find(text[at]) != std::string_view::npos) {
            ++at;
            continue;
        }
        std::size_t end = text.find_first_of(kSeparators, at);
        if (end == std::string_view::npos) end = text.size();
        std::string_view token = text.substr(at, end - at);
        at = end;
        if (token.front() == '-' || token.front() == '+') {
            negative |= token.front() == '-';
            token.remove_prefix(1);
        }
        if (token.empty()) return false;
        std::int64_t value = 0;
        for (char c : token) {
            if (c < '0' || c > '9') return false;
            value = std::min(value * 10 + (c - '0'), kFieldLimit);
        }
        numbers.push_back(value);
    }
    return numbers.size() <= kMaxFields;
}

}  // namespace

int TimecodeRate(std::int16_t mtcSettings) { return mtcSettings & 0x8 ? 48000 : 44100; }

TimeBase TimeBaseOf(std::int16_t mtcSettings) {
    switch ((mtcSettings >> 8) & 0xF) {
    case 0: return TimeBase::Fps30;
    case 1: return TimeBase::Fps2997;
    case 2: return TimeBase::Fps25;
    case 3: return TimeBase::Fps24;
    default: return TimeBase::Invalid;
    }
}

TapeFormat TapeFormatOf(std::int16_t mtcSettings) {
    switch ((mtcSettings >> 2) & 0x3) {
    case 1: return TapeFormat::Khz441;
    case 2: return TapeFormat::Khz48;
    default: return TapeFormat::Bad;
    }
}

std::string FormatTimecode(std::int64_t position, int rate, TimecodeUnits units) {
    const bool negative = position < 0;
    const std::int64_t p = negative ? -position : position;
    const std::int64_t hours = p / (rate * 3600LL);
    const std::int64_t minutes = p % (rate * 3600LL) / (rate * 60LL);
    const std::int64_t seconds = p % (rate * 60LL) / rate;
    std::int64_t rest = p % rate;
    const char* pattern = "%s%02" PRId64 ":%02" PRId64 ":%02" PRId64 ".%05" PRId64;
    if (units == TimecodeUnits::Hundredths) {
        rest /= FractionSamples(rate, units);
        pattern = "%s%02" PRId64 ":%02" PRId64 ":%02" PRId64 ".%02" PRId64;
    }
    char text[64];
    std::snprintf(text, sizeof text, pattern, negative ? "-" : "", hours, minutes, seconds, rest);
    return text;
}

ParsedTime ParsePunchTime(std::string_view text, int rate, TimecodeUnits units) {
    std::vector<std::int64_t> numbers;
    bool negative = false;
    if (!SplitNumbers(text, numbers, negative)) return {ParseError::NotATime, 0};
    // From the end: fraction, seconds, minutes, hours.
    std::int64_t field[kMaxFields] = {};
    for (std::size_t i = 0; i < numbers.size(); ++i) field[i] = numbers[numbers.size() - 1 - i];
    const std::int64_t seconds = field[1] + 60 * field[2] + 3600 * field[3];
    std::int64_t samples = rate * seconds + field[0] * FractionSamples(rate, units);
    if (negative) samples = -samples;
    if (samples > INT32_MAX || samples < -TimecodeOffset(rate)) return {ParseError::OutOfRange, 0};
    return {ParseError::None, static_cast<std::int32_t>(samples)};
}

std::int64_t TimecodeOffset(int rate) { return rate * kOffsetSeconds; }

std::int64_t TimecodePosition(std::uint32_t ioWord, int rate) {
    return static_cast<std::int64_t>(ioWord) - TimecodeOffset(rate);
}

// The board's position is an unsigned 32-bit count; a time before the
// offset would wrap to the far end of it, so it is never sent.
PunchPress PressPunch(PunchState state, std::int32_t punchTime, int rate) {
    if (state != PunchState::NotArmed)
        return {PunchState::NotArmed, static_cast<std::uint32_t>(TimecodeOffset(rate) - 1)};
    const std::int64_t position = punchTime + TimecodeOffset(rate);
    if (position < 0 || position > UINT32_MAX) return {PunchState::NotArmed, std::nullopt};
    return {PunchState::Armed, static_cast<std::uint32_t>(position)};
}

PunchTick AdvancePunch(PunchState state, std::uint32_t punchWord1, std::uint32_t latchedWord1, int rate) {
    const bool paused = (latchedWord1 & kTimecodePaused) != 0;
    if (!(punchWord1 & quorvi::kPunchHit)) return {state, std::nullopt, paused};
    return {PunchState::Hit, static_cast<std::uint32_t>(TimecodeOffset(rate) - 1), paused};
}

bool PausedNotice::Tick(bool reported) {
    if (reported)
        quietTicks_ = 0;
    else if (quietTicks_ < kPausedHoldTicks)
        ++quietTicks_;
    return quietTicks_ < kPausedHoldTicks;
}

}  // namespace tray
