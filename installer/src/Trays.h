#pragma once
// The tray application of a suite that is running while it is replaced or
// removed.
#include <windows.h>

#include <string>

namespace setup {

// Trays running in this session: each has one hidden frame window, titled
// as the tray's resources name it.
int CountRunningTrays();

// Asks every running tray to close with "QUORVI SHUTDOWN" and waits up to
// `timeoutMs` for their windows and processes to end; false when one stays.
bool CloseTrays(DWORD timeoutMs);

bool StartTray(const std::string& trayProgram);

}  // namespace setup
