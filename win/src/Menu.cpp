#include "win/Menu.h"

namespace win {

HMENU LoadSubMenu(HINSTANCE module, UINT menuId) {
    HMENU resource = LoadMenuA(module, MAKEINTRESOURCEA(menuId));
    if (!resource) return nullptr;
    HMENU sub = GetSubMenu(resource, 0);
    RemoveMenu(resource, 0, MF_BYPOSITION);
    DestroyMenu(resource);
    return sub;
}

// One item at a time: CheckMenuRadioItem over a range goes by position on
// Windows but by command number under Wine, and the groups' numbers need
// not be in order.
void CheckMenuRadio(HMENU menu, std::initializer_list<UINT> items, int index) {
    int i = 0;
    for (UINT id : items) {
        if (i++ == index) CheckMenuRadioItem(menu, id, id, id, MF_BYCOMMAND);
        else CheckMenuItem(menu, id, MF_BYCOMMAND | MF_UNCHECKED);
    }
}

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
