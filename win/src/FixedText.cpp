#include "win/FixedText.h"
#include <algorithm>
#include <cstring>

namespace win {

void CopyBounded(char* field, std::size_t size, std::string_view text) {
    if (size == 0) return;
    text = text.substr(0, text.find('\0'));
    std::size_t length = std::min(text.size(), size - 1);
    std::memcpy(field, text.data(), length);
    std::memset(field + length, 0, size - length);
}

std::string BoundedString(const char* field, std::size_t size) {
    return std::string(field, strnlen(field, size));
}

}  // namespace win
