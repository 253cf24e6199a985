// The installer's file steps: where the saver goes, and writing it there.
#pragma once

#include <windows.h>

// The name the saver is installed under, in the Windows directory.
constexpr char InstalledFileName[] = "Telv.scr";

// Ends the directory text (capacity MAX_PATH) with a backslash unless it ends
// in one already, then formats the target path (capacity MAX_PATH) as that
// directory followed by InstalledFileName. Returns FALSE, leaving the target
// empty, when the directory text is empty or the target would not fit.
BOOL BuildTargetPath(char *directory, char *target);

// TRUE when the file opens for reading (it is closed again at once).
BOOL FileOpensForReading(const char *path);

// Creates or cuts the file and writes the bytes to it as one item, straight
// from where they are. TRUE only when the whole item was written and the
// stream was flushed and closed without error.
BOOL WritePayloadFile(const char *path, const void *bytes, DWORD length);
