#include "win/NotifyIcon.h"
#include "win/FixedText.h"
#include <shellapi.h>

namespace win {

static_assert(NotifyIcon::kRecordSize <= sizeof(NOTIFYICONDATAA));
static_assert(sizeof(NOTIFYICONDATAA::szTip) == NotifyIcon::kMaxTip + 1);

namespace {
constexpr UINT kAll = NIF_MESSAGE | NIF_ICON | NIF_TIP;
}

void NotifyIcon::Bind(HWND owner, UINT id, UINT callbackMessage) {
    owner_ = owner;
    id_ = id;
    callbackMessage_ = callbackMessage;
}

bool NotifyIcon::Send(DWORD operation, UINT flags, HICON icon, std::string_view tip) const {
    NOTIFYICONDATAA data{};
    data.cbSize = kRecordSize;
    data.hWnd = owner_;
    data.uID = id_;
    data.uFlags = flags;
    if (flags & NIF_MESSAGE) data.uCallbackMessage = callbackMessage_;
    if (flags & NIF_ICON) data.hIcon = icon;
    if (flags & NIF_TIP) CopyBounded(data.szTip, sizeof data.szTip, tip);
    return Shell_NotifyIconA(operation, &data) != FALSE;
}

bool NotifyIcon::Add(HICON icon, std::string_view tip) {
    added_ = true;
    return Send(NIM_ADD, kAll, icon, tip);
}

bool NotifyIcon::Modify(HICON icon, std::string_view tip) { return Send(NIM_MODIFY, kAll, icon, tip); }

bool NotifyIcon::ModifyIcon(HICON icon) { return Send(NIM_MODIFY, NIF_ICON, icon, {}); }

bool NotifyIcon::Delete() {
    if (!added_) return true;
    added_ = false;
    return Send(NIM_DELETE, 0, nullptr, {});
}

}  // namespace win
