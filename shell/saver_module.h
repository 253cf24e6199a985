// The contract between the saver shell and a saver module.
//
// The shell owns the program: the command line, the saver window with its
// message loop, the close rules and the system's password scheme. A saver
// module fills the window and keeps its settings. Each side sees of the
// other only what this header declares; the shell includes nothing else of
// the module.
#pragma once

#include <windows.h>
#include <imm.h>

// --- What a saver module provides -----------------------------------------

// The module's window procedure. The shell hands it every message of the
// saver window that the shell's own rules let through; it handles what it
// draws with and passes everything else, unchanged, to DefaultSaverProc.
// Exported by name.
extern "C" LRESULT WINAPI ScreenSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The procedure of the configuration dialog, template IDD_CONFIGURE of the
// program's resources; it ends the dialog with 1 after OK and 0 after
// Cancel. Exported by name.
extern "C" INT_PTR CALLBACK ScreenSaverConfigureDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Makes ready any window class the dialog needs; the dialog is shown only
// when it answers nonzero.
BOOL WINAPI ConfigClassHook(HINSTANCE instance);

// --- What the shell lends the module ---------------------------------------

// The default processing of the saver window: the close-on-input rules and
// the password check, ending in the platform's default processing.
LRESULT CALLBACK DefaultSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The system's password verification: nonzero lets the saver close.
typedef BOOL(WINAPI *VerifyPasswordProc)(HWND window);
// The input-method library's association call.
typedef HIMC(WINAPI *AssociateContextProc)(HWND window, HIMC context);

// Sent by the saver window to itself to run the password verification.
constexpr UINT VerifyPasswordMessage = WM_APP;

// What a system that scales monitors one by one sends when a scale changes:
// to a top-level window (WM_DPICHANGED), and to a child once its parent has
// been told (WM_DPICHANGED_AFTERPARENT). Both the shell and the module act
// on them; the headers of older systems do not name them.
constexpr UINT DpiChangedMessage = 0x02E0;
constexpr UINT DpiChangedAfterParentMessage = 0x02E3;

// The state of the console's display. The shell registers the full-screen
// window for it where the system offers that; the system then sends
// WM_POWERBROADCAST with PowerSettingChange and a DisplayStateSetting when
// the display goes off, dims or comes back (and once at registration), and
// the module rests its drawing while the display is off. The headers of
// older systems do not name them.
constexpr WPARAM PowerSettingChange = 0x8013;
constexpr GUID ConsoleDisplayState = {0x6FE69556, 0x704A, 0x47A0, {0x8F, 0x24, 0xC2, 0x8D, 0x93, 0x6F, 0xDA, 0x47}};
constexpr DWORD DisplayOff = 0;  // 1 is on, 2 dimmed
struct DisplayStateSetting {
    GUID PowerSetting;
    DWORD DataLength;
    DWORD State;
};

// The display's state from the data that a WM_POWERBROADCAST with
// PowerSettingChange points to; FALSE, and nothing read, unless that data
// lies wholly in readable memory and is the console display's state. Any
// program can send the message with any value in place of the pointer.
BOOL ReadDisplayStateNotification(LPARAM lParam, DWORD *state);

// "Never" for LastVerifyTick.
constexpr DWORD NoVerifyTick = 0xFFFFFFFF;

// The shell's one process-wide record. Every field starts at the value
// beside it, so one assignment of SaverShellState{} starts it over.
struct SaverShellState {
    HINSTANCE Instance = nullptr;        // set by WinMain before anything else
    HWND SaverWindow = nullptr;          // null while WM_CREATE runs
    LONG IsPreview = 0;                  // fixed before the window exists
    LONG CloseApproved = 0;              // nonzero once a close was let through
    LONG Verifying = 0;                  // 1 while the password is asked for
    HMODULE PasswordLibrary = nullptr;
    VerifyPasswordProc VerifyPassword = nullptr;
    HMODULE ImeLibrary = nullptr;
    AssociateContextProc AssociateContext = nullptr;
    HIMC SavedInputContext = nullptr;
    DWORD MouseMoveThreshold = 4;        // pixels the cursor may stray unnoticed
    DWORD LastVerifyTick = NoVerifyTick; // end of the last verification
    POINT CursorAnchor = {0, 0};         // where mouse movement is measured from
    HANDLE DisplayNotification = nullptr; // the display-state registration, full screen only
};

extern SaverShellState SaverState;
