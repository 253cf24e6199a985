// Removing Telv: the saver, its registration and settings, and its entry
// among the installed apps.
#pragma once

#include <windows.h>

// The installer's exit codes.
constexpr int Finished = 0;
constexpr int Failed = 1;

// Asks first unless quiet, removes Telv and says so unless quiet; the
// result is the exit code. Failed when the user cancels or the saver's
// file cannot be deleted: everything else then stays as it was.
int RunRemoval(BOOL quiet);
