// What the tests share: pixels read back from real surfaces, real files in
// the test prefix, the message queue, and programs started as processes and
// driven with real X input.
#pragma once

#include "shell/saver_module.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// --- Pixels -------------------------------------------------------------------

// A rectangle of pixels as 0x00RRGGBB values, row by row from the top.
struct Pixels {
    int Width = 0;
    int Height = 0;
    std::vector<uint32_t> Values;

    uint32_t At(int x, int y) const { return Values[static_cast<size_t>(y) * Width + x]; }
    uint32_t &At(int x, int y) { return Values[static_cast<size_t>(y) * Width + x]; }
};

// Value that a capture leaves where the source gave nothing.
constexpr uint32_t Untouched = 0x00ABCDEF;

// Copies width x height pixels at (x, y) of `source` into a 32-bit picture.
inline Pixels Capture(HDC source, int x, int y, int width, int height)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void *bits = nullptr;
    HBITMAP dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC memory = CreateCompatibleDC(nullptr);
    HGDIOBJ original = SelectObject(memory, dib);
    auto *words = static_cast<uint32_t *>(bits);
    const size_t count = static_cast<size_t>(width) * height;
    std::fill(words, words + count, Untouched);
    BitBlt(memory, 0, 0, width, height, source, x, y, SRCCOPY);
    GdiFlush();
    Pixels out{width, height, std::vector<uint32_t>(words, words + count)};
    for (uint32_t &v : out.Values)
        v &= 0x00FFFFFF;
    SelectObject(memory, original);
    DeleteDC(memory);
    DeleteObject(dib);
    return out;
}

// The pixels of a bitmap that no surface holds at the moment.
inline Pixels CaptureBitmap(HBITMAP bitmap)
{
    BITMAP size = {};
    GetObjectA(bitmap, sizeof size, &size);
    HDC memory = CreateCompatibleDC(nullptr);
    HGDIOBJ original = SelectObject(memory, bitmap);
    Pixels out = Capture(memory, 0, 0, size.bmWidth, size.bmHeight);
    SelectObject(memory, original);
    DeleteDC(memory);
    return out;
}

// The system's pixel density as a whole factor of 96 (2 at 192 DPI).
inline int DpiFactor()
{
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi / 96;
}

// The GDI objects this process holds. Wine answers GetGuiResources with 0;
// there the process's handle table is read instead: a handle's low word is
// its place in the table, and a handle without its high word names whatever
// lives at that place.
inline int CountGdiObjects()
{
    if (const DWORD count = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS))
        return static_cast<int>(count);
    int count = 0;
    for (UINT_PTR place = 0x20; place < 0x10000; ++place)
        count += GetObjectType(reinterpret_cast<HGDIOBJ>(place)) != 0;
    return count;
}

// The pixels a window (or, for null, the whole screen) shows.
inline Pixels CaptureWindow(HWND window, int x, int y, int width, int height)
{
    HDC surface = GetDC(window);
    Pixels out = Capture(surface, x, y, width, height);
    ReleaseDC(window, surface);
    return out;
}

// --- Files ------------------------------------------------------------------

// The folder of the running test program, without a trailing backslash; the
// build puts telv.scr, telvinst.exe and the fakes/ folder beside it.
inline std::string ProgramFolder()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    return folder.substr(0, folder.find_last_of('\\'));
}

inline std::string WindowsFilePath(const std::string &name)
{
    char directory[MAX_PATH] = {};
    GetWindowsDirectoryA(directory, MAX_PATH);
    std::string path = directory;
    if (path.empty() || path.back() != '\\')
        path += '\\';
    return path + name;
}

// Drops the profile cache, so that the next read sees the file as it is on
// disk and a write of the file's bytes is not undone by a cached copy.
inline void FlushProfileCache(const std::string &path)
{
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());
}

inline void WriteFileBytes(const std::string &path, const std::string &bytes)
{
    FlushProfileCache(path);
    if (std::FILE *f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    FlushProfileCache(path);
}

// The file's bytes; empty when it cannot be read.
inline std::string ReadFileBytes(const std::string &path)
{
    FlushProfileCache(path);
    std::string bytes;
    if (std::FILE *f = std::fopen(path.c_str(), "rb")) {
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;)
            bytes.append(buffer, n);
        std::fclose(f);
    }
    return bytes;
}

// A file's path in the system directory as a 32-bit program sees it (in
// Wine's 64-bit prefix C:\windows\syswow64), where the saver takes the
// password libraries from.
inline std::string SystemFilePath(const std::string &name)
{
    char directory[MAX_PATH] = {};
    GetSystemDirectoryA(directory, MAX_PATH);
    return std::string(directory) + "\\" + name;
}

// Puts a copy of `source` into the system directory as `name`, or with no
// source only takes the file of that name away. The old file is deleted,
// never written over: a test prefix may share the system directory's files
// with others by hard links, and deleting unlinks only its own name.
inline void PlaceSystemFile(const std::string &name, const std::string &source)
{
    const std::string target = SystemFilePath(name);
    DeleteFileA(target.c_str());
    if (!source.empty())
        CopyFileA(source.c_str(), target.c_str(), TRUE);
}

inline void RemoveFile(const std::string &path)
{
    FlushProfileCache(path);
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
    RemoveDirectoryA(path.c_str());
}

// --- Messages and the saver state ---------------------------------------------

// Puts the shell's record back to its start, keeping the module handle that
// the test program set.
inline void ResetSaverState()
{
    const HINSTANCE instance = SaverState.Instance;
    SaverState = SaverShellState{};
    SaverState.Instance = instance;
}

// Removes this thread's posted messages of one kind for the window; how many
// there were.
inline int CountPosted(HWND window, UINT message)
{
    int count = 0;
    MSG msg;
    while (PeekMessageA(&msg, window, message, message, PM_REMOVE))
        ++count;
    return count;
}

// Handles this thread's messages for a while, as a program's loop does:
// windows of the test must answer while another process works with them.
inline void PumpFor(DWORD milliseconds)
{
    const DWORD start = GetTickCount();
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= milliseconds)
            return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - elapsed, QS_ALLINPUT);
    }
}

// --- Processes ----------------------------------------------------------------

constexpr DWORD StartTimeout = 30000;
constexpr DWORD ExitTimeout = 20000;

// Starts a program with the given whole command line, in the given current
// folder (null: this program's); the process handle, or null.
inline HANDLE StartProgram(const std::string &commandLine, const char *currentFolder = nullptr)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, currentFolder, &startup, &process))
        return nullptr;
    CloseHandle(process.hThread);
    return process.hProcess;
}

// Waits for the process to end while handling this thread's messages; its
// exit code, or STILL_ACTIVE when it still runs after the time.
inline DWORD WaitForExit(HANDLE process, DWORD milliseconds)
{
    const DWORD start = GetTickCount();
    for (DWORD elapsed = 0; elapsed <= milliseconds; elapsed = GetTickCount() - start) {
        if (MsgWaitForMultipleObjects(1, &process, FALSE, milliseconds - elapsed, QS_ALLINPUT) == WAIT_OBJECT_0)
            break;
        PumpFor(0);
    }
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process, &code);
    return code;
}

// Ends a process that a failed test left running, and releases its handle.
inline void EndProcess(HANDLE process)
{
    if (process == nullptr)
        return;
    if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process, 99);
        WaitForSingleObject(process, 5000);
    }
    CloseHandle(process);
}

// The id of the process that made the window.
inline DWORD ProcessOf(HWND window)
{
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    return id;
}

// One search of WindowsOf.
struct WindowSearch {
    DWORD ProcessId;
    const char *ClassName;
    std::vector<HWND> Found;
};

inline BOOL CALLBACK CollectWindow(HWND window, LPARAM data)
{
    auto *search = reinterpret_cast<WindowSearch *>(data);
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    if (ProcessOf(window) == search->ProcessId && lstrcmpA(name, search->ClassName) == 0)
        search->Found.push_back(window);
    return TRUE;
}

// Top-level windows of the process, of the class.
inline std::vector<HWND> WindowsOf(DWORD processId, const char *className)
{
    WindowSearch search = {processId, className, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

// Waits until the process shows a top-level window of the class (a dialog is
// "#32770"); null when none comes or the process ends first.
inline HWND WaitForWindowOf(HANDLE process, const char *className)
{
    const DWORD start = GetTickCount();
    for (;;) {
        for (HWND window : WindowsOf(GetProcessId(process), className))
            if (IsWindowVisible(window))
                return window;
        if (GetTickCount() - start > StartTimeout || WaitForSingleObject(process, 0) == WAIT_OBJECT_0)
            return nullptr;
        PumpFor(50);
    }
}

// Real X input through xdotool on the display that Wine draws on; waits
// until the tool has done its work.
inline void Xdotool(const std::string &arguments)
{
    if (HANDLE tool = StartProgram("Z:\\usr\\bin\\xdotool " + arguments)) {
        WaitForSingleObject(tool, 5000);
        CloseHandle(tool);
    }
}

// A window handle as the decimal text of a command line.
inline std::string HandleText(HWND window)
{
    return std::to_string(reinterpret_cast<UINT_PTR>(window));
}

// --- Texts as shown -------------------------------------------------------------

// A window's text in UTF-8, read through the wide-character call (the
// window may be another process's).
inline std::string TextOf(HWND window)
{
    WCHAR wide[512] = L"";
    GetWindowTextW(window, wide, 512);
    char text[1536] = "";
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, text, sizeof text, nullptr, nullptr);
    return text;
}

// A new font as the system draws one part of its windows: `part` is a
// member of NONCLIENTMETRICSA, such as its caption's or its message boxes'
// font. The caller deletes it.
inline HFONT SystemFont(LOGFONTA NONCLIENTMETRICSA::*part)
{
    NONCLIENTMETRICSA metrics = {};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    return CreateFontIndirectA(&(metrics.*part));
}

// The width in pixels of a UTF-8 text on one line in the font.
inline int TextWidth(const std::string &text, HFONT font)
{
    WCHAR wide[512] = L"";
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, wide, 512);
    HDC screen = GetDC(nullptr);
    HGDIOBJ original = SelectObject(screen, font);
    SIZE size = {};
    GetTextExtentPoint32W(screen, wide, lstrlenW(wide), &size);
    SelectObject(screen, original);
    ReleaseDC(nullptr, screen);
    return size.cx;
}

// Whether the control shows all of its text in the font: a button's on one
// line beside what it draws there (a push button's edges, a check box's
// square, a group box's line ends; pixels at 96 DPI), a static's wrapped at
// words within its client rectangle.
inline bool TextFits(HWND control, HFONT font)
{
    WCHAR text[512] = L"";
    GetWindowTextW(control, text, 512);
    char kind[16] = "";
    GetClassNameA(control, kind, sizeof kind);
    const LONG type = GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK;
    const bool button = lstrcmpiA(kind, "Button") == 0;
    const int inset = !button ? 0 : type == BS_AUTOCHECKBOX ? 17 : type == BS_GROUPBOX ? 16 : 8;
    RECT room = {}, needed = {};
    GetClientRect(control, &room);
    needed.right = room.right;
    HDC screen = GetDC(nullptr);
    HGDIOBJ original = SelectObject(screen, font);
    DrawTextW(screen, text, -1, &needed, DT_CALCRECT | (button ? DT_SINGLELINE : DT_WORDBREAK));
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    SelectObject(screen, original);
    ReleaseDC(nullptr, screen);
    return needed.right + MulDiv(inset, dpi, 96) <= room.right && needed.bottom <= room.bottom;
}

// --- Programs in a language -----------------------------------------------------

// Starts a Windows program (a command line of wine's) from the host's shell
// with the words before it, e.g. LC_ALL=de_DE.UTF-8 for German, and returns
// at once; the shell writes the exit code to exit.txt in the folder (ending
// in a backslash), as Wine does not wait for a program of the host. Wine
// takes a program's display language from the locale of its Unix
// environment at its start, which a program started by a Wine program
// inherits whatever its Windows environment says: this is the way to start
// a program in another language.
inline void StartFromShell(const std::string &words, const std::string &commandLine, const std::string &folder)
{
    RemoveFile(folder + "exit.txt");
    CloseHandle(StartProgram("Z:\\bin\\sh -c \"" + words + " wine " + commandLine + "; echo $? >exit.txt\"",
                             folder.c_str()));
}

// The exit code that the shell wrote in the folder, waited for while
// messages are handled; empty when none came in time.
inline std::string ShellExitCode(const std::string &folder)
{
    const std::string result = folder + "exit.txt";
    for (const DWORD start = GetTickCount(); ReadFileBytes(result).empty() && GetTickCount() - start < ExitTimeout;)
        PumpFor(100);
    const std::string code = ReadFileBytes(result);
    RemoveFile(result);
    return code.substr(0, code.find('\n'));
}

// A visible top-level window of the class shown by another process; null
// when none comes, or the shell in the folder reports its program ended.
inline HWND WaitForOtherWindow(const char *className, const std::string &folder)
{
    for (const DWORD start = GetTickCount(); GetTickCount() - start < StartTimeout; PumpFor(50)) {
        for (HWND window = nullptr; (window = FindWindowExA(nullptr, window, className, nullptr));)
            if (IsWindowVisible(window) && ProcessOf(window) != GetCurrentProcessId())
                return window;
        if (!ReadFileBytes(folder + "exit.txt").empty())
            return nullptr;
    }
    return nullptr;
}
