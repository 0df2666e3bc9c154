#pragma once
#include <windows.h>

namespace quorvix {

// Runs both registry scripts through the system's registrar, in
// registration or removal mode, then registers or removes the type library.
// The first failure is returned as it came.
HRESULT RegisterServer(bool registering);

}  // namespace quorvix
