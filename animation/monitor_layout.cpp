// The monitors of the saver window and their pixel densities.
#include "animation/monitor_layout.h"

#include "shell/system_library.h"

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

// The system's per-monitor query (Windows 8.1 and later), in a library of
// the system directory; the effective DPI is the one Windows scales by.
typedef HRESULT(WINAPI *DpiForMonitorProc)(HMONITOR monitor, int kind, UINT *x, UINT *y);
constexpr int EffectiveDpi = 0; // MDT_EFFECTIVE_DPI

// Where the densities come from while monitors are looked at.
struct DpiSource {
    HMODULE Library = nullptr;
    DpiForMonitorProc ForMonitor = nullptr;
};

// Loads the per-monitor query where the system has it.
DpiSource OpenDpiSource()
{
    DpiSource source;
    source.Library = LoadSystemLibrary("SHCORE.DLL");
    if (source.Library != nullptr)
        source.ForMonitor = reinterpret_cast<DpiForMonitorProc>(
            reinterpret_cast<void *>(GetProcAddress(source.Library, "GetDpiForMonitor")));
    return source;
}

// Frees the query's library again.
void CloseDpiSource(DpiSource &source)
{
    if (source.Library != nullptr)
        FreeLibrary(source.Library);
    source = DpiSource{};
}

// The DPI of one monitor: its own where the system gives one, else the
// system's.
int MonitorDpi(const DpiSource &source, HMONITOR monitor)
{
    UINT x = 0;
    UINT y = 0;
    if (source.ForMonitor != nullptr && SUCCEEDED(source.ForMonitor(monitor, EffectiveDpi, &x, &y)) && x > 0)
        return UsableDpi(static_cast<int>(x));
    return SystemDpi();
}

// The monitor's refresh rate in its current mode, asked of its own device.
int RefreshRate(const char *device)
{
    DEVMODEA mode = {};
    mode.dmSize = sizeof mode;
    if (!EnumDisplaySettingsA(device, ENUM_CURRENT_SETTINGS, &mode) || mode.dmDisplayFrequency <= 1)
        return DefaultRefreshRate;
    return static_cast<int>(mode.dmDisplayFrequency);
}

// What the enumeration collects: the window's rectangle on the screen, where
// the densities come from, and the monitors found so far.
struct MonitorSearch {
    RECT Window;
    DpiSource Dpi;
    MonitorListRecord Found;
};

// Adds the monitor's part of the window, in the window's coordinates; the
// primary goes to the front.
BOOL CALLBACK CollectMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data)
{
    auto &search = *reinterpret_cast<MonitorSearch *>(data);
    MonitorListRecord &found = search.Found;
    MONITORINFOEXA info = {};
    info.cbSize = sizeof info;
    RECT shown = {};
    if (!GetMonitorInfoA(monitor, &info) || !IntersectRect(&shown, &info.rcMonitor, &search.Window))
        return TRUE;
    if (found.Count == MaxMonitors)
        return FALSE;
    OffsetRect(&shown, -search.Window.left, -search.Window.top);
    const MonitorPlace place = {shown, MonitorDpi(search.Dpi, monitor), RefreshRate(info.szDevice)};
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

// Lengths in units to pixels at a density, rounded down.
int32_t ToPixels(int32_t units, int dpi)
{
    return DivideDown(static_cast<int64_t>(units) * dpi, BaseDpi);
}

// Pixels to whole units at a density.
int32_t ToUnits(int32_t pixels, int dpi)
{
    return DivideDown(static_cast<int64_t>(pixels) * BaseDpi, dpi);
}

// The monitors in the order the system lists them, the primary moved first.
MonitorListRecord FindMonitors(HWND window)
{
    MonitorSearch search = {};
    GetWindowRect(window, &search.Window);
    search.Dpi = OpenDpiSource();
    EnumDisplayMonitors(nullptr, nullptr, CollectMonitor, reinterpret_cast<LPARAM>(&search));
    CloseDpiSource(search.Dpi);
    return search.Found;
}

// The host's monitor decides a preview's scale.
int WindowDpi(HWND window)
{
    DpiSource source = OpenDpiSource();
    const int dpi = MonitorDpi(source, MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY));
    CloseDpiSource(source);
    return dpi;
}
