// The built saver started as the system starts it: real command lines, a
// full-screen saver ended by real X input, and a preview inside a host
// window of this test.
#include "animation/picture_assets.h"
#include "resources/resource_ids.h"
#include "tests/frame_test_support.h"
#include "tests/saver_process.h"
#include "tests/test_windows.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr DWORD Unusable = static_cast<DWORD>(-1);

class SaverProcess : public SaverProcessTest {
protected:
    void SetUp() override
    {
        folder = PrepareSaverFolder("process", false, false);
        // The cursor rests where no test moves it, so that the saver's
        // anchor is known.
        SetCursorPos(100, 100);
    }
};

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

// The whole screen as it shows now.
Pixels ScreenPixels()
{
    return CaptureWindow(nullptr, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
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
    HBITMAP tile = LoadPicture(nullptr, module, "L1");
    HBITMAP portrait = LoadPicture(nullptr, module, MAKEINTRESOURCEA(IDB_PORTRAIT_FIRST));
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
    Pixels pixels = Capture(canvas, 0, 0, width, height);
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
    HWND preview = WaitForPreview(desktop);
    ASSERT_NE(preview, nullptr);
    PumpFor(1500);

    HBITMAP previewPicture = LoadPicture(nullptr, GetModuleHandleA(nullptr), "PREV");
    ASSERT_NE(previewPicture, nullptr);
    Pixels expected = CaptureBitmap(previewPicture);
    DeleteObject(previewPicture);

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

// A preview host window with a client area of the given size.
HWND MakeHost(int width, int height)
{
    RegisterHostClass("TelvPreviewHost");
    RECT rect = {0, 0, width, height};
    AdjustWindowRect(&rect, WS_OVERLAPPEDWINDOW, FALSE);
    return CreateWindowExA(0, "TelvPreviewHost", "Preview host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 300, 200,
                           rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
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
