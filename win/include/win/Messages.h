#pragma once
#include <windows.h>
#include <initializer_list>
#include <string>
#include <string_view>

namespace win {

// The module (DLL or EXE) this code is linked into: the one whose resources
// a deliverable's own strings and dialogs come from.
HINSTANCE ThisModule();

// A string-table entry as text; empty when the id is missing.
std::string LoadResString(HINSTANCE module, UINT id);

// Formats a report such as "Error: X failed with code 0x%lx" with one error
// code. Only the first integer conversion takes the code; any other '%'
// sequence is copied as it stands, so no text can make printf read
// arguments that were never passed.
std::string FormatErrorCode(std::string_view pattern, DWORD code);

// Replaces %1 ... %9 with the given texts (the FormatMessage convention of
// the standard prompts); "%%" gives '%', references to missing texts stay.
std::string FormatPlaceholders(std::string_view pattern,
                               std::initializer_list<std::string_view> texts);

// A module's string table together with the caption of its message boxes:
// a fixed text chosen by the caller, or a string of the same table.
class Module {
public:
    Module(HINSTANCE instance, std::string caption)
        : instance_(instance), caption_(std::move(caption)) {}
    Module(HINSTANCE instance, UINT captionId)
        : instance_(instance), captionId_(captionId) {}

    HINSTANCE instance() const { return instance_; }
    std::string caption() const;
    std::string String(UINT id) const { return LoadResString(instance_, id); }

    // Message box with a string of this module and its caption.
    int ShowMessage(UINT textId, UINT type = MB_OK, HWND owner = nullptr) const;
    int ShowText(const std::string& text, UINT type = MB_OK, HWND owner = nullptr) const;
    // Plain OK box for a failed driver request. The code defaults to the
    // caller's last error, taken before anything here can change it.
    void ReportRequestFailure(UINT textId, DWORD code = GetLastError(),
                              HWND owner = nullptr) const;

private:
    HINSTANCE instance_;
    std::string caption_;
    UINT captionId_ = 0;
};

}  // namespace win
