// The program's command line and its run modes.
#pragma once

#include <windows.h>

DWORD ParseWindowHandle(const char *text);
int RunPreview(const char *text);
int ShowConfigDialog(HWND owner);
int RunChangePassword(const char *text);
