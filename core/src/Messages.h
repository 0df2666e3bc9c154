#pragma once
// Messages the core shows the user and the window messages it broadcasts.
#include <windows.h>

namespace quorvi {

// A plain OK box with a string of the core's table.
void ShowCoreMessage(UINT id);
// A string of the table formatted with a Win32 error code.
void ReportFailure(UINT id, DWORD code);

// Registered window messages, registered when the module loads.
struct BroadcastMessages {
    UINT startUpdate;
    UINT endUpdate;
    UINT tray;
    UINT meters;
    UINT mixer;
    UINT updateUserMenu;
};
const BroadcastMessages& Broadcasts();

}  // namespace quorvi
