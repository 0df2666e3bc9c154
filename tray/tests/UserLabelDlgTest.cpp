// The label dialog on a stored user label, as both strip windows use it.
#include <windows.h>
#include <gtest/gtest.h>

#include <cstring>

#include "UserLabelDlg.h"
#include "resource.h"
#include "testkit/Robot.h"

using namespace testkit;

namespace {

const win::Module& TrayModule() {
    static const win::Module module(GetModuleHandleA(nullptr), IDS_APP_TITLE);
    return module;
}

}  // namespace

// A field from a damaged record has no terminator: the dialog offers what
// fits its limit of it and nothing beyond; what is typed is cut to 22 characters and stored
// terminated, with the rest of the field cleared. Cancel stores nothing.
TEST(UserLabelDlgTest, EditsAStoredLabelWithinItsField) {
    struct {
        char field[quorvi::kLabelSize];
        char after[8];
    } stored;
    std::memset(stored.field, 'x', sizeof stored.field);
    std::memcpy(stored.after, "BEYOND!", 8);

    bool changed = true;
    RunWhile([&] { changed = tray::EditUserLabel(TrayModule(), nullptr, stored.field); }, [&] {
        HWND dlg = WaitForTopWindow("#32770", "Create User-defined Label");
        if (!dlg) return;
        EXPECT_EQ(GetText(Control(dlg, IDC_LABEL_PROMPT)), "Enter text for your user-defined label:");
        EXPECT_EQ(GetText(Control(dlg, IDC_LABEL_TEXT)), std::string(tray::kUserLabelChars, 'x'));
        PostClick(Control(dlg, IDCANCEL));
    });
    EXPECT_FALSE(changed);
    EXPECT_EQ(std::string(stored.field, sizeof stored.field), std::string(quorvi::kLabelSize, 'x'));

    RunWhile([&] { changed = tray::EditUserLabel(TrayModule(), nullptr, stored.field); }, [&] {
        HWND dlg = WaitForTopWindow("#32770", "Create User-defined Label");
        if (!dlg) return;
        TypeText(Control(dlg, IDC_LABEL_TEXT), "Overheads|Left and Right");
        EXPECT_EQ(GetText(Control(dlg, IDC_LABEL_TEXT)), "Overheads|Left and Rig");
        PostClick(Control(dlg, IDOK));
    });
    EXPECT_TRUE(changed);
    EXPECT_STREQ(stored.field, "Overheads|Left and Rig");
    EXPECT_EQ(stored.field[quorvi::kLabelSize - 1], '\0');
    EXPECT_STREQ(stored.after, "BEYOND!");
}
