#pragma once
// A bitmap resource loaded together with a palette built from its own
// colour table, so 256-colour displays show the pictures in their colours.
#include "win/Gdi.h"
#include <windows.h>

namespace panel {

struct BitmapWithPalette {
    win::Bitmap bitmap;
    win::Palette palette;   // none for bitmaps of more than 8 bits a pixel
    int width = 0, height = 0;

    // A missing or malformed resource yields no bitmap.
    static BitmapWithPalette Load(HINSTANCE module, int id);
    explicit operator bool() const { return bitmap.valid(); }
};

// Shows the picture in a static bitmap control; the caller keeps it alive.
void ShowPicture(HWND control, const BitmapWithPalette& picture);
// Realises the picture's palette in a window about to paint it.
void RealizePictureIn(HWND window, const BitmapWithPalette& picture);

// Draws the whole bitmap at (x, y) with its palette realised in dc.
void DrawBitmap(HDC dc, const BitmapWithPalette& picture, int x, int y, DWORD rop = SRCCOPY);

}  // namespace panel
