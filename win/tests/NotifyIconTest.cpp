// The notification-area icon, seen from a stand-in for the shell, and the
// pop-up menu.
#include "win/Menu.h"
#include "win/NotifyIcon.h"
#include "testkit/NotifyAreaSpy.h"
#include <gtest/gtest.h>
#include <shellapi.h>

namespace {

struct Owner {
    Owner() { hwnd = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr); }
    ~Owner() { DestroyWindow(hwnd); }
    HWND hwnd;
};

}  // namespace

TEST(NotifyIcon, AddsModifiesAndDeletesOnceWithTheTipCut) {
    testkit::NotifyAreaSpy shell;
    Owner owner;
    HICON icon = LoadIcon(nullptr, IDI_APPLICATION);
    {
        win::NotifyIcon tray;
        tray.Bind(owner.hwnd, 133, WM_USER + 1);
        ASSERT_TRUE(tray.Add(icon, "first"));
        ASSERT_TRUE(tray.Modify(icon, std::string(200, 'x')));
        EXPECT_EQ(shell.ShownTip(owner.hwnd, 133), std::string(127, 'x'));
        ASSERT_TRUE(tray.ModifyIcon(icon));
        EXPECT_EQ(shell.ShownTip(owner.hwnd, 133), std::string(127, 'x')) << "a new picture keeps the tip";
        shell.RefuseModify(1);
        EXPECT_FALSE(tray.Modify(icon, "refused"));
        EXPECT_TRUE(tray.Delete());
        EXPECT_FALSE(shell.ShownTip(owner.hwnd, 133));
        EXPECT_TRUE(tray.Add(icon, "again"));
    }
    const auto calls = shell.Calls();
    ASSERT_EQ(calls.size(), 7u) << "the object deletes the icon it still shows, once";
    EXPECT_EQ(calls[0].operation, static_cast<DWORD>(NIM_ADD));
    EXPECT_EQ(calls[0].flags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_EQ(calls[0].callbackMessage, static_cast<UINT>(WM_USER + 1));
    EXPECT_EQ(calls[2].flags, static_cast<UINT>(NIF_ICON));
    EXPECT_EQ(calls[6].operation, static_cast<DWORD>(NIM_DELETE));
}

TEST(PopupMenu, ListsItemsAndSeparatorsAndSwitchesEnabling) {
    win::PopupMenu menu = win::PopupMenu::Create();
    ASSERT_TRUE(menu);
    ASSERT_TRUE(menu.AppendItem(10, "&One", true));
    ASSERT_TRUE(menu.AppendSeparator());
    ASSERT_TRUE(menu.AppendItem(20, "Two", false));
    ASSERT_EQ(menu.ItemCount(), 3);
    EXPECT_EQ(menu.ItemId(0), 10u);
    EXPECT_EQ(menu.ItemId(1), 0u);
    EXPECT_EQ(menu.ItemId(2), 20u);
    EXPECT_TRUE(GetMenuState(menu.get(), 20, MF_BYCOMMAND) & MF_GRAYED);
    menu.Enable(20, true);
    menu.Enable(10, false);
    EXPECT_FALSE(GetMenuState(menu.get(), 20, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_TRUE(GetMenuState(menu.get(), 10, MF_BYCOMMAND) & MF_GRAYED);
}
