#pragma once
#include <windows.h>
#include <string_view>

namespace win {

// One icon in the taskbar's notification area, owned by a window. The shell
// keeps the icon until it is deleted, so the object deletes it when it goes.
class NotifyIcon {
public:
    // The record size of the shells that take a 128-character tip.
    static constexpr DWORD kRecordSize = 488;
    static constexpr size_t kMaxTip = 127;

    NotifyIcon() = default;
    NotifyIcon(const NotifyIcon&) = delete;
    NotifyIcon& operator=(const NotifyIcon&) = delete;
    ~NotifyIcon() { Delete(); }

    // The owner window gets callbackMessage with wParam = id and lParam =
    // the mouse message.
    void Bind(HWND owner, UINT id, UINT callbackMessage);
    // The tip is cut to kMaxTip characters. Add counts the icon as shown
    // even when the shell refused it, so a later Delete still asks.
    bool Add(HICON icon, std::string_view tip);
    bool Modify(HICON icon, std::string_view tip);
    // Replaces the picture only; the tip stays.
    bool ModifyIcon(HICON icon);
    bool Delete();
    bool added() const { return added_; }

private:
    bool Send(DWORD operation, UINT flags, HICON icon, std::string_view tip) const;

    HWND owner_ = nullptr;
    UINT id_ = 0;
    UINT callbackMessage_ = 0;
    bool added_ = false;
};

}  // namespace win
