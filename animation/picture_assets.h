// The saver's pictures: 8-bit bitmap resources turned into bitmaps in the
// display's format through their own palettes, the ball masks, and the
// pictures of each scale the scene is drawn at.
#pragma once

#include "animation/ball_scene.h"
#include "resources/resource_ids.h"

#include <windows.h>

#include <array>
#include <cstdint>

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

// --- A scale's pictures -------------------------------------------------------

constexpr int PortraitCount = 11;

// The ball's turn: 24 frames, 3 degrees apart; every fourth is one of the
// six frames the tick alone shows.
constexpr int TurnFrameCount = BALL_TURN_FRAMES;
constexpr int TurnFramesPerBallFrame = TurnFrameCount / BallFrameCount;

// A memory surface and the bitmap it held when it was made, put back before
// the surface is deleted so that no picture is deleted while selected.
struct MemorySurface {
    HDC Dc = nullptr;
    HGDIOBJ Original = nullptr;
};

// The pictures of the full-screen scene, in the display's format.
struct PictureSetRecord {
    HBITMAP TilePicture = nullptr;
    std::array<HBITMAP, TurnFrameCount> BallFrames = {};
    std::array<HBITMAP, TurnFrameCount> BallMasks = {};
    std::array<HBITMAP, PortraitCount> Portraits = {};
};

// The pictures at one pixel density, made once when a monitor of that
// density first needs them, and the surfaces that hold them. The sizes are
// in that density's pixels.
struct ScaledPicturesRecord {
    int Dpi = 0;                   // 0 while nothing is made
    PictureSetRecord PictureSet;
    std::array<MemorySurface, TurnFrameCount> MaskSurfaces;
    std::array<MemorySurface, TurnFrameCount> SpriteSurfaces;
    MemorySurface PictureSurface;  // the tile while tiling, then the portrait shown
    int32_t SpriteWidth = 0;       // the extent of the erase and draw passes
    int32_t SpriteHeight = 0;
    int32_t TileSize = 0;
};

// A memory surface like `model` with `bitmap` selected into it.
MemorySurface MakeSurface(HDC model, HGDIOBJ bitmap);
// Puts the surface's first bitmap back and deletes the surface.
void ReleaseSurface(MemorySurface &surface);
// Deletes a bitmap that no surface holds any more.
void ReleaseBitmap(HBITMAP &bitmap);

// A picture without a transparent colour of width x height units at `dpi`,
// from `base` (drawn for 96 DPI) or `twice` (drawn for 192).
HBITMAP OpaquePictureAt(HWND window, LPCSTR base, LPCSTR twice, int32_t width, int32_t height, int dpi);

// Loads every picture of the full-screen scene for one density, the 24 turn
// frames with their masks among them, and makes the surfaces that hold them.
void MakePictures(HWND window, HDC paint, int dpi, ScaledPicturesRecord &s);
// Releases what MakePictures made, in the reverse order, and clears `s`.
void ReleasePictures(ScaledPicturesRecord &s);
