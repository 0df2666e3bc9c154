#pragma once
// The DAC operating level word: bits 0-7 the left attenuation step L, bits
// 8-15 L XOR R. A step s is 8 - s dBm; step 64 is muted.
#include <cstdint>
#include <string>

namespace panel {

inline constexpr int kDacMuteStep = 64;

std::int32_t PackDacLevels(int left, int right);
// Steps outside 0..64 (a hand-edited file) are shown as muted.
int DacLeftStep(std::int32_t levels);
int DacRightStep(std::int32_t levels);
std::string DacLevelText(int step);

}  // namespace panel
