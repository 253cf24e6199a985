// The saver's pictures: 8-bit bitmap resources turned into bitmaps in the
// display's format through their own palettes, and the ball masks.
#pragma once

#include <windows.h>

// A bitmap in the display's format of `window`'s surface, from the bitmap
// resource `name` of `module` (a name, compared without regard to case, or a
// number made with MAKEINTRESOURCE); null when the module has no such
// resource or the window no surface.
HBITMAP LoadPicture(HWND window, HMODULE module, LPCSTR name);

// A palette from the colour table of a packed bitmap, or null for more than
// 8 bits per pixel; `colourCount` receives the number of table entries that
// stand between the header and the pixels.
HPALETTE MakePicturePalette(const BITMAPINFOHEADER *packed, int *colourCount);

// A new monochrome mask of `picture`, white where the picture has the
// transparent colour; those pixels of the picture itself turn black.
HBITMAP MakeTransparencyMask(HBITMAP picture, COLORREF transparent);

// A new bitmap of `picture` stretched or shrunk to width x height in the
// picture's own format: `smooth` averages the pixels that meet in each target
// pixel (for pictures without a transparent colour), otherwise each target
// pixel takes the nearest source pixel, so whole factors repeat every pixel
// exactly. Null for a null picture.
HBITMAP ScalePicture(HBITMAP picture, int width, int height, bool smooth);
