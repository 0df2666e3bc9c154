#pragma once
#include <windows.h>
#include <string>

namespace win {

// The system's own words for an error code, without the trailing line
// break; "Error 0x..." when the system has none.
std::string SystemErrorText(DWORD code);

}  // namespace win
