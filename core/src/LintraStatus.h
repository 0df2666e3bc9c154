#pragma once
// The Lintra boards' live state as the record keeps it.
#include <cstdint>

#include "quorvi/SettingsRecord.h"

namespace quorvi {

// Rate code of a LintraBlock to Hz: 0 = 48000, 1 = 44100, 2 = 32000, any
// other = 48000.
std::uint32_t LintraRate(std::int32_t code);

// The boards an enumeration reported, as the record holds them: never
// negative (which would read as "no driver"), at most the four blocks.
int LintraBoardCount(std::int32_t reported);

// Decodes the status bytes of the I2C space into the block; bit fields keep
// the masked bit value.
void DecodeLintraStatus(const std::uint8_t (&status)[5], LintraBlock& block);

}  // namespace quorvi
