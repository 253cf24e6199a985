// The close-on-input rules of the saver window and the password check that
// guards a close.
#pragma once

#include <windows.h>

// Where the close rules read the time: GetTickCount, unless a test replaces
// it to play the 200 ms re-ask guard without waiting.
typedef DWORD(WINAPI *TickSourceProc)();
extern TickSourceProc CloseRulesTickSource;

// Decides a close request: nonzero when the window may close.
LONG VerifyClose(HWND window);
