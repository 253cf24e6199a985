// The program's command line and its run modes.
#pragma once

#include <windows.h>

// What the first meaningful character of the command line asks for.
enum class RunMode {
    ConfigureUnowned,
    ConfigureOwned,
    FullScreen,
    Preview,
    ChangePassword,
    Unrecognised,
};

// The scan's verdict: the mode and, for the preview and the password change,
// the text where the window handle starts.
struct CommandChoice {
    RunMode Mode;
    const char *HandleText;
};

DWORD ParseWindowHandle(const char *text);
int RunPreview(const char *text);
int ShowConfigDialog(HWND owner);
int RunChangePassword(const char *text);

CommandChoice ScanCommandLine(const char *line);
int RunCommandLine(const char *line);

// Runs a body inside the structured-exception guard of the run modes: an
// exception that the system's unhandled-exception filter lets us handle
// switches the screen-saver-running state off, and the result of that
// becomes the body's result.
int RunInExceptionGuard(int (*body)(const char *), const char *text);

// The start-up's view of the process command line: what follows the
// program name (quoted or not) and the blanks and control characters
// behind it.
const char *SkipProgramName(const char *line);
