#pragma once
// Reading other threads' and processes' windows without ever waiting on a
// frozen one: what the robot and the message-box catcher both need.
#include <windows.h>
#include <algorithm>
#include <string>

namespace testkit {

inline std::string ClassOf(HWND w) {
    char name[64] = "";
    GetClassNameA(w, name, sizeof name);
    return name;
}

// The window's text, or "" when it does not answer within timeoutMs.
inline std::string TextWithin(HWND w, UINT timeoutMs) {
    char text[2048] = "";
    DWORD_PTR len = 0;
    if (!SendMessageTimeoutA(w, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                             timeoutMs, &len))
        return std::string();
    return std::string(text, std::min<size_t>(len, sizeof text - 1));
}

}  // namespace testkit
