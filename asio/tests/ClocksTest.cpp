// Clock sources, codes and the rates hosts are told.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "Clocks.h"

using namespace quorviasio;

namespace {

TEST(Clocks, TheListIsFilledUpToTheHostsRoom) {
    ASIOClockSource list[8] = {};
    EXPECT_EQ(FillClockSources(list, 3, 2), 3);
    EXPECT_STREQ(list[2].name, "Wordclock");
    EXPECT_EQ(list[2].isCurrentSource, ASIOTrue);
    EXPECT_EQ(list[3].name[0], '\0');

    EXPECT_EQ(FillClockSources(list, 8, 4), 5);
    EXPECT_STREQ(list[0].name, "Interface 'A'");
    EXPECT_EQ(list[0].associatedGroup, 1);
    EXPECT_EQ(list[1].associatedGroup, 2);
    EXPECT_EQ(list[3].associatedGroup, -1);
    EXPECT_EQ(list[4].associatedChannel, -1);
    EXPECT_STREQ(list[4].name, "Internal Varispeed");
    EXPECT_EQ(list[0].isCurrentSource, ASIOFalse);
    EXPECT_EQ(list[4].isCurrentSource, ASIOTrue);

    EXPECT_EQ(FillClockSources(list, -2, 0), 0);
}

TEST(Clocks, CodesAndSourcesMatchBothInternalRates) {
    EXPECT_EQ(SourceForCode(kClockInternal44), kInternalSource);
    EXPECT_EQ(SourceForCode(kClockInternal48), kInternalSource);
    EXPECT_EQ(SourceForCode(kClockVarispeed), 4);
    EXPECT_FALSE(SourceForCode(6).has_value());
    EXPECT_EQ(CodeForSource(kInternalSource, 44100.0), kClockInternal44);
    EXPECT_EQ(CodeForSource(kInternalSource, 48000.0), kClockInternal48);
    EXPECT_EQ(CodeForSource(kInternalSource, 44098.7), kClockInternal44) << "measured";
    EXPECT_EQ(CodeForSource(kInternalSource, 47700.0), kClockInternal48);
    for (long source = 0; source < kClockSourceCount; ++source)
        EXPECT_EQ(SourceForCode(CodeForSource(source, 44100.0)), source);
}

TEST(Clocks, MeasuredRatesNearTheNominalOnesAreReportedAsThose) {
    EXPECT_EQ(ReportedRate(47950.0), 48000.0);
    EXPECT_EQ(ReportedRate(48299.0), 48000.0);
    EXPECT_EQ(ReportedRate(47700.0), 47700.0);
    EXPECT_EQ(ReportedRate(44000.0), 44100.0);
    EXPECT_EQ(ReportedRate(32000.0), 32000.0);
    EXPECT_TRUE(std::isnan(ReportedRate(std::numeric_limits<double>::quiet_NaN())));

    EXPECT_TRUE(IsInternalRate(44100.0));
    EXPECT_FALSE(IsInternalRate(44100.5));
    EXPECT_FALSE(IsInternalRate(std::numeric_limits<double>::quiet_NaN()));
    for (double bad : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(), 0.0,
                       -48000.0, 1e30})
        EXPECT_FALSE(IsUsableRate(bad)) << bad;
    EXPECT_TRUE(IsUsableRate(47950.0));
}

}  // namespace
