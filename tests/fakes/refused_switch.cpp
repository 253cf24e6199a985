// A system that refuses the user's screen-saver switch, as one whose policy
// fixes it does: the installer's test build links this in place of the real
// switch, and all else is the installer's own.
#include "installer/screen_saver_switch.h"

BOOL SwitchScreenSaver(BOOL)
{
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}
