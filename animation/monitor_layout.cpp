// The monitors of the saver window and their pixel densities.
#include "animation/monitor_layout.h"

namespace {

// The densities a scene is drawn at: what a system reports outside these
// (nothing real does) is taken as the nearest of them.
constexpr int LowestDpi = BaseDpi;
constexpr int HighestDpi = 8 * BaseDpi;

// Keeps a reported DPI inside the densities the scene is drawn at.
int UsableDpi(int dpi)
{
    if (dpi < LowestDpi)
        return LowestDpi;
    if (dpi > HighestDpi)
        return HighestDpi;
    return dpi;
}

// The DPI the system applies to every monitor, where it gives no monitor a
// density of its own.
int SystemDpi()
{
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return UsableDpi(dpi);
}

// The DPI of one monitor.
int MonitorDpi(HMONITOR)
{
    return SystemDpi();
}

// What the enumeration collects: the window's rectangle on the screen and
// the monitors found so far.
struct MonitorSearch {
    RECT Window;
    MonitorListRecord Found;
};

// Adds the monitor's part of the window, in the window's coordinates; the
// primary goes to the front.
BOOL CALLBACK CollectMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data)
{
    auto &search = *reinterpret_cast<MonitorSearch *>(data);
    MonitorListRecord &found = search.Found;
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    RECT shown = {};
    if (!GetMonitorInfoA(monitor, &info) || !IntersectRect(&shown, &info.rcMonitor, &search.Window))
        return TRUE;
    if (found.Count == MaxMonitors)
        return FALSE;
    OffsetRect(&shown, -search.Window.left, -search.Window.top);
    const MonitorPlace place = {shown, MonitorDpi(monitor)};
    if ((info.dwFlags & MONITORINFOF_PRIMARY) != 0) {
        for (int i = found.Count; i > 0; --i)
            found.Places[i] = found.Places[i - 1];
        found.Places[0] = place;
    } else {
        found.Places[found.Count] = place;
    }
    ++found.Count;
    return TRUE;
}

// Floor division, for lengths that may be negative.
int32_t DivideDown(int64_t value, int64_t by)
{
    const int64_t quotient = value / by;
    return static_cast<int32_t>(quotient * by > value ? quotient - 1 : quotient);
}

} // namespace

int32_t ToPixels(int32_t units, int dpi)
{
    return DivideDown(static_cast<int64_t>(units) * dpi, BaseDpi);
}

int32_t ToUnits(int32_t pixels, int dpi)
{
    return DivideDown(static_cast<int64_t>(pixels) * BaseDpi, dpi);
}

// The monitors in the order the system lists them, the primary moved first.
MonitorListRecord FindMonitors(HWND window)
{
    MonitorSearch search = {};
    GetWindowRect(window, &search.Window);
    EnumDisplayMonitors(nullptr, nullptr, CollectMonitor, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

// The host's monitor decides a preview's scale.
int WindowDpi(HWND window)
{
    return MonitorDpi(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY));
}
