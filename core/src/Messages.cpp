#include "Messages.h"

#include <cstdio>
#include <string>

#include "CoreStrings.h"

namespace quorvi {

namespace {

const BroadcastMessages registered = {
    RegisterWindowMessageA("START QUORVI UPDATE"),
    RegisterWindowMessageA("END QUORVI UPDATE"),
    RegisterWindowMessageA("QUORVI TRAY"),
    RegisterWindowMessageA("QUORVI METERS"),
    RegisterWindowMessageA("QUORVI MIXER"),
    RegisterWindowMessageA("QUORVI UPDATE USER MENU"),
};

}  // namespace

const BroadcastMessages& Broadcasts() { return registered; }

void ShowCoreMessage(UINT id) {
    MessageBoxA(nullptr, CoreString(id).c_str(), "QUORVI", MB_OK);
}

void ReportFailure(UINT id, DWORD code) {
    char text[600];
    std::snprintf(text, sizeof text, CoreString(id).c_str(), static_cast<unsigned long>(code));
    MessageBoxA(nullptr, text, "QUORVI", MB_OK);
}

}  // namespace quorvi
