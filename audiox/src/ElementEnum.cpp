#include "ElementEnum.h"

#include <algorithm>
#include <new>

#include "Module.h"
#include "win/ComPtr.h"

namespace quorvix {

ElementEnum* ElementEnum::Create(std::vector<Element*> items, size_t position) {
    return new (std::nothrow) ElementEnum(std::move(items), position);
}

ElementEnum::ElementEnum(std::vector<Element*> items, size_t position)
    : items_(std::move(items)), position_(position) {
    LockModule();
}

ElementEnum::~ElementEnum() { UnlockModule(); }

STDMETHODIMP ElementEnum::QueryInterface(REFIID iid, void** out) {
    return win::QuerySingle(static_cast<IAxEnumElements*>(this), IID_IAxEnumElements, iid, out);
}

STDMETHODIMP_(ULONG) ElementEnum::AddRef() { return ++refs_; }

STDMETHODIMP_(ULONG) ElementEnum::Release() {
    ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
}

STDMETHODIMP ElementEnum::Next(ULONG count, IAxElement** elements, ULONG* fetched) {
    if (fetched) *fetched = 0;
    if (count == 0) return S_OK;
    if (!elements) return E_POINTER;
    // The standard rule: without a count to report, one at a time.
    if (!fetched && count != 1) return E_INVALIDARG;
    std::lock_guard lock(lock_);
    ULONG given = 0;
    for (; given < count && position_ < items_.size(); ++given) {
        elements[given] = items_[position_++];
        elements[given]->AddRef();
    }
    if (fetched) *fetched = given;
    return given == count ? S_OK : S_FALSE;
}

STDMETHODIMP ElementEnum::Skip(ULONG count) {
    std::lock_guard lock(lock_);
    size_t left = items_.size() - position_;
    position_ += std::min<size_t>(count, left);
    return count <= left ? S_OK : S_FALSE;
}

STDMETHODIMP ElementEnum::Reset() {
    std::lock_guard lock(lock_);
    position_ = 0;
    return S_OK;
}

STDMETHODIMP ElementEnum::Clone(IAxEnumElements** copy) {
    if (!copy) return E_POINTER;
    *copy = nullptr;
    return Guarded([&] {
        std::lock_guard lock(lock_);
        *copy = Create(items_, position_);
        return *copy ? S_OK : E_OUTOFMEMORY;
    });
}

}  // namespace quorvix
