#include "win/NotifyIcon.h"
#include "win/FixedText.h"
#include <shellapi.h>

namespace win {

static_assert(NotifyIcon::kRecordSize <= sizeof(NOTIFYICONDATAA));
static_assert(sizeof(NOTIFYICONDATAA::szTip) == NotifyIcon::kMaxTip + 1);

void NotifyIcon::Bind(HWND owner, UINT id, UINT callbackMessage) {
    owner_ = owner;
    id_ = id;
    callbackMessage_ = callbackMessage;
}

bool NotifyIcon::Send(DWORD operation, HICON icon, std::string_view tip) const {
    NOTIFYICONDATAA data{};
    data.cbSize = kRecordSize;
    data.hWnd = owner_;
    data.uID = id_;
    if (operation != NIM_DELETE) {
        data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
        data.uCallbackMessage = callbackMessage_;
        data.hIcon = icon;
        CopyBounded(data.szTip, sizeof data.szTip, tip);
    }
    return Shell_NotifyIconA(operation, &data) != FALSE;
}

bool NotifyIcon::Add(HICON icon, std::string_view tip) {
    added_ = true;
    return Send(NIM_ADD, icon, tip);
}

bool NotifyIcon::Modify(HICON icon, std::string_view tip) { return Send(NIM_MODIFY, icon, tip); }

bool NotifyIcon::Delete() {
    if (!added_) return true;
    added_ = false;
    return Send(NIM_DELETE, nullptr, {});
}

}  // namespace win
