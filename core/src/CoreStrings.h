#pragma once
// The core's string table and the messages it shows.
#include <windows.h>
#include <cstddef>
#include <string>

namespace quorvi {

// The module that holds the core's resources (the DLL, or a test program
// built from the same sources).
HINSTANCE CoreModule();

std::string CoreString(UINT id);

// Copies a string of the table into a fixed field, always terminated.
void CopyBounded(char* out, std::size_t size, const char* text);
template <std::size_t N>
void CopyCoreString(UINT id, char (&out)[N]) {
    CopyBounded(out, N, CoreString(id).c_str());
}

}  // namespace quorvi
