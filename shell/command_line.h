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

// The start-up's view of the process command line: what follows the
// program name (quoted or not) and the blanks and control characters
// behind it.
const char *SkipProgramName(const char *line);

CommandChoice ScanCommandLine(const char *line);
DWORD ParseWindowHandle(const char *text);

// Runs the mode that the command line asks for; its exit code.
int RunCommandLine(const char *line);
