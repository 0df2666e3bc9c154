#pragma once
// The core's string table, the messages it shows and the window messages it
// broadcasts.
#include <windows.h>
#include <cstddef>
#include <string>

#include "win/FixedText.h"
#include "win/Messages.h"
#include "win/RegisteredMessage.h"

namespace quorvi {

// The module that holds the core's resources (the DLL, or a test program
// built from the same sources), with the caption of its message boxes.
const win::Module& Core();

inline std::string CoreString(UINT id) { return Core().String(id); }

using win::CopyBounded;
template <std::size_t N>
void CopyCoreString(UINT id, char (&out)[N]) {
    CopyBounded(out, N, CoreString(id));
}

// Sends one driver request; when it fails, shows the string failureText
// formatted with the error code and returns false.
bool RequestOrReport(HANDLE device, DWORD code, const void* in, DWORD inSize, void* out,
                     DWORD outSize, UINT failureText);

// Registered when the module loads.
struct BroadcastMessages {
    win::RegisteredMessage startUpdate{"START QUORVI UPDATE"};
    win::RegisteredMessage endUpdate{"END QUORVI UPDATE"};
    win::RegisteredMessage tray{"QUORVI TRAY"};
    win::RegisteredMessage meters{"QUORVI METERS"};
    win::RegisteredMessage mixer{"QUORVI MIXER"};
    win::RegisteredMessage updateUserMenu{"QUORVI UPDATE USER MENU"};
};
const BroadcastMessages& Broadcasts();

}  // namespace quorvi
