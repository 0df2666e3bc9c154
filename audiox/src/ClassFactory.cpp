#include "ClassFactory.h"

#include "EqPage.h"
#include "Mixer.h"
#include "Module.h"
#include "win/ComPtr.h"

namespace quorvix {

STDMETHODIMP ClassFactory::QueryInterface(REFIID iid, void** out) {
    return win::QuerySingle(static_cast<IClassFactory*>(this), IID_IClassFactory, iid, out);
}

STDMETHODIMP_(ULONG) ClassFactory::AddRef() {
    LockModule();
    return 2;
}

STDMETHODIMP_(ULONG) ClassFactory::Release() {
    UnlockModule();
    return 1;
}

STDMETHODIMP ClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return Create(iid, out);
}

STDMETHODIMP ClassFactory::LockServer(BOOL lock) {
    if (lock)
        LockModule();
    else
        UnlockModule();
    return S_OK;
}

MixerFactory::MixerFactory() : opened_(Mixer::Create(mixer_)) {}

MixerFactory::~MixerFactory() = default;

HRESULT MixerFactory::Create(REFIID iid, void** out) {
    if (FAILED(opened_)) return opened_;
    return mixer_->QueryInterface(iid, out);
}

HRESULT EqPageFactory::Create(REFIID iid, void** out) {
    return Guarded([&] {
        EqPage* page = new EqPage;
        HRESULT hr = page->QueryInterface(iid, out);
        page->Release();
        return hr;
    });
}

}  // namespace quorvix
