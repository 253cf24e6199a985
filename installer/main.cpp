// The installer: asks once, writes the saver it carries into the Windows
// directory as Telv.scr and makes it the current screen saver. It has no
// window of its own; it speaks only through message boxes.
#include "installer/install_file.h"

#include <windows.h>

namespace {

// The carried saver program, resource "DATA" 10.
constexpr WORD PayloadId = 10;
constexpr char PayloadType[] = "DATA";

constexpr char Caption[] = "Install";
constexpr char InstallQuestion[] = "Install Telv Screensaver ?    ";
constexpr char OverwriteQuestion[] = "File : \"%s\" already exists   \n\nOverwrite this file ?";
constexpr char AbortedText[] = "Install aborted   ";
constexpr char WriteErrorText[] = "Write error";
constexpr char InstalledText[] = "      Saver installed       ";

// Where the display settings look for the current screen saver.
constexpr char BootSection[] = "boot";
constexpr char SaverKey[] = "SCRNSAVE.EXE";
constexpr char SystemProfile[] = "system.ini";

// Exit codes. A cancelled installation ends as Failed; a declined overwrite
// ends as Finished, like a completed one.
constexpr int Finished = 0;
constexpr int Failed = 1;

// The installer's working texts.
struct InstallTexts {
    char Directory[MAX_PATH];
    char Target[MAX_PATH];
    char Message[360];
};

InstallTexts Texts;

// Shows one of the installer's boxes, always without owner.
int Tell(const char *text, UINT type)
{
    return MessageBoxA(nullptr, text, Caption, type);
}

// Ends with the write-error box: the saver was not written in full, or not
// registered.
int ReportWriteError()
{
    Tell(WriteErrorText, MB_OK | MB_ICONHAND);
    return Failed;
}

// Asks before an existing file is replaced; TRUE when the user says Yes.
BOOL OverwriteAllowed()
{
    wsprintfA(Texts.Message, OverwriteQuestion, Texts.Target);
    return Tell(Texts.Message, MB_YESNO | MB_ICONEXCLAMATION) == IDYES;
}

// Makes the written file the current screen saver under its short name. The
// long name stands in should the short one not be available.
BOOL RegisterSaver()
{
    const DWORD length = GetShortPathNameA(Texts.Target, Texts.Directory, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        lstrcpynA(Texts.Directory, Texts.Target, MAX_PATH);
    return WritePrivateProfileStringA(BootSection, SaverKey, Texts.Directory, SystemProfile);
}

} // namespace

// Runs the installation once, top to bottom; the result is the exit code.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    if (Tell(InstallQuestion, MB_OKCANCEL | MB_ICONQUESTION) != IDOK)
        return Failed;

    GetWindowsDirectoryA(Texts.Directory, MAX_PATH);
    HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(PayloadId), PayloadType);
    HGLOBAL loaded = LoadResource(instance, found);
    const void *payload = LockResource(loaded);
    if (!BuildTargetPath(Texts.Directory, Texts.Target))
        return ReportWriteError();

    if (FileOpensForReading(Texts.Target) && !OverwriteAllowed()) {
        Tell(AbortedText, MB_OK | MB_ICONEXCLAMATION);
        return Finished;
    }

    if (!payload || !WritePayloadFile(Texts.Target, payload, SizeofResource(instance, found)))
        return ReportWriteError();
    FreeResource(loaded);

    if (!RegisterSaver())
        return ReportWriteError();
    Tell(InstalledText, MB_OK);
    return Finished;
}
