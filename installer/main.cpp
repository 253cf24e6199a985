// The installer: asks once, writes the saver it carries into the Windows
// directory as Telv.scr and makes it the current screen saver, enters Telv
// among the installed apps and switches the user's screen saver on. With
// /uninstall it removes Telv again; with /quiet either runs without a box.
// It has no window of its own; it speaks only through message boxes.
#include "installer/apps_entry.h"
#include "installer/install_file.h"
#include "installer/installer_ids.h"
#include "installer/message_box.h"
#include "installer/screen_saver_switch.h"
#include "installer/uninstall.h"

#include <windows.h>

namespace {

// The carried saver program, resource "DATA" 10.
constexpr WORD PayloadId = 10;
constexpr char PayloadType[] = "DATA";

// The installer's working texts.
struct InstallTexts {
    char Directory[MAX_PATH] = "";
    char Target[MAX_PATH] = "";
    char Copy[MAX_PATH] = "";
};

// What the command line asks for.
struct Switches {
    BOOL Uninstall = FALSE;
    BOOL Quiet = FALSE;
};

// Libraries that this process loads by name later on, the system's own
// among them, come from the system directory only, never from beside the
// installer (a download folder). Systems without the call keep their
// search.
void KeepLibrarySearchInSystemDirectory()
{
    typedef BOOL(WINAPI * SetDirectoriesProc)(DWORD flags);
    HMODULE kernel = GetModuleHandleA("KERNEL32.DLL");
    auto setDirectories = reinterpret_cast<SetDirectoriesProc>(
        reinterpret_cast<void *>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (setDirectories != nullptr)
        setDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

// Reads one word of the line into `word` (capacity 16, without its leading
// / or -); the rest of the line, or null when the word is no switch.
const char *ReadSwitchWord(const char *at, char *word)
{
    int length = 0;
    while (at[length] != '\0' && at[length] != ' ' && at[length] != '\t')
        ++length;
    if ((at[0] != '/' && at[0] != '-') || length > 16)
        return nullptr;
    lstrcpynA(word, at + 1, length);
    return at + length;
}

// Every word must be /uninstall or /quiet (or with -, in any case, in any
// order). Any other line is ignored as a whole and the plain installation
// runs, so that a mistyped line never removes or installs without a word.
Switches ReadSwitches(const char *line)
{
    Switches found;
    char word[16] = "";
    for (const char *at = line; at != nullptr && *at != '\0';) {
        if (*at == ' ' || *at == '\t') {
            ++at;
            continue;
        }
        at = ReadSwitchWord(at, word);
        if (at != nullptr && lstrcmpiA(word, "uninstall") == 0)
            found.Uninstall = TRUE;
        else if (at != nullptr && lstrcmpiA(word, "quiet") == 0)
            found.Quiet = TRUE;
        else
            return Switches{};
    }
    return found;
}

// Shows one of the installer's boxes, always without owner, under the
// installation's caption ("Install" in English).
int Tell(UINT textId, UINT type)
{
    return ShowMessage(IDS_INSTALL_CAPTION, textId, type);
}

// Ends with the write-error box (unless quiet): the saver was not written in
// full, or not registered.
int ReportWriteError(BOOL quiet)
{
    if (!quiet)
        Tell(IDS_WRITE_ERROR, MB_OK | MB_ICONHAND);
    return Failed;
}

// Asks before an existing file is replaced; TRUE when the user says Yes.
BOOL OverwriteAllowed(const InstallTexts &texts)
{
    const UINT type = MB_YESNO | MB_ICONEXCLAMATION;
    return ShowPathMessage(IDS_INSTALL_CAPTION, IDS_OVERWRITE_QUESTION, texts.Target, type) == IDYES;
}

// Makes the written file the current screen saver under its short name,
// which replaces the directory text. The long name stands in should the
// short one not be available.
BOOL RegisterSaver(InstallTexts &texts)
{
    const DWORD length = GetShortPathNameA(texts.Target, texts.Directory, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        lstrcpynA(texts.Directory, texts.Target, MAX_PATH);
    return WritePrivateProfileStringA(BootSection, SaverKey, texts.Directory, SystemProfile);
}

// The installation, top to bottom; quiet, it asks nothing and overwrites.
// The old Telv.scr stays whole until the new one is, and then gives way in
// one step.
int RunInstallation(HINSTANCE instance, BOOL quiet)
{
    if (!quiet && Tell(IDS_INSTALL_QUESTION, MB_OKCANCEL | MB_ICONQUESTION) != IDOK)
        return Failed;

    InstallTexts texts;
    GetWindowsDirectoryA(texts.Directory, MAX_PATH);
    HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(PayloadId), PayloadType);
    HGLOBAL loaded = LoadResource(instance, found);
    const void *payload = LockResource(loaded);
    if (!BuildTargetPath(texts.Directory, texts.Target))
        return ReportWriteError(quiet);

    if (!quiet && FileOpensForReading(texts.Target) && !OverwriteAllowed(texts)) {
        Tell(IDS_INSTALL_ABORTED, MB_OK | MB_ICONEXCLAMATION);
        return Finished;
    }

    const DWORD length = SizeofResource(instance, found);
    if (!payload || !ReplaceWithPayload(texts.Directory, texts.Target, payload, length))
        return ReportWriteError(quiet);
    FreeResource(loaded);

    // The switch comes last, so that any failure before it leaves it as it was.
    if (!RegisterSaver(texts) || !InstalledCopyPath(texts.Copy) || !MakeAppsEntry(texts.Copy, length) ||
        !SwitchScreenSaver(TRUE))
        return ReportWriteError(quiet);
    if (!quiet)
        Tell(IDS_SAVER_INSTALLED, MB_OK);
    return Finished;
}

} // namespace

// Narrows the library search before anything else, then installs or
// removes; the result is the exit code.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    KeepLibrarySearchInSystemDirectory();
    const Switches switches = ReadSwitches(commandLine);
    if (switches.Uninstall)
        return RunRemoval(switches.Quiet);
    return RunInstallation(instance, switches.Quiet);
}
