// The saver window, full screen or inside a preview host, and its loop.
#pragma once

#include <windows.h>

int RunSaver(HWND parent);
LRESULT CALLBACK SaverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
