#pragma once
// The setup's own texts, from its string table.
#include <windows.h>

#include <initializer_list>
#include <string>
#include <string_view>

namespace setup {

// String `id` with %1, %2 ... replaced by `fill`.
std::string Text(UINT id, std::initializer_list<std::string_view> fill = {});
// The system's words for the last error of the calling thread.
std::string LastErrorText();

}  // namespace setup
