#include "testkit/Robot.h"
#include "WindowQuery.h"
#include <commctrl.h>
#include <gtest/gtest.h>
#include <thread>

namespace testkit {
namespace {

const UINT kAnswerMs = 10000;
const DWORD kPollMs = 10;

bool IsClass(HWND w, const char* name) { return _stricmp(ClassOf(w).c_str(), name) == 0; }

// SendMessage that cannot hang the test: a window that does not answer in
// time fails the test and the call returns `failed`.
LRESULT Send(HWND w, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT failed = 0) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(w, msg, wParam, lParam, SMTO_NORMAL, kAnswerMs, &result)) {
        ADD_FAILURE() << "window " << w << " (" << ClassOf(w) << ") did not answer message 0x" << std::hex << msg;
        return failed;
    }
    return static_cast<LRESULT>(result);
}

// Window text read with a short timeout: used while searching, where a busy
// window is simply not the one looked for.
std::string QuietText(HWND w) { return TextWithin(w, 1000); }

bool Usable(HWND w, const char* action) {
    if (!IsWindow(w)) {
        ADD_FAILURE() << "cannot " << action << ": no window";
        return false;
    }
    if (!IsWindowVisible(w) || !IsWindowEnabled(w)) {
        ADD_FAILURE() << "cannot " << action << ": control " << GetDlgCtrlID(w) << " (" << ClassOf(w) << ", \""
                      << QuietText(w) << "\") is " << (IsWindowVisible(w) ? "disabled" : "hidden");
        return false;
    }
    return true;
}

void NotifyParent(HWND control, WORD code) {
    Send(GetParent(control), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), code), reinterpret_cast<LPARAM>(control));
}

struct TopSearch {
    const std::string& className;
    const std::string& caption;
    DWORD processId;
    bool visibleOnly;
    HWND found = nullptr;
};

BOOL CALLBACK MatchTop(HWND w, LPARAM param) {
    auto* s = reinterpret_cast<TopSearch*>(param);
    if (s->visibleOnly && !IsWindowVisible(w)) return TRUE;
    if (s->processId) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        if (pid != s->processId) return TRUE;
    }
    if (!s->className.empty() && !IsClass(w, s->className.c_str())) return TRUE;
    if (!s->caption.empty() && QuietText(w) != s->caption) return TRUE;
    s->found = w;
    return FALSE;
}

struct ControlSearch {
    int id;
    HWND visible = nullptr;
    HWND hidden = nullptr;
};

BOOL CALLBACK MatchControl(HWND w, LPARAM param) {
    auto* s = reinterpret_cast<ControlSearch*>(param);
    if (GetDlgCtrlID(w) != s->id) return TRUE;
    if (IsWindowVisible(w)) {
        s->visible = w;
        return FALSE;
    }
    if (!s->hidden) s->hidden = w;
    return TRUE;
}

// The tab item's rectangle, read through memory of the tab's own process when
// it lives elsewhere, since TCM_GETITEMRECT passes a pointer.
bool TabItemRect(HWND tab, int index, RECT& rect) {
    DWORD pid = 0;
    GetWindowThreadProcessId(tab, &pid);
    if (pid == GetCurrentProcessId()) return Send(tab, TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&rect)) != 0;
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!process) return false;
    bool ok = false;
    void* remote = VirtualAllocEx(process, nullptr, sizeof rect, MEM_COMMIT, PAGE_READWRITE);
    if (remote) {
        ok = Send(tab, TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(remote)) != 0 &&
             ReadProcessMemory(process, remote, &rect, sizeof rect, nullptr);
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    }
    CloseHandle(process);
    return ok;
}

HWND TabControlOf(HWND w) {
    if (IsClass(w, WC_TABCONTROLA)) return w;
    return FindWindowExA(w, nullptr, WC_TABCONTROLA, nullptr);
}

HWND EditOf(HWND w) {
    if (IsClass(w, "ComboBox")) return FindWindowExA(w, nullptr, "Edit", nullptr);
    return w;
}

bool IsMultiSelectList(HWND list) {
    return (GetWindowLongA(list, GWL_STYLE) & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) != 0;
}

LRESULT SendW(HWND w, UINT msg, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(w, msg, wParam, lParam, SMTO_NORMAL, kAnswerMs, &result)) {
        ADD_FAILURE() << "window " << w << " (" << ClassOf(w) << ") did not answer message 0x" << std::hex << msg;
        return -1;
    }
    return static_cast<LRESULT>(result);
}

// Entry texts are read as Unicode: Wine hands an ANSI caller the Unicode
// bytes of another process's combo and list entries.
std::vector<std::string> Items(HWND w, UINT countMsg, UINT lenMsg, UINT textMsg) {
    std::vector<std::string> items;
    LRESULT count = SendW(w, countMsg, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        LRESULT len = SendW(w, lenMsg, i, 0);
        if (len < 0) break;
        std::wstring wide(len + 1, L'\0');
        LRESULT got = SendW(w, textMsg, i, reinterpret_cast<LPARAM>(wide.data()));
        wide.resize(got < 0 ? 0 : std::min<size_t>(got, len));
        std::string text(wide.size() * 2 + 1, '\0');
        int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), text.data(),
                                    static_cast<int>(text.size()), nullptr, nullptr);
        text.resize(n > 0 ? n : 0);
        items.push_back(text);
    }
    return items;
}

int IndexOf(const std::vector<std::string>& items, const std::string& text) {
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i] == text) return static_cast<int>(i);
    return -1;
}

BOOL CALLBACK CloseOne(HWND w, LPARAM) {
    if (IsWindowVisible(w) && IsWindowEnabled(w)) {
        PostMessageA(w, WM_CLOSE, 0, 0);
        PostMessageA(w, WM_COMMAND, IDCANCEL, 0);
    }
    return TRUE;
}

}  // namespace

HWND FindTopWindow(const std::string& className, const std::string& caption, DWORD processId) {
    TopSearch s{className, caption, processId, false};
    EnumWindows(MatchTop, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

HWND WaitForTopWindow(const std::string& className, const std::string& caption, DWORD timeoutMs,
                      DWORD processId) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            TopSearch s{className, caption, processId, true};
            EnumWindows(MatchTop, reinterpret_cast<LPARAM>(&s));
            found = s.found;
            return found != nullptr;
        },
        timeoutMs);
    if (!found)
        ADD_FAILURE() << "no top-level window of class \"" << className << "\" and caption \"" << caption
                      << "\" appeared within " << timeoutMs << " ms";
    return found;
}

HWND FindControl(HWND root, int id) {
    ControlSearch s{id};
    EnumChildWindows(root, MatchControl, reinterpret_cast<LPARAM>(&s));
    return s.visible ? s.visible : s.hidden;
}

HWND Control(HWND root, int id, DWORD timeoutMs) {
    HWND found = nullptr;
    if (!IsWindow(root)) {
        ADD_FAILURE() << "no window to find control " << id << " in";
        return nullptr;
    }
    WaitUntil([&] { return (found = FindControl(root, id)) != nullptr; }, timeoutMs);
    if (!found) ADD_FAILURE() << "no control " << id << " in window \"" << QuietText(root) << "\"";
    return found;
}

void Click(HWND button) {
    if (Usable(button, "click")) Send(button, BM_CLICK, 0, 0);
}

void PostClick(HWND button) {
    if (Usable(button, "click")) PostMessageA(button, BM_CLICK, 0, 0);
}

void SetCheck(HWND button, bool checked) {
    // A three-state box needs up to two clicks to come round.
    for (int i = 0; i < 3 && (GetCheck(button) == BST_CHECKED) != checked; ++i) Click(button);
    if ((GetCheck(button) == BST_CHECKED) != checked)
        ADD_FAILURE() << "check box " << GetDlgCtrlID(button) << " does not take the state " << checked;
}

void TypeText(HWND edit, const std::string& text) {
    HWND target = EditOf(edit);
    if (!Usable(target, "type")) return;
    Send(target, EM_SETSEL, 0, -1);
    if (text.empty()) Send(target, WM_CLEAR, 0, 0);
    // The Enter key types a carriage return, not a line feed.
    for (char c : text) Send(target, WM_CHAR, c == '\n' ? '\r' : static_cast<unsigned char>(c), 1);
}

bool SelectTab(HWND tabOrSheet, int index) {
    HWND tab = TabControlOf(tabOrSheet);
    if (!tab) {
        ADD_FAILURE() << "window \"" << QuietText(tabOrSheet) << "\" has no tab control";
        return false;
    }
    if (!Usable(tab, "select a tab")) return false;
    RECT r;
    if (!TabItemRect(tab, index, r)) {
        ADD_FAILURE() << "tab control has no tab " << index;
        return false;
    }
    // A click on the tab, so the owner sees TCN_SELCHANGING (and may refuse)
    // and TCN_SELCHANGE exactly as from the mouse.
    LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    Send(tab, WM_LBUTTONDOWN, MK_LBUTTON, at);
    Send(tab, WM_LBUTTONUP, 0, at);
    return Send(tab, TCM_GETCURSEL, 0, 0, -1) == index;
}

bool SelectComboItem(HWND combo, int index) {
    if (!Usable(combo, "select in a combo box")) return false;
    if (Send(combo, CB_SETCURSEL, index, 0, CB_ERR) == CB_ERR) {
        ADD_FAILURE() << "combo box " << GetDlgCtrlID(combo) << " has no entry " << index;
        return false;
    }
    NotifyParent(combo, CBN_SELCHANGE);
    return true;
}

bool SelectComboText(HWND combo, const std::string& text) {
    int index = IndexOf(ComboItems(combo), text);
    if (index < 0) {
        ADD_FAILURE() << "combo box " << GetDlgCtrlID(combo) << " has no entry \"" << text << "\"";
        return false;
    }
    return SelectComboItem(combo, index);
}

bool SelectListItem(HWND list, int index) {
    if (!Usable(list, "select in a list box")) return false;
    bool ok = IsMultiSelectList(list) ? Send(list, LB_SETSEL, FALSE, -1, LB_ERR) != LB_ERR &&
                                            Send(list, LB_SETSEL, TRUE, index, LB_ERR) != LB_ERR &&
                                            Send(list, LB_SETCARETINDEX, index, 0, LB_ERR) != LB_ERR
                                      : Send(list, LB_SETCURSEL, index, 0, LB_ERR) != LB_ERR;
    if (!ok) {
        ADD_FAILURE() << "list box " << GetDlgCtrlID(list) << " has no entry " << index;
        return false;
    }
    // A list box without LBS_NOTIFY tells its parent nothing of a user's
    // click either; notifying anyway would hide that fault.
    if (GetWindowLongA(list, GWL_STYLE) & LBS_NOTIFY) NotifyParent(list, LBN_SELCHANGE);
    return true;
}

bool SelectListText(HWND list, const std::string& text) {
    int index = IndexOf(ListItems(list), text);
    if (index < 0) {
        ADD_FAILURE() << "list box " << GetDlgCtrlID(list) << " has no entry \"" << text << "\"";
        return false;
    }
    return SelectListItem(list, index);
}

int ComboSelection(HWND combo) { return static_cast<int>(Send(combo, CB_GETCURSEL, 0, 0, CB_ERR)); }

int ListSelection(HWND list) {
    return static_cast<int>(IsMultiSelectList(list) ? Send(list, LB_GETCARETINDEX, 0, 0, LB_ERR)
                                                    : Send(list, LB_GETCURSEL, 0, 0, LB_ERR));
}

std::vector<std::string> ComboItems(HWND combo) {
    return Items(combo, CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT);
}

std::vector<std::string> ListItems(HWND list) { return Items(list, LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT); }

std::string GetText(HWND window) {
    if (!IsWindow(window)) {
        ADD_FAILURE() << "cannot read text: no window";
        return std::string();
    }
    LRESULT len = Send(window, WM_GETTEXTLENGTH, 0, 0);
    std::string text(len + 1, '\0');
    LRESULT got = Send(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(std::min<size_t>(got, len));
    return text;
}

int GetCheck(HWND button) { return static_cast<int>(Send(button, BM_GETCHECK, 0, 0)); }

bool IsEnabled(HWND window) { return IsWindowEnabled(window) != FALSE; }

bool IsVisible(HWND window) { return IsWindowVisible(window) != FALSE; }

void WaitIdle(HWND window) {
    if (!IsWindow(window)) {
        ADD_FAILURE() << "cannot wait for a window's thread: no window";
        return;
    }
    Send(window, WM_NULL, 0, 0);
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (GetTickCount() - start >= timeoutMs) return false;
        Sleep(kPollMs);
    }
}

void RunWhile(const std::function<void()>& modal, const std::function<void()>& script, DWORD closeAfterMs) {
    DWORD modalThread = GetCurrentThreadId();
    HANDLE modalDone = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread robot([&] {
        try {
            script();
        } catch (const std::exception& e) {
            ADD_FAILURE() << "robot script threw: " << e.what();
        } catch (...) {
            ADD_FAILURE() << "robot script threw";
        }
        if (WaitForSingleObject(modalDone, closeAfterMs) == WAIT_TIMEOUT) {
            ADD_FAILURE() << "the modal window was still open " << closeAfterMs
                          << " ms after the robot script ended; closing it";
            do EnumThreadWindows(modalThread, CloseOne, 0);
            while (WaitForSingleObject(modalDone, 500) == WAIT_TIMEOUT);
        }
    });
    // The robot thread must be joined even when the modal part throws.
    struct Finish {
        HANDLE done;
        std::thread& robot;
        ~Finish() {
            SetEvent(done);
            robot.join();
            CloseHandle(done);
        }
    } finish{modalDone, robot};
    modal();
}

}  // namespace testkit
