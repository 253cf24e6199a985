// Loading a library from the system directory alone. The plain search of
// LoadLibraryA looks beside the program and in the current folder before
// the system directory, so a file planted there under a system library's
// name would run inside the saver.
#include "shell/system_library.h"

namespace {

// The loader understands LOAD_LIBRARY_SEARCH_SYSTEM32 where kernel32 has
// AddDllDirectory (Windows 8 and later, Windows 7 with its loader update):
// the documented way to tell.
bool SystemSearchFlagKnown()
{
    HMODULE kernel = GetModuleHandleA("KERNEL32.DLL");
    return kernel != nullptr && GetProcAddress(kernel, "AddDllDirectory") != nullptr;
}

// Older systems: the full path into the system directory. The altered
// search makes the library's own imports start there as well.
HMODULE LoadByFullPath(const char *name)
{
    char path[MAX_PATH] = "";
    const UINT length = GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length + 1 + lstrlenA(name) >= MAX_PATH)
        return nullptr;
    if (path[length - 1] != '\\')
        lstrcatA(path, "\\");
    lstrcatA(path, name);
    return LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

} // namespace

// The one way the saver loads a library by name.
HMODULE LoadSystemLibrary(const char *name)
{
    if (SystemSearchFlagKnown())
        return LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    return LoadByFullPath(name);
}
