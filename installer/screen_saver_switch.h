// The user's screen-saver switch.
#pragma once

#include <windows.h>

// Switches the user's screen saver on or off as the display settings do:
// Windows stores the switch and tells every running program. Choosing a
// saver there with the switch off would leave it chosen but never started.
// FALSE when the system refuses.
BOOL SwitchScreenSaver(BOOL on);
