#pragma once
#include "win/DataExchange.h"
#include "win/Messages.h"
#include <windows.h>
#include <string>
#include <string_view>

namespace win {

// What modal dialogs, modeless dialogs and property pages share: a dialog
// template of a module, the per-object message handler and the standard
// notifications. The derived class overrides the virtuals it needs and puts
// any other message in a switch in DlgProc, passing the rest to the base.
class DialogWindow {
public:
    DialogWindow(const Module& module, UINT templateId)
        : module_(module), templateId_(templateId) {}
    DialogWindow(const DialogWindow&) = delete;
    DialogWindow& operator=(const DialogWindow&) = delete;
    virtual ~DialogWindow() = default;

    HWND hwnd() const { return hwnd_; }
    HWND Item(int id) const { return GetDlgItem(hwnd_, id); }
    std::string ItemText(int id) const;
    void SetItemText(int id, std::string_view text) const;
    const Module& module() const { return module_; }
    UINT templateId() const { return templateId_; }

    // Loads the controls from the variables (save false) or validates and
    // stores them (save true); false when a value was refused.
    bool UpdateData(bool save);

protected:
    // Loads the controls; return TRUE to let the dialog manager focus the
    // first control.
    virtual BOOL OnInitDialog() {
        UpdateData(false);
        return TRUE;
    }
    // The dialog's controls and their variables, for UpdateData.
    virtual bool DoDataExchange(DataExchange& dx) { return true; }
    // WM_COMMAND; the base maps IDOK to OnOK and IDCANCEL to OnCancel.
    // Return true when the command was handled.
    virtual bool OnCommand(WORD id, WORD code, HWND control);
    virtual void OnOK() {}
    virtual void OnCancel() {}
    // Every message after the dialog is attached. Returns what a dialog
    // procedure returns; use Result() for messages that need a value.
    virtual INT_PTR DlgProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Sets the message's result (DWLP_MSGRESULT) and returns TRUE.
    INT_PTR Result(LRESULT value) const;
    // After WM_NCDESTROY, when hwnd() is already null.
    virtual void OnDestroyed() {}

    // For the derived kinds: bind this object to its window at WM_INITDIALOG
    // and run one message through it, guarded against exceptions.
    static INT_PTR Dispatch(DialogWindow* self, HWND hwnd, UINT message, WPARAM wParam,
                            LPARAM lParam);
    static DialogWindow* FromHandle(HWND hwnd);

private:
    const Module& module_;
    UINT templateId_;
    HWND hwnd_ = nullptr;
};

// A dialog run modally (DialogBoxParam) or modelessly (CreateDialogParam).
class Dialog : public DialogWindow {
public:
    using DialogWindow::DialogWindow;
    // A modeless dialog still open is destroyed with its object.
    ~Dialog() override;

    // Returns the value given to Close, or -1 when the dialog could not run.
    INT_PTR RunModal(HWND owner);
    bool CreateModeless(HWND owner);
    // Ends a modal dialog, or destroys a modeless one.
    void Close(INT_PTR result);
    INT_PTR result() const { return result_; }

protected:
    // Closes only when every value passes its check.
    void OnOK() override {
        if (UpdateData(true)) Close(IDOK);
    }
    void OnCancel() override { Close(IDCANCEL); }

private:
    static INT_PTR CALLBACK StaticDlgProc(HWND hwnd, UINT message, WPARAM wParam,
                                          LPARAM lParam);
    bool modeless_ = false;
    INT_PTR result_ = -1;
};

// Windows of this thread that take the keyboard as dialogs do while they
// live modelessly (a modeless property sheet); see IsModelessDialogMessage.
void AddModelessWindow(HWND window);
void RemoveModelessWindow(HWND window);

// Gives the keyboard interface (Tab, Enter, Escape, mnemonics) to this
// thread's open modeless dialogs; call it for every message of a loop.
bool IsModelessDialogMessage(MSG& msg);
// GetMessage loop until WM_QUIT, with the above; returns the quit code.
int RunMessageLoop();

}  // namespace win
