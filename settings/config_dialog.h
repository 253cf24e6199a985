// The configuration dialog: the ball count, set by the user.
#pragma once

#include <windows.h>

constexpr int CountTextLength = 80;

extern HWND CountEdit;
extern HWND CountSpinner;
extern char CountText[CountTextLength];

extern "C" BOOL WINAPI ScreenSaverConfigureDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
BOOL ConfigClassHook(HINSTANCE instance);
