// The animation's window procedure: painting, the timer tick and teardown.
#pragma once

#include "animation/ball_scene.h"

#include <windows.h>

#include <array>
#include <cstdint>

// The two screen-sized off-screen surfaces, each with its own bitmap.
struct FrameBuffersRecord {
    HDC Composition;
    HBITMAP CompositionBitmap;
    HDC Background;
    HBITMAP BackgroundBitmap;
};

extern FrameBuffersRecord FrameBuffers;
extern int32_t PortraitTick;
extern int32_t PortraitIndex;

// Memory surfaces holding the pictures while the animation runs: the ball
// masks and frames (index = frame), the tile or the portrait now shown, and
// the preview picture.
extern std::array<HDC, BallFrameCount> MaskSurfaces;
extern std::array<HDC, BallFrameCount> SpriteSurfaces;
extern HDC PictureSurface;
extern HDC PreviewSurface;

// The extent of the erase and draw passes, set by the first paint.
extern int32_t SpriteWidth;
extern int32_t SpriteHeight;

// Ticks between portrait changes, and the portrait's place in the middle.
constexpr int32_t PortraitPeriod = 300;
constexpr int32_t PortraitWidth = 200;
constexpr int32_t PortraitHeight = 300;
constexpr int32_t TileSize = 200;
constexpr int32_t PreviewWidth = 150;
constexpr int32_t PreviewHeight = 110;

extern "C" LRESULT WINAPI ScreenSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

void PaintScene(HWND window);
void PaintPreview(HWND window);
void AnimationTick(HWND window);
void ReleaseScene(HWND window);
void ReleasePreview();
