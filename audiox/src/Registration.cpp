#include "Registration.h"

#include <oleauto.h>

#include <string>

#include "Module.h"
#include "quorvix.h"
#include "resource.h"
#include "win/ComPtr.h"

namespace quorvix {

// The registrar component of atl.dll, which Windows and Wine ship: it runs
// the registry scripts kept in our resources.
const CLSID kRegistrarClass = {0x44EC053A, 0x400F, 0x11D0, {0x9D, 0xCD, 0x00, 0xA0, 0xC9, 0x03, 0x91, 0xD3}};
const IID kRegistrarInterface = {0x44EC053B, 0x400F, 0x11D0, {0x9D, 0xCD, 0x00, 0xA0, 0xC9, 0x03, 0x91, 0xD3}};

// Declared outside any unnamed namespace: the compiler must not conclude that
// nothing implements it.
struct IRegistrar : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE AddReplacement(LPCOLESTR key, LPCOLESTR item) = 0;
    virtual HRESULT STDMETHODCALLTYPE ClearReplacements() = 0;
    virtual HRESULT STDMETHODCALLTYPE ResourceRegisterSz(LPCOLESTR file, LPCOLESTR id, LPCOLESTR type) = 0;
    virtual HRESULT STDMETHODCALLTYPE ResourceUnregisterSz(LPCOLESTR file, LPCOLESTR id, LPCOLESTR type) = 0;
    virtual HRESULT STDMETHODCALLTYPE FileRegister(LPCOLESTR file) = 0;
    virtual HRESULT STDMETHODCALLTYPE FileUnregister(LPCOLESTR file) = 0;
    virtual HRESULT STDMETHODCALLTYPE StringRegister(LPCOLESTR script) = 0;
    virtual HRESULT STDMETHODCALLTYPE StringUnregister(LPCOLESTR script) = 0;
    virtual HRESULT STDMETHODCALLTYPE ResourceRegister(LPCOLESTR file, UINT id, LPCOLESTR type) = 0;
    virtual HRESULT STDMETHODCALLTYPE ResourceUnregister(LPCOLESTR file, UINT id, LPCOLESTR type) = 0;
};

namespace {

std::wstring ModulePath() {
    char path[MAX_PATH + 1] = {};
    DWORD length = GetModuleFileNameA(ModuleInstance(), path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    return Widen(std::string_view(path, length));
}

// A quote inside a script's string is written twice.
std::wstring ScriptQuoted(const std::wstring& text) {
    std::wstring quoted;
    for (wchar_t c : text) {
        quoted += c;
        if (c == L'\'') quoted += c;
    }
    return quoted;
}

HRESULT RunScripts(const std::wstring& module, bool registering) {
    win::ComPtr<IRegistrar> registrar;
    HRESULT hr = CoCreateInstance(kRegistrarClass, nullptr, CLSCTX_INPROC_SERVER, kRegistrarInterface,
                                  registrar.putVoid());
    if (FAILED(hr)) return hr;
    hr = registrar->AddReplacement(L"MODULE", ScriptQuoted(module).c_str());
    for (UINT script : {IDR_MIXER, IDR_EQPAGE}) {
        if (FAILED(hr)) break;
        hr = registering ? registrar->ResourceRegister(module.c_str(), script, L"REGISTRY")
                         : registrar->ResourceUnregister(module.c_str(), script, L"REGISTRY");
    }
    return hr;
}

HRESULT RegisterTypeLibrary(const std::wstring& module) {
    win::ComPtr<ITypeLib> library;
    return LoadTypeLibEx(module.c_str(), REGKIND_REGISTER, library.put());
}

}  // namespace

HRESULT RegisterServer(bool registering) {
    std::wstring module = ModulePath();
    if (module.empty()) return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    // The registrar is a COM object; regsvr32 and installers do not all
    // start COM on their thread first.
    win::ComApartment apartment;
    HRESULT hr = RunScripts(module, registering);
    if (FAILED(hr)) return hr;
    if (registering) return RegisterTypeLibrary(module);
    return UnRegisterTypeLib(LIBID_QUORVIXLib, 1, 0, LOCALE_NEUTRAL, SYS_WIN32);
}

}  // namespace quorvix
