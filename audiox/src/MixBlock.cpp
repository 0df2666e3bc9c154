#include "MixBlock.h"

namespace quorvix {

bool ValidLevel(float level) { return level >= 0.0f && level <= 1.0f; }

bool ValidPan(float pan) { return pan >= -1.0f && pan <= 1.0f; }

float StartingLevel(std::int32_t levelIndex) {
    return static_cast<float>(quorvi::ClampLevel(levelIndex)) / quorvi::kMaxLevelIndex;
}

std::uint32_t GainWord(const SendValues& send) {
    if (send.mute != 0 || !ValidLevel(send.level)) return 0;
    return static_cast<std::uint32_t>(static_cast<double>(send.level) * kFullGain);
}

void WriteMixGains(const SendValues (&entries)[kBoardEntries], quorvi::ParameterBlock& block) {
    for (int k = 0; k < kGroupSize; ++k) {
        std::uint32_t in = GainWord(entries[kInputEntries + k]);
        std::uint32_t out = GainWord(entries[kOutputEntries + k]);
        block.gainA[2 * k] = block.gainA[2 * k + 1] = in;
        block.gainB[2 * k] = block.gainB[2 * k + 1] = out;
    }
}

}  // namespace quorvix
