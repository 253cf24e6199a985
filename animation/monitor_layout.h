// The monitors a saver window shows and the scale of each: every monitor is
// drawn in its own pixels, at its own pixel density.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>

constexpr int MaxMonitors = 16;

// The pixel density that the pictures and the motion are made for.
constexpr int BaseDpi = 96;

// The pixels that a length of `units` (at 96 DPI) covers at `dpi`, rounded
// toward minus infinity, so that a position and the cell at it never reach
// past the monitor that the same length in units fits on.
int32_t ToPixels(int32_t units, int dpi);

// The whole units (at 96 DPI) that `pixels` hold at `dpi`.
int32_t ToUnits(int32_t pixels, int dpi);

// The refresh rate taken where the system reports none (0 or 1, "the
// hardware's default").
constexpr int DefaultRefreshRate = 60;

// One monitor: its pixels in the window's coordinates, its DPI, and how
// many times a second it refreshes.
struct MonitorPlace {
    RECT Area = {0, 0, 0, 0};
    int Dpi = BaseDpi;
    int RefreshRate = DefaultRefreshRate;
};

// The monitors that a window shows, the primary first.
struct MonitorListRecord {
    int Count = 0;
    std::array<MonitorPlace, MaxMonitors> Places = {};
};

// Every monitor that shows part of the window, cut to the window, the
// primary first. A window that lies on one monitor, as a test window does,
// sees that one monitor, the part of it that the window covers.
MonitorListRecord FindMonitors(HWND window);

// The DPI of the monitor that shows most of the window.
int WindowDpi(HWND window);
