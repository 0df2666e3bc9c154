// Stands in for a COM server whose registration fails halfway, as one does
// whose entries are written before its type library refuses to register:
// what it wrote stays until its unregistration takes it out.
#include <windows.h>

namespace {
constexpr const char* kKey = "Software\\QuorviSetupTest\\HalfRegistered";
}

extern "C" HRESULT __stdcall DllRegisterServer() {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) == ERROR_SUCCESS)
        RegCloseKey(key);
    return E_FAIL;
}

extern "C" HRESULT __stdcall DllUnregisterServer() {
    const LONG error = RegDeleteKeyA(HKEY_CURRENT_USER, kKey);
    return error == ERROR_SUCCESS || error == ERROR_FILE_NOT_FOUND ? S_OK : HRESULT_FROM_WIN32(error);
}
