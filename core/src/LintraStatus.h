#pragma once
// The Lintra boards' live state as the record keeps it.
#include <cstddef>
#include <cstdint>

#include "quorvi/SettingsRecord.h"

namespace quorvi {

// Rate code of a LintraBlock to Hz: 0 = 48000, 1 = 44100, 2 = 32000, any
// other = 48000.
std::uint32_t LintraRate(std::int32_t code);

// The boards an enumeration reply of replySize bytes names: never negative,
// no more identifiers than the reply holds, at most the record's four blocks.
int LintraBoardCount(std::int32_t reported, std::size_t replySize);

// Decodes the status bytes of the I2C space into the block; bit fields keep
// the masked bit value. A reply too short for the three status bytes
// decodes nothing and returns false.
bool DecodeLintraStatus(const std::uint8_t* status, std::size_t size, LintraBlock& block);

}  // namespace quorvi
