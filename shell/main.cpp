// The saver program's entry.
#include "shell/command_line.h"
#include "shell/exception_guard.h"
#include "shell/saver_module.h"

// Stores the instance for every resource loader, then runs the mode that
// the command line chooses inside the exception guard.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    SaverState.Instance = instance;
    return RunInExceptionGuard(RunCommandLine, commandLine);
}

// The runtime calls this once it is initialised, and exits the process
// with its result. It hands WinMain the command line behind the program
// name exactly as the screen-saver machinery expects: the runtime's own
// version treats quotes inside an unquoted name differently.
int main()
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    int show = (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 ? startup.wShowWindow : SW_SHOWDEFAULT;
    return WinMain(GetModuleHandleA(nullptr), nullptr, const_cast<LPSTR>(SkipProgramName(GetCommandLineA())), show);
}
