#include "win/Dialog.h"
#include "win/ExceptionGuard.h"
#include "win/Window.h"
#include <algorithm>
#include <mutex>
#include <vector>

namespace win {

namespace {

// The open modeless dialogs, for IsModelessDialogMessage on their threads.
// Not a thread_local: one with a destructor pins a DLL in memory until its
// thread ends, so a plug-in that showed a dialog could never be unloaded.
class ModelessDialogs {
public:
    void Add(HWND h) {
        std::lock_guard lock(mutex_);
        dialogs_.push_back(h);
    }
    void Remove(HWND h) {
        std::lock_guard lock(mutex_);
        std::erase(dialogs_, h);
    }
    std::vector<HWND> OfThisThread() {
        std::lock_guard lock(mutex_);
        std::vector<HWND> mine;
        for (HWND h : dialogs_) {
            if (GetWindowThreadProcessId(h, nullptr) == GetCurrentThreadId()) mine.push_back(h);
        }
        return mine;
    }

private:
    std::mutex mutex_;
    std::vector<HWND> dialogs_;
};
ModelessDialogs modelessDialogs;

}  // namespace

std::string DialogWindow::ItemText(int id) const {
    return WindowText(Item(id));
}

void DialogWindow::SetItemText(int id, std::string_view text) const {
    SetDlgItemTextA(hwnd_, id, std::string(text).c_str());
}

bool DialogWindow::UpdateData(bool save) {
    DataExchange dx(hwnd_, module_, save);
    return DoDataExchange(dx);
}

bool DialogWindow::OnCommand(WORD id, WORD code, HWND control) {
    if (id == IDOK) {
        OnOK();
        return true;
    }
    if (id == IDCANCEL) {
        OnCancel();
        return true;
    }
    return false;
}

INT_PTR DialogWindow::DlgProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog();
    case WM_COMMAND:
        return OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
    default:
        return FALSE;
    }
}

INT_PTR DialogWindow::Result(LRESULT value) const {
    SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, value);
    return TRUE;
}

DialogWindow* DialogWindow::FromHandle(HWND hwnd) {
    return reinterpret_cast<DialogWindow*>(GetWindowLongPtrA(hwnd, DWLP_USER));
}

INT_PTR DialogWindow::Dispatch(DialogWindow* self, HWND hwnd, UINT message, WPARAM wParam,
                               LPARAM lParam) {
    if (message == WM_INITDIALOG && self) {
        self->hwnd_ = hwnd;
        SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    }
    if (!self) return FALSE;
    INT_PTR result = RunGuarded(INT_PTR(FALSE), [&] {
        return self->DlgProc(message, wParam, lParam);
    });
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, DWLP_USER, 0);
        self->hwnd_ = nullptr;
        self->OnDestroyed();
    }
    return result;
}

Dialog::~Dialog() {
    if (HWND h = hwnd()) {
        SetWindowLongPtrA(h, DWLP_USER, 0);
        modelessDialogs.Remove(h);
        DestroyWindow(h);
    }
}

INT_PTR Dialog::RunModal(HWND owner) {
    if (hwnd()) return -1;
    modeless_ = false;
    result_ = -1;
    return DialogBoxParamA(module().instance(), MAKEINTRESOURCEA(templateId()), owner,
                           StaticDlgProc, reinterpret_cast<LPARAM>(this));
}

bool Dialog::CreateModeless(HWND owner) {
    if (hwnd()) return false;
    modeless_ = true;
    result_ = -1;
    HWND h = CreateDialogParamA(module().instance(), MAKEINTRESOURCEA(templateId()), owner,
                                StaticDlgProc, reinterpret_cast<LPARAM>(this));
    if (!h) return false;
    modelessDialogs.Add(h);
    return true;
}

void Dialog::Close(INT_PTR result) {
    if (!hwnd()) return;
    result_ = result;
    if (modeless_)
        DestroyWindow(hwnd());
    else
        EndDialog(hwnd(), result);
}

INT_PTR CALLBACK Dialog::StaticDlgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    DialogWindow* self = message == WM_INITDIALOG ? reinterpret_cast<Dialog*>(lParam)
                                                  : FromHandle(hwnd);
    if (message == WM_NCDESTROY) modelessDialogs.Remove(hwnd);
    return Dispatch(self, hwnd, message, wParam, lParam);
}

void AddModelessWindow(HWND window) { modelessDialogs.Add(window); }

void RemoveModelessWindow(HWND window) { modelessDialogs.Remove(window); }

bool IsModelessDialogMessage(MSG& msg) {
    // A copy: handling the message may close a dialog and shrink the list.
    std::vector<HWND> dialogs = modelessDialogs.OfThisThread();
    for (HWND dialog : dialogs)
        if (IsWindow(dialog) && IsDialogMessageA(dialog, &msg)) return true;
    return false;
}

int RunMessageLoop() {
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (IsModelessDialogMessage(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}

}  // namespace win

