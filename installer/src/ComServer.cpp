#include "ComServer.h"

#include <windows.h>
#include <objbase.h>

#include "Texts.h"
#include "resource.h"
#include "win/ComPtr.h"
#include "win/Messages.h"

namespace setup {

std::string RunServerEntry(const std::string& path, const char* entry) {
    // Its own folder first, so the server finds the core installed beside it.
    HMODULE server = LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!server) return Text(IDS_LOAD_FAILED, {path, LastErrorText()});
    using Entry = HRESULT(STDAPICALLTYPE*)();
    auto call = reinterpret_cast<Entry>(GetProcAddress(server, entry));
    HRESULT result = E_NOTIMPL;
    if (call) {
        // The type library and the registrar need COM on this thread.
        win::ComApartment apartment;
        result = call();
    }
    FreeLibrary(server);
    if (SUCCEEDED(result)) return {};
    return Text(IDS_ENTRY_FAILED, {entry, path, win::FormatErrorCode("%08lx", static_cast<DWORD>(result))});
}

}  // namespace setup
