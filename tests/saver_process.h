// Starting the built saver program as the system starts it: a separate
// process with a real command line, in a folder of its own beside the
// test-built system libraries the test asks for, with real X input.
#pragma once

#include "tests/test_files.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

constexpr char SaverClass[] = "WindowsScreenSaverClass";
constexpr DWORD StartTimeout = 30000;
constexpr DWORD ExitTimeout = 20000;

// Makes a fresh folder for one test with a copy of the saver in it and,
// when asked, the test-built "PASSWORD.CPL" and "MPR.DLL" beside it. The
// test libraries log into calls.log of that folder.
inline std::string PrepareSaverFolder(const char *name, bool withPassword, bool withRouter)
{
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    std::string folder = std::string(temp) + "telv-" + name;
    CreateDirectoryA(folder.c_str(), nullptr);
    for (const char *file : {"telv.scr", "PASSWORD.CPL", "MPR.DLL", "calls.log"})
        DeleteFileA((folder + "\\" + file).c_str());
    std::string bin = ProgramFolder();
    CopyFileA((bin + "\\telv.scr").c_str(), (folder + "\\telv.scr").c_str(), FALSE);
    if (withPassword)
        CopyFileA((bin + "\\fakes\\PASSWORD.CPL").c_str(), (folder + "\\PASSWORD.CPL").c_str(), FALSE);
    if (withRouter)
        CopyFileA((bin + "\\fakes\\MPR.DLL").c_str(), (folder + "\\MPR.DLL").c_str(), FALSE);
    SetEnvironmentVariableA("TELV_FAKE_LOG", (folder + "\\calls.log").c_str());
    SetEnvironmentVariableA("TELV_FAKE_ANSWERS", nullptr);
    return folder;
}

// The lines the test-built libraries logged in the folder.
inline std::vector<std::string> ReadCallLog(const std::string &folder)
{
    std::vector<std::string> lines;
    HANDLE file = CreateFileA((folder + "\\calls.log").c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return lines;
    std::string text;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0)
        text.append(buffer, read);
    CloseHandle(file);
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

// Starts a program with the given full command line; the process handle,
// or null.
inline HANDLE StartProgram(const std::string &commandLine)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return nullptr;
    CloseHandle(process.hThread);
    return process.hProcess;
}

// Starts the saver of the folder with the text behind the program name.
inline HANDLE StartSaver(const std::string &folder, const std::string &arguments)
{
    return StartProgram("\"" + folder + "\\telv.scr\" " + arguments);
}

// Handles this thread's messages for a while: windows of the test (a
// preview host) must answer while another process works with them.
inline void PumpFor(DWORD milliseconds)
{
    DWORD start = GetTickCount();
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= milliseconds)
            return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - elapsed, QS_ALLINPUT);
    }
}

// Waits for the process to end while handling this thread's messages;
// its exit code, or STILL_ACTIVE when it is still running after the time.
inline DWORD WaitForExit(HANDLE process, DWORD milliseconds)
{
    DWORD start = GetTickCount();
    for (;;) {
        DWORD elapsed = GetTickCount() - start;
        if (elapsed > milliseconds)
            break;
        DWORD wait = MsgWaitForMultipleObjects(1, &process, FALSE, milliseconds - elapsed, QS_ALLINPUT);
        if (wait == WAIT_OBJECT_0)
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

// Waits for a top-level window of the class and title to be made and shown.
inline HWND WaitForWindow(const char *className, const char *title, DWORD milliseconds)
{
    DWORD start = GetTickCount();
    for (;;) {
        HWND window = FindWindowA(className, title);
        if ((window != nullptr && IsWindowVisible(window)) || GetTickCount() - start > milliseconds)
            return window;
        PumpFor(50);
    }
}

// Real X input through xdotool on the display that Wine draws on; waits
// until the tool has done its work.
inline void Xdotool(const std::string &arguments)
{
    HANDLE tool = StartProgram("Z:\\usr\\bin\\xdotool " + arguments);
    if (tool != nullptr) {
        WaitForSingleObject(tool, 5000);
        CloseHandle(tool);
    }
}

// The user's password switch in the registry, written as raw bytes of the
// given type, or removed with a null value.
inline void SetPasswordSwitch(const void *bytes, DWORD size, DWORD type = REG_BINARY)
{
    HKEY desktop = nullptr;
    RegCreateKeyA(HKEY_CURRENT_USER, "Control Panel\\Desktop", &desktop);
    if (bytes == nullptr)
        RegDeleteValueA(desktop, "ScreenSaveUsePassword");
    else
        RegSetValueExA(desktop, "ScreenSaveUsePassword", 0, type, static_cast<const BYTE *>(bytes), size);
    RegCloseKey(desktop);
}

// The system's screen-saver-running state as any program sees it.
inline BOOL SaverRunningState()
{
    BOOL running = FALSE;
    SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0);
    return running;
}

// How this Wine prefix loads the router library "MPR.DLL": "native,builtin"
// takes the test-built one beside the program (or in the DLL folder) before
// Wine's own, "" makes it missing altogether.
inline void SetRouterLoadOrder(const char *order)
{
    HKEY overrides = nullptr;
    RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Wine\\DllOverrides", &overrides);
    RegSetValueExA(overrides, "mpr", 0, REG_SZ, reinterpret_cast<const BYTE *>(order), lstrlenA(order) + 1);
    RegCloseKey(overrides);
}

// A window handle as the decimal text of a command line.
inline std::string HandleText(HWND window)
{
    return std::to_string(reinterpret_cast<UINT_PTR>(window));
}

// The id of the process that made the window.
inline DWORD ProcessOf(HWND window)
{
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    return id;
}

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

// Waits for the configuration dialog of the process; null when none comes
// or the process ends first.
inline HWND WaitForDialog(HANDLE process)
{
    DWORD start = GetTickCount();
    for (;;) {
        std::vector<HWND> dialogs = WindowsOf(GetProcessId(process), "#32770");
        if (!dialogs.empty())
            return dialogs.front();
        if (GetTickCount() - start > StartTimeout || WaitForSingleObject(process, 0) == WAIT_OBJECT_0)
            return nullptr;
        PumpFor(50);
    }
}

// Waits for the saver's preview child inside the host to be made and
// shown, handling this thread's messages.
inline HWND WaitForPreview(HWND host)
{
    DWORD start = GetTickCount();
    for (;;) {
        HWND child = FindWindowExA(host, nullptr, SaverClass, "Preview");
        if ((child != nullptr && IsWindowVisible(child)) || GetTickCount() - start > StartTimeout)
            return child;
        PumpFor(50);
    }
}

// A test that starts copies of the saver from `folder` and ends whatever
// it started and left running.
class SaverProcessTest : public testing::Test {
protected:
    void TearDown() override
    {
        for (HANDLE process : started)
            EndProcess(process);
    }

    HANDLE Start(const std::string &arguments)
    {
        HANDLE process = StartSaver(folder, arguments);
        if (process != nullptr)
            started.push_back(process);
        return process;
    }

    // Starts the full-screen saver and waits for its window.
    HWND StartFullScreen(HANDLE &process, const std::string &arguments = "/s")
    {
        process = Start(arguments);
        if (process == nullptr)
            return nullptr;
        HWND window = WaitForWindow(SaverClass, "Screen Saver", StartTimeout);
        // Let the saver take its first frames before input arrives.
        PumpFor(1000);
        return window;
    }

    std::string folder;
    std::vector<HANDLE> started;
};
