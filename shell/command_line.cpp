// The command line of the saver program: the scan that picks the run mode,
// the decimal window handle, and the entry of each run mode.
#include "shell/command_line.h"

#include "resources/language.h"
#include "resources/resource_ids.h"
#include "shell/password_library.h"
#include "shell/saver_module.h"
#include "shell/saver_window.h"

namespace {

constexpr int UnusableCommandLine = -1;

// Steps over the blanks (0x20 only) between a mode letter and its handle.
const char *SkipSpaces(const char *text)
{
    while (*text == ' ')
        ++text;
    return text;
}

// The screen-saver machinery passes a window handle as an unsigned 32-bit
// number; this program's handles are 32-bit pointers.
HWND WindowFromNumber(DWORD number)
{
    return reinterpret_cast<HWND>(static_cast<UINT_PTR>(number));
}

// Runs the saver inside the host window named by the text; a handle that
// names no window is an unusable command line.
int RunPreview(const char *text)
{
    HWND parent = WindowFromNumber(ParseWindowHandle(text));
    if (parent == nullptr || !IsWindow(parent))
        return UnusableCommandLine;
    return RunSaver(parent);
}

// Shows the configuration dialog owned by the given window, in the user's
// display language, if the dialog's control classes could be made ready.
int ShowConfigDialog(HWND owner)
{
    if (!ConfigClassHook(SaverState.Instance))
        return 0;
    return static_cast<int>(DialogBoxInLanguage(SaverState.Instance, IDD_CONFIGURE, owner,
                                                ScreenSaverConfigureDialog, GetUserDefaultUILanguage()));
}

// Hands the password change to the system, owned by the window named by
// the text or else by the foreground window.
int RunChangePassword(const char *text)
{
    HWND parent = WindowFromNumber(ParseWindowHandle(text));
    if (parent == nullptr || !IsWindow(parent))
        parent = GetForegroundWindow();
    ChangePassword(parent);
    return 0;
}

} // namespace

// Steps over the program name, quoted or not, and over every character
// from 1 to 32 behind it.
const char *SkipProgramName(const char *line)
{
    const auto *p = reinterpret_cast<const unsigned char *>(line);
    if (*p == '"') {
        ++p;
        while (*p != '\0' && *p != '"')
            ++p;
        if (*p == '"')
            ++p;
    } else {
        while (*p > ' ')
            ++p;
    }
    while (*p != '\0' && *p <= ' ')
        ++p;
    return reinterpret_cast<const char *>(p);
}

// Reads an unsigned decimal number from the start of the text; anything
// else ends it. The value wraps at 32 bits, as the callers expect.
DWORD ParseWindowHandle(const char *text)
{
    DWORD value = 0;
    while (*text >= '0' && *text <= '9') {
        value = value * 10 + static_cast<DWORD>(*text - '0');
        ++text;
    }
    return value;
}

// Finds the run mode: switch characters are skipped, the first other
// character decides, and the rest of the line is ignored except the
// handle behind a preview or password letter.
CommandChoice ScanCommandLine(const char *line)
{
    const signed char *p = reinterpret_cast<const signed char *>(line);
    for (;; ++p) {
        switch (*p) {
        case '\0':
            return {RunMode::ConfigureUnowned, nullptr};
        case ' ':
        case '-':
        case '/':
            continue;
        case 's':
        case 'S':
            return {RunMode::FullScreen, nullptr};
        case 'c':
        case 'C':
            return {RunMode::ConfigureOwned, nullptr};
        case 'p':
        case 'P':
        case 'l':
        case 'L':
            return {RunMode::Preview, SkipSpaces(reinterpret_cast<const char *>(p + 1))};
        case 'a':
        case 'A':
            return {RunMode::ChangePassword, SkipSpaces(reinterpret_cast<const char *>(p + 1))};
        default:
            return {RunMode::Unrecognised, nullptr};
        }
    }
}

// Runs the mode that the command line asks for and returns its exit code.
int RunCommandLine(const char *line)
{
    CommandChoice choice = ScanCommandLine(line);
    switch (choice.Mode) {
    case RunMode::ConfigureUnowned:
        return ShowConfigDialog(nullptr);
    case RunMode::ConfigureOwned:
        return ShowConfigDialog(GetForegroundWindow());
    case RunMode::FullScreen:
        return RunSaver(nullptr);
    case RunMode::Preview:
        return RunPreview(choice.HandleText);
    case RunMode::ChangePassword:
        return RunChangePassword(choice.HandleText);
    case RunMode::Unrecognised:
        break;
    }
    return UnusableCommandLine;
}

