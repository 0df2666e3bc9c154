#include "DacLevels.h"
#include <cstdio>

namespace panel {

namespace {
int InRange(int step) { return step >= 0 && step <= kDacMuteStep ? step : kDacMuteStep; }
}  // namespace

std::int32_t PackDacLevels(int left, int right) {
    return (left & 0xFF) | (((left ^ right) & 0xFF) << 8);
}

int DacLeftStep(std::int32_t levels) { return InRange(levels & 0xFF); }

int DacRightStep(std::int32_t levels) {
    return InRange((levels & 0xFF) ^ ((levels >> 8) & 0xFF));
}

std::string DacLevelText(int step) {
    if (step >= kDacMuteStep) return "mute";
    char text[16];
    std::snprintf(text, sizeof text, "%2.0fdBm", 8.0 - step);
    return text;
}

}  // namespace panel
