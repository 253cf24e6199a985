// The user's screen-saver switch, in a file of its own so that a test build
// of the installer can link a system that refuses it instead.
#include "installer/screen_saver_switch.h"

// The call stores the switch for the user (ScreenSaveActive) and sends
// WM_SETTINGCHANGE to every top-level window.
BOOL SwitchScreenSaver(BOOL on)
{
    return SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, on, nullptr, SPIF_UPDATEINIFILE | SPIF_SENDCHANGE);
}
