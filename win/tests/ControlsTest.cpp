#include "win/Controls.h"
#include "win/Window.h"
#include <gtest/gtest.h>

namespace {

HWND Popup(HWND owner, const char* cls = "STATIC") {
    return CreateWindowExA(0, cls, "", WS_POPUP | (cls[0] == 'C' ? CBS_DROPDOWNLIST : 0), 0, 0, 100, 100,
                           owner, nullptr, nullptr, nullptr);
}

}  // namespace

// A stored index the list has no entry for shows no selection, and reading
// the list back keeps the stored value rather than "none".
TEST(Controls, ComboBoxIndexesOutsideTheEntries) {
    HWND combo = Popup(nullptr, "COMBOBOX");
    ASSERT_NE(combo, nullptr);
    win::FillComboBox(combo, {"Off", "On"});
    EXPECT_TRUE(win::SelectComboBoxIndex(combo, 1));
    EXPECT_EQ(win::ComboBoxValue(combo, 7), 1);
    EXPECT_FALSE(win::SelectComboBoxIndex(combo, 2));
    EXPECT_EQ(win::ComboBoxSelection(combo), -1);
    EXPECT_EQ(win::ComboBoxValue(combo, 40), 40);
    win::FillComboBox(combo, {"Off"});
    EXPECT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 1);
    DestroyWindow(combo);
}

// A window's own message boxes and dialogs, and theirs, belong to it;
// another top-level window does not.
TEST(Window, OwnershipFollowsTheOwnerChain) {
    HWND sheet = Popup(nullptr), box = Popup(sheet), nested = Popup(box), other = Popup(nullptr);
    ASSERT_TRUE(sheet && box && nested && other);
    EXPECT_TRUE(win::IsOwnedBy(sheet, sheet));
    EXPECT_TRUE(win::IsOwnedBy(nested, sheet));
    EXPECT_FALSE(win::IsOwnedBy(other, sheet));
    EXPECT_FALSE(win::IsOwnedBy(sheet, box));
    EXPECT_FALSE(win::IsOwnedBy(nullptr, sheet));
    for (HWND w : {nested, box, sheet, other}) DestroyWindow(w);
}
