// The frame clock's thread. It waits, posts, and waits again; it draws
// nothing and touches nothing of the scene.
#include "animation/frame_clock.h"

#include "shell/saver_module.h"
#include "shell/system_library.h"

FrameClockRecord FrameClock;

namespace {

// The performance counter, the clock of every time here.
int64_t ReadPerformanceCounter()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

// The compositor's calls (Windows Vista and later).
typedef HRESULT(WINAPI *CompositionEnabledProc)(BOOL *enabled);
typedef HRESULT(WINAPI *FlushProc)();

// A flush that returns within a quarter of the period three times running
// did not wait for a composition (composition off, as on Wine, or nothing to
// compose): the timer paces from then on.
constexpr int QuickFlushesToGiveUp = 3;

// The timer flag of Windows 10 version 1803 and later, and the access the
// timer needs; CreateWaitableTimerExW itself is there from Vista on.
constexpr DWORD HighResolutionTimer = 0x00000002;
constexpr DWORD TimerAccess = 0x001F0003;
typedef HANDLE(WINAPI *CreateTimerExProc)(LPSECURITY_ATTRIBUTES attributes, LPCWSTR name, DWORD flags, DWORD access);

// The compositor's flush, loaded from the system directory, when the
// compositor says it runs; else nothing is kept loaded.
void OpenCompositor(FrameClockRecord &c)
{
    c.Compositor = LoadSystemLibrary("DWMAPI.DLL");
    if (c.Compositor == nullptr)
        return;
    auto enabled = reinterpret_cast<CompositionEnabledProc>(
        reinterpret_cast<void *>(GetProcAddress(c.Compositor, "DwmIsCompositionEnabled")));
    BOOL on = FALSE;
    if (enabled != nullptr && SUCCEEDED(enabled(&on)) && on)
        c.Flush = GetProcAddress(c.Compositor, "DwmFlush");
    if (c.Flush == nullptr) {
        FreeLibrary(c.Compositor);
        c.Compositor = nullptr;
    }
}

// A high-resolution waitable timer, or a plain one where the system refuses
// the flag or lacks the call.
HANDLE MakeTimer()
{
    auto create = reinterpret_cast<CreateTimerExProc>(
        reinterpret_cast<void *>(GetProcAddress(GetModuleHandleA("KERNEL32.DLL"), "CreateWaitableTimerExW")));
    HANDLE timer = create != nullptr ? create(nullptr, nullptr, HighResolutionTimer, TimerAccess) : nullptr;
    return timer != nullptr ? timer : CreateWaitableTimerA(nullptr, FALSE, nullptr);
}

// Waits on the timer until `due` (in counts), or until the clock is stopped;
// false when stopped.
bool WaitForTimer(const FrameClockRecord &c, int64_t due)
{
    const int64_t ahead = due - FrameTimeSource();
    LARGE_INTEGER relative;
    relative.QuadPart = ahead > 0 ? -(ahead * 10000000 / CountsPerSecond()) : 0;
    SetWaitableTimer(c.Timer, &relative, 0, nullptr, nullptr, FALSE);
    const HANDLE handles[] = {c.Stop, c.Timer};
    return WaitForMultipleObjects(2, handles, FALSE, INFINITE) != WAIT_OBJECT_0;
}

// Waits for the next composition; counts the flushes that came back at once.
bool WaitForComposition(FrameClockRecord &c, int &quick)
{
    if (WaitForSingleObject(c.Stop, 0) == WAIT_OBJECT_0)
        return false;
    const int64_t start = FrameTimeSource();
    const HRESULT flushed = reinterpret_cast<FlushProc>(reinterpret_cast<void *>(c.Flush))();
    quick = FAILED(flushed) || FrameTimeSource() - start < c.Period / 4 ? quick + 1 : 0;
    if (quick == QuickFlushesToGiveUp)
        InterlockedExchange(&c.Kind, static_cast<LONG>(FrameClockKind::Timer));
    return true;
}

// Asks for a frame unless one is still queued.
void PostFrame(FrameClockRecord &c)
{
    if (InterlockedCompareExchange(&c.Pending, 1, 0) == 0 && !PostMessageA(c.Window, FrameMessage, 0, 0))
        InterlockedExchange(&c.Pending, 0);
}

// The thread: wait for the next refresh, ask for a frame, until stopped. A
// refresh missed while waiting is skipped, not made up for.
DWORD WINAPI RunFrameClock(void *)
{
    FrameClockRecord &c = FrameClock;
    int64_t due = FrameTimeSource();
    int quick = 0;
    for (;;) {
        bool going;
        if (c.Kind == static_cast<LONG>(FrameClockKind::Compositor)) {
            going = WaitForComposition(c, quick);
        } else {
            const int64_t now = FrameTimeSource();
            due += c.Period;
            if (due <= now)
                due = now + c.Period;
            going = WaitForTimer(c, due);
        }
        if (!going)
            return 0;
        PostFrame(c);
    }
}

} // namespace

ClockReader FrameTimeSource = ReadPerformanceCounter;

// Counts of the performance counter in a second.
int64_t CountsPerSecond()
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return frequency.QuadPart;
}

// Chooses the clock, makes the timer and the stop signal, and starts the
// thread.
bool StartFrameClock(HWND window, int rate)
{
    FrameClockRecord &c = FrameClock;
    if (c.Thread != nullptr)
        return true;
    c.Window = window;
    c.Period = CountsPerSecond() / (rate > 0 ? rate : 60);
    c.Pending = 0;
    OpenCompositor(c);
    c.Kind = static_cast<LONG>(c.Flush != nullptr ? FrameClockKind::Compositor : FrameClockKind::Timer);
    c.Timer = MakeTimer();
    c.Stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD id = 0;
    if (c.Timer != nullptr && c.Stop != nullptr)
        c.Thread = CreateThread(nullptr, 0, RunFrameClock, nullptr, 0, &id);
    if (c.Thread == nullptr)
        StopFrameClock();
    return c.Thread != nullptr;
}

// Signals the thread, waits for its end (at most one refresh), and closes
// what it waited on in the reverse order of making.
void StopFrameClock()
{
    FrameClockRecord &c = FrameClock;
    if (c.Thread != nullptr) {
        SetEvent(c.Stop);
        WaitForSingleObject(c.Thread, INFINITE);
        CloseHandle(c.Thread);
    }
    if (c.Stop != nullptr)
        CloseHandle(c.Stop);
    if (c.Timer != nullptr)
        CloseHandle(c.Timer);
    if (c.Compositor != nullptr)
        FreeLibrary(c.Compositor);
    MSG queued;
    if (c.Window != nullptr)
        PeekMessageA(&queued, c.Window, FrameMessage, FrameMessage, PM_REMOVE | PM_NOYIELD);
    c = FrameClockRecord{};
}

// The next frame may be asked for.
void TakeFrameMessage()
{
    InterlockedExchange(&FrameClock.Pending, 0);
}
