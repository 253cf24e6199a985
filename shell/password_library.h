// The system's screen-saver password library and password change.
#pragma once

#include <windows.h>

void LoadPasswordLibrary();
void UnloadPasswordLibrary();
BOOL SetSaverRunning(BOOL on);
void ChangePassword(HWND parent);
