// The animation's window procedure (ScreenSaverProc, declared by the shell's
// module contract): painting, the timer tick and teardown, and the state
// they keep between messages.
#pragma once

#include "animation/ball_scene.h"

#include <windows.h>

#include <array>
#include <cstdint>

constexpr int PortraitCount = 11;

// Monitors besides the primary that the full-screen window covers.
constexpr int MaxOtherMonitors = 15;

// A memory surface and the bitmap it held when it was made, put back before
// the surface is deleted so that no picture is deleted while selected.
struct MemorySurface {
    HDC Dc = nullptr;
    HGDIOBJ Original = nullptr;
};

// The loaded pictures, in the display's format.
struct PictureSetRecord {
    HBITMAP TilePicture = nullptr;
    HBITMAP PreviewPicture = nullptr;
    std::array<HBITMAP, BallFrameCount> BallFrames = {};
    std::array<HBITMAP, BallFrameCount> BallMasks = {};
    std::array<HBITMAP, PortraitCount> Portraits = {};
};

// The two off-screen surfaces of the primary monitor's size, each with its
// own bitmap: the frame as the window is to show it, and the same without
// balls, from which old ball cells are erased.
struct FrameBuffersRecord {
    MemorySurface Composition;
    HBITMAP CompositionBitmap = nullptr;
    MemorySurface Background;
    HBITMAP BackgroundBitmap = nullptr;
};

// Where the monitors lie in the saver window. The balls fly on the primary
// monitor; every other monitor shows the pitch and the current portrait.
struct MonitorLayout {
    POINT PrimaryOrigin = {0, 0};
    int OtherCount = 0;
    std::array<RECT, MaxOtherMonitors> Others = {};
};

// Everything the animation keeps between messages. Every field starts at the
// value beside it, so one assignment of AnimationRecord{} starts it over.
struct AnimationRecord {
    PictureSetRecord PictureSet;
    std::array<MemorySurface, BallFrameCount> MaskSurfaces;
    std::array<MemorySurface, BallFrameCount> SpriteSurfaces;
    MemorySurface PictureSurface;  // the tile while tiling, then the portrait shown
    MemorySurface PreviewSurface;
    FrameBuffersRecord FrameBuffers;
    bool SceneMade = false;        // set once the first paint has made the above
    int32_t SpriteWidth = 0;       // the extent of the erase and draw passes
    int32_t SpriteHeight = 0;
    int32_t PortraitTick = 0;      // ticks since the last portrait change
    int32_t PortraitIndex = 0;     // the portrait shown, 0 to 10
    MonitorLayout Monitors;
};

extern AnimationRecord Animation;
