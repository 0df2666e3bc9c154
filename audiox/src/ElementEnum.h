#pragma once
// An enumerator over a snapshot of one of the mixer's lists. It keeps the
// module loaded, and so the mixer and its elements alive, while it exists.
#include <windows.h>

#include <atomic>
#include <mutex>
#include <vector>

#include "Element.h"
#include "audiox.h"

namespace quorvix {

class ElementEnum final : public IAxEnumElements {
public:
    // A new enumerator with one reference, or null without memory.
    static ElementEnum* Create(std::vector<Element*> items, size_t position = 0);

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP Next(ULONG count, IAxElement** elements, ULONG* fetched) override;
    STDMETHODIMP Skip(ULONG count) override;
    STDMETHODIMP Reset() override;
    STDMETHODIMP Clone(IAxEnumElements** copy) override;

private:
    ElementEnum(std::vector<Element*> items, size_t position);
    ~ElementEnum();

    std::atomic<ULONG> refs_{1};
    const std::vector<Element*> items_;
    std::mutex lock_;  // hosts may share an enumerator between threads
    size_t position_;
};

}  // namespace quorvix
