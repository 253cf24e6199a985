// Pixels read back from real surfaces, and a full-screen window whose
// procedure is the animation's own, for the frame composition tests and the
// benchmark.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

// A rectangle of pixels as 0x00RRGGBB values, row by row from the top.
struct Pixels {
    int Width = 0;
    int Height = 0;
    std::vector<uint32_t> Values;

    uint32_t At(int x, int y) const { return Values[static_cast<size_t>(y) * Width + x]; }
    uint32_t &At(int x, int y) { return Values[static_cast<size_t>(y) * Width + x]; }
};

// Value that a capture leaves where the source gave nothing.
constexpr uint32_t Untouched = 0x00ABCDEF;

// Copies width x height pixels at (x, y) of `source` into a 32-bit picture.
inline Pixels Capture(HDC source, int x, int y, int width, int height)
{
    Pixels out;
    out.Width = width;
    out.Height = height;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void *bits = nullptr;
    HBITMAP dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC memory = CreateCompatibleDC(nullptr);
    HGDIOBJ original = SelectObject(memory, dib);
    const size_t count = static_cast<size_t>(width) * height;
    uint32_t *words = static_cast<uint32_t *>(bits);
    for (size_t i = 0; i < count; ++i)
        words[i] = Untouched;
    BitBlt(memory, 0, 0, width, height, source, x, y, SRCCOPY);
    GdiFlush();
    out.Values.assign(words, words + count);
    for (uint32_t &v : out.Values)
        v &= 0x00FFFFFF;
    SelectObject(memory, original);
    DeleteDC(memory);
    DeleteObject(dib);
    return out;
}

// The pixels of a bitmap that no surface holds at the moment.
inline Pixels CaptureBitmap(HBITMAP bitmap)
{
    BITMAP size = {};
    GetObjectA(bitmap, sizeof size, &size);
    HDC memory = CreateCompatibleDC(nullptr);
    HGDIOBJ original = SelectObject(memory, bitmap);
    Pixels out = Capture(memory, 0, 0, size.bmWidth, size.bmHeight);
    SelectObject(memory, original);
    DeleteDC(memory);
    return out;
}

inline Pixels CaptureWindow(HWND window, int x, int y, int width, int height)
{
    HDC surface = GetDC(window);
    Pixels out = Capture(surface, x, y, width, height);
    ReleaseDC(window, surface);
    return out;
}
