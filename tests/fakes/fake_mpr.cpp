// A stand-in for the system's multiple-provider router: it logs the
// password change it is asked for and returns. Asked to fault ('f'), it
// first switches the screen-saver-running state on, so that the test sees
// the saver's exception guard switch it off again; the unloading at the
// end of the process logs that state.
#include "tests/fakes/fake_log.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void *)
{
    if (reason == DLL_PROCESS_DETACH && FakeAnswer(0) == 'f')
        FakeLog(FakeRunningState() ? "detach running=1" : "detach running=0");
    return TRUE;
}

extern "C" DWORD WINAPI PwdChangePasswordA(LPCSTR provider, HWND parent, DWORD reserved1, DWORD reserved2)
{
    char line[256];
    wsprintfA(line, "change %s %lu %lu %lu", provider, static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(parent)),
              reserved1, reserved2);
    FakeLog(line);
    if (FakeAnswer(0) == 'f') {
        UINT scratch = 0;
        SystemParametersInfoA(SPI_SCREENSAVERRUNNING, TRUE, &scratch, 0);
        FakeFault();
    }
    return 0;
}
