#include "shell/default_saver_proc.h"

#include "shell/saver_module.h"

TickSourceProc CloseRulesTickSource = GetTickCount;

namespace {

// A close request within this many milliseconds of the end of the previous
// verification is refused without asking again.
constexpr DWORD ReaskGuardMilliseconds = 200;

// Hides the cursor over the saver window.
void HideCursor()
{
    SetCursor(nullptr);
}

// The distance of the cursor from the anchor, in pixels along x plus along y.
DWORD CursorDistanceFromAnchor(const POINT &position)
{
    const LONG dx = position.x - SaverState.CursorAnchor.x;
    const LONG dy = position.y - SaverState.CursorAnchor.y;
    return static_cast<DWORD>((dx < 0 ? -dx : dx) + (dy < 0 ? -dy : dy));
}

// Asks the window to close once the cursor has left the anchor by more than
// the threshold; smaller moves leave the anchor where it is, so they add up.
void ApplyMouseMoveRule(HWND window)
{
    POINT position = {};
    GetCursorPos(&position);
    if (CursorDistanceFromAnchor(position) > SaverState.MouseMoveThreshold) {
        PostMessageA(window, WM_CLOSE, 0, 0);
        SaverState.CursorAnchor = position;
    }
}

// Runs the system's verification function; without one a close is allowed.
LRESULT RunPasswordVerification(HWND window)
{
    if (SaverState.VerifyPassword)
        return SaverState.VerifyPassword(window);
    return 1;
}

// Drops up to two pending ticks so that the animation does not run ahead
// behind the verification.
void RemovePendingTicks(HWND window)
{
    MSG pending = {};
    PeekMessageA(&pending, window, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD);
    PeekMessageA(&pending, window, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD);
}

// Decides a close request: at once without password protection, otherwise by
// the system's verification, never twice at the same time and not again
// within 200 ms of the last verification's end.
LONG VerifyClose(HWND window)
{
    if (SaverState.Verifying)
        return 0;
    if (!SaverState.VerifyPassword) {
        SaverState.CloseApproved = 1;
        return 1;
    }
    const DWORD now = CloseRulesTickSource();
    if (SaverState.LastVerifyTick != NoVerifyTick &&
        now - SaverState.LastVerifyTick < ReaskGuardMilliseconds)
        return 0;

    SaverState.Verifying = 1;
    RemovePendingTicks(window);
    const LRESULT result = SendMessageA(window, VerifyPasswordMessage, 0, 0);
    SaverState.CloseApproved = static_cast<LONG>(result);
    SaverState.Verifying = 0;
    if (!result)
        HideCursor();
    SaverState.LastVerifyTick = CloseRulesTickSource();
    return SaverState.CloseApproved;
}

// Lets a close request through only when VerifyClose allows it; a refused
// one leaves the saver running with the anchor at the cursor.
LRESULT HandleCloseRequest(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (VerifyClose(window))
        return DefWindowProcA(window, message, wParam, lParam);
    GetCursorPos(&SaverState.CursorAnchor);
    return 0;
}

} // namespace

// The default processing of the saver window: any key, button press, real
// mouse movement or loss of activation asks the window to close (a loss
// during the password check asks nothing more), and a close goes through
// VerifyClose. The preview, and a saver whose close was approved, take the
// platform's default processing only.
LRESULT CALLBACK DefaultSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (SaverState.IsPreview || SaverState.CloseApproved)
        return DefWindowProcA(window, message, wParam, lParam);
    if (message == WM_CLOSE)
        return HandleCloseRequest(window, message, wParam, lParam);
    // Answered before the re-entrancy guard: VerifyClose sends it while
    // Verifying is set.
    if (message == VerifyPasswordMessage)
        return RunPasswordVerification(window);
    if (SaverState.Verifying)
        return DefWindowProcA(window, message, wParam, lParam);

    switch (message) {
    case WM_SETCURSOR:
        HideCursor();
        return 1;
    case WM_SHOWWINDOW:
        if (wParam)
            HideCursor();
        break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_XBUTTONDOWN:
        PostMessageA(window, WM_CLOSE, 0, 0);
        break;
    // Another window took the foreground: the saver must not stay over a
    // desk whose keys now go to a window the user cannot see.
    case WM_ACTIVATEAPP:
        if (!wParam)
            PostMessageA(window, WM_CLOSE, 0, 0);
        break;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE)
            PostMessageA(window, WM_CLOSE, 0, 0);
        break;
    case WM_MOUSEMOVE:
        ApplyMouseMoveRule(window);
        break;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
