#pragma once
// A channel strip's send to the monitor bus and what it makes of a board's
// mix parameter block: the plug-in's own linear law, level x 131071.
#include <cstdint>

#include "ElementPlan.h"
#include "quorvi/SettingsRecord.h"

namespace quorvix {

struct SendValues {
    float level = 0;  // 0 silent .. 1 full gain
    float pan = 0;    // -1 left .. 1 right; stored and reported only
    std::int32_t mute = 0;

    bool operator==(const SendValues&) const = default;
};

inline constexpr std::uint32_t kFullGain = 131071;

// Values a host may set; anything else (NaN included) would make no gain.
bool ValidLevel(float level);
bool ValidPan(float pan);

// The starting level of an entry from a settings level index (0..68).
float StartingLevel(std::int32_t levelIndex);

// Both words of the entry's gain pair: 0 when muted, else level x 131071.
std::uint32_t GainWord(const SendValues& send);

// Writes the 32 channel pairs of a board's block from its entries. The
// master pair, the option word and the driver's words stay as read: the
// board's high-rate bit is the one the rest of the suite keeps current,
// while the settings this plug-in read at its start may be long out of date.
void WriteMixGains(const SendValues (&entries)[kBoardEntries], quorvi::ParameterBlock& block);

}  // namespace quorvix
