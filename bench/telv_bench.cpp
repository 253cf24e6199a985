// Times the animation in a real full-screen saver window over every monitor:
// the first paint, the timer tick with 10 and 60 balls on each monitor, and
// for comparison a tick that recomposes every monitor's whole frame and
// copies it whole every time; and the process's private bytes once the
// scene is made; the CPU seconds that a minute of the saver costs with the
// display on and off; and smooth motion against the tick alone: frames a
// second against the refresh rate, a frame's cost against a tick's, and the
// CPU seconds of a minute either way. The system's DPI (the prefix's
// LogPixels under Wine) sets the scale.
#include "animation/ball_scene.h"
#include "animation/frame_clock.h"
#include "animation/frame_composition.h"
#include "settings/settings_file.h"
#include "shell/saver_module.h"

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr char BenchClassName[] = "TelvBench";
constexpr int WarmUpTicks = 20;
constexpr int MeasuredTicks = 600;
constexpr uint32_t BenchSeed = 20261206;

double Milliseconds(LONGLONG counts)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(counts) / static_cast<double>(frequency.QuadPart);
}

LONGLONG Now()
{
    LARGE_INTEGER at;
    QueryPerformanceCounter(&at);
    return at.QuadPart;
}

// Lets the platform do its pending work between two timed ticks.
void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        if (msg.message != WM_TIMER && msg.message != WM_CLOSE)
            DispatchMessageA(&msg);
}

struct Timing {
    double Mean;
    double P99;
};

Timing Summarise(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    double sum = 0;
    for (double s : samples)
        sum += s;
    const size_t index = std::min(samples.size() - 1, samples.size() * 99 / 100);
    return {sum / static_cast<double>(samples.size()), samples[index]};
}

// The saver's real tick, delivered as the timer message.
void RealTick(HWND window)
{
    SendMessageA(window, WM_TIMER, AnimationTimerId, 0);
}

// The naive alternative: on every monitor the whole frame from the
// background buffer, every ball drawn through its mask, the whole monitor
// copied to the window.
void NaiveTick(HWND window)
{
    HDC surface = GetDC(window);
    const AnimationRecord &a = Animation;
    for (int i = 0; i < a.MonitorCount; ++i) {
        MonitorSceneRecord &m = Animation.Monitors[i];
        const ScaledPicturesRecord &s = a.Scales[m.Pictures];
        const RECT &area = m.Place.Area;
        const int width = area.right - area.left, height = area.bottom - area.top, dpi = m.Place.Dpi;
        StepScene(m.Scene);
        BitBlt(m.FrameBuffers.Composition.Dc, 0, 0, width, height, m.FrameBuffers.Background.Dc, 0, 0, SRCCOPY);
        for (int slot = 0; slot < BallCount; ++slot) {
            const BallTableRecord &b = m.Scene.BallTable;
            const int frame = b.Frame[slot], x = ToPixels(b.X[slot], dpi), y = ToPixels(b.Y[slot], dpi);
            BitBlt(m.FrameBuffers.Composition.Dc, x, y, s.SpriteWidth, s.SpriteHeight, s.MaskSurfaces[frame].Dc, 0, 0,
                   SRCAND);
            BitBlt(m.FrameBuffers.Composition.Dc, x, y, s.SpriteWidth, s.SpriteHeight, s.SpriteSurfaces[frame].Dc, 0,
                   0, SRCPAINT);
        }
        BitBlt(surface, area.left, area.top, width, height, m.FrameBuffers.Composition.Dc, 0, 0, SRCCOPY);
    }
    ReleaseDC(window, surface);
}

// The same balls on every monitor for every timing: the generator starts
// over and every monitor's balls go back to its bottom centre.
void ResetAllBalls()
{
    SceneRandom::Seed(BenchSeed);
    for (int i = 0; i < Animation.MonitorCount; ++i)
        ResetBalls(Animation.Monitors[i].Scene);
}

Timing TimeTicks(HWND window, void (*tick)(HWND))
{
    ResetAllBalls();
    for (int i = 0; i < WarmUpTicks; ++i) {
        tick(window);
        Pump();
    }
    std::vector<double> samples;
    for (int i = 0; i < MeasuredTicks; ++i) {
        const LONGLONG start = Now();
        tick(window);
        GdiFlush();
        samples.push_back(Milliseconds(Now() - start));
        Pump();
    }
    return Summarise(samples);
}

// The process's private bytes (its commit charge), in MiB.
double PrivateMegabytes()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return static_cast<double>(counters.PagefileUsage) / (1024.0 * 1024.0);
}

// One saver window over the whole virtual screen, as the full-screen saver
// makes it, with smooth motion or the tick alone from its first paint on.
HWND MakeSaverWindow(BOOL smooth = FALSE)
{
    HWND window = CreateWindowExA(WS_EX_TOPMOST, BenchClassName, "Screen Saver", WS_POPUP | WS_VISIBLE,
                                  GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                                  GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN),
                                  nullptr, nullptr, SaverState.Instance, nullptr);
    SaverState.SaverWindow = window;
    Animation.SmoothMotion.Setting = smooth;
    KillTimer(window, AnimationTimerId);
    Pump();
    return window;
}

void RunFor(LONG balls)
{
    HWND window = MakeSaverWindow();
    BallCount = balls;
    const LONGLONG start = Now();
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
    GdiFlush();
    const double firstPaint = Milliseconds(Now() - start);
    const double privateBytes = PrivateMegabytes();
    Pump();

    const Timing real = TimeTicks(window, RealTick);
    const Timing naive = TimeTicks(window, NaiveTick);
    std::printf("%2ld balls a monitor: AnimationTick mean %.3f ms, p99 %.3f ms, CPU %.1f%% at one tick per %u ms\n",
                balls, real.Mean, real.P99, 100.0 * real.Mean / AnimationTimerPeriod,
                AnimationTimerPeriod);
    std::printf("          first PaintScene %.1f ms, private bytes after it %.1f MiB\n", firstPaint, privateBytes);
    std::printf("          naive full-frame tick mean %.3f ms, p99 %.3f ms, CPU %.1f%%; naive / real = %.1f\n",
                naive.Mean, naive.P99, 100.0 * naive.Mean / AnimationTimerPeriod,
                naive.Mean / real.Mean);
    DestroyWindow(window);
    Pump();
}

// The process's CPU time so far, user and kernel, in seconds.
double CpuSeconds()
{
    FILETIME created, ended, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
    const auto seconds = [](const FILETIME &t) {
        return static_cast<double>((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

// What the loop saw of the animation's messages: how many ticks and frames,
// and the time spent handling them.
struct LoopFigures {
    int Ticks = 0;
    int Frames = 0;
    LONGLONG TickCounts = 0;
    LONGLONG FrameCounts = 0;
};

// Handles the window's messages for the time as the saver's loop does,
// waiting while there are none, and times the ticks and frames; close
// requests of stray input are dropped.
LoopFigures RunLoopFor(DWORD milliseconds)
{
    LoopFigures figures;
    const DWORD start = GetTickCount();
    for (DWORD elapsed = 0; elapsed < milliseconds; elapsed = GetTickCount() - start) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - elapsed, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_CLOSE)
                continue;
            const LONGLONG before = Now();
            DispatchMessageA(&msg);
            const LONGLONG spent = Now() - before;
            if (msg.message == WM_TIMER) {
                ++figures.Ticks;
                figures.TickCounts += spent;
            } else if (msg.message == FrameMessage) {
                ++figures.Frames;
                figures.FrameCounts += spent;
            }
        }
    }
    return figures;
}

// Plays the system's notification of the console display's state to the
// window.
void TellDisplayState(HWND window, DWORD state)
{
    DisplayStateSetting setting = {ConsoleDisplayState, sizeof(DWORD), state};
    SendMessageA(window, WM_POWERBROADCAST, PowerSettingChange, reinterpret_cast<LPARAM>(&setting));
}

// What a minute of the saver costs with 10 balls a monitor, its timer
// running in the message loop: with the display on, and off.
void MeasureDisplayStates()
{
    constexpr DWORD Period = 20000;  // each state's, in two halves taken in turn
    HWND window = MakeSaverWindow();
    BallCount = 10;
    UpdateWindow(window);
    const DWORD states[] = {DisplayOff, 1, DisplayOff, 1};
    double perMinute[2] = {};
    for (DWORD state : states) {
        TellDisplayState(window, state);
        const double before = CpuSeconds();
        RunLoopFor(Period / 2);
        // The emulated clock can read a hair less the second time; a
        // process never spends less than nothing.
        perMinute[state] += std::max(0.0, CpuSeconds() - before) * 60000.0 / Period;
    }
    std::printf("a minute with 10 balls a monitor: display on %.2f CPU seconds, display off %.3f CPU seconds\n",
                perMinute[1], perMinute[0]);
    DestroyWindow(window);
    Pump();
}

// Smooth motion against the tick alone, `balls` a monitor, each for 20
// seconds of the saver's own loop: the frames a second the primary monitor
// got against its refresh rate, the mean cost of handling a frame against
// that of a tick drawing alone, and the CPU seconds a minute either way.
void MeasureSmoothMotion(LONG balls)
{
    constexpr DWORD Period = 20000;
    LoopFigures figures[2];
    double perMinute[2] = {};
    const char *clock = "none";
    for (BOOL smooth : {FALSE, TRUE}) {
        HWND window = MakeSaverWindow(smooth);
        BallCount = balls;
        UpdateWindow(window);
        StartAnimationTimer(window);
        const double before = CpuSeconds();
        figures[smooth] = RunLoopFor(Period);
        perMinute[smooth] = std::max(0.0, CpuSeconds() - before) * 60000.0 / Period;
        if (smooth)
            clock = FrameClock.Kind == static_cast<LONG>(FrameClockKind::Compositor) ? "the compositor"
                                                                                     : "the waitable timer";
        DestroyWindow(window);
        Pump();
    }
    const LoopFigures &alone = figures[0], &frames = figures[1];
    const int rate = Animation.Monitors[0].Place.RefreshRate;
    const double fps = frames.Frames * 1000.0 / Period;
    const double frameCost = frames.Frames ? Milliseconds(frames.FrameCounts) / frames.Frames : 0;
    const double tickCost = alone.Ticks ? Milliseconds(alone.TickCounts) / alone.Ticks : 0;
    std::printf("smooth motion, %2ld balls a monitor, paced by %s: %.1f frames a second at %d Hz (%.0f%%); "
                "frame %.3f ms against a tick alone %.3f ms (%.2f); a minute %.2f CPU seconds against %.2f "
                "(%.2f times)\n",
                balls, clock, fps, rate, 100.0 * fps / rate, frameCost, tickCost,
                tickCost > 0 ? frameCost / tickCost : 0.0, perMinute[1], perMinute[0],
                perMinute[0] > 0 ? perMinute[1] / perMinute[0] : 0.0);
}

} // namespace

int main()
{
    SaverState.Instance = GetModuleHandleA(nullptr);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = ScreenSaverProc;
    wc.hInstance = SaverState.Instance;
    wc.lpszClassName = BenchClassName;
    RegisterClassA(&wc);

    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    std::printf("%d monitor(s) at %d DPI: primary %d x %d, virtual screen %d x %d at (%d, %d); %d measured ticks "
                "after %d warm-up ticks; private bytes before any paint %.1f MiB\n",
                GetSystemMetrics(SM_CMONITORS), dpi, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN),
                GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN), MeasuredTicks, WarmUpTicks,
                PrivateMegabytes());
    RunFor(10);
    RunFor(60);
    MeasureDisplayStates();
    MeasureSmoothMotion(10);
    MeasureSmoothMotion(60);
    return 0;
}
