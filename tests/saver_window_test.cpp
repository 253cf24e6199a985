// The saver window's procedure in real windows of the test: the shell's
// rules for system messages, input-method detaching, the hand-over of help
// requests to a preview's host, and RunSaver when no window can be made.
#include "shell/saver_window.h"

#include "animation/frame_composition.h"
#include "shell/saver_module.h"
#include "tests/test_windows.h"

#include <gtest/gtest.h>

namespace {

constexpr char TestSaverClass[] = "TelvSaverWindowTest";
constexpr char HostClass[] = "TelvSaverWindowTestHost";

class SaverWindow : public testing::Test {
protected:
    void SetUp() override
    {
        ResetSaverState();
        const HINSTANCE instance = SaverState.Instance;

        WNDCLASSA saverClass = {};
        saverClass.style = CS_OWNDC | CS_DBLCLKS;
        saverClass.lpfnWndProc = SaverWindowProc;
        saverClass.hInstance = instance;
        saverClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        saverClass.lpszClassName = TestSaverClass;
        RegisterClassA(&saverClass);
        RegisterHostClass(HostClass);
    }

    void TearDown() override
    {
        if (window != nullptr && IsWindow(window))
            DestroyWindow(window);
        if (host != nullptr)
            DestroyWindow(host);
        DrainMessages();
        UnregisterClassA(TestSaverClass, SaverState.Instance);
        UnregisterClassA(HostClass, SaverState.Instance);
    }

    // A preview window inside a host of the test, as RunSaver makes it.
    void MakePreview()
    {
        SaverState.IsPreview = 1;
        host = CreateWindowExA(0, HostClass, "host", WS_OVERLAPPEDWINDOW, 0, 0, 200, 160, nullptr, nullptr,
                               SaverState.Instance, nullptr);
        ASSERT_NE(host, nullptr);
        window = CreateWindowExA(0, TestSaverClass, "Preview", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 150,
                                 110, host, nullptr, SaverState.Instance, nullptr);
        ASSERT_NE(window, nullptr);
        SaverState.SaverWindow = window;
    }

    // A full-screen kind of window, kept small so that it covers nothing.
    void MakeFullScreen()
    {
        window = CreateWindowExA(0, TestSaverClass, "Screen Saver", WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0,
                                 0, 120, 90, nullptr, nullptr, SaverState.Instance, nullptr);
        ASSERT_NE(window, nullptr);
        SaverState.SaverWindow = window;
        CountPosted(window, WM_CLOSE);
    }

    HWND window = nullptr;
    HWND host = nullptr;
};

TEST_F(SaverWindow, CreationDetachesInputMethodOnlyWhenAlreadyLoaded)
{
    HMODULE imm = GetModuleHandleA("IMM32.DLL");
    SetCursorPos(37, 41);
    MakePreview();
    EXPECT_EQ(SaverState.ImeLibrary, imm);
    if (imm != nullptr) {
        EXPECT_EQ(reinterpret_cast<void *>(SaverState.AssociateContext),
                  reinterpret_cast<void *>(GetProcAddress(imm, "ImmAssociateContext")));
        EXPECT_NE(SaverState.SavedInputContext, nullptr) << "the window's own context was taken off";
        auto getContext = reinterpret_cast<HIMC(WINAPI *)(HWND)>(
            reinterpret_cast<void *>(GetProcAddress(imm, "ImmGetContext")));
        EXPECT_EQ(getContext(window), nullptr) << "no input context while the saver runs";
    }
    EXPECT_EQ(SaverState.CursorAnchor.x, 37);
    EXPECT_EQ(SaverState.CursorAnchor.y, 41);
}

TEST_F(SaverWindow, DestroyPostsQuit)
{
    MakePreview();
    DestroyWindow(window);
    MSG msg = {};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 0u);
}

TEST_F(SaverWindow, TitleNeverChanges)
{
    MakePreview();
    EXPECT_EQ(SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Other")), 0);
    char title[32] = "";
    GetWindowTextA(window, title, sizeof title);
    EXPECT_STREQ(title, "Preview");
}

TEST_F(SaverWindow, PreviewHandsHelpAndContextMenuToHost)
{
    MakePreview();
    HELPINFO help = {};
    help.cbSize = sizeof help;
    help.iCtrlId = 42;
    EXPECT_EQ(SendMessageA(window, WM_HELP, 0, reinterpret_cast<LPARAM>(&help)), 1);
    EXPECT_EQ(Host.HelpCount, 1) << "delivered while the help record is valid";
    EXPECT_EQ(Host.HelpWParam, reinterpret_cast<WPARAM>(host));
    EXPECT_EQ(Host.Help.iCtrlId, 42);

    EXPECT_EQ(SendMessageA(window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window), MAKELPARAM(5, 6)), 1);
    EXPECT_EQ(Host.MenuCount, 0) << "posted, not sent";
    MSG msg = {};
    ASSERT_TRUE(PeekMessageA(&msg, host, WM_CONTEXTMENU, WM_CONTEXTMENU, PM_REMOVE));
    EXPECT_EQ(msg.wParam, reinterpret_cast<WPARAM>(host));
    EXPECT_EQ(msg.lParam, MAKELPARAM(5, 6));
}

TEST_F(SaverWindow, PreviewWithoutHostStillAnswersOne)
{
    SaverState.IsPreview = 1;
    MakeFullScreen();
    HELPINFO help = {};
    help.cbSize = sizeof help;
    EXPECT_EQ(SendMessageA(window, WM_HELP, 0, reinterpret_cast<LPARAM>(&help)), 1);
    EXPECT_EQ(SendMessageA(window, WM_CONTEXTMENU, 0, 0), 1);
}

TEST_F(SaverWindow, FullScreenBlocksOnlyTheThreeSystemCommands)
{
    MakeFullScreen();
    for (WPARAM command : {WPARAM{SC_SCREENSAVE}, WPARAM{SC_NEXTWINDOW}, WPARAM{SC_PREVWINDOW}})
        EXPECT_EQ(SendMessageA(window, WM_SYSCOMMAND, command, 0), 0);
    EXPECT_TRUE(IsWindow(window));
    // The whole value is compared: a close command passes on to the default
    // processing, which asks to close, and without a password the window goes.
    SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_NE(SaverState.CloseApproved, 0);
}

TEST_F(SaverWindow, InputClosesUntilCloseIsApproved)
{
    MakeFullScreen();
    SendMessageA(window, WM_KEYDOWN, 'A', 0);
    EXPECT_EQ(CountPosted(window, WM_CLOSE), 1);
    SaverState.CloseApproved = 1;
    for (UINT message : {UINT{WM_KEYDOWN}, UINT{WM_SYSKEYDOWN}, UINT{WM_LBUTTONDOWN}, UINT{WM_RBUTTONDOWN},
                         UINT{WM_MBUTTONDOWN}})
        SendMessageA(window, message, 0, 0);
    EXPECT_EQ(CountPosted(window, WM_CLOSE), 0) << "approved: input goes to the default processing";
}

TEST_F(SaverWindow, TicksStopOnceCloseIsApproved)
{
    MakeFullScreen();
    int32_t before = Animation.PortraitTick;
    EXPECT_EQ(SendMessageA(window, WM_TIMER, 1, 0), 0);
    EXPECT_EQ(Animation.PortraitTick, before + 1) << "a tick reaches the animation";
    SaverState.CloseApproved = 1;
    EXPECT_EQ(SendMessageA(window, WM_TIMER, 1, 0), 0);
    EXPECT_EQ(Animation.PortraitTick, before + 1) << "dropped after approval";
}

TEST_F(SaverWindow, RunSaverWithoutAWindowEndsWithMinusOne)
{
    // The saver's class is taken already, so RunSaver cannot register it.
    WNDCLASSA taken = {};
    taken.lpfnWndProc = DefWindowProcA;
    taken.hInstance = SaverState.Instance;
    taken.lpszClassName = "WindowsScreenSaverClass";
    ASSERT_NE(RegisterClassA(&taken), 0);
    host = CreateWindowExA(0, HostClass, "host", WS_OVERLAPPEDWINDOW, 0, 0, 200, 160, nullptr, nullptr,
                           SaverState.Instance, nullptr);
    EXPECT_EQ(RunSaver(host), -1);
    EXPECT_EQ(SaverState.SaverWindow, nullptr);
    EXPECT_EQ(SaverState.IsPreview, 1);
    UnregisterClassA("WindowsScreenSaverClass", SaverState.Instance);
}

} // namespace
