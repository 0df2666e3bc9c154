#pragma once
// The mix gain law: fader level and pan position to the driver's gains.
#include <cstdint>
#include "quorvi/SettingsRecord.h"

namespace quorvi {

extern const std::uint32_t LevelTable[kMaxLevelIndex + 1];
extern const std::uint32_t PanLeftTable[kMaxPanIndex + 1];
extern const std::uint32_t PanRightTable[kMaxPanIndex + 1];

// One side of a channel's gain, 0..131071. Indexes out of range are read as
// the nearest valid one.
std::uint32_t ChannelGain(std::int32_t level, std::int32_t pan, bool left);

// Fills the gains of a parameter block read from the driver: groups, masters
// and the high-rate bit; the driver's own words stay as read.
void ComputeMix(const BoardPanelBlock& panel, const BoardDeviceBlock& device,
                ParameterBlock& block);

}  // namespace quorvi
