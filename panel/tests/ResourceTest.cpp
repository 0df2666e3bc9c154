#include "BitmapWithPalette.h"
#include "resource.h"
#include <gtest/gtest.h>

using panel::BitmapWithPalette;

// The routing pages place these pictures at fixed pixels, so a generated
// picture of another size would misalign every route.
TEST(PanelResources, PicturesHaveTheirSizesAndPalettes) {
    HINSTANCE self = GetModuleHandleA(nullptr);
    struct Expected { int id, width, height; } pictures[] = {
        {IDB_INROUTE_BACK, 339, 111}, {IDB_OUTROUTE_BACK, 339, 111},
        {IDB_INROUTE_COLUMN, 14, 257}, {IDB_OUTROUTE_COLUMN, 14, 257},
        {IDB_LABEL_BACK, 118, 257}, {IDB_ROW, 26, 16}, {IDB_INROUTE_ROW_LIT, 26, 16},
        {IDB_OUTROUTE_ROW_LIT, 26, 16}, {IDB_COLUMN, 16, 26}, {IDB_COLUMN_LIT, 16, 26},
    };
    for (const Expected& e : pictures) {
        BitmapWithPalette b = BitmapWithPalette::Load(self, e.id);
        ASSERT_TRUE(b) << e.id;
        EXPECT_EQ(b.width, e.width) << e.id;
        EXPECT_EQ(b.height, e.height) << e.id;
        EXPECT_TRUE(b.palette) << e.id;
    }
    for (int f = 0; f < 7; ++f) {
        BitmapWithPalette format = BitmapWithPalette::Load(self, IDB_FORMAT0 + f);
        EXPECT_TRUE(format) << f;
        EXPECT_TRUE(format.palette) << f;
    }
    EXPECT_FALSE(BitmapWithPalette::Load(self, 999));
    for (int id : {IDI_APPLET, IDI_BOARD1, IDI_BOARD4})
        EXPECT_NE(LoadIconA(self, MAKEINTRESOURCEA(id)), nullptr) << id;
}
