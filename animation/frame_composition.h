// The animation's window procedure (ScreenSaverProc, declared by the shell's
// module contract): painting, the timer tick, the frames between the ticks
// and teardown, and the state they keep between messages. Every monitor runs
// a scene of its own, drawn in its own pixels at its own pixel density and
// its own refresh rate.
#pragma once

#include "animation/ball_motion.h"
#include "animation/ball_scene.h"
#include "animation/monitor_layout.h"
#include "animation/motion_fallbacks.h"
#include "animation/picture_assets.h"

#include <windows.h>

#include <array>
#include <cstdint>

// The two off-screen surfaces of a monitor's size, each with its own bitmap:
// the frame as the monitor is to show it, and the same without balls, from
// which old ball cells are erased.
struct FrameBuffersRecord {
    MemorySurface Composition;
    HBITMAP CompositionBitmap = nullptr;
    MemorySurface Background;
    HBITMAP BackgroundBitmap = nullptr;
};

// A ball cell's turn while no ball of that slot is on the screen.
constexpr int NotDrawn = -1;

// One monitor's whole scene: where it lies in the window and at what
// density, its balls, the pictures it draws with and its frame buffers;
// where each ball is drawn on it now, and when its next frame is due.
struct MonitorSceneRecord {
    MonitorPlace Place;
    int Pictures = 0;              // index into AnimationRecord::Scales
    BallSceneRecord Scene;
    FrameBuffersRecord FrameBuffers;
    std::array<BallCell, MaxBalls> Drawn = {};
    int64_t NextFrame = 0;         // in frame-clock counts
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
    SmoothMotionRecord SmoothMotion;
    bool Smooth = false;           // frames are drawn between the ticks, the clock runs
    TickTimingRecord Ticks;        // when the scenes were last stepped, and how often
};

extern AnimationRecord Animation;
