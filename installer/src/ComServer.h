#pragma once
// A COM server's own registration, run as regsvr32 runs it.
#include <string>

namespace setup {

inline constexpr const char* kRegisterEntry = "DllRegisterServer";
inline constexpr const char* kUnregisterEntry = "DllUnregisterServer";

// Loads the server, calls `entry` and lets it go again; an empty text on
// success, else what failed.
std::string RunServerEntry(const std::string& path, const char* entry);

}  // namespace setup
