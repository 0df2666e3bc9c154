#pragma once
#include <windows.h>
#include <initializer_list>
#include <string>
#include <utility>

namespace win {

// The first pop-up of a menu resource, detached from it, for appending to
// another menu (which then owns it); null when the resource is missing.
HMENU LoadSubMenu(HINSTANCE module, UINT menuId);

// Marks the item at index of a radio group (items given by command, in
// their order) with a bullet and clears the others; an index outside the
// group clears them all.
void CheckMenuRadio(HMENU menu, std::initializer_list<UINT> items, int index);

// A pop-up menu built at run time, destroyed with its object.
class PopupMenu {
public:
    PopupMenu() = default;
    PopupMenu(PopupMenu&& o) noexcept : menu_(std::exchange(o.menu_, nullptr)) {}
    PopupMenu& operator=(PopupMenu&& o) noexcept {
        if (this != &o) reset(std::exchange(o.menu_, nullptr));
        return *this;
    }
    PopupMenu(const PopupMenu&) = delete;
    PopupMenu& operator=(const PopupMenu&) = delete;
    ~PopupMenu() { reset(); }

    static PopupMenu Create() { return PopupMenu(CreatePopupMenu()); }

    HMENU get() const { return menu_; }
    explicit operator bool() const { return menu_ != nullptr; }
    void reset(HMENU menu = nullptr) {
        if (menu_) DestroyMenu(menu_);
        menu_ = menu;
    }

    bool AppendItem(UINT id, const std::string& text, bool enabled);
    bool AppendSeparator();
    void Enable(UINT id, bool enabled);
    int ItemCount() const;
    // The command id of the item at a position; 0 for a separator.
    UINT ItemId(int position) const;
    // Shows the menu at a screen point for owner, which gets its
    // WM_COMMAND; returns when the menu has closed.
    void Track(HWND owner, POINT at, UINT flags) const;

private:
    explicit PopupMenu(HMENU menu) : menu_(menu) {}
    HMENU menu_ = nullptr;
};

}  // namespace win
