#include "BitmapWithPalette.h"
#include <cstdint>
#include <vector>

namespace panel {

namespace {

// The resource's header, checked against the resource's size before any
// colour or pixel is read from it.
const BITMAPINFO* CheckedInfo(const void* data, DWORD size, DWORD& colours) {
    if (size < sizeof(BITMAPINFOHEADER)) return nullptr;
    const auto* info = static_cast<const BITMAPINFO*>(data);
    const BITMAPINFOHEADER& h = info->bmiHeader;
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biSize > size || h.biWidth <= 0 || h.biHeight == 0)
        return nullptr;
    colours = 0;
    if (h.biBitCount <= 8) colours = h.biClrUsed ? h.biClrUsed : 1u << h.biBitCount;
    if (colours > 256 || h.biSize + colours * sizeof(RGBQUAD) > size) return nullptr;
    // In 64 bits, so a huge width or height cannot wrap round to a small size.
    const std::uint64_t stride = ((std::uint64_t(h.biWidth) * h.biBitCount + 31) / 32) * 4;
    const std::uint64_t rows = h.biHeight < 0 ? -std::int64_t(h.biHeight) : h.biHeight;
    if (h.biCompression == BI_RGB && h.biSize + colours * sizeof(RGBQUAD) + stride * rows > size)
        return nullptr;
    return info;
}

win::Palette PaletteOf(const BITMAPINFO* info, DWORD colours) {
    std::vector<BYTE> storage(sizeof(LOGPALETTE) + colours * sizeof(PALETTEENTRY));
    auto* palette = reinterpret_cast<LOGPALETTE*>(storage.data());
    palette->palVersion = 0x300;
    palette->palNumEntries = static_cast<WORD>(colours);
    const auto* table = reinterpret_cast<const RGBQUAD*>(
        reinterpret_cast<const BYTE*>(info) + info->bmiHeader.biSize);
    for (DWORD i = 0; i < colours; ++i)
        palette->palPalEntry[i] = {table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue, 0};
    return win::Palette(CreatePalette(palette));
}

}  // namespace

BitmapWithPalette BitmapWithPalette::Load(HINSTANCE module, int id) {
    BitmapWithPalette result;
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(2));  // RT_BITMAP
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    DWORD colours = 0;
    const BITMAPINFO* info = data ? CheckedInfo(data, SizeofResource(module, found), colours) : nullptr;
    if (!info) return result;
    if (info->bmiHeader.biBitCount <= 8) result.palette = PaletteOf(info, colours);

    win::WindowDC screen(nullptr);
    HPALETTE old = nullptr;
    if (result.palette) {
        old = SelectPalette(screen.get(), result.palette.get(), FALSE);
        RealizePalette(screen.get());
    }
    const BYTE* bits = reinterpret_cast<const BYTE*>(info) + info->bmiHeader.biSize +
                       colours * sizeof(RGBQUAD);
    result.bitmap = win::Bitmap(
        CreateDIBitmap(screen.get(), &info->bmiHeader, CBM_INIT, bits, info, DIB_RGB_COLORS));
    if (old) SelectPalette(screen.get(), old, FALSE);
    result.width = info->bmiHeader.biWidth;
    result.height = info->bmiHeader.biHeight < 0 ? -info->bmiHeader.biHeight : info->bmiHeader.biHeight;
    return result;
}

void ShowPicture(HWND control, const BitmapWithPalette& picture) {
    SendMessageA(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture.bitmap.get()));
}

void RealizePictureIn(HWND window, const BitmapWithPalette& picture) {
    if (!picture.palette) return;
    win::WindowDC dc(window);
    win::SelectedPalette selected(dc.get(), picture.palette.get());
    RealizePalette(dc.get());
}

void DrawBitmap(HDC dc, const BitmapWithPalette& picture, int x, int y, DWORD rop) {
    if (!picture) return;
    win::MemoryDC memory(dc);
    if (!memory) return;
    if (picture.palette) {
        win::SelectedPalette onScreen(dc, picture.palette.get());
        RealizePalette(dc);
        win::SelectedPalette inMemory(memory.get(), picture.palette.get());
        RealizePalette(memory.get());
        win::SelectedObject selected(memory.get(), picture.bitmap.get());
        BitBlt(dc, x, y, picture.width, picture.height, memory.get(), 0, 0, rop);
        return;
    }
    win::SelectedObject selected(memory.get(), picture.bitmap.get());
    BitBlt(dc, x, y, picture.width, picture.height, memory.get(), 0, 0, rop);
}

}  // namespace panel
