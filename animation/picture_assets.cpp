// The saver's pictures: bitmap resources converted once, at load time, into
// the display's own format, and the one-bit masks the balls are drawn through.
#include "animation/picture_assets.h"

// The number of colour-table entries of a packed bitmap: a full table for
// 8 bits or fewer, none above. The colours-used field is deliberately not
// consulted, so that the pixel offset follows from the bit depth alone.
static int ColourTableEntries(const BITMAPINFOHEADER *header)
{
    if (header->biBitCount <= 8)
        return 1 << header->biBitCount;
    return 0;
}

// A palette holding the colour table of `packed`, entry for entry, so that a
// picture converted through it keeps its own colours on a palette display.
HPALETTE MakePicturePalette(const BITMAPINFOHEADER *packed, int *colourCount)
{
    const int count = ColourTableEntries(packed);
    *colourCount = count;
    if (count == 0)
        return nullptr;

    // Room for the palette's header and every entry, with one entry to spare.
    HGLOBAL buffer = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT,
                                 sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * count);
    if (buffer == nullptr)
        return nullptr;
    auto *logical = static_cast<LOGPALETTE *>(GlobalLock(buffer));
    if (logical == nullptr) {
        GlobalFree(buffer);
        return nullptr;
    }

    // The table sits right behind the 40-byte header, stored blue, green,
    // red, reserved; a palette entry wants red, green, blue, flags.
    const auto *table = reinterpret_cast<const BYTE *>(packed) + packed->biSize;
    logical->palVersion = 0x300;
    logical->palNumEntries = static_cast<WORD>(count);
    for (int i = 0; i < count; ++i) {
        logical->palPalEntry[i].peRed = table[i * 4 + 2];
        logical->palPalEntry[i].peGreen = table[i * 4 + 1];
        logical->palPalEntry[i].peBlue = table[i * 4 + 0];
        logical->palPalEntry[i].peFlags = 0;
    }

    HPALETTE palette = CreatePalette(logical);
    GlobalUnlock(buffer);
    GlobalFree(buffer);
    return palette;
}

// A device bitmap of the bitmap resource `name` of `module`, its colours
// matched through the picture's own palette on the window's surface.
HBITMAP LoadPicture(HWND window, HMODULE module, LPCSTR name)
{
    HRSRC found = FindResourceA(module, name, RT_BITMAP);
    if (found == nullptr)
        return nullptr;
    HGLOBAL loaded = LoadResource(module, found);
    if (loaded == nullptr)
        return nullptr;
    const auto *packed = static_cast<const BITMAPINFOHEADER *>(LockResource(loaded));
    if (packed == nullptr) {
        FreeResource(loaded);
        return nullptr;
    }

    // Without a surface there is no display format to convert to; a bitmap
    // made without one would be monochrome.
    HDC surface = GetDC(window);
    if (surface == nullptr) {
        FreeResource(loaded);
        return nullptr;
    }
    int colourCount = 0;
    HPALETTE palette = MakePicturePalette(packed, &colourCount);
    HPALETTE previous = nullptr;
    if (palette != nullptr) {
        previous = SelectPalette(surface, palette, FALSE);
        RealizePalette(surface);
    }

    const BYTE *pixels = reinterpret_cast<const BYTE *>(packed) + packed->biSize +
                         sizeof(RGBQUAD) * colourCount;
    HBITMAP picture = CreateDIBitmap(surface, packed, CBM_INIT, pixels,
                                     reinterpret_cast<const BITMAPINFO *>(packed),
                                     DIB_RGB_COLORS);

    if (previous != nullptr)
        SelectPalette(surface, previous, FALSE);
    if (palette != nullptr)
        DeleteObject(palette);
    ReleaseDC(window, surface);
    FreeResource(loaded);
    return picture;
}

// A monochrome mask of `picture`: white where it has the transparent colour,
// black elsewhere; those pixels of the picture turn black, so that the
// picture can be laid over a scene with SRCAND (mask) then SRCPAINT (picture).
HBITMAP MakeTransparencyMask(HBITMAP picture, COLORREF transparent)
{
    if (picture == nullptr)
        return nullptr;

    HDC screen = GetDC(nullptr);
    HDC pictureSurface = CreateCompatibleDC(screen);
    HDC maskSurface = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);

    BITMAP size = {};
    HBITMAP mask = nullptr;
    if (pictureSurface != nullptr && maskSurface != nullptr &&
        GetObjectA(picture, sizeof size, &size) != 0) {
        HGDIOBJ previousPicture = SelectObject(pictureSurface, picture);
        mask = CreateBitmap(size.bmWidth, size.bmHeight, 1, 1, nullptr);
        if (mask != nullptr) {
            HGDIOBJ previousMask = SelectObject(maskSurface, mask);

            // Colour to monochrome: the background colour becomes 1, all
            // else 0.
            SetBkColor(pictureSurface, transparent);
            BitBlt(maskSurface, 0, 0, size.bmWidth, size.bmHeight,
                   pictureSurface, 0, 0, SRCCOPY);

            // Monochrome to colour: 1 arrives as the background (black), 0
            // as the text colour (white), so only the transparent pixels are
            // cleared.
            SetBkColor(pictureSurface, RGB(0, 0, 0));
            SetTextColor(pictureSurface, RGB(255, 255, 255));
            BitBlt(pictureSurface, 0, 0, size.bmWidth, size.bmHeight,
                   maskSurface, 0, 0, SRCAND);

            SelectObject(maskSurface, previousMask);
        }
        SelectObject(pictureSurface, previousPicture);
    }

    if (maskSurface != nullptr)
        DeleteDC(maskSurface);
    if (pictureSurface != nullptr)
        DeleteDC(pictureSurface);
    return mask;
}

// Stretches `picture` into a new bitmap of the same format. The halftone
// mode averages the source pixels that meet in each target pixel; it wants
// the brush origin set after it is chosen.
HBITMAP ScalePicture(HBITMAP picture, int width, int height, bool smooth)
{
    BITMAP size = {};
    if (picture == nullptr || GetObjectA(picture, sizeof size, &size) == 0)
        return nullptr;

    HDC screen = GetDC(nullptr);
    HDC source = CreateCompatibleDC(screen);
    HDC target = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    HGDIOBJ previousSource = SelectObject(source, picture);
    HBITMAP scaled = CreateCompatibleBitmap(source, width, height);
    if (scaled != nullptr) {
        HGDIOBJ previousTarget = SelectObject(target, scaled);
        SetStretchBltMode(target, smooth ? HALFTONE : COLORONCOLOR);
        SetBrushOrgEx(target, 0, 0, nullptr);
        StretchBlt(target, 0, 0, width, height, source, 0, 0, size.bmWidth, size.bmHeight, SRCCOPY);
        SelectObject(target, previousTarget);
    }
    SelectObject(source, previousSource);
    DeleteDC(target);
    DeleteDC(source);
    return scaled;
}
