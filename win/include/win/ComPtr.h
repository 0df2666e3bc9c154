#pragma once
#include <windows.h>
#include <unknwn.h>
#include <utility>

namespace win {

// Owns one reference to a COM interface and releases it once.
template <class T>
class ComPtr {
public:
    ComPtr() = default;
    // Takes over a reference the caller already holds.
    explicit ComPtr(T* p) : p_(p) {}
    ComPtr(const ComPtr& o) : p_(o.p_) {
        if (p_) p_->AddRef();
    }
    ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    ComPtr& operator=(ComPtr o) noexcept {
        std::swap(p_, o.p_);
        return *this;
    }
    ~ComPtr() { reset(); }

    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // For calls that hand out a new reference; what was held is released.
    T** put() {
        reset();
        return &p_;
    }
    void** putVoid() { return reinterpret_cast<void**>(put()); }
    T* detach() { return std::exchange(p_, nullptr); }
    void reset() {
        if (p_) std::exchange(p_, nullptr)->Release();
    }

    // QueryInterface into another ComPtr; the HRESULT of the call.
    template <class U>
    HRESULT As(REFIID iid, ComPtr<U>& out) const {
        if (!p_) return E_POINTER;
        return p_->QueryInterface(iid, out.putVoid());
    }

private:
    T* p_ = nullptr;
};

// QueryInterface of an object that answers IUnknown and one interface.
template <class I>
HRESULT QuerySingle(I* self, REFIID own, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (iid != IID_IUnknown && iid != own) {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    *out = self;
    self->AddRef();
    return S_OK;
}

// CoInitialize for the life of the object, undone only when it took effect,
// so a thread that already runs COM in another model keeps it.
class ComApartment {
public:
    explicit ComApartment(DWORD model = COINIT_APARTMENTTHREADED)
        : result_(CoInitializeEx(nullptr, model)) {}
    ~ComApartment() {
        if (SUCCEEDED(result_)) CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    HRESULT result() const { return result_; }

private:
    HRESULT result_;
};

}  // namespace win
