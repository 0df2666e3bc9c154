#include "Clocks.h"

#include <cmath>

#include "win/FixedText.h"

namespace quorviasio {

namespace {

struct SourceEntry {
    const char* name;
    long group;
};

// Interfaces A and B name the channel groups they clock.
constexpr SourceEntry kSources[kClockSourceCount] = {
    {"Interface 'A'", 1}, {"Interface 'B'", 2}, {"Wordclock", -1}, {"Internal", -1}, {"Internal Varispeed", -1},
};

constexpr long kSourceOfCode[] = {0, 1, 2, 3, 3, 4};

constexpr double kSnapDistance = 300.0;
constexpr double kHighestRate = 1e6;

}  // namespace

long FillClockSources(ASIOClockSource* list, long count, long current) {
    const long filled = count < kClockSourceCount ? (count > 0 ? count : 0) : kClockSourceCount;
    for (long i = 0; i < filled; ++i) {
        list[i].index = i;
        list[i].associatedChannel = -1;
        list[i].associatedGroup = kSources[i].group;
        list[i].isCurrentSource = i == current ? ASIOTrue : ASIOFalse;
        win::CopyBounded(list[i].name, sizeof list[i].name, kSources[i].name);
    }
    return filled;
}

std::optional<long> SourceForCode(std::uint32_t code) {
    if (code >= sizeof kSourceOfCode / sizeof kSourceOfCode[0]) return std::nullopt;
    return kSourceOfCode[code];
}

std::uint32_t CodeForSource(long source, double rate) {
    switch (source) {
    case 0: return kClockInterfaceA;
    case 1: return kClockInterfaceB;
    case 2: return kClockWord;
    case kInternalSource: return ReportedRate(rate) == kRate44 ? kClockInternal44 : kClockInternal48;
    default: return kClockVarispeed;
    }
}

double ReportedRate(double rate) {
    if (std::fabs(rate - kRate48) < kSnapDistance) return kRate48;
    if (std::fabs(rate - kRate44) < kSnapDistance) return kRate44;
    return rate;
}

bool IsInternalRate(double rate) { return rate == kRate44 || rate == kRate48; }

bool IsUsableRate(double rate) { return std::isfinite(rate) && rate > 0 && rate < kHighestRate; }

}  // namespace quorviasio
