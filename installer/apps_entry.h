// Telv's entry among the system's installed apps, and the installer's own
// copy that the entry starts to remove Telv.
#pragma once

#include <windows.h>

// Fills `copy` (capacity MAX_PATH) with the place of the installer's copy:
// Telv\telvinst.exe in the program-files folder. FALSE when that folder is
// unknown or the path would not fit.
BOOL InstalledCopyPath(char *copy);

// Copies the running installer to `copy`, making its folder, and writes the
// entry that names it; `payloadLength`, the installed saver's, counts into
// the size the entry shows. Run again, it updates the one entry and copy.
// TRUE when both are in place.
BOOL MakeAppsEntry(const char *copy, DWORD payloadLength);

// Deletes the entry, then the copy and its folder. A copy that is the
// running program is moved out of its folder and deleted at the next
// restart.
void RemoveAppsEntry(const char *copy);
