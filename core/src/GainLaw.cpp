#include "GainLaw.h"

namespace quorvi {

const std::uint32_t LevelTable[kMaxLevelIndex + 1] = {
    0, 3, 5, 7, 10, 12, 15, 24, 31, 63, 95, 127, 159, 191, 223, 239, 248, 255,
    511, 1023, 1279, 2047, 2559, 3071, 3327, 3839, 4088, 4095, 16383, 20479,
    24575, 28671, 40959, 49151, 53247, 61439, 65528, 131071, 163840, 196607,
    229376, 262143, 294912, 327679, 360448, 393215, 458751, 524287, 786431,
    851967, 983039, 1048568, 1048575, 1572864, 2097151, 2621440, 3145727,
    3670016, 4194303, 4718592, 5242879, 5767168, 6291455, 6815744, 7340031,
    7864320, 7995392, 8126464, 8388607,
};

const std::uint32_t PanLeftTable[kMaxPanIndex + 1] = {
    8388607, 8388607, 8388607, 8388607, 8388607, 8388607, 8388607, 8388607,
    8388607, 8388607, 8388607, 7864320, 7602176, 7340032, 6291456, 4194304,
    1048576, 524288, 131072, 8192, 512, 0,
};

const std::uint32_t PanRightTable[kMaxPanIndex + 1] = {
    0, 512, 8192, 131072, 524288, 1048576, 4194304, 6291456, 7340032, 7602176,
    7864320, 8388607, 8388607, 8388607, 8388607, 8388607, 8388607, 8388607,
    8388607, 8388607, 8388607, 8388607,
};

namespace {

const double kScale = 1.0 / 8388607.0;

// The gains must come out the same whatever state the host process left the
// x87 unit in (hosts lower the precision or truncate for speed), so the
// product runs with 64-bit mantissas, rounding to nearest.
class ExtendedNearest {
public:
    ExtendedNearest() {
        __asm__ __volatile__("fnstcw %0" : "=m"(saved_));
        unsigned short extended = (saved_ & ~0x0C00) | 0x0300;
        __asm__ __volatile__("fldcw %0" : : "m"(extended));
    }
    ~ExtendedNearest() { __asm__ __volatile__("fldcw %0" : : "m"(saved_)); }
    ExtendedNearest(const ExtendedNearest&) = delete;
    ExtendedNearest& operator=(const ExtendedNearest&) = delete;

private:
    unsigned short saved_ = 0;
};

void ComputeGroup(const std::int32_t* solo, const std::int32_t* mute,
                  const std::int32_t* pan, const std::int32_t* level, bool anySolo,
                  std::uint32_t* gains) {
    for (int k = 0; k < kGroupChannels; ++k) {
        bool silent = (mute[k] != 0 && solo[k] == 0) || (anySolo && solo[k] == 0);
        gains[2 * k] = silent ? 0 : ChannelGain(level[k], pan[k], true);
        gains[2 * k + 1] = silent ? 0 : ChannelGain(level[k], pan[k], false);
    }
}

bool AnySolo(const BoardPanelBlock& panel) {
    for (int k = 0; k < kGroupChannels; ++k) {
        if (panel.soloA[k] != 0 || panel.soloB[k] != 0) return true;
    }
    return false;
}

}  // namespace

std::uint32_t ChannelGain(std::int32_t level, std::int32_t pan, bool left) {
    ExtendedNearest precision;
    const std::uint32_t* panTable = left ? PanLeftTable : PanRightTable;
    volatile long double share = static_cast<long double>(panTable[ClampPan(pan)]) * kScale;
    volatile long double gain = static_cast<long double>(LevelTable[ClampLevel(level)]) * share;
    auto whole = static_cast<std::int32_t>(gain);
    return static_cast<std::uint32_t>(whole) >> 6;
}

void ComputeMix(const BoardPanelBlock& panel, const BoardDeviceBlock& device,
                ParameterBlock& block) {
    bool anySolo = AnySolo(panel);
    ComputeGroup(panel.soloA, panel.muteA, panel.panA, device.levelA, anySolo, block.gainA);
    ComputeGroup(panel.soloB, panel.muteB, panel.panB, device.levelB, anySolo, block.gainB);
    for (int side = 0; side < 2; ++side) {
        block.masterGain[side] =
            panel.masterMute[side] != 0 ? 0 : LevelTable[ClampLevel(panel.masterLevel[side])];
    }
    block.options = (block.options & ~kHiRateBit) | (device.hiRateBits & kHiRateBit);
}

}  // namespace quorvi
