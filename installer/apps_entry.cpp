// Telv's entry among the system's installed apps, and the installer's copy.
#include "installer/apps_entry.h"

#include "installer/install_file.h"
#include "telv_version.h"

#include <shlobj.h>

namespace {

// A 32-bit program writes here in the system's 32-bit view of the registry,
// which the system's list of apps reads as well as the 64-bit one.
constexpr char EntryKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Telv";
constexpr char CopyPlace[] = "Telv\\telvinst.exe";

// Cuts the path after its folder: C:\a\b.exe becomes C:\a.
void CutToFolder(char *path)
{
    char *last = nullptr;
    for (char *at = path; *at; at = CharNextA(at))
        if (*at == '\\')
            last = at;
    if (last)
        *last = '\0';
}

// The file's length in bytes, 0 when it cannot be asked.
DWORD FileLength(const char *path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    return GetFileAttributesExA(path, GetFileExInfoStandard, &data) ? data.nFileSizeLow : 0;
}

// Fills `self` (capacity MAX_PATH) with the running program's path.
BOOL OwnPath(char *self)
{
    const DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH);
    return length > 0 && length < MAX_PATH;
}

// TRUE when the running program is the file at `path`.
BOOL RunningFrom(const char *path)
{
    char self[MAX_PATH] = "";
    return OwnPath(self) && lstrcmpiA(self, path) == 0;
}

// Copies the running installer to `copy` unless it is that copy already.
BOOL CopySelf(const char *copy)
{
    char self[MAX_PATH] = "";
    return OwnPath(self) && (lstrcmpiA(self, copy) == 0 || CopyFileA(self, copy, FALSE));
}

// Writes the entry's values, replacing those of an earlier installation.
BOOL WriteEntry(const char *copy, const char *folder, DWORD kilobytes)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, EntryKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return FALSE;
    char uninstall[MAX_PATH + 16] = "", quiet[MAX_PATH + 24] = "", windows[MAX_PATH] = "", icon[MAX_PATH + 16] = "";
    // The list shows the installed saver's own icon, the first in the file.
    GetWindowsDirectoryA(windows, MAX_PATH);
    wsprintfA(icon, "%s\\%s,0", windows, InstalledFileName);
    wsprintfA(uninstall, "\"%s\" /uninstall", copy);
    wsprintfA(quiet, "\"%s\" /uninstall /quiet", copy);
    const struct { const char *Name, *Text; } texts[] = {
        {"DisplayName", "Telv ScreenSaver"}, {"DisplayVersion", TELV_VERSION_TEXT},
        {"Publisher", "The Telv developers"}, {"DisplayIcon", icon}, {"InstallLocation", folder},
        {"UninstallString", uninstall}, {"QuietUninstallString", quiet}};
    const struct { const char *Name; DWORD Number; } numbers[] = {
        {"EstimatedSize", kilobytes}, {"NoModify", 1}, {"NoRepair", 1}};
    LONG result = ERROR_SUCCESS;
    for (const auto &t : texts)
        if (result == ERROR_SUCCESS)
            result = RegSetValueExA(key, t.Name, 0, REG_SZ, reinterpret_cast<const BYTE *>(t.Text),
                                    lstrlenA(t.Text) + 1);
    for (const auto &n : numbers)
        if (result == ERROR_SUCCESS)
            result = RegSetValueExA(key, n.Name, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&n.Number),
                                    sizeof n.Number);
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

// A running program may not delete its own file, but it may move it: the
// copy goes to the temporary folder, out of the way of its own folder, to
// be deleted at the next restart. Where that move fails (the temporary
// folder on another drive), the copy is deleted at the restart where it
// lies; FALSE then, since its folder has to wait as well.
BOOL MoveAsideRunningCopy(const char *copy)
{
    char temporary[MAX_PATH] = "", aside[MAX_PATH] = "";
    const DWORD length = GetTempPathA(MAX_PATH, temporary);
    if (length > 0 && length < MAX_PATH && GetTempFileNameA(temporary, "tlv", 0, aside) != 0) {
        if (MoveFileExA(copy, aside, MOVEFILE_REPLACE_EXISTING)) {
            MoveFileExA(aside, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
            return TRUE;
        }
        DeleteFileA(aside);
    }
    MoveFileExA(copy, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    return FALSE;
}

} // namespace

// The program-files folder as this 32-bit program sees it: on 64-bit
// Windows "Program Files (x86)".
BOOL InstalledCopyPath(char *copy)
{
    char folder[MAX_PATH] = "";
    copy[0] = '\0';
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, folder)))
        return FALSE;
    if (lstrlenA(folder) + 1 + lstrlenA(CopyPlace) >= MAX_PATH)
        return FALSE;
    wsprintfA(copy, "%s\\%s", folder, CopyPlace);
    return TRUE;
}

// The size shown is the saver's and the copy's together, in kilobytes
// rounded up.
BOOL MakeAppsEntry(const char *copy, DWORD payloadLength)
{
    char folder[MAX_PATH] = "";
    lstrcpynA(folder, copy, MAX_PATH);
    CutToFolder(folder);
    CreateDirectoryA(folder, nullptr);
    if (!CopySelf(copy))
        return FALSE;
    return WriteEntry(copy, folder, (payloadLength + FileLength(copy) + 1023) / 1024);
}

// The entry goes first: what is left of the copy then no longer shows as an
// installed app.
void RemoveAppsEntry(const char *copy)
{
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, EntryKey);
    char folder[MAX_PATH] = "";
    lstrcpynA(folder, copy, MAX_PATH);
    CutToFolder(folder);
    BOOL folderFree = TRUE;
    if (RunningFrom(copy))
        folderFree = MoveAsideRunningCopy(copy);
    else
        DeleteFileA(copy);
    if (!RemoveDirectoryA(folder) && !folderFree)
        MoveFileExA(folder, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}
