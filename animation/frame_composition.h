// The animation's window procedure (ScreenSaverProc, declared by the shell's
// module contract): painting, the timer tick and teardown, and the state
// they keep between messages. Every monitor runs a scene of its own, drawn
// in its own pixels at its own pixel density.
#pragma once

#include "animation/ball_scene.h"
#include "animation/monitor_layout.h"

#include <windows.h>

#include <array>
#include <cstdint>

constexpr int PortraitCount = 11;

// A memory surface and the bitmap it held when it was made, put back before
// the surface is deleted so that no picture is deleted while selected.
struct MemorySurface {
    HDC Dc = nullptr;
    HGDIOBJ Original = nullptr;
};

// The pictures of the full-screen scene, in the display's format.
struct PictureSetRecord {
    HBITMAP TilePicture = nullptr;
    std::array<HBITMAP, BallFrameCount> BallFrames = {};
    std::array<HBITMAP, BallFrameCount> BallMasks = {};
    std::array<HBITMAP, PortraitCount> Portraits = {};
};

// The pictures at one pixel density, made once when a monitor of that
// density first needs them, and the surfaces that hold them. The sizes are
// in that density's pixels.
struct ScaledPicturesRecord {
    int Dpi = 0;                   // 0 while nothing is made
    PictureSetRecord PictureSet;
    std::array<MemorySurface, BallFrameCount> MaskSurfaces;
    std::array<MemorySurface, BallFrameCount> SpriteSurfaces;
    MemorySurface PictureSurface;  // the tile while tiling, then the portrait shown
    int32_t SpriteWidth = 0;       // the extent of the erase and draw passes
    int32_t SpriteHeight = 0;
    int32_t TileSize = 0;
};

// The two off-screen surfaces of a monitor's size, each with its own bitmap:
// the frame as the monitor is to show it, and the same without balls, from
// which old ball cells are erased.
struct FrameBuffersRecord {
    MemorySurface Composition;
    HBITMAP CompositionBitmap = nullptr;
    MemorySurface Background;
    HBITMAP BackgroundBitmap = nullptr;
};

// One monitor's whole scene: where it lies in the window and at what
// density, its balls, the pictures it draws with and its frame buffers.
struct MonitorSceneRecord {
    MonitorPlace Place;
    int Pictures = 0;              // index into AnimationRecord::Scales
    BallSceneRecord Scene;
    FrameBuffersRecord FrameBuffers;
};

// Everything the animation keeps between messages. Every field starts at the
// value beside it, so one assignment of AnimationRecord{} starts it over.
struct AnimationRecord {
    std::array<ScaledPicturesRecord, MaxMonitors> Scales;
    int ScaleCount = 0;
    std::array<MonitorSceneRecord, MaxMonitors> Monitors;
    int MonitorCount = 0;
    HBITMAP PreviewPicture = nullptr;
    MemorySurface PreviewSurface;
    int32_t PreviewWidth = 0;      // the preview picture's size in pixels
    int32_t PreviewHeight = 0;
    bool SceneMade = false;        // set once a paint has made the pictures and buffers
    int32_t PortraitTick = 0;      // ticks since the last portrait change
    int32_t PortraitIndex = 0;     // the portrait shown, 0 to 10
    bool Resting = false;          // the display is off: no timer, and no tick draws
};

extern AnimationRecord Animation;
