// The built saver started as the system starts it: real command lines, a
// full-screen saver ended by real X input, and a preview inside a host
// window of this test.
#include "animation/picture_assets.h"
#include "tests/saver_process.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr char SaverClass[] = "WindowsScreenSaverClass";
constexpr DWORD StartTimeout = 30000;
constexpr DWORD ExitTimeout = 20000;
constexpr DWORD Unusable = static_cast<DWORD>(-1);

class SaverProcess : public testing::Test {
protected:
    void SetUp() override
    {
        folder = PrepareSaverFolder("process", false, false);
        // The cursor rests where no test moves it, so that the saver's
        // anchor is known.
        SetCursorPos(100, 100);
    }
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

DWORD ProcessOf(HWND window)
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

BOOL CALLBACK CollectWindow(HWND window, LPARAM data)
{
    auto *search = reinterpret_cast<WindowSearch *>(data);
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    if (ProcessOf(window) == search->ProcessId && lstrcmpA(name, search->ClassName) == 0)
        search->Found.push_back(window);
    return TRUE;
}

// Top-level windows of the process, of the class.
std::vector<HWND> WindowsOf(DWORD processId, const char *className)
{
    WindowSearch search = {processId, className, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

TEST_F(SaverProcess, UnusableCommandLinesEndWithMinusOneAndShowNothing)
{
    ASSERT_FALSE(IsWindow(reinterpret_cast<HWND>(1))) << "2^32 + 1 reads as 1, which must name no window";
    for (const char *arguments : {"/x", "/1", "/:", "/\ts", "/p", "/p 0", "/p abc", "/p -5", "/p 0x1A",
                                  "/p 4294967297"}) {
        HANDLE process = Start(arguments);
        ASSERT_NE(process, nullptr);
        EXPECT_EQ(WaitForExit(process, ExitTimeout), Unusable) << arguments;
        EXPECT_EQ(FindWindowA(SaverClass, nullptr), nullptr) << arguments;
        EXPECT_TRUE(WindowsOf(GetProcessId(process), "#32770").empty()) << arguments;
    }
}

// Waits for the configuration dialog of the process.
HWND WaitForDialog(HANDLE process)
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

TEST_F(SaverProcess, ConfigurationLinesOpenTheDialogWithTheirOwner)
{
    HWND foreground = CreateWindowExA(0, "STATIC", "foreground", WS_POPUP | WS_VISIBLE, 20, 20, 60, 60, nullptr,
                                      nullptr, nullptr, nullptr);
    ASSERT_NE(foreground, nullptr);
    struct Case {
        const char *Arguments;
        bool Owned;
    };
    for (Case c : {Case{"", false}, Case{"-", false}, Case{"/ /", false}, Case{"c:123", true}, Case{"/C", true}}) {
        SetForegroundWindow(foreground);
        HANDLE process = Start(c.Arguments);
        HWND dialog = WaitForDialog(process);
        ASSERT_NE(dialog, nullptr) << '"' << c.Arguments << '"';
        EXPECT_EQ(GetWindow(dialog, GW_OWNER), c.Owned ? foreground : nullptr) << '"' << c.Arguments << '"';
        EXPECT_EQ(FindWindowA(SaverClass, nullptr), nullptr);
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        EXPECT_EQ(WaitForExit(process, ExitTimeout), 0u) << "Cancel ends the dialog with 0";
    }
    HANDLE process = Start("/c");
    HWND dialog = WaitForDialog(process);
    ASSERT_NE(dialog, nullptr);
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(WaitForExit(process, ExitTimeout), 1u) << "OK ends the dialog with 1";
    DestroyWindow(foreground);
}

TEST_F(SaverProcess, StartUpSkipsAnUnquotedNameAndTheBlanksBehindIt)
{
    ASSERT_EQ(folder.find(' '), std::string::npos) << "the folder must be usable without quotes";
    // Tabs behind the name never reach the scan (inside the scan a tab is
    // an unusable character), so this opens the dialog without an owner.
    HANDLE process = StartProgram(folder + "\\telv.scr\t \t/c");
    ASSERT_NE(process, nullptr);
    started.push_back(process);
    HWND dialog = WaitForDialog(process);
    ASSERT_NE(dialog, nullptr);
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(WaitForExit(process, ExitTimeout), 0u);

    process = StartProgram(folder + "\\telv.scr /\t/c");
    started.push_back(process);
    EXPECT_EQ(WaitForExit(process, ExitTimeout), Unusable) << "a tab inside the switches";
}

TEST_F(SaverProcess, FullScreenLinesShowTopmostScreenSizedWindow)
{
    for (const char *arguments : {"/s", "-S", "s", "//--s", "/sx"}) {
        HANDLE process = nullptr;
        HWND window = StartFullScreen(process, arguments);
        ASSERT_NE(window, nullptr) << arguments;
        EXPECT_EQ(ProcessOf(window), GetProcessId(process));
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)) & 0xFFFF0000u, 0x96000000u) << arguments;
        EXPECT_NE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0) << arguments;
        RECT rect = {};
        GetWindowRect(window, &rect);
        EXPECT_EQ(rect.left, 0);
        EXPECT_EQ(rect.top, 0);
        EXPECT_EQ(rect.right, GetSystemMetrics(SM_CXSCREEN));
        EXPECT_EQ(rect.bottom, GetSystemMetrics(SM_CYSCREEN));
        EXPECT_EQ(WindowFromPoint(POINT{GetSystemMetrics(SM_CXSCREEN) / 2, 5}), window);

        // The title never changes.
        EXPECT_EQ(SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Other")), 0);
        char title[64] = "";
        GetWindowTextA(window, title, sizeof title);
        EXPECT_STREQ(title, "Screen Saver");

        PostMessageA(window, WM_CLOSE, 0, 0);
        EXPECT_EQ(WaitForExit(process, ExitTimeout), 0u) << arguments;
    }
}

// A 32-bit top-down copy of a surface's pixels, or of a bitmap drawn at
// given places on black.
struct Pixels {
    int Width;
    int Height;
    std::vector<DWORD> Data;
    DWORD At(int x, int y) const { return Data[static_cast<size_t>(y) * Width + x] & 0xFFFFFF; }
};

Pixels CopyPixels(HDC source, int width, int height)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void *bits = nullptr;
    HBITMAP section = CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC copy = CreateCompatibleDC(source);
    HGDIOBJ oldBitmap = SelectObject(copy, section);
    PatBlt(copy, 0, 0, width, height, BLACKNESS);
    BitBlt(copy, 0, 0, width, height, source, 0, 0, SRCCOPY);
    GdiFlush();
    Pixels pixels = {width, height, {}};
    const DWORD *p = static_cast<const DWORD *>(bits);
    pixels.Data.assign(p, p + static_cast<size_t>(width) * height);
    SelectObject(copy, oldBitmap);
    DeleteDC(copy);
    DeleteObject(section);
    return pixels;
}

Pixels ScreenPixels()
{
    HDC screen = GetDC(nullptr);
    Pixels pixels = CopyPixels(screen, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    ReleaseDC(nullptr, screen);
    return pixels;
}

// Where the expected picture agrees with the screen, as a fraction of the
// rectangle.
double Agreement(const Pixels &expected, const Pixels &actual, RECT area)
{
    long same = 0;
    long total = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x, ++total)
            same += expected.At(x, y) == actual.At(x, y);
    return total == 0 ? 0.0 : static_cast<double>(same) / total;
}

// The screen as the saver composes it before the balls: tiles from the
// top-left corner and the first portrait in the middle.
Pixels ExpectedFullScreen()
{
    HMODULE module = GetModuleHandleA(nullptr);
    HBITMAP tile = LoadPicture(module, "L1");
    HBITMAP portrait = LoadPicture(module, MAKEINTRESOURCEA(FirstPortraitResource));
    int width = GetSystemMetrics(SM_CXSCREEN);
    int height = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = GetDC(nullptr);
    HDC canvas = CreateCompatibleDC(screen);
    HBITMAP canvasBitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ oldCanvas = SelectObject(canvas, canvasBitmap);
    HDC picture = CreateCompatibleDC(screen);
    HGDIOBJ oldPicture = SelectObject(picture, tile);
    for (int y = 0; y < height; y += 200)
        for (int x = 0; x < width; x += 200)
            BitBlt(canvas, x, y, 200, 200, picture, 0, 0, SRCCOPY);
    SelectObject(picture, portrait);
    BITMAP size = {};
    GetObjectA(portrait, sizeof size, &size);
    BitBlt(canvas, (width - size.bmWidth) / 2, (height - size.bmHeight) / 2, size.bmWidth, size.bmHeight, picture, 0,
           0, SRCCOPY);
    Pixels pixels = CopyPixels(canvas, width, height);
    SelectObject(picture, oldPicture);
    DeleteDC(picture);
    SelectObject(canvas, oldCanvas);
    DeleteObject(canvasBitmap);
    DeleteDC(canvas);
    ReleaseDC(nullptr, screen);
    DeleteObject(portrait);
    DeleteObject(tile);
    return pixels;
}

TEST_F(SaverProcess, FullScreenShowsTilesAndFirstPortrait)
{
    HANDLE process = nullptr;
    ASSERT_NE(StartFullScreen(process), nullptr);
    Pixels expected = ExpectedFullScreen();
    Pixels screen = ScreenPixels();
    int width = screen.Width;
    int height = screen.Height;
    // Only the flying balls may differ: they cover a few per cent at most.
    EXPECT_GT(Agreement(expected, screen, RECT{0, 0, width, height}), 0.95);
    EXPECT_GT(Agreement(expected, screen, RECT{(width - 200) / 2, (height - 300) / 2, (width + 200) / 2,
                                               (height + 300) / 2}),
              0.85)
        << "the first portrait in the middle";
    EXPECT_GT(Agreement(expected, screen, RECT{0, 0, 200, 200}), 0.85) << "the first tile";
    Xdotool("key space");
    EXPECT_EQ(WaitForExit(process, ExitTimeout), 0u);
}

TEST_F(SaverProcess, PreviewShowsPreviewPictureInItsCorner)
{
    // Wine draws another process's child only when the host is the desktop.
    HWND desktop = GetDesktopWindow();
    HANDLE process = Start("/p " + std::to_string(reinterpret_cast<UINT_PTR>(desktop)));
    HWND preview = nullptr;
    for (DWORD start = GetTickCount(); preview == nullptr && GetTickCount() - start < StartTimeout; PumpFor(50))
        preview = FindWindowExA(desktop, nullptr, SaverClass, "Preview");
    ASSERT_NE(preview, nullptr);
    PumpFor(1500);

    HDC screen = GetDC(nullptr);
    HDC picture = CreateCompatibleDC(screen);
    HBITMAP previewPicture = LoadPicture(GetModuleHandleA(nullptr), "PREV");
    ASSERT_NE(previewPicture, nullptr);
    HGDIOBJ oldPicture = SelectObject(picture, previewPicture);
    Pixels expected = CopyPixels(picture, 150, 110);
    SelectObject(picture, oldPicture);
    DeleteObject(previewPicture);
    DeleteDC(picture);
    ReleaseDC(nullptr, screen);

    Pixels shown = ScreenPixels();
    EXPECT_EQ(Agreement(expected, shown, RECT{0, 0, 150, 110}), 1.0);
    EXPECT_EQ(shown.At(shown.Width / 2, shown.Height / 2), 0u) << "the rest of the window is black";
    EXPECT_EQ(shown.At(151, 111), 0u);

    PostMessageA(preview, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForExit(process, ExitTimeout), 0u);
}

TEST_F(SaverProcess, KeyEndsFullScreenWithZero)
{
    HANDLE process = nullptr;
    ASSERT_NE(StartFullScreen(process), nullptr);
    Xdotool("key a");
    EXPECT_EQ(WaitForExit(process, ExitTimeout), 0u);
}

TEST_F(SaverProcess, ButtonPressEndsFullScreenWithZero)
{
    HANDLE process = nullptr;
    ASSERT_NE(StartFullScreen(process), nullptr);
    Xdotool("click 3");
    EXPECT_EQ(WaitForExit(process, ExitTimeout), 0u);
}

TEST_F(SaverProcess, MouseMoveOfFourKeepsItAndMoreThanFourEndsIt)
{
    HANDLE process = nullptr;
    ASSERT_NE(StartFullScreen(process), nullptr);
    Xdotool("mousemove 103 101");
    EXPECT_EQ(WaitForExit(process, 2000), STILL_ACTIVE) << "a distance of 4 does not end the saver";
    Xdotool("mousemove 103 102");
    EXPECT_EQ(WaitForExit(process, ExitTimeout), 0u) << "a distance of 5 from the anchor ends it";
}

TEST_F(SaverProcess, SecondFullScreenStartRaisesTheFirstAndEndsWithZero)
{
    HANDLE first = nullptr;
    HWND window = StartFullScreen(first);
    ASSERT_NE(window, nullptr);
    // Another window takes the foreground first, so that the second start
    // has something to do.
    HWND other = CreateWindowExA(0, "STATIC", "other", WS_POPUP | WS_VISIBLE, 10, 10, 40, 40, nullptr, nullptr,
                                 nullptr, nullptr);
    SetForegroundWindow(other);
    PumpFor(200);
    ASSERT_EQ(GetForegroundWindow(), other);
    HANDLE second = Start("/s");
    EXPECT_EQ(WaitForExit(second, ExitTimeout), 0u);
    EXPECT_EQ(WaitForExit(first, 500), STILL_ACTIVE);
    EXPECT_EQ(FindWindowA(SaverClass, "Screen Saver"), window);
    EXPECT_TRUE(WindowsOf(GetProcessId(second), SaverClass).empty());
    EXPECT_EQ(GetForegroundWindow(), window);
    DestroyWindow(other);
    Xdotool("key Escape");
    EXPECT_EQ(WaitForExit(first, ExitTimeout), 0u);
}

// A preview host as the display settings would show it: a window with a
// small client area, which records the help and context-menu requests the
// preview hands it.
struct HostRecord {
    int HelpCount;
    WPARAM HelpWParam;
    HELPINFO Help;
    int MenuCount;
    WPARAM MenuWParam;
    LPARAM MenuLParam;
};
HostRecord Host;

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_HELP:
        ++Host.HelpCount;
        Host.HelpWParam = wParam;
        if (lParam != 0)
            Host.Help = *reinterpret_cast<const HELPINFO *>(lParam);
        return TRUE;
    case WM_CONTEXTMENU:
        ++Host.MenuCount;
        Host.MenuWParam = wParam;
        Host.MenuLParam = lParam;
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

HWND MakeHost(int width, int height)
{
    WNDCLASSA hostClass = {};
    hostClass.lpfnWndProc = HostProc;
    hostClass.hInstance = GetModuleHandleA(nullptr);
    hostClass.lpszClassName = "TelvPreviewHost";
    RegisterClassA(&hostClass);
    Host = HostRecord{};
    RECT rect = {0, 0, width, height};
    AdjustWindowRect(&rect, WS_OVERLAPPEDWINDOW, FALSE);
    return CreateWindowExA(0, "TelvPreviewHost", "Preview host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 300, 200,
                           rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

// Waits for the preview child inside the host to be made and shown,
// handling the host's messages.
HWND WaitForPreview(HWND host)
{
    DWORD start = GetTickCount();
    for (;;) {
        HWND child = FindWindowExA(host, nullptr, SaverClass, "Preview");
        if ((child != nullptr && IsWindowVisible(child)) || GetTickCount() - start > StartTimeout)
            return child;
        PumpFor(50);
    }
}

std::string HandleText(HWND window)
{
    return std::to_string(reinterpret_cast<UINT_PTR>(window));
}

TEST_F(SaverProcess, PreviewFillsHostClientAreaAndIgnoresInput)
{
    struct Case {
        const char *Prefix;
        const char *Suffix;
    };
    for (Case c : {Case{"/p ", ""}, Case{"/l ", ""}, Case{"/p", ""}, Case{"-L   ", ""}, Case{"/p ", "ab"}}) {
        std::string prefix = c.Prefix;
        HWND host = MakeHost(152, 112);
        ASSERT_NE(host, nullptr);
        HANDLE process = Start(prefix + HandleText(host) + c.Suffix);
        HWND preview = WaitForPreview(host);
        ASSERT_NE(preview, nullptr) << prefix;
        EXPECT_EQ(ProcessOf(preview), GetProcessId(process));
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(preview, GWL_STYLE)) & 0xFFFF0000u, 0x52000000u);
        EXPECT_EQ(GetWindowLongA(preview, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
        RECT client = {};
        GetClientRect(preview, &client);
        EXPECT_EQ(client.right, 152);
        EXPECT_EQ(client.bottom, 112);
        POINT origin = {0, 0};
        MapWindowPoints(preview, host, &origin, 1);
        EXPECT_EQ(origin.x, 0);
        EXPECT_EQ(origin.y, 0);

        // Keys, clicks and moves never end a preview.
        PostMessageA(preview, WM_KEYDOWN, 'A', 0);
        PostMessageA(preview, WM_SYSKEYDOWN, VK_MENU, 0);
        PostMessageA(preview, WM_LBUTTONDOWN, 0, 0);
        PostMessageA(preview, WM_MOUSEMOVE, 0, MAKELPARAM(80, 80));
        Xdotool("key b");
        EXPECT_EQ(WaitForExit(process, 1500), STILL_ACTIVE) << prefix;

        PostMessageA(preview, WM_CLOSE, 0, 0);
        EXPECT_EQ(WaitForExit(process, ExitTimeout), 0u) << prefix;
        DestroyWindow(host);
    }
}

TEST_F(SaverProcess, DestroyingTheHostEndsThePreview)
{
    HWND host = MakeHost(200, 150);
    HANDLE process = Start("/p " + HandleText(host));
    ASSERT_NE(WaitForPreview(host), nullptr);
    DestroyWindow(host);
    EXPECT_EQ(WaitForExit(process, ExitTimeout), 0u);
}

TEST_F(SaverProcess, PreviewHandsHelpAndContextMenuToItsHost)
{
    HWND host = MakeHost(200, 150);
    HANDLE process = Start("/p " + HandleText(host));
    HWND preview = WaitForPreview(host);
    ASSERT_NE(preview, nullptr);

    HELPINFO help = {};
    help.cbSize = sizeof help;
    help.iContextType = HELPINFO_WINDOW;
    help.iCtrlId = 77;
    help.dwContextId = 0x1234;
    help.MousePos = POINT{11, 22};
    EXPECT_EQ(SendMessageA(preview, WM_HELP, 0, reinterpret_cast<LPARAM>(&help)), 1);
    EXPECT_EQ(Host.HelpCount, 1);
    EXPECT_EQ(Host.HelpWParam, reinterpret_cast<WPARAM>(host));
    EXPECT_EQ(Host.Help.cbSize, sizeof help);
    EXPECT_EQ(Host.Help.iCtrlId, 77);
    EXPECT_EQ(Host.Help.dwContextId, 0x1234u);
    EXPECT_EQ(Host.Help.MousePos.x, 11);
    EXPECT_EQ(Host.Help.MousePos.y, 22);

    EXPECT_EQ(SendMessageA(preview, WM_CONTEXTMENU, 0, MAKELPARAM(33, 44)), 1);
    PumpFor(300);
    EXPECT_EQ(Host.MenuCount, 1);
    EXPECT_EQ(Host.MenuWParam, reinterpret_cast<WPARAM>(host));
    EXPECT_EQ(Host.MenuLParam, MAKELPARAM(33, 44));

    DestroyWindow(host);
    EXPECT_EQ(WaitForExit(process, ExitTimeout), 0u);
}

} // namespace
