#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace win {

// Fixed-size character fields of records, files and caller buffers.

// Copies text up to its first NUL into a field of size bytes, cut to
// size - 1 characters, and zero-fills the rest so no stale bytes follow it
// into a file or the registry. A field of size 0 is left alone.
void CopyBounded(char* field, std::size_t size, std::string_view text);

// A field's text up to its first NUL, or all size bytes when it has none:
// what was read from outside need not be terminated.
std::string BoundedString(const char* field, std::size_t size);

}  // namespace win
