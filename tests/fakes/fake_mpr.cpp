// A stand-in for the system's multiple-provider router: it logs the
// password change it is asked for and returns, or faults when the test
// asks for that ('f').
#include "tests/fakes/fake_log.h"

extern "C" DWORD WINAPI PwdChangePasswordA(LPCSTR provider, HWND parent, DWORD reserved1, DWORD reserved2)
{
    char line[256];
    wsprintfA(line, "change %s %lu %lu %lu", provider, static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(parent)),
              reserved1, reserved2);
    FakeLog(line);
    if (FakeAnswer(0) == 'f')
        FakeFault();
    return 0;
}
