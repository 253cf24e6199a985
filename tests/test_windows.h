// Pieces shared by the tests that drive the saver's window procedures in
// real windows of the test program: a fresh saver state, the message queue,
// and a preview host that records what a preview hands it.
#pragma once

#include "shell/saver_module.h"

#include <windows.h>

// Puts the saver state back to its start, keeping the module handle the
// test program set.
inline void ResetSaverState()
{
    const HINSTANCE instance = SaverState.Instance;
    SaverState = SaverShellState{};
    SaverState.Instance = instance;
}

// Removes the window's posted messages of one kind; how many there were.
inline int CountPosted(HWND window, UINT message)
{
    int count = 0;
    MSG msg;
    while (PeekMessageA(&msg, window, message, message, PM_REMOVE))
        ++count;
    return count;
}

// Drops every message waiting in this thread's queue.
inline void DrainMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        ;
}

// Dispatches this thread's messages for a while, as the saver's loop does.
inline void DispatchFor(DWORD milliseconds)
{
    const DWORD until = GetTickCount() + milliseconds;
    MSG msg;
    while (GetTickCount() < until) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        Sleep(10);
    }
}

// What a preview host was handed.
struct HostRecord {
    int HelpCount;
    WPARAM HelpWParam;
    HELPINFO Help;
    int MenuCount;
    WPARAM MenuWParam;
    LPARAM MenuLParam;
};
inline HostRecord Host;

// The procedure of a preview host as the display settings would show it: it
// records the help and context-menu requests the preview hands it.
inline LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_HELP:
        ++Host.HelpCount;
        Host.HelpWParam = wParam;
        if (lParam != 0)
            Host.Help = *reinterpret_cast<const HELPINFO *>(lParam);
        return TRUE;
    case WM_CONTEXTMENU:
        ++Host.MenuCount;
        Host.MenuWParam = wParam;
        Host.MenuLParam = lParam;
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

// Registers the preview host's class under the given name and clears the
// record.
inline void RegisterHostClass(const char *className)
{
    WNDCLASSA hostClass = {};
    hostClass.lpfnWndProc = HostProc;
    hostClass.hInstance = GetModuleHandleA(nullptr);
    hostClass.lpszClassName = className;
    RegisterClassA(&hostClass);
    Host = HostRecord{};
}
