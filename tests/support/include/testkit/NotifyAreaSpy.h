#pragma once
#include <windows.h>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "testkit/SpyWindow.h"

namespace testkit {

// One Shell_NotifyIcon call of any program of the session.
struct NotifyIconCall {
    DWORD operation = 0;  // NIM_ADD, NIM_MODIFY, NIM_DELETE
    HWND owner = nullptr;
    UINT id = 0;
    UINT flags = 0;
    UINT callbackMessage = 0;
    std::string tip;
    bool accepted = true;  // false: answered as a shell that is not ready
};

// Stands in for the taskbar's notification area while it lives: Wine's
// Shell_NotifyIcon hands each call to the topmost "Shell_TrayWnd" window as
// WM_COPYDATA (dwData = the operation; the data starts with the owner, id,
// flags, callback message and the 128-character wide tip), so a window of
// that class made here, above the desktop's own, receives them all. Make it
// before the program under test shows its icon.
class NotifyAreaSpy {
public:
    NotifyAreaSpy();
    NotifyAreaSpy(const NotifyAreaSpy&) = delete;
    NotifyAreaSpy& operator=(const NotifyAreaSpy&) = delete;

    std::vector<NotifyIconCall> Calls() const;
    // The tip of the icon (owner, id) as last added or modified, or nothing
    // when no such icon is shown.
    std::optional<std::string> ShownTip(HWND owner, UINT id) const;
    // Waits until the calls received satisfy the condition; false on timeout.
    bool WaitUntil(const std::function<bool(const std::vector<NotifyIconCall>&)>& condition,
                   DWORD timeoutMs = 10000);
    // Waits for an icon of that id to show the tip (any owner).
    bool WaitForTip(UINT id, const std::string& tip, DWORD timeoutMs = 10000);
    // The next `count` modifications fail, as while the shell is starting.
    void RefuseModify(int count);
    void Clear();

private:
    bool Record(const COPYDATASTRUCT& data);

    mutable std::mutex mutex_;
    std::condition_variable received_;
    std::vector<NotifyIconCall> calls_;
    int refuseModify_ = 0;
    SpyWindow window_;
};

}  // namespace testkit
