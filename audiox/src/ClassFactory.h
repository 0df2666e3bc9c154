#pragma once
// The class factories of quorvix.dll. Neither class can be aggregated.
// Factories are module objects: their references are the server's locks.
#include <windows.h>
#include <unknwn.h>

#include <memory>

namespace quorvix {

class Mixer;

class ClassFactory : public IClassFactory {
public:
    virtual ~ClassFactory() = default;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override;
    STDMETHODIMP LockServer(BOOL lock) override;

protected:
    virtual HRESULT Create(REFIID iid, void** out) = 0;
};

// Every creation gives the one mixer, built when this factory was made; a
// mixer that could not be built gives that failure every time.
class MixerFactory final : public ClassFactory {
public:
    MixerFactory();
    ~MixerFactory() override;

protected:
    HRESULT Create(REFIID iid, void** out) override;

private:
    std::unique_ptr<Mixer> mixer_;
    HRESULT opened_;
};

// A new page per creation.
class EqPageFactory final : public ClassFactory {
protected:
    HRESULT Create(REFIID iid, void** out) override;
};

}  // namespace quorvix
