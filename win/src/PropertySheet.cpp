#include "win/PropertySheet.h"
#include "win/ExceptionGuard.h"

namespace win {

namespace {
// The sheet between PropertySheetA and its initialisation callback, which
// carries no user data of its own. Both run on the same thread.
thread_local PropertySheet* startingSheet = nullptr;
const char kSheetProperty[] = "win.PropertySheet";

// Messages through which a button or the close box can end a sheet.
bool EndsSheet(UINT message) {
    return message == WM_COMMAND || message == WM_SYSCOMMAND || message == WM_CLOSE ||
           message == PSM_PRESSBUTTON;
}
}

void PropertyPage::SetModified(bool modified) {
    HWND parent = hwnd() ? GetParent(hwnd()) : nullptr;
    if (!parent) return;
    if (modified)
        PropSheet_Changed(parent, hwnd());
    else
        PropSheet_UnChanged(parent, hwnd());
}

PROPSHEETPAGEA PropertyPage::Describe() {
    PROPSHEETPAGEA page{};
    // The first layout of the structure: every comctl32 version accepts it.
    page.dwSize = PROPSHEETPAGEA_V1_SIZE;
    page.dwFlags = PSP_DEFAULT;
    page.hInstance = module().instance();
    page.pszTemplate = MAKEINTRESOURCEA(templateId());
    page.pfnDlgProc = StaticDlgProc;
    page.lParam = reinterpret_cast<LPARAM>(this);
    if (icon_) {
        page.dwFlags |= PSP_USEHICON;
        page.hIcon = icon_;
    }
    if (!title_.empty()) {
        page.dwFlags |= PSP_USETITLE;
        page.pszTitle = title_.c_str();
    }
    return page;
}

INT_PTR PropertyPage::OnSheetNotify(const NMHDR& header) {
    switch (header.code) {
    case PSN_SETACTIVE:
        return Result(OnSetActive() ? 0 : -1);
    case PSN_KILLACTIVE:
        return Result(OnKillActive() ? FALSE : TRUE);
    case PSN_APPLY:
        applyingWithOK_ = reinterpret_cast<const PSHNOTIFY&>(header).lParam != 0;
        return Result(OnApply() ? PSNRET_NOERROR : PSNRET_INVALID_NOCHANGEPAGE);
    case PSN_RESET:
        OnReset();
        return Result(0);
    default:
        return FALSE;
    }
}

INT_PTR PropertyPage::DlgProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NOTIFY) {
        const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
        if (header.hwndFrom == GetParent(hwnd())) return OnSheetNotify(header);
    }
    return DialogWindow::DlgProc(message, wParam, lParam);
}

INT_PTR CALLBACK PropertyPage::StaticDlgProc(HWND hwnd, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
    DialogWindow* self =
        message == WM_INITDIALOG
            ? reinterpret_cast<PropertyPage*>(reinterpret_cast<PROPSHEETPAGEA*>(lParam)->lParam)
            : FromHandle(hwnd);
    return Dispatch(self, hwnd, message, wParam, lParam);
}

INT_PTR PropertySheet::RunModal(HWND owner) {
    if (hwnd_ || pages_.empty()) return -1;
    modeless_ = false;
    INT_PTR result = Run(owner, 0);
    hwnd_ = nullptr;
    for (PropertyPage* page : pages_) page->sheet_ = nullptr;
    return result;
}

bool PropertySheet::CreateModeless(HWND owner) {
    if (hwnd_ || pages_.empty()) return false;
    modeless_ = true;
    const INT_PTR created = Run(owner, PSH_MODELESS);
    if (created > 0 && hwnd_) {
        AddModelessWindow(hwnd_);
        return true;
    }
    if (created > 0) DestroyWindow(reinterpret_cast<HWND>(created));
    for (PropertyPage* page : pages_) page->sheet_ = nullptr;
    return false;
}

PropertySheet::~PropertySheet() {
    if (modeless_ && hwnd_) DestroyWindow(hwnd_);
}

INT_PTR PropertySheet::Run(HWND owner, DWORD flags) {
    // Page handles rather than an array of descriptions: comctl32 steps
    // through such an array by each entry's dwSize, not by the C++ size.
    std::vector<HPROPSHEETPAGE> pages;
    for (PropertyPage* page : pages_) {
        PROPSHEETPAGEA description = page->Describe();
        HPROPSHEETPAGE handle = CreatePropertySheetPageA(&description);
        if (!handle) {
            for (HPROPSHEETPAGE made : pages) DestroyPropertySheetPage(made);
            return -1;
        }
        pages.push_back(handle);
    }
    for (PropertyPage* page : pages_) page->sheet_ = this;
    PROPSHEETHEADERA header{};
    header.dwSize = PROPSHEETHEADERA_V1_SIZE;
    header.dwFlags = PSH_USECALLBACK | flags;
    header.hwndParent = owner;
    header.hInstance = module_.instance();
    header.pszCaption = caption_.c_str();
    header.nPages = static_cast<UINT>(pages.size());
    header.nStartPage = activeIndex_ >= 0 && static_cast<size_t>(activeIndex_) < pages.size()
                            ? activeIndex_ : 0;
    header.phpage = pages.data();
    header.pfnCallback = Callback;

    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    startingSheet = this;
    INT_PTR result = ::PropertySheetA(&header);
    startingSheet = nullptr;
    return result;
}

int CALLBACK PropertySheet::Callback(HWND hwnd, UINT message, LPARAM lParam) {
    PropertySheet* self = startingSheet;
    if (message != PSCB_INITIALIZED || !self) return 0;
    startingSheet = nullptr;
    self->hwnd_ = hwnd;
    SetPropA(hwnd, kSheetProperty, self);
    self->original_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SubclassProc)));
    return 0;
}

LRESULT CALLBACK PropertySheet::SubclassProc(HWND hwnd, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
    auto* self = static_cast<PropertySheet*>(GetPropA(hwnd, kSheetProperty));
    if (!self) return DefWindowProcA(hwnd, message, wParam, lParam);
    WNDPROC original = self->original_;
    LRESULT result = 0;
    if (RunGuarded(false, [&] { return self->OnSheetMessage(message, wParam, lParam, result); }))
        return result;
    if (message == WM_DESTROY) self->activeIndex_ = self->TabIndex();
    if (message == WM_NCDESTROY) {
        // Undo the subclass before the sheet's own last message.
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        RemovePropA(hwnd, kSheetProperty);
        RemoveModelessWindow(hwnd);
        self->hwnd_ = nullptr;
        if (self->modeless_)
            for (PropertyPage* page : self->pages_) page->sheet_ = nullptr;
    }
    const bool modeless = self->modeless_;
    LRESULT handled = CallWindowProcA(original, hwnd, message, wParam, lParam);
    // A modeless sheet that OK or Cancel ended has no current page left;
    // destroying it is its owner's part.
    if (modeless && EndsSheet(message) && IsWindow(hwnd) && !PropSheet_GetCurrentPageHwnd(hwnd))
        DestroyWindow(hwnd);
    // A button pressed through a sent message (another thread or program)
    // can end the sheet while its modal loop sleeps in GetMessage; Wine's
    // loop only sees that on the next posted message, so post one.
    if ((message == WM_COMMAND || message == PSM_PRESSBUTTON) && InSendMessage())
        PostMessageA(hwnd, WM_NULL, 0, 0);
    return handled;
}

int PropertySheet::TabIndex() const {
    HWND tab = PropSheet_GetTabControl(hwnd_);
    int index = tab ? TabCtrl_GetCurSel(tab) : -1;
    return index >= 0 ? index : activeIndex_;
}

int PropertySheet::ActivePageIndex() const {
    return hwnd_ ? TabIndex() : activeIndex_;
}

bool PropertySheet::SetActivePage(int index) {
    if (index < 0 || static_cast<size_t>(index) >= pages_.size()) return false;
    if (!hwnd_) {
        activeIndex_ = index;
        return true;
    }
    return PropSheet_SetCurSel(hwnd_, nullptr, index) != FALSE;
}

}  // namespace win
