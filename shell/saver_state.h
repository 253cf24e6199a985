// The saver shell's one process-wide record.
#pragma once

#include <windows.h>
#include <imm.h>

// The system's password verification: nonzero lets the saver close.
typedef BOOL(WINAPI *VerifyPasswordProc)(HWND window);
// The input-method library's association call.
typedef HIMC(WINAPI *AssociateContextProc)(HWND window, HIMC context);

// Sent by the saver window to itself to run the password verification.
constexpr UINT VerifyPasswordMessage = WM_APP;

// "Never" for LastVerifyTick.
constexpr DWORD NoVerifyTick = 0xFFFFFFFF;

struct SaverShellState {
    HINSTANCE Instance;
    HWND SaverWindow;
    LONG IsPreview;
    LONG CloseApproved;
    LONG Verifying;
    HMODULE PasswordLibrary;
    VerifyPasswordProc VerifyPassword;
    HMODULE ImeLibrary;
    AssociateContextProc AssociateContext;
    HIMC SavedInputContext;
    DWORD MouseMoveThreshold;
    DWORD LastVerifyTick;
    POINT CursorAnchor;
};

// The values every process starts with: all zero but the threshold and the
// "never verified" tick.
constexpr SaverShellState InitialSaverState = {
    nullptr, nullptr, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr,
    4, NoVerifyTick, {0, 0}};

extern SaverShellState SaverState;
