// Removing Telv. The saver's file goes first: while it cannot be deleted
// (the saver running, no rights), its registration and entry stay, so that
// the user can try again.
#include "installer/uninstall.h"

#include "installer/apps_entry.h"
#include "installer/install_file.h"
#include "installer/installer_ids.h"
#include "installer/message_box.h"
#include "installer/screen_saver_switch.h"

namespace {

// The saver's settings file, in the Windows directory.
constexpr char SettingsFileName[] = "telv1.ini";
// The root of the user's copies of protected folders.
constexpr char VirtualStore[] = "%LOCALAPPDATA%\\VirtualStore";

// The removal's working texts.
struct RemovalTexts {
    char Directory[MAX_PATH] = "";  // the Windows directory, with a backslash
    char Target[MAX_PATH] = "";     // the saver's file there
    char ShortTarget[MAX_PATH] = "";  // its short name, empty when unknown
    char Copy[MAX_PATH] = "";       // the installer's copy
};

// Shows one of the removal's boxes, always without owner, under the
// removal's caption ("Uninstall" in English).
int Tell(UINT textId, UINT type)
{
    return ShowMessage(IDS_UNINSTALL_CAPTION, textId, type);
}

// Ends with the remove-error box, unless quiet.
int ReportRemoveError(BOOL quiet)
{
    if (!quiet)
        Tell(IDS_REMOVE_ERROR, MB_OK | MB_ICONHAND);
    return Failed;
}

// TRUE when the saver's file is gone, or was never there.
BOOL DeleteSaverFile(const char *target)
{
    return DeleteFileA(target) || GetLastError() == ERROR_FILE_NOT_FOUND;
}

// Takes SCRNSAVE.EXE out of system.ini only when it names Telv's file, by
// its long or short name in any case, and switches the screen saver off, as
// choosing "(None)" in the display settings does; another saver's choice
// and switch stay.
void UnregisterSaver(const RemovalTexts &texts)
{
    char chosen[MAX_PATH] = "";
    GetPrivateProfileStringA(BootSection, SaverKey, "", chosen, MAX_PATH, SystemProfile);
    if (lstrcmpiA(chosen, texts.Target) == 0 || (texts.ShortTarget[0] && lstrcmpiA(chosen, texts.ShortTarget) == 0)) {
        WritePrivateProfileStringA(BootSection, SaverKey, nullptr, SystemProfile);
        SwitchScreenSaver(FALSE);
    }
}

// Deletes the saver's settings file from the directory (ending in a
// backslash).
void DeleteSettingsFile(const char *directory)
{
    char path[MAX_PATH] = "";
    if (lstrlenA(directory) + lstrlenA(SettingsFileName) < MAX_PATH) {
        wsprintfA(path, "%s%s", directory, SettingsFileName);
        DeleteFileA(path);
    }
}

// The saver asks for no execution level, so for a standard user Windows
// keeps its settings file in the user's own copy of the Windows directory:
// the Windows directory without its drive, under
// %LOCALAPPDATA%\VirtualStore. That copy of the user who removes Telv goes
// too.
void DeleteUsersSettingsFile(const char *windowsDirectory)
{
    char directory[MAX_PATH] = "";
    const DWORD length = ExpandEnvironmentStringsA(VirtualStore, directory, MAX_PATH);
    if (length == 0 || length > MAX_PATH || directory[0] == '%' || windowsDirectory[1] != ':' ||
        length + lstrlenA(windowsDirectory + 2) >= MAX_PATH)
        return;
    lstrcatA(directory, windowsDirectory + 2);
    DeleteSettingsFile(directory);
}

} // namespace

// Asks, deletes the saver, then what names it, and confirms. The short name
// is taken while the file is still there to be asked about.
int RunRemoval(BOOL quiet)
{
    if (!quiet && Tell(IDS_REMOVE_QUESTION, MB_OKCANCEL | MB_ICONQUESTION) != IDOK)
        return Failed;
    RemovalTexts texts;
    GetWindowsDirectoryA(texts.Directory, MAX_PATH);
    if (!BuildTargetPath(texts.Directory, texts.Target))
        return ReportRemoveError(quiet);
    const DWORD length = GetShortPathNameA(texts.Target, texts.ShortTarget, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        texts.ShortTarget[0] = '\0';
    if (!DeleteSaverFile(texts.Target))
        return ReportRemoveError(quiet);

    UnregisterSaver(texts);
    DeleteSettingsFile(texts.Directory);
    DeleteUsersSettingsFile(texts.Directory);
    if (InstalledCopyPath(texts.Copy))
        RemoveAppsEntry(texts.Copy);
    if (!quiet)
        Tell(IDS_SAVER_REMOVED, MB_OK);
    return Finished;
}
