// The frame clock: a thread of its own that waits for the display's next
// refresh and then asks the saver window for a frame with one posted
// FrameMessage, never two at once. All drawing stays on the window's
// thread; the clock only waits and posts.
#pragma once

#include <windows.h>

#include <cstdint>

// What paces the frames: the system's compositor where its flush really
// waits for the next composition, else a waitable timer at the fastest
// monitor's refresh period.
enum class FrameClockKind : LONG { None, Compositor, Timer };

// The clock's thread and what it waits on. Every field starts at the value
// beside it.
struct FrameClockRecord {
    HANDLE Thread = nullptr;
    HANDLE Stop = nullptr;          // set when the window's thread ends the clock
    HANDLE Timer = nullptr;         // the waitable timer, high resolution where the system has it
    HMODULE Compositor = nullptr;   // dwmapi.dll, from the system directory
    FARPROC Flush = nullptr;        // its DwmFlush, while composition is on
    HWND Window = nullptr;
    int64_t Period = 0;             // the fastest monitor's refresh period, in counts
    volatile LONG Pending = 0;      // 1 from the post of a frame message until the window takes it
    volatile LONG Kind = static_cast<LONG>(FrameClockKind::None);
};

extern FrameClockRecord FrameClock;

// The time frames and ticks are measured in: the performance counter, unless
// a test puts a clock of its own here.
typedef int64_t (*ClockReader)();
extern ClockReader FrameTimeSource;
int64_t CountsPerSecond();

// Starts the clock's thread for `window`, pacing at `rate` frames a second
// at most; false, with nothing left made, when the system gives no thread,
// timer or event. Nothing is started while a clock runs.
bool StartFrameClock(HWND window, int rate);
// Ends the clock's thread, waits for it, releases what it used, and takes a
// frame message still queued for the window away.
void StopFrameClock();
// The window's thread took the frame message: the clock may post the next.
void TakeFrameMessage();
