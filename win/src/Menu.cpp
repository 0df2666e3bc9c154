#include "win/Menu.h"

namespace win {

bool PopupMenu::AppendItem(UINT id, const std::string& text, bool enabled) {
    return menu_ && AppendMenuA(menu_, MF_STRING | (enabled ? MF_ENABLED : MF_GRAYED), id,
                                text.c_str());
}

bool PopupMenu::AppendSeparator() { return menu_ && AppendMenuA(menu_, MF_SEPARATOR, 0, nullptr); }

void PopupMenu::Enable(UINT id, bool enabled) {
    if (menu_) EnableMenuItem(menu_, id, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

int PopupMenu::ItemCount() const { return menu_ ? GetMenuItemCount(menu_) : 0; }

UINT PopupMenu::ItemId(int position) const {
    UINT id = menu_ ? GetMenuItemID(menu_, position) : 0;
    return id == static_cast<UINT>(-1) ? 0 : id;
}

void PopupMenu::Track(HWND owner, POINT at, UINT flags) const {
    if (!menu_) return;
    TrackPopupMenu(menu_, flags, at.x, at.y, 0, owner, nullptr);
    // Lets the menu close at once when the owner is a hidden window.
    PostMessageA(owner, WM_NULL, 0, 0);
}

}  // namespace win
