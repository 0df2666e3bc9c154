#pragma once
// The property page a host shows for its one-band equaliser effects. Every
// change goes at once to all the effects the page was given; changes not
// applied when the page goes are taken back.
#include <windows.h>
#include <ocidl.h>

#include <atomic>
#include <memory>
#include <vector>

#include "EqRules.h"
#include "audiox.h"
#include "win/ComPtr.h"
#include "win/Dialog.h"

namespace quorvix {

class EqPage;

// The page's dialog, a child of the host's frame.
class EqPageDialog final : public win::Dialog {
public:
    explicit EqPageDialog(EqPage& page);

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    INT_PTR DlgProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void OnScroll(WORD code, HWND slider);
    void ShowPosition(const EqSlider& slider, int position);
    void ApplyEnabling();

    EqPage& page_;
};

class EqPage final : public IPropertyPage {
public:
    // One reference, held by the caller.
    EqPage();

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP SetPageSite(IPropertyPageSite* site) override;
    STDMETHODIMP Activate(HWND parent, LPCRECT rect, BOOL modal) override;
    STDMETHODIMP Deactivate() override;
    STDMETHODIMP GetPageInfo(PROPPAGEINFO* info) override;
    STDMETHODIMP SetObjects(ULONG count, IUnknown** objects) override;
    STDMETHODIMP Show(UINT command) override;
    STDMETHODIMP Move(LPCRECT rect) override;
    STDMETHODIMP IsPageDirty() override;
    STDMETHODIMP Apply() override;
    STDMETHODIMP Help(LPCOLESTR helpDir) override;
    STDMETHODIMP TranslateAccelerator(MSG* message) override;

    // For the dialog.
    EqValues& values() { return values_; }
    // Reads the values from the first effect; what cannot be read is 0.
    void ReadValues();
    // Sets one property on every effect and marks the page dirty.
    void Send(ULONG id);
    // The page goes: changes not applied are taken back.
    void OnDestroyed();

private:
    ~EqPage();
    void SetAll(ULONG id, EqValues& from);

    std::atomic<ULONG> refs_{1};
    win::ComPtr<IPropertyPageSite> site_;
    std::vector<win::ComPtr<IAxPropertySet>> objects_;
    EqValues values_{};
    EqValues saved_{};
    bool dirty_ = false;
    std::unique_ptr<EqPageDialog> dialog_;
};

}  // namespace quorvix
