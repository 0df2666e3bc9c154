#pragma once
// Reads what a driver request carried, as the virtual boards logged it.
#include <cstdint>
#include <cstring>
#include <vector>

// Word i of a request's input bytes; 0 past their end.
inline std::uint32_t Word(const std::vector<std::uint8_t>& bytes, int i) {
    std::uint32_t v = 0;
    if (bytes.size() >= 4u * (i + 1)) std::memcpy(&v, bytes.data() + 4 * i, 4);
    return v;
}
