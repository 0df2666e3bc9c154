#pragma once
#include "win/Dialog.h"
#include <windows.h>
#include <commctrl.h>
#include <string>
#include <vector>

// prsht.h maps the name to PropertySheetA; here it names the class below.
#undef PropertySheet

namespace win {

class PropertySheet;

// One page of a property sheet. The sheet's notifications arrive as
// virtuals; the page's own controls are handled as in any dialog.
class PropertyPage : public DialogWindow {
public:
    using DialogWindow::DialogWindow;

    // The tab text instead of the template's caption.
    void SetTitle(std::string title) { title_ = std::move(title); }
    // A small icon on the tab; the caller keeps it alive.
    void SetIcon(HICON icon) { icon_ = icon; }
    // Enables or clears the sheet's Apply button for this page.
    void SetModified(bool modified = true);
    // The sheet this page is shown in, while it runs.
    PropertySheet* sheet() const { return sheet_; }
    // Inside OnApply: whether OK (true) or Apply (false) was pressed.
    bool applyingWithOK() const { return applyingWithOK_; }

protected:
    // Return false to refuse the activation.
    virtual bool OnSetActive() { return true; }
    // Validate and store; return false to keep the user on this page.
    virtual bool OnKillActive() { return UpdateData(true); }
    // OK or Apply, for every page that has been shown. Return false to keep
    // the sheet open on this page.
    virtual bool OnApply() {
        OnOK();
        return true;
    }
    // Cancel.
    virtual void OnReset() {}
    INT_PTR DlgProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    friend class PropertySheet;
    PROPSHEETPAGEA Describe();
    INT_PTR OnSheetNotify(const NMHDR& header);
    static INT_PTR CALLBACK StaticDlgProc(HWND hwnd, UINT message, WPARAM wParam,
                                          LPARAM lParam);

    std::string title_;
    HICON icon_ = nullptr;
    PropertySheet* sheet_ = nullptr;
    bool applyingWithOK_ = false;
};

// A property sheet over pages owned by the caller, in the order added, run
// modally or modelessly.
class PropertySheet {
public:
    PropertySheet(const Module& module, std::string caption)
        : module_(module), caption_(std::move(caption)) {}
    PropertySheet(const PropertySheet&) = delete;
    PropertySheet& operator=(const PropertySheet&) = delete;
    // A modeless sheet still open goes with its object.
    virtual ~PropertySheet();

    void AddPage(PropertyPage& page) { pages_.push_back(&page); }
    size_t pageCount() const { return pages_.size(); }

    // PropertySheet's result: positive when something was applied, 0 when
    // not, -1 when the sheet could not be shown.
    INT_PTR RunModal(HWND owner);
    // Shows the sheet and returns at once. OK, Cancel and the close box end
    // it: the sheet then destroys its window itself. False when it could not
    // be shown.
    bool CreateModeless(HWND owner);
    HWND hwnd() const { return hwnd_; }

    // The page shown; after the sheet has closed, the page shown last.
    int ActivePageIndex() const;
    // Before RunModal: the page shown first. While running: switches pages,
    // which the current page may refuse in OnKillActive.
    bool SetActivePage(int index);

protected:
    // Every message of the sheet window before the sheet handles it, such as
    // registered window messages broadcast by other programs. Return true and
    // set result to handle it here.
    virtual bool OnSheetMessage(UINT message, WPARAM wParam, LPARAM lParam,
                                LRESULT& result) {
        return false;
    }

private:
    // PropertySheetA's result, with the pages bound to this sheet meanwhile.
    INT_PTR Run(HWND owner, DWORD flags);
    static int CALLBACK Callback(HWND hwnd, UINT message, LPARAM lParam);
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam,
                                         LPARAM lParam);
    int TabIndex() const;

    const Module& module_;
    std::string caption_;
    std::vector<PropertyPage*> pages_;
    HWND hwnd_ = nullptr;
    WNDPROC original_ = nullptr;
    int activeIndex_ = 0;
    bool modeless_ = false;
};

}  // namespace win
