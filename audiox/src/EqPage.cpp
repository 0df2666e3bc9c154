#include "EqPage.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>

#include "Module.h"

namespace quorvix {

namespace {

const EqSlider* SliderOf(HWND dialog, HWND control) {
    for (const EqSlider& s : kEqSliders) {
        if (GetDlgItem(dialog, s.control) == control) return &s;
    }
    return nullptr;
}

INT_PTR CALLBACK MeasureProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// The sliders' class; a frame may measure the page before it activates it.
void RegisterSliders() {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
}

// The page's size in pixels, as its template gives it: made once, hidden,
// and measured.
SIZE TemplateSize() {
    SIZE size{};
    RegisterSliders();
    HWND probe = CreateDialogParamA(ModuleInstance(), MAKEINTRESOURCEA(IDD_EQPAGE), GetDesktopWindow(),
                                    MeasureProc, 0);
    if (!probe) return size;
    RECT rect;
    GetWindowRect(probe, &rect);
    DestroyWindow(probe);
    size.cx = rect.right - rect.left;
    size.cy = rect.bottom - rect.top;
    return size;
}

LPOLESTR TaskMemString(const std::wstring& text) {
    size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    auto copy = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
    if (copy) std::memcpy(copy, text.c_str(), bytes);
    return copy;
}

}  // namespace

EqPageDialog::EqPageDialog(EqPage& page) : Dialog(ThisModule(), IDD_EQPAGE), page_(page) {}

BOOL EqPageDialog::OnInitDialog() {
    page_.ReadValues();
    const EqValues& v = page_.values();
    CheckDlgButton(hwnd(), IDC_EQ_BYPASS, v.bypass != 0 ? BST_CHECKED : BST_UNCHECKED);
    CheckRadioButton(hwnd(), IDC_EQ_PEAKING, IDC_EQ_BANDPASS,
                     v.type == AX_EQ_PEAKING ? IDC_EQ_PEAKING : IDC_EQ_BANDPASS);
    for (const EqSlider& s : kEqSliders) {
        HWND slider = Item(s.control);
        int value = SliderValue(page_.values(), s);
        SendMessageA(slider, TBM_SETRANGE, FALSE, MAKELPARAM(s.min, s.max));
        SendMessageA(slider, TBM_SETTICFREQ, s.tick, 0);
        SendMessageA(slider, TBM_SETPAGESIZE, 0, s.page);
        SendMessageA(slider, TBM_SETPOS, TRUE, value);
        ShowPosition(s, static_cast<int>(SendMessageA(slider, TBM_GETPOS, 0, 0)));
    }
    ApplyEnabling();
    return TRUE;
}

bool EqPageDialog::OnCommand(WORD id, WORD code, HWND control) {
    if (code != BN_CLICKED) return false;
    EqValues& v = page_.values();
    switch (id) {
    case IDC_EQ_BYPASS:
        v.bypass = IsDlgButtonChecked(hwnd(), IDC_EQ_BYPASS) == BST_CHECKED ? 1 : 0;
        page_.Send(AX_EQ_BYPASS);
        ApplyEnabling();
        return true;
    case IDC_EQ_PEAKING:
    case IDC_EQ_BANDPASS:
        v.type = IsDlgButtonChecked(hwnd(), IDC_EQ_PEAKING) == BST_CHECKED ? AX_EQ_PEAKING : AX_EQ_BAND_PASS;
        page_.Send(AX_EQ_TYPE);
        ApplyEnabling();
        return true;
    default:
        return false;
    }
}

INT_PTR EqPageDialog::DlgProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_VSCROLL:
        OnScroll(LOWORD(wParam), reinterpret_cast<HWND>(lParam));
        return TRUE;
    case WM_DESTROY:
        page_.OnDestroyed();
        return FALSE;
    default:
        return Dialog::DlgProc(message, wParam, lParam);
    }
}

// While the thumb moves only the text follows it; the value is sent once,
// when the movement ends.
void EqPageDialog::OnScroll(WORD code, HWND control) {
    const EqSlider* slider = SliderOf(hwnd(), control);
    if (!slider) return;
    int position = static_cast<int>(SendMessageA(control, TBM_GETPOS, 0, 0));
    ShowPosition(*slider, position);
    if (code != TB_ENDTRACK) return;
    std::int32_t& value = SliderValue(page_.values(), *slider);
    if (value == position) return;
    value = position;
    page_.Send(slider->property);
}

void EqPageDialog::ShowPosition(const EqSlider& slider, int position) {
    char text[16];
    std::snprintf(text, sizeof text, "%ld", static_cast<long>(position));
    SetItemText(slider.text, text);
}

void EqPageDialog::ApplyEnabling() {
    bool enabled = page_.values().bypass == 0;
    for (int id : {IDC_EQ_PEAKING, IDC_EQ_BANDPASS, IDC_EQ_FREQUENCY, IDC_EQ_GAIN, IDC_EQ_Q}) {
        EnableWindow(Item(id), enabled);
    }
}

EqPage::EqPage() { LockModule(); }

EqPage::~EqPage() {
    if (dialog_) dialog_->Close(IDCANCEL);
    OnDestroyed();
    UnlockModule();
}

STDMETHODIMP EqPage::QueryInterface(REFIID iid, void** out) {
    return win::QuerySingle(static_cast<IPropertyPage*>(this), IID_IPropertyPage, iid, out);
}

STDMETHODIMP_(ULONG) EqPage::AddRef() { return ++refs_; }

STDMETHODIMP_(ULONG) EqPage::Release() {
    ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
}

STDMETHODIMP EqPage::SetPageSite(IPropertyPageSite* site) {
    if (site) site->AddRef();
    site_ = win::ComPtr<IPropertyPageSite>(site);
    return S_OK;
}

STDMETHODIMP EqPage::Activate(HWND parent, LPCRECT rect, BOOL modal) {
    if (!rect) return E_POINTER;
    if (dialog_) return E_UNEXPECTED;
    return Guarded([&] {
        RegisterSliders();
        dialog_ = std::make_unique<EqPageDialog>(*this);
        if (!dialog_->CreateModeless(parent)) {
            dialog_.reset();
            return E_FAIL;
        }
        Move(rect);
        return S_OK;
    });
}

STDMETHODIMP EqPage::Deactivate() {
    if (!dialog_) return E_UNEXPECTED;
    dialog_->Close(IDCANCEL);
    dialog_.reset();
    return S_OK;
}

STDMETHODIMP EqPage::GetPageInfo(PROPPAGEINFO* info) {
    if (!info) return E_POINTER;
    return Guarded([&] {
        *info = PROPPAGEINFO{};
        info->cb = sizeof *info;
        info->pszTitle = TaskMemString(LoadWideString(IDS_EQ_TITLE));
        if (!info->pszTitle) return E_OUTOFMEMORY;
        info->size = TemplateSize();
        return S_OK;
    });
}

// Each effect must speak this version of the equaliser's properties; with
// one that does not, the page takes none of them.
STDMETHODIMP EqPage::SetObjects(ULONG count, IUnknown** objects) {
    objects_.clear();
    if (count > 0 && !objects) return E_POINTER;
    return Guarded([&] {
        std::vector<win::ComPtr<IAxPropertySet>> accepted;
        for (ULONG i = 0; i < count; ++i) {
            win::ComPtr<IAxPropertySet> properties;
            if (!objects[i] || FAILED(objects[i]->QueryInterface(IID_IAxPropertySet, properties.putVoid())))
                return E_NOINTERFACE;
            LONG version = 0;
            ULONG returned = 0;
            HRESULT hr = properties->GetProperty(AXPROPSETID_OneBandEq, AX_EQ_VERSION,
                                                 reinterpret_cast<BYTE*>(&version), sizeof version, &returned);
            if (FAILED(hr) || returned != sizeof version || version != AX_EQ_INTERFACE_VERSION)
                return E_NOINTERFACE;
            accepted.push_back(std::move(properties));
        }
        objects_ = std::move(accepted);
        return S_OK;
    });
}

STDMETHODIMP EqPage::Show(UINT command) {
    if (!dialog_) return E_UNEXPECTED;
    ShowWindow(dialog_->hwnd(), command);
    return S_OK;
}

STDMETHODIMP EqPage::Move(LPCRECT rect) {
    if (!rect) return E_POINTER;
    if (!dialog_) return E_UNEXPECTED;
    MoveWindow(dialog_->hwnd(), rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top,
               TRUE);
    return S_OK;
}

STDMETHODIMP EqPage::IsPageDirty() { return dirty_ ? S_OK : S_FALSE; }

// The effects hold the values already; applying only makes them the ones
// to come back to.
STDMETHODIMP EqPage::Apply() {
    saved_ = values_;
    dirty_ = false;
    return S_OK;
}

STDMETHODIMP EqPage::Help(LPCOLESTR) { return E_NOTIMPL; }

STDMETHODIMP EqPage::TranslateAccelerator(MSG* message) {
    if (!message) return E_POINTER;
    return dialog_ && IsDialogMessageA(dialog_->hwnd(), message) ? S_OK : S_FALSE;
}

void EqPage::ReadValues() {
    values_ = EqValues{};
    if (!objects_.empty()) {
        for (ULONG id : kEqValueOrder) {
            ULONG size = 0;
            void* field = EqField(values_, id, size);
            std::int32_t value = 0;
            ULONG returned = 0;
            HRESULT hr = objects_.front()->GetProperty(AXPROPSETID_OneBandEq, id,
                                                       reinterpret_cast<BYTE*>(&value), size, &returned);
            if (SUCCEEDED(hr) && returned == size) std::memcpy(field, &value, size);
        }
    }
    saved_ = values_;
    dirty_ = false;
}

void EqPage::SetAll(ULONG id, EqValues& from) {
    ULONG size = 0;
    const void* field = EqField(from, id, size);
    for (const auto& object : objects_) {
        object->SetProperty(AXPROPSETID_OneBandEq, id, static_cast<const BYTE*>(field), size);
    }
}

void EqPage::Send(ULONG id) {
    SetAll(id, values_);
    dirty_ = true;
    if (site_) site_->OnStatusChange(PROPPAGESTATUS_DIRTY | PROPPAGESTATUS_VALIDATE);
}

void EqPage::OnDestroyed() {
    if (!dirty_) return;
    for (ULONG id : kEqValueOrder) SetAll(id, saved_);
    values_ = saved_;
    dirty_ = false;
}

}  // namespace quorvix
