// The close rules' clock. DefaultSaverProc itself is lent to the saver module
// through shell/saver_module.h.
#pragma once

#include <windows.h>

// Where the close rules read the time: GetTickCount, unless a test replaces
// it to play the 200 ms re-ask guard without waiting.
typedef DWORD(WINAPI *TickSourceProc)();
extern TickSourceProc CloseRulesTickSource;
