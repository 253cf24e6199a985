// A stand-in for the system's screen-saver password library: it logs its
// loading, its unloading and each verification, with the system's screen-
// saver-running state at that moment, and answers as the test asks ('0'
// refuse, '1' approve, 'r' refuse and at once request another close, 'f'
// fault).
#include "tests/fakes/fake_log.h"

namespace {
int VerifyCalls;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void *)
{
    if (reason == DLL_PROCESS_ATTACH) {
        FakeLog("attach");
        // Asked to stay, the library outlives the saver's FreeLibrary, and
        // its unloading at the end of the process shows the state then.
        char stay[4] = "";
        HMODULE self = nullptr;
        if (GetEnvironmentVariableA("TELV_FAKE_STAY", stay, sizeof stay) > 0)
            GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                               reinterpret_cast<LPCSTR>(&VerifyCalls), &self);
    }
    else if (reason == DLL_PROCESS_DETACH)
        FakeLog(FakeRunningState() ? "detach running=1" : "detach running=0");
    return TRUE;
}

extern "C" BOOL WINAPI VerifyScreenSavePwd(HWND window)
{
    char className[64] = "";
    GetClassNameA(window, className, sizeof className);
    char line[256];
    wsprintfA(line, "verify %lu %s running=%d tick=%lu", static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(window)),
              className, FakeRunningState(), GetTickCount());
    FakeLog(line);

    char answer = FakeAnswer(VerifyCalls++);
    switch (answer) {
    case 'f':
        FakeFault();
        return FALSE;
    case 'r':
        PostMessageA(window, WM_CLOSE, 0, 0);
        FakeLog("verify-end");
        return FALSE;
    case '0':
        FakeLog("verify-end");
        return FALSE;
    default:
        FakeLog("verify-end");
        return TRUE;
    }
}
