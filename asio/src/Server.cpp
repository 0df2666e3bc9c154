// The in-process COM server: one class, the driver, made through a class
// factory that supports aggregation. Registration is an installer's work.
#include "Server.h"

#include <windows.h>
#include <unknwn.h>

#include <new>

#include "AsioDriver.h"
#include "quorvi/DriverClsids.h"
#include "win/ComPtr.h"

namespace quorviasio {

namespace {

LONG g_objects = 0;
LONG g_locks = 0;

using CreateRoutine = HRESULT (*)(IUnknown* outer, REFIID riid, void** result);

struct ServedClass {
    const CLSID* clsid;
    CreateRoutine create;
};

const ServedClass kClasses[] = {{&quorvi::kAsioDriverClsid, &AsioDriver::Create}};

class ClassFactory final : public IClassFactory {
public:
    explicit ClassFactory(CreateRoutine create) : create_(create) { ObjectCreated(); }
    ClassFactory(const ClassFactory&) = delete;
    ClassFactory& operator=(const ClassFactory&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** result) override {
        return win::QuerySingle(static_cast<IClassFactory*>(this), IID_IClassFactory, riid, result);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** result) override {
        return create_(outer, riid, result);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock)
            InterlockedIncrement(&g_locks);
        else
            InterlockedDecrement(&g_locks);
        return S_OK;
    }

private:
    ~ClassFactory() { ObjectDestroyed(); }

    CreateRoutine create_;
    LONG references_ = 1;
};

}  // namespace

void ObjectCreated() { InterlockedIncrement(&g_objects); }
void ObjectDestroyed() { InterlockedDecrement(&g_objects); }

}  // namespace quorviasio

using namespace quorviasio;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, void** result) {
    if (!result) return E_POINTER;
    *result = nullptr;
    if (riid != IID_IUnknown && riid != IID_IClassFactory) return E_NOINTERFACE;
    for (const ServedClass& served : kClasses) {
        if (clsid != *served.clsid) continue;
        auto* factory = new (std::nothrow) ClassFactory(served.create);
        if (!factory) return E_OUTOFMEMORY;
        const HRESULT hr = factory->QueryInterface(riid, result);
        factory->Release();
        return hr;
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return g_objects == 0 && g_locks == 0 ? S_OK : S_FALSE;
}
