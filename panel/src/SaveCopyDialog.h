#pragma once
// The file dialog of the Setups page's "Save As...": where the copy of the
// working record goes. Saving it is SetupFiles::SaveCopy, a step of its own.
#include "quorvi/SettingsRecord.h"
#include <windows.h>
#include <optional>
#include <string>

namespace panel {

// The full path the user chose, or nothing when the dialog was cancelled.
std::optional<std::string> ChooseCopyPath(HWND owner, const quorvi::SettingsRecord& record);

}  // namespace panel
