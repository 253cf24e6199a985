// The close-on-input rules of the saver window and the password check that
// guards a close.
#pragma once

#include <windows.h>

// Where the close rules read the time; GetTickCount unless a test replaces it
// to play the 200 ms re-ask guard without waiting.
typedef DWORD(WINAPI *TickSourceProc)();
extern TickSourceProc CloseRulesTickSource;

// A close request within this many milliseconds of the end of the previous
// verification is refused without asking again.
constexpr DWORD ReaskGuardMilliseconds = 200;

LRESULT CALLBACK DefaultSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LONG VerifyClose(HWND window);
