// The animation's window procedure: painting, the timer tick and teardown.
#pragma once

#include <windows.h>

#include <cstdint>

// The two screen-sized off-screen surfaces, each with its own bitmap.
struct FrameBuffersRecord {
    HDC Composition;
    HBITMAP CompositionBitmap;
    HDC Background;
    HBITMAP BackgroundBitmap;
};

extern FrameBuffersRecord FrameBuffers;
extern int32_t PortraitTick;
extern int32_t PortraitIndex;

extern "C" LRESULT WINAPI ScreenSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

void PaintScene(HWND window);
void PaintPreview(HWND window);
void AnimationTick(HWND window);
void ReleaseScene(HWND window);
