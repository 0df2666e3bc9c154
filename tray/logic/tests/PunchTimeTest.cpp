#include "PunchTime.h"
#include <gtest/gtest.h>
#include <climits>

using namespace tray;

namespace {

constexpr auto kHundredths = TimecodeUnits::Hundredths;
constexpr auto kSamples = TimecodeUnits::Samples;

std::int32_t Parse(std::string_view text, int rate, TimecodeUnits units) {
    const ParsedTime t = ParsePunchTime(text, rate, units);
    EXPECT_EQ(t.error, ParseError::None) << text;
    return t.samples;
}

}  // namespace

TEST(PunchTime, TypedTimesReadFromTheEndAndShowBack) {
    const std::int32_t t = Parse("1:02:03.50", 44100, kHundredths);
    EXPECT_EQ(t, 44100 * 3723 + 50 * 441);
    EXPECT_EQ(FormatTimecode(t, 44100, kHundredths), "01:02:03.50");
    EXPECT_EQ(FormatTimecode(t, 44100, kSamples), "01:02:03.22050");

    EXPECT_EQ(Parse("-5", 44100, kHundredths), -5 * 441);
    EXPECT_EQ(Parse("-5", 44100, kSamples), -5);
    EXPECT_EQ(FormatTimecode(-5 * 441, 44100, kHundredths), "-00:00:00.05");
    EXPECT_EQ(Parse("7", 48000, kSamples), 7);                   // a single number is the fraction
    EXPECT_EQ(Parse("3 , 10", 48000, kHundredths), 3 * 48000 + 10 * 480);
    EXPECT_EQ(Parse("-0:00:05.00", 48000, kHundredths), -5 * 48000);
    EXPECT_EQ(Parse("", 48000, kHundredths), 0);

    // The time code's tape format picks the rate: bit 3 is 48 kHz.
    EXPECT_EQ(TimecodeRate(0x8), 48000);
    EXPECT_EQ(TimecodeRate(0x4), 44100);
    EXPECT_EQ(Parse("0.01", TimecodeRate(0x8), kHundredths), 480);
    EXPECT_EQ(TapeFormatOf(0x8), TapeFormat::Khz48);
    EXPECT_EQ(TimeBaseOf(0x0308), TimeBase::Fps24);
    EXPECT_EQ(TimeBaseOf(0x0408), TimeBase::Invalid);
}

TEST(PunchTime, TimesTheBoardCannotHoldAreRefused) {
    EXPECT_EQ(Parse("12:00:00.00", 48000, kHundredths), 2073600000);
    EXPECT_EQ(ParsePunchTime("12:30:00.00", 48000, kHundredths).error, ParseError::OutOfRange);
    EXPECT_EQ(ParsePunchTime("13:35:00.00", 44100, kHundredths).error, ParseError::OutOfRange);
    EXPECT_EQ(ParsePunchTime("99999999999999999999999", 44100, kSamples).error, ParseError::OutOfRange);
    EXPECT_EQ(ParsePunchTime("1:4294967296:00", 44100, kSamples).error, ParseError::OutOfRange);
    // Before the board's time-code offset nothing can be armed.
    EXPECT_EQ(Parse("-2:00.00", 48000, kHundredths), -5760000);
    EXPECT_EQ(ParsePunchTime("-2:00.01", 48000, kHundredths).error, ParseError::OutOfRange);

    for (const char* bad : {"1:0x:00", "1:2:3:4:5", "--", "1:-:2"})
        EXPECT_EQ(ParsePunchTime(bad, 44100, kHundredths).error, ParseError::NotATime) << bad;
}

TEST(PunchTime, WhatIsShownIsWhatIsArmed) {
    for (int rate : {44100, 48000}) {
        const std::int32_t time = Parse("0:10:00.00", rate, kHundredths);
        const PunchPress arm = PressPunch(PunchState::NotArmed, time, rate);
        ASSERT_TRUE(arm.position);
        EXPECT_EQ(arm.next, PunchState::Armed);
        EXPECT_EQ(TimecodePosition(*arm.position, rate), time) << rate;
        EXPECT_EQ(FormatTimecode(TimecodePosition(*arm.position, rate), rate, kHundredths), "00:10:00.00");

        const PunchPress disarm = PressPunch(PunchState::Hit, time, rate);
        EXPECT_EQ(disarm.next, PunchState::NotArmed);
        EXPECT_EQ(disarm.position, static_cast<std::uint32_t>(rate * 120 - 1));
        EXPECT_EQ(FormatTimecode(TimecodePosition(0, rate), rate, kSamples), "-00:02:00.00000");
    }
    // A time from a damaged record that would wrap is never armed.
    const PunchPress wrapped = PressPunch(PunchState::NotArmed, INT_MIN, 48000);
    EXPECT_FALSE(wrapped.position);
    EXPECT_EQ(wrapped.next, PunchState::NotArmed);
    EXPECT_EQ(FormatTimecode(INT_MIN, 44100, kHundredths), "-13:31:35.77");
    EXPECT_EQ(FormatTimecode(UINT32_MAX, 48000, kSamples), "24:51:18.23295");
}

TEST(PunchTime, TheBoardsReportsDecideWhatTheDialogShows) {
    PunchTick t = AdvancePunch(PunchState::Armed, 0, 0, 44100);
    EXPECT_EQ(t.next, PunchState::Armed);
    EXPECT_FALSE(t.disarm || t.timecodePaused);
    t = AdvancePunch(PunchState::Armed, 1, kTimecodePaused | 0x2, 44100);
    EXPECT_EQ(t.next, PunchState::Hit);
    EXPECT_EQ(t.disarm, 44100u * 120 - 1);
    EXPECT_TRUE(t.timecodePaused);
}

// The monitor latches the pause bit once a period and each punch tick takes
// it: a steady pause must not blink, an ended one must go.
TEST(PunchTime, ASteadyPauseStaysShownAndAnEndedOneGoes) {
    PausedNotice notice;
    EXPECT_FALSE(notice.Tick(false));
    for (int tick = 0; tick < 12; ++tick) EXPECT_TRUE(notice.Tick(tick % 3 == 0)) << tick;
    int shown = 0;
    while (notice.Tick(false)) ++shown;
    EXPECT_LT(shown, kPausedHoldTicks);
    EXPECT_FALSE(notice.Tick(false));
}
