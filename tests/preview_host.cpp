// A stand-in for the display settings' preview: a window that the test
// starts a preview inside, and that goes as the test asks. WM_APP destroys
// the window after wParam milliseconds, while the program goes on running;
// WM_APP + 1 stops it answering messages at all, as a hung program does.
#include <windows.h>

namespace {

// How long the program outlives its window, as the settings dialog does.
constexpr DWORD Lifetime = 60000;
constexpr UINT_PTR DestroyTimer = 1;

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_APP:
        SetTimer(window, DestroyTimer, static_cast<UINT>(wParam), nullptr);
        return 0;
    case WM_APP + 1:
        Sleep(INFINITE);
        return 0;
    case WM_TIMER:
        KillTimer(window, DestroyTimer);
        DestroyWindow(window);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

} // namespace

// Shows the host window and handles messages until the lifetime is over.
// Started with "active", it only answers, as its exit code, whether the
// user's screen saver is switched on, as the display settings read it.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR line, int)
{
    BOOL active = FALSE;
    if (lstrcmpA(line, "active") == 0)
        return SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &active, 0) && active;
    const WNDCLASSA hostClass = {0, HostProc, 0, 0, instance, nullptr, nullptr,
                                 static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)), nullptr, "TelvHost"};
    RegisterClassA(&hostClass);
    CreateWindowExA(0, "TelvHost", "Host", WS_POPUP | WS_VISIBLE, 10, 10, 152, 112, nullptr, nullptr, instance,
                    nullptr);
    const DWORD start = GetTickCount();
    for (DWORD elapsed = 0; elapsed < Lifetime; elapsed = GetTickCount() - start) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, Lifetime - elapsed, QS_ALLINPUT);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
    }
    return 0;
}
