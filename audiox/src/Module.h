#pragma once
// Module state of quorvix.dll: its instance and the server lock count that
// every live object and every factory lock holds.
#include <windows.h>

#include <string>
#include <string_view>

#include "win/Messages.h"

namespace quorvix {

HINSTANCE ModuleInstance();
// The module's string table and dialogs.
const win::Module& ThisModule();
void LockModule();
void UnlockModule();

// Text in the system's code page as wide text for COM. The module works in
// the code page since the wide functions are missing on Windows 9x.
std::wstring Widen(std::string_view text);
std::wstring LoadWideString(UINT id);

}  // namespace quorvix

#include <new>

namespace quorvix {

// Runs the body of a COM method: no exception may cross into the host.
template <class F>
HRESULT Guarded(F&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

}  // namespace quorvix
