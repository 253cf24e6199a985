// The real telv.scr started as a process with real command lines, driven
// by X input, in host windows of this test and beside the test-built
// password libraries: the helpers and the fixture the process tests share.
#pragma once

#include "animation/picture_assets.h"
#include "resources/resource_ids.h"
#include "shell/saver_module.h"
#include "tests/support.h"

#include <gtest/gtest.h>

constexpr char SaverClass[] = "WindowsScreenSaverClass";
typedef std::vector<std::string> Lines;

// Writes a value under the user's registry key, or deletes it for null.
inline void SetUserValue(const char *key, const char *name, DWORD type, const char *bytes, DWORD size)
{
    HKEY opened = nullptr;
    RegCreateKeyA(HKEY_CURRENT_USER, key, &opened);
    if (bytes == nullptr)
        RegDeleteValueA(opened, name);
    else
        RegSetValueExA(opened, name, 0, type, reinterpret_cast<const BYTE *>(bytes), size);
    RegCloseKey(opened);
}

// Where Wine keeps how it loads "MPR.DLL": "native,builtin" takes the
// test-built one in the system directory before its own, "native" that one
// alone, "" leaves none to load.
constexpr char LoadOrders[] = "Software\\Wine\\DllOverrides";

// The user's password switch (a single byte 1, or no value), the test-built
// library's answers call by call, and whether it stays loaded to the end.
inline void SetPasswordSwitch(bool on, const char *answers = nullptr, const char *stay = nullptr)
{
    SetUserValue("Control Panel\\Desktop", "ScreenSaveUsePassword", REG_BINARY, on ? "\1" : nullptr, 1);
    SetEnvironmentVariableA("TELV_FAKE_ANSWERS", answers);
    SetEnvironmentVariableA("TELV_FAKE_STAY", stay);
}

// What windows of the test were handed: help, context menus and clicks.
inline Lines HostLog;

inline LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    char line[128] = "click";
    if (message == WM_HELP)
        wsprintfA(line, "help %u %d", wParam, reinterpret_cast<const HELPINFO *>(lParam)->iCtrlId);
    else if (message == WM_CONTEXTMENU)
        wsprintfA(line, "menu %u %ld", wParam, lParam);
    else if (message != WM_LBUTTONDOWN)
        return DefWindowProcA(window, message, wParam, lParam);
    HostLog.push_back(line);
    return message == WM_HELP;
}

// A shown window of the test at the given place; the host log starts over.
inline HWND MakeHost(int x, int y, int width, int height)
{
    const WNDCLASSA hostClass = {0, HostProc, 0, 0, GetModuleHandleA(nullptr), nullptr, nullptr, nullptr, nullptr, "H"};
    RegisterClassA(&hostClass);
    HostLog.clear();
    return CreateWindowExA(0, "H", "", WS_POPUP | WS_VISIBLE, x, y, width, height, nullptr, nullptr, nullptr, nullptr);
}

// Waits for the saver's preview child inside the host.
inline HWND WaitForPreview(HWND host)
{
    for (const DWORD start = GetTickCount(); GetTickCount() - start < StartTimeout; PumpFor(50))
        if (IsWindowVisible(FindWindowExA(host, nullptr, SaverClass, "Preview")))
            break;
    return FindWindowExA(host, nullptr, SaverClass, "Preview");
}

// Adds a monitor's rectangle to the list, the primary's at the front.
inline BOOL CALLBACK CollectMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data)
{
    auto &found = *reinterpret_cast<std::vector<RECT> *>(data);
    MONITORINFO info = {sizeof info, {}, {}, 0};
    GetMonitorInfoA(monitor, &info);
    found.insert((info.dwFlags & MONITORINFOF_PRIMARY) != 0 ? found.begin() : found.end(), info.rcMonitor);
    return TRUE;
}

// Every monitor's rectangle in screen coordinates, the primary first.
inline std::vector<RECT> MonitorRects()
{
    std::vector<RECT> found;
    EnumDisplayMonitors(nullptr, nullptr, CollectMonitor, reinterpret_cast<LPARAM>(&found));
    return found;
}

// One of the saver's pictures, from this program's own copy.
inline Pixels Picture(LPCSTR name)
{
    HBITMAP bitmap = LoadPicture(nullptr, GetModuleHandleA(nullptr), name);
    Pixels pixels = CaptureBitmap(bitmap);
    DeleteObject(bitmap);
    return pixels;
}

// A picture as the saver draws it at the system's scale: `base` at 96 DPI,
// `twice` (drawn at twice the size) at 192.
inline Pixels PictureAtScale(LPCSTR base, int twice)
{
    return Picture(DpiFactor() == 1 ? base : MAKEINTRESOURCEA(twice));
}

// What a monitor shows without balls: 200-pixel tiles laid from its own
// top-left corner and the first portrait (200 x 300) in its middle, at
// 192 DPI the pictures drawn at twice the size, shown as drawn; and where
// the portrait lies.
inline Pixels SaverPitch(const RECT &m, RECT &middle)
{
    const Pixels tile = PictureAtScale(IDB_TILE, IDB_TILE_200);
    const Pixels portrait = PictureAtScale(MAKEINTRESOURCEA(IDB_PORTRAIT_FIRST), IDB_PORTRAIT_200_FIRST);
    const int f = DpiFactor(), w = m.right - m.left, h = m.bottom - m.top;
    middle = {(w / f - 200) / 2 * f, (h / f - 300) / 2 * f, (w / f - 200) / 2 * f + 200 * f,
              (h / f - 300) / 2 * f + 300 * f};
    Pixels pitch{w, h, std::vector<uint32_t>(static_cast<size_t>(w) * h)};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            pitch.At(x, y) = PtInRect(&middle, POINT{x, y}) ? portrait.At(x - middle.left, y - middle.top)
                                                           : tile.At(x % tile.Width, y % tile.Height);
    return pitch;
}

// A monitor shows the pitch and portrait. Only balls may differ: nowhere
// without them, else a few per cent of every monitor, each monitor having
// balls of its own.
inline void ExpectSaverPicture(const RECT &m, bool balls)
{
    RECT middle = {};
    const Pixels pitch = SaverPitch(m, middle);
    const int f = DpiFactor(), w = m.right - m.left, h = m.bottom - m.top;
    const Pixels shown = CaptureWindow(nullptr, m.left, m.top, w, h);
    double agreed = 0, agreedInMiddle = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            agreed += shown.At(x, y) == pitch.At(x, y);
            agreedInMiddle += PtInRect(&middle, POINT{x, y}) && shown.At(x, y) == pitch.At(x, y);
        }
    const std::string monitor = "the monitor at " + std::to_string(m.left) + "," + std::to_string(m.top);
    if (balls) {
        EXPECT_GE(agreed / (w * h), 0.95) << monitor;
        EXPECT_LT(agreed / (w * h), 1.0) << "no ball on " << monitor;
    } else {
        EXPECT_EQ(agreed / (w * h), 1.0) << monitor;
    }
    EXPECT_GT(agreedInMiddle / (200 * f * 300 * f), 0.85) << "the portrait on " << monitor;
}


// Ends a full-screen saver by X input, by WM_CLOSE ("close"), by a window of
// this program that takes the foreground ("foreground"), or ("move") by a
// move of 5 from the anchor `at` after one of 4 that must not end it.
inline void EndSaver(HANDLE process, HWND window, const std::string &input, POINT at)
{
    // X's pixel (0, 0) is the virtual screen's top-left corner.
    const std::string move = "mousemove " + std::to_string(at.x + 3 - GetSystemMetrics(SM_XVIRTUALSCREEN)) + " ";
    const int y = at.y - GetSystemMetrics(SM_YVIRTUALSCREEN);
    if (input == "move") {
        Xdotool(move + std::to_string(y + 1));
        EXPECT_EQ(WaitForExit(process, 2000), STILL_ACTIVE) << "a move of 4 keeps the saver";
    }
    if (input == "close")
        PostMessageA(window, WM_CLOSE, 0, 0);
    else if (input == "foreground")
        SetForegroundWindow(MakeHost(10, 10, 40, 40));
    else
        Xdotool(input == "move" ? move + std::to_string(y + 2) : input);
}

// The foreground window once it is `window`, or whichever it is when the
// exit timeout has passed: a raise that another process asks for reaches the
// window's own thread later, the busier the machine the later.
inline HWND ForegroundOnceItIs(HWND window)
{
    for (const DWORD start = GetTickCount(); GetForegroundWindow() != window && GetTickCount() - start < ExitTimeout;)
        PumpFor(50);
    return GetForegroundWindow();
}

// The log line of a verification of the window with the running state on.
inline std::string Verified(HWND window)
{
    return "verify " + HandleText(window) + " WindowsScreenSaverClass running=1";
}

// Starts a copy of the saver, with the test-built "PASSWORD.CPL" and
// "MPR.DLL", which log their calls, where the system's own would be: in the
// system directory. Cleans up after each test.
class SaverProcess : public testing::Test {
protected:
    void SetUp() override
    {
        CreateDirectoryA(folder.c_str(), nullptr);
        CopyFileA((ProgramFolder() + "\\telv.scr").c_str(), (folder + "telv.scr").c_str(), FALSE);
        for (const char *library : Libraries)
            PlaceSystemFile(library, fakes + library);
        RemoveFile(log);
        SetEnvironmentVariableA("TELV_FAKE_LOG", log.c_str());
        SetUserValue(LoadOrders, "mpr", REG_SZ, "native,builtin", 15);
        // The cursor rests where no test moves it, so the anchor is known.
        SetCursorPos(100, 100);
    }

    void TearDown() override
    {
        for (HANDLE process : started)
            EndProcess(process);
        SetPasswordSwitch(false);
        for (const char *library : Libraries)
            PlaceSystemFile(library, "");
    }

    // Starts the saver's copy, in the given current folder (null: the test's).
    HANDLE Start(const std::string &arguments, const char *current = nullptr)
    {
        return started.emplace_back(StartProgram("\"" + folder + "telv.scr\" " + arguments, current));
    }

    // Starts the full-screen saver and lets it draw before input comes. Its
    // window, titled for good (WM_SETTEXT is refused), topmost, covers the
    // virtual screen, and every monitor shows the saver's picture, with balls
    // unless the settings file says none.
    std::pair<HANDLE, HWND> StartFullScreen(const std::string &arguments = "/s", bool balls = true,
                                            const char *current = nullptr)
    {
        HANDLE process = Start(arguments, current);
        HWND window = WaitForWindowOf(process, SaverClass);
        PumpFor(1000);
        EXPECT_EQ(SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Other")), 0);
        char title[64] = "";
        GetWindowTextA(window, title, sizeof title);
        EXPECT_STREQ(title, "Screen Saver");
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)), 0x96000000u);
        EXPECT_NE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
        RECT placed = {};
        GetWindowRect(window, &placed);
        EXPECT_EQ((std::vector<LONG>{placed.left, placed.top, placed.right - placed.left, placed.bottom - placed.top}),
                  (std::vector<LONG>{GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                                     GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN)}));
        for (const RECT &monitor : MonitorRects())
            ExpectSaverPicture(monitor, balls);
        return {process, window};
    }

    // The lines the test-built libraries logged, without tick counts.
    Lines Log() const
    {
        Lines lines;
        const std::string text = ReadFileBytes(log);
        for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
            lines.push_back(text.substr(start, std::min(end, text.find(" tick=", start)) - start));
        return lines;
    }

    // Each test prefix, and so each screen, has a folder of its own.
    const std::string folder = WindowsFilePath("telv-process\\");
    const std::string log = folder + "calls.log";
    const std::string fakes = ProgramFolder() + "\\fakes\\";
    static constexpr const char *Libraries[] = {"PASSWORD.CPL", "MPR.DLL"};
    std::vector<HANDLE> started;
};
