// The COM server's entry points: the class table, the lock count and
// registration.
#include "Module.h"

#include <mutex>

#include "ClassFactory.h"
#include "Registration.h"
#include "quorvix.h"

namespace quorvix {

namespace {

HINSTANCE moduleInstance = nullptr;
volatile LONG moduleLocks = 0;

// The class table. The mixer's factory is made at the first request for it,
// since making it opens the boards.
struct ClassTable {
    std::mutex lock;
    std::unique_ptr<MixerFactory> mixer;
    EqPageFactory eqPage;
};
ClassTable* classTable = nullptr;

IClassFactory* FactoryOf(REFCLSID id) {
    if (id == CLSID_EqPage) return &classTable->eqPage;
    if (id != CLSID_Mixer) return nullptr;
    std::lock_guard lock(classTable->lock);
    if (!classTable->mixer) classTable->mixer = std::make_unique<MixerFactory>();
    return classTable->mixer.get();
}

}  // namespace

HINSTANCE ModuleInstance() { return moduleInstance; }

const win::Module& ThisModule() {
    static const win::Module module(moduleInstance, std::string());
    return module;
}

void LockModule() { InterlockedIncrement(&moduleLocks); }

void UnlockModule() { InterlockedDecrement(&moduleLocks); }

std::wstring Widen(std::string_view text) {
    int size = static_cast<int>(text.size());
    int length = MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
    std::wstring wide(length > 0 ? length : 0, L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), length);
    return wide;
}

std::wstring LoadWideString(UINT id) { return Widen(win::LoadResString(moduleInstance, id)); }

}  // namespace quorvix

using namespace quorvix;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        moduleInstance = instance;
        DisableThreadLibraryCalls(instance);
        classTable = new (std::nothrow) ClassTable;
        return classTable != nullptr;
    case DLL_PROCESS_DETACH:
        // When the process is ending its other threads are gone already, the
        // boards' service may be among them: nothing is released then.
        if (!reserved) {
            delete classTable;
            classTable = nullptr;
        }
        return TRUE;
    default:
        return TRUE;
    }
}

STDAPI DllGetClassObject(REFCLSID id, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    return Guarded([&] {
        IClassFactory* factory = FactoryOf(id);
        if (!factory) return CLASS_E_CLASSNOTAVAILABLE;
        return factory->QueryInterface(iid, out);
    });
}

STDAPI DllCanUnloadNow() { return moduleLocks == 0 ? S_OK : S_FALSE; }

STDAPI DllRegisterServer() { return Guarded([] { return RegisterServer(true); }); }

STDAPI DllUnregisterServer() { return Guarded([] { return RegisterServer(false); }); }
