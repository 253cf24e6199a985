// The frame composition's test bench: a window of this program whose
// procedure is the saver's own, the pictures as the loader makes them, and
// a small reference renderer of what a monitor must show.
#pragma once

#include "animation/frame_clock.h"
#include "animation/frame_composition.h"
#include "animation/picture_assets.h"
#include "resources/resource_ids.h"
#include "tests/support.h"

#include <gtest/gtest.h>

#include <cmath>

// How many pixels of two pictures differ; -1 when their sizes differ.
inline int Differing(const Pixels &actual, const Pixels &expected)
{
    int count = actual.Width == expected.Width && actual.Height == expected.Height ? 0 : -1;
    for (size_t i = 0; count >= 0 && i < actual.Values.size(); ++i)
        count += actual.Values[i] != expected.Values[i];
    return count;
}

// A picture as the loader makes it on the desktop's surface, read back, raw in
// English (United States), and its pixel (x, y)'s index in the rows at 1064.
inline HBITMAP Load(LPCSTR name) { return LoadPicture(GetDesktopWindow(), SaverState.Instance, name); }

inline Pixels Loaded(LPCSTR name)
{
    HBITMAP bitmap = Load(name);
    const Pixels out = CaptureBitmap(bitmap);
    DeleteObject(bitmap);
    return out;
}

inline const BYTE *Raw(LPCSTR name)
{
    HRSRC found = FindResourceExA(SaverState.Instance, RT_BITMAP, name, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    return found ? static_cast<const BYTE *>(LockResource(LoadResource(SaverState.Instance, found))) : nullptr;
}

inline int Index(const BYTE *raw, int x, int y)
{
    const auto *header = reinterpret_cast<const BITMAPINFOHEADER *>(raw);
    return raw[1064 + (header->biHeight - 1 - y) * ((header->biWidth + 3) & ~3) + x];
}

// Lays `picture` into `out` at (left, top), cut at the edges; `keyed`:
// without its black.
inline void Paste(Pixels &out, const Pixels &picture, int left, int top, bool keyed)
{
    for (int y = std::max(0, -top); y < picture.Height && top + y < out.Height; ++y)
        for (int x = std::max(0, -left); x < picture.Width && left + x < out.Width; ++x) {
            const uint32_t value = picture.At(x, y);
            out.At(left + x, top + y) = keyed && value == 0 ? out.At(left + x, top + y) : value;
        }
}

// A picture as drawn for 100 % (f = 1: `base`) or for 200 % (`twice`).
inline Pixels Drawn(int f, LPCSTR base, int twice)
{
    return Loaded(f == 1 ? base : MAKEINTRESOURCEA(twice));
}

// Ball frame `frame` as drawn for `dpi`, one of the scales of 25 % steps.
inline LPCSTR BallFrameFor(int dpi, int frame)
{
    const int step = (dpi - 96) / 24;
    return MAKEINTRESOURCEA(step == 0 ? IDB_BALL_FIRST + frame : IDB_BALL_SCALED_BASE + 10 * step + frame + 1);
}

// Turn frame `turn` (0 to 23) as drawn for `dpi`: every fourth is a ball
// frame, the others have ids of their own.
inline LPCSTR TurnFrameFor(int dpi, int turn)
{
    if (turn % 4 == 0)
        return BallFrameFor(dpi, turn / 4);
    return MAKEINTRESOURCEA(IDB_BALL_TURN_BASE + 24 * ((dpi - 96) / 24) + turn);
}

// A monitor's pixels as they must be at f times 96 DPI (f 1 or 2): tiles from
// its own top-left corner, portrait `portrait` in its middle, the first
// `balls` of its slots in slot order without black ground; every picture as
// drawn for that scale, shown as drawn. The portrait's corner, in 96-DPI
// units, for the widths the tests use. The balls are where the tick draws
// them, or with a `fraction` of the tick (0 to 1) where a frame between the
// ticks shows them: that share of the way from their place before the step
// to the one after it, rounded down to the pixel, turned as far between the
// tick's two turns (the turn in 24ths is 4 Frame + 2 FrameTick after it).
inline Pixels Expected(const MonitorSceneRecord &m, int portrait, int balls, int f = DpiFactor(),
                       double fraction = -1)
{
    const int32_t w = m.Scene.ScreenWidth, h = m.Scene.ScreenHeight;
    const int width = f * w, height = f * h;
    const Pixels tile = Drawn(f, IDB_TILE, IDB_TILE_200);
    Pixels out{width, height, std::vector<uint32_t>(width * height)};
    for (int i = 0; i < width * height; ++i)
        out.Values[i] = tile.At(i % width % tile.Width, i / width % tile.Height);
    const POINT corner = w == 640 && h == 480 ? POINT{220, 90} : w == 1024 && h == 768 ? POINT{412, 234}
                       : w == 1280 && h == 1024 ? POINT{540, 362} : POINT{-1, -1};
    EXPECT_NE(corner.x, -1) << "a monitor of " << w << " x " << h << " units";
    Paste(out, Drawn(f, MAKEINTRESOURCEA(IDB_PORTRAIT_FIRST + portrait), IDB_PORTRAIT_200_FIRST + portrait),
          f * corner.x, f * corner.y, false);
    const BallTableRecord &b = m.Scene.BallTable;
    const double q = fraction < 0 ? 1 : fraction;
    for (int s = 0; s < balls; ++s) {
        const int turn = fraction < 0 ? 4 * b.Frame[s] : (4 * b.Frame[s] + 2 * b.FrameTick[s] + 22 + int(2 * q)) % 24;
        Paste(out, Loaded(TurnFrameFor(96 * f, turn)), int(std::floor(f * (b.PrevX[s] + (b.X[s] - b.PrevX[s]) * q))),
              int(std::floor(f * (b.PrevY[s] + (b.Y[s] - b.PrevY[s]) * q))), true);
    }
    return out;
}

// A window of this program whose procedure is the saver's own, over the
// whole virtual screen (every monitor) unless a preview; the test sends
// paints and ticks itself.
class Composition : public testing::Test {
protected:
    void Open(LONG preview = 0, int width = 0, int height = 0)
    {
        ResetSaverState();
        Animation = AnimationRecord{};
        SaverState.IsPreview = preview;
        WNDCLASSA saverClass = {0, ScreenSaverProc, 0, 0, SaverState.Instance, nullptr, nullptr,
                                static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)), nullptr, "TelvComposition"};
        RegisterClassA(&saverClass);
        if (!preview)
            place = {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                     GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN)};
        else
            place = {0, 0, width, height};
        window = CreateWindowExA(WS_EX_TOPMOST, "TelvComposition", "", WS_POPUP | WS_VISIBLE, place.left, place.top,
                                 place.right, place.bottom, nullptr, nullptr, SaverState.Instance, nullptr);
        KillTimer(window, AnimationTimerId);
        Animation.SmoothMotion.Setting = smooth;
    }

    // The window goes, and with it the frame clock, before the system's
    // own readers come back.
    void TearDown() override
    {
        DestroyWindow(window);
        CountPosted(nullptr, WM_QUIT);
        FrameTimeSource = realClock;
        RemoteSessionSource = realRemote;
        BatterySaverSource = realBattery;
    }

    void Paint() { RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW); }

    void Tick(int count) { while (count-- > 0) SendMessageA(window, WM_TIMER, AnimationTimerId, 0); }

    // What the window shows over a monitor, and a monitor's frame buffer.
    Pixels Shown(const MonitorSceneRecord &m)
    {
        const RECT &a = m.Place.Area;
        return CaptureWindow(window, a.left, a.top, a.right - a.left, a.bottom - a.top);
    }
    Pixels Shown(const MonitorSceneRecord &m, const MemorySurface &buffer)
    {
        return Capture(buffer.Dc, 0, 0, m.Place.Area.right - m.Place.Area.left, m.Place.Area.bottom - m.Place.Area.top);
    }
    // The monitors the window covers; every one of the system's.
    std::vector<MonitorSceneRecord *> Monitors()
    {
        std::vector<MonitorSceneRecord *> all;
        for (int i = 0; i < Animation.MonitorCount; ++i)
            all.push_back(&Animation.Monitors[i]);
        EXPECT_EQ(static_cast<int>(all.size()), GetSystemMetrics(SM_CMONITORS));
        return all;
    }

    HWND window = nullptr;
    RECT place = {};  // left, top, width, height
    BOOL smooth = FALSE;  // the tick draws alone unless a test asks for frames
    const ClockReader realClock = FrameTimeSource;
    const SystemStateReader realRemote = RemoteSessionSource;
    const SystemStateReader realBattery = BatterySaverSource;
};
