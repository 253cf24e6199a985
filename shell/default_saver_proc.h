// The close-on-input rules of the saver window and the password check that
// guards a close.
#pragma once

#include <windows.h>

LRESULT DefaultSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LONG VerifyClose(HWND window);
