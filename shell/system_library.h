// Loading a library from the system directory alone.
#pragma once

#include <windows.h>

// Loads the library of this bare file name (such as "MPR.DLL") from the
// system directory only: a file of that name beside the program, in the
// current folder or on the path is never taken. Null when the system
// directory has none; the caller frees what it gets with FreeLibrary.
HMODULE LoadSystemLibrary(const char *name);
