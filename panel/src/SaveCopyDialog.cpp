#include "SaveCopyDialog.h"
#include "SetupFiles.h"
#include "win/File.h"
#include <commdlg.h>
#include <cstring>

namespace panel {

std::optional<std::string> ChooseCopyPath(HWND owner, const quorvi::SettingsRecord& record) {
    static const char filter[] = "Quelmar QUORVI setup files (*.ssf)\0*.ssf\0All Files\0*.*\0";
    char path[MAX_PATH] = {};
    const std::string initial = win::SystemDirectoryPath(
        "Copy of " + BoundedString(record.fileName, sizeof record.fileName));
    // A name that does not fit leaves the box empty rather than cut.
    if (!initial.empty() && initial.size() < sizeof path) std::memcpy(path, initial.data(), initial.size());
    OPENFILENAMEA dialog{};
    dialog.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter;
    dialog.lpstrFile = path;
    dialog.nMaxFile = sizeof path;
    dialog.lpstrDefExt = "ssf";
    // The applet runs inside the Control Panel's process: the dialog must
    // leave that process's current directory as it found it.
    dialog.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST |
                   OFN_SHAREAWARE | OFN_NOCHANGEDIR;
    if (!GetSaveFileNameA(&dialog)) return std::nullopt;
    return BoundedString(path, sizeof path);
}

}  // namespace panel
