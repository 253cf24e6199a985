// The installer's file steps.
#include "installer/install_file.h"

#include <cstdio>
#include <cstring>
#include <io.h>

namespace {

constexpr char Backslash[] = "\\";
constexpr char TargetFormat[] = "%s%s";

} // namespace

// The backslash rule keeps a drive root such as C:\ from getting a second
// backslash; the length check keeps the formatted path inside its buffer.
BOOL BuildTargetPath(char *directory, char *target)
{
    target[0] = '\0';
    int length = lstrlenA(directory);
    if (length == 0)
        return FALSE;
    if (directory[length - 1] != '\\') {
        if (length + 1 >= MAX_PATH)
            return FALSE;
        lstrcatA(directory, Backslash);
        ++length;
    }
    if (length + lstrlenA(InstalledFileName) >= MAX_PATH)
        return FALSE;
    wsprintfA(target, TargetFormat, directory, InstalledFileName);
    return TRUE;
}

// Nothing is read; only whether the open succeeds matters.
BOOL FileOpensForReading(const char *path)
{
    std::FILE *file = std::fopen(path, "rb");
    if (!file)
        return FALSE;
    std::fclose(file);
    return TRUE;
}

// A buffered stream hands the tail of the item to the system only when it is
// flushed, so a full disk may show itself after fwrite has reported the item
// written: that counts as a failed write as much as a short fwrite does. The
// flush is asked for explicitly because not every runtime's fclose reports a
// failed flush of its own.
// The commit hands the system's cache to the disk, so that the file is whole
// there before it takes the place of the installed one.
BOOL WritePayloadFile(const char *path, const void *bytes, DWORD length)
{
    std::FILE *file = std::fopen(path, "wb");
    if (!file)
        return FALSE;
    const bool written = std::fwrite(bytes, length, 1, file) == 1;
    const bool flushed = written && std::fflush(file) == 0 && _commit(_fileno(file)) == 0;
    const bool closed = std::fclose(file) == 0;
    return written && flushed && closed;
}

namespace {

// TRUE when the file holds exactly these bytes: what the disk gives back,
// not what the write calls reported.
BOOL FileHoldsBytes(const char *path, const void *bytes, DWORD length)
{
    std::FILE *file = std::fopen(path, "rb");
    if (!file)
        return FALSE;
    const char *expected = static_cast<const char *>(bytes);
    char buffer[4096];
    DWORD compared = 0;
    bool same = true;
    for (size_t n; same && (n = std::fread(buffer, 1, sizeof buffer, file)) > 0; compared += n)
        same = compared + n <= length && std::memcmp(buffer, expected + compared, n) == 0;
    std::fclose(file);
    return same && compared == length;
}

} // namespace

// The replacing move is one step of the file system: whoever looks finds
// either the old file or the new one, whole.
BOOL ReplaceWithPayload(const char *directory, const char *target, const void *bytes, DWORD length)
{
    char temporary[MAX_PATH] = "";
    if (GetTempFileNameA(directory, "tlv", 0, temporary) == 0)
        return FALSE;
    const BOOL placed = WritePayloadFile(temporary, bytes, length) && FileHoldsBytes(temporary, bytes, length) &&
                        MoveFileExA(temporary, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!placed)
        DeleteFileA(temporary);
    return placed;
}
