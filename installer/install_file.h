// The installer's file steps: where the saver goes, writing it there, and
// where it is registered.
#pragma once

#include <windows.h>

// The name the saver is installed under, in the Windows directory.
constexpr char InstalledFileName[] = "Telv.scr";

// Where the display settings look for the current screen saver: key
// SCRNSAVE.EXE of section boot in system.ini of the Windows directory.
constexpr char BootSection[] = "boot";
constexpr char SaverKey[] = "SCRNSAVE.EXE";
constexpr char SystemProfile[] = "system.ini";

// Ends the directory text (capacity MAX_PATH) with a backslash unless it ends
// in one already, then formats the target path (capacity MAX_PATH) as that
// directory followed by InstalledFileName. Returns FALSE, leaving the target
// empty, when the directory text is empty or the target would not fit.
BOOL BuildTargetPath(char *directory, char *target);

// TRUE when the file opens for reading (it is closed again at once).
BOOL FileOpensForReading(const char *path);

// Creates or cuts the file and writes the bytes to it as one item, straight
// from where they are. TRUE only when the whole item was written and the
// stream was flushed to the disk and closed without error.
BOOL WritePayloadFile(const char *path, const void *bytes, DWORD length);

// Puts the bytes in place of the target in one step: they go to a new
// temporary file in the directory (which ends in a backslash), which is
// written, flushed, closed and read back, and only then moved over the
// target. Returns FALSE on any failure; the target is then as it was, and
// no temporary file is left.
BOOL ReplaceWithPayload(const char *directory, const char *target, const void *bytes, DWORD length);
