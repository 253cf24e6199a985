// The system's screen-saver password library, the screen-saver-running
// switch, and the hand-over of a password change to the system. Both
// libraries come from the system directory only.
#include "shell/password_library.h"

#include "shell/saver_module.h"
#include "shell/system_library.h"

namespace {

typedef DWORD(WINAPI *ChangePasswordProc)(LPCSTR provider, HWND parent, DWORD reserved1, DWORD reserved2);

// Reads the user's password switch; on only when the value reads in 4
// bytes or fewer and is nonzero.
bool PasswordProtectionOn(HKEY desktop)
{
    DWORD value = 0;
    DWORD size = sizeof value;
    LONG result = RegQueryValueExA(desktop, "ScreenSaveUsePassword", nullptr, nullptr,
                                   reinterpret_cast<BYTE *>(&value), &size);
    return result == ERROR_SUCCESS && value != 0;
}

} // namespace

// Loads the verification function when the user has asked for password
// protection, and then tells the system that a saver is running.
void LoadPasswordLibrary()
{
    if (SaverState.PasswordLibrary != nullptr)
        UnloadPasswordLibrary();

    HKEY desktop = nullptr;
    if (RegOpenKeyA(HKEY_CURRENT_USER, "Control Panel\\Desktop", &desktop) != ERROR_SUCCESS)
        return;

    if (PasswordProtectionOn(desktop)) {
        SaverState.PasswordLibrary = LoadSystemLibrary("PASSWORD.CPL");
        if (SaverState.PasswordLibrary != nullptr) {
            SaverState.VerifyPassword = reinterpret_cast<VerifyPasswordProc>(
                reinterpret_cast<void *>(GetProcAddress(SaverState.PasswordLibrary, "VerifyScreenSavePwd")));
            if (SaverState.VerifyPassword != nullptr)
                SetSaverRunning(TRUE);
            else
                UnloadPasswordLibrary();
        }
    }
    RegCloseKey(desktop);
}

// Frees the password library; the running state goes off only when this
// program switched it on.
void UnloadPasswordLibrary()
{
    if (SaverState.PasswordLibrary == nullptr)
        return;
    FreeLibrary(SaverState.PasswordLibrary);
    SaverState.PasswordLibrary = nullptr;
    if (SaverState.VerifyPassword != nullptr) {
        SaverState.VerifyPassword = nullptr;
        SetSaverRunning(FALSE);
    }
}

// Switches the system's screen-saver-running state; the previous state
// that the system hands back is not needed.
BOOL SetSaverRunning(BOOL on)
{
    UINT previous = 0;
    return SystemParametersInfoA(SPI_SCREENSAVERRUNNING, on ? 1 : 0, &previous, 0);
}

// Lets the system's provider router change the screen-saver password,
// owned by the given window. Nothing happens when the router is missing.
void ChangePassword(HWND parent)
{
    HMODULE router = LoadSystemLibrary("MPR.DLL");
    if (router == nullptr)
        return;
    auto change = reinterpret_cast<ChangePasswordProc>(
        reinterpret_cast<void *>(GetProcAddress(router, "PwdChangePasswordA")));
    if (change != nullptr)
        change("SCRSAVE", parent, 0, 0);
    FreeLibrary(router);
}
