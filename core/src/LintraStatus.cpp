#include "LintraStatus.h"

#include <algorithm>

namespace quorvi {

std::uint32_t LintraRate(std::int32_t code) {
    switch (code) {
    case 1: return 44100;
    case 2: return 32000;
    default: return 48000;
    }
}

int LintraBoardCount(std::int32_t reported) {
    return std::clamp<std::int32_t>(reported, 0, kLintraBoards);
}

void DecodeLintraStatus(const std::uint8_t (&status)[5], LintraBlock& block) {
    const std::uint8_t s0 = status[0], s1 = status[1], s2 = status[2];
    block.statusZero = s0 == 0 ? 1 : 0;
    block.status0Bit02 = s0 & 0x02;
    block.status1Bits[0] = s1 & 0x10;
    block.status1Bits[1] = s1 & 0x20;
    block.status1Bits[2] = s1 & 0x40;
    block.status1Bits[3] = s1 & 0x80;
    block.status2Bit04Clear = (s2 & 0x04) == 0 ? 1 : 0;
    block.status2Bit01 = s2 & 0x01;
    block.status2Bit02 = s2 & 0x02;
    block.status0Bit10 = s0 & 0x10;
    block.status0Bit08 = s0 & 0x08;
    block.status0Bit20 = s0 & 0x20;
}

}  // namespace quorvi
