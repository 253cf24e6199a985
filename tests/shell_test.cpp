// The shell in process: the command line, the close rules and the window's
// rules in real windows, the password library and the exception guard.
#include "animation/frame_clock.h"
#include "animation/frame_composition.h"
#include "shell/command_line.h"
#include "shell/default_saver_proc.h"
#include "shell/exception_guard.h"
#include "shell/password_library.h"
#include "shell/saver_window.h"
#include "tests/support.h"

#include <gtest/gtest.h>

namespace {

using M = RunMode;

// One table for the scan: the mode, and where the handle text starts.
TEST(CommandLine, ScanPicksTheModeByTheFirstMeaningfulCharacter)
{
    const struct { const char *Line; RunMode Mode; const char *Handle; } cases[] = {
        {"", M::ConfigureUnowned, nullptr}, {" -/ //--", M::ConfigureUnowned, nullptr}, {"/s", M::FullScreen, nullptr},
        {"-S", M::FullScreen, nullptr},     {"s", M::FullScreen, nullptr},     {"//--s", M::FullScreen, nullptr},
        {"/sx", M::FullScreen, nullptr},    {"/\ts", M::Unrecognised, nullptr}, {"/x", M::Unrecognised, nullptr},
        {"/1", M::Unrecognised, nullptr},   {"/:", M::Unrecognised, nullptr},   {"/\xF3s", M::Unrecognised, nullptr},
        {"\x80", M::Unrecognised, nullptr}, {"c:123", M::ConfigureOwned, nullptr}, {"/c", M::ConfigureOwned, nullptr},
        {"/p 1234", M::Preview, "1234"},    {"/p1234", M::Preview, "1234"},     {"/p     1234", M::Preview, "1234"},
        {"/l 1234", M::Preview, "1234"},    {"-L9", M::Preview, "9"},           {"/p\t5", M::Preview, "\t5"},
        {"/a", M::ChangePassword, ""},      {"/a 12", M::ChangePassword, "12"}, {"A  6 x", M::ChangePassword, "6 x"},
    };
    for (const auto &c : cases) {
        const CommandChoice choice = ScanCommandLine(c.Line);
        EXPECT_EQ(static_cast<int>(choice.Mode), static_cast<int>(c.Mode)) << '"' << c.Line << '"';
        EXPECT_STREQ(choice.HandleText, c.Handle) << '"' << c.Line << '"';
    }
}

// Handles are unsigned decimal digits only, wrapping at 32 bits however many
// there are. The start-up steps over the program name, quoted or not, and
// the characters 1 to 32 behind it.
TEST(CommandLine, HandleTextAndProgramName)
{
    const struct { const char *Text; DWORD Value; } handles[] = {
        {"1234", 1234}, {"12ab", 12}, {"abc", 0}, {"-5", 0}, {"+5", 0}, {"0x1A", 0}, {"", 0}, {"007", 7},
        {"4294967297", 1}, {"4294967295", 4294967295u}, {"12345678901", 3755744309u}};
    for (const auto &c : handles)
        EXPECT_EQ(ParseWindowHandle(c.Text), c.Value) << '"' << c.Text << '"';

    const struct { const char *Line; const char *Rest; } lines[] = {
        {"\"C:\\Program Files\\telv.scr\" /p 12", "/p 12"}, {"telv.scr\t \t /s", "/s"}, {"\"C:\\a\"/s", "/s"},
        {"\"never closed /s", ""}, {"Sch\xE4rfe\xA0.scr /s", "/s"}, {"telv.scr", ""}};
    for (const auto &c : lines)
        EXPECT_STREQ(SkipProgramName(c.Line), c.Rest) << '"' << c.Line << '"';
}

// The test's clock, and what its verification is told to do and saw.
DWORD Clock;
struct { BOOL Answer; DWORD Spends; bool ClosesAgain; int Calls; LRESULT NestedClose; int TicksLeft; } Check;
DWORD WINAPI ReadClock() { return Clock; }

// Stands in for the system's verification, which may show a cursor and take
// the activation away.
BOOL WINAPI TestVerification(HWND window)
{
    ++Check.Calls;
    Check.TicksLeft = CountPosted(window, WM_TIMER);
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    SendMessageA(window, WM_ACTIVATEAPP, FALSE, 0);  // as when its dialog lies in another program
    if (Check.ClosesAgain)
        Check.NestedClose = SendMessageA(window, WM_CLOSE, 0, 0);
    Clock += Check.Spends;
    return Check.Answer;
}

// A hidden window of the program's own class that runs the given procedure.
HWND MakeWindow(const char *className, WNDPROC procedure)
{
    const WNDCLASSA windowClass = {0, procedure, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, className};
    RegisterClassA(&windowClass);
    return CreateWindowExA(0, className, "Screen Saver", WS_POPUP, 0, 0, 120, 90, nullptr, nullptr, nullptr, nullptr);
}

// A fresh state, the test's clock, a window of DefaultSaverProc; the end drops
// the quit message a saver window posts, which would end the next modal loop.
class CloseRules : public testing::Test {
protected:
    void SetUp() override
    {
        ResetSaverState();
        CloseRulesTickSource = ReadClock;
        Clock = 100000;
        Check = {};
        window = MakeWindow("TelvTest", procedure);
    }
    void TearDown() override
    {
        DestroyWindow(window);
        PumpFor(0);
        UnregisterClassA("TelvTest", SaverState.Instance);
        CloseRulesTickSource = GetTickCount;
    }
    WNDPROC procedure = DefaultSaverProc;
    HWND window = nullptr;
};

// Over 4 pixels of x plus y from the anchor close; smaller moves add up.
TEST_F(CloseRules, MouseMovesBeyondFourPixelsFromTheAnchor)
{
    SaverState.CursorAnchor = {200, 200};
    const struct { int X, Y, Closes; } moves[] = {{203, 201, 0}, {203, 202, 1}, {204, 202, 0}, {205, 203, 0},
                                                  {206, 203, 0}, {206, 204, 1}, {204, 202, 0}, {203, 202, 1}};
    for (const auto &m : moves) {
        SetCursorPos(m.X, m.Y);
        SendMessageA(window, WM_MOUSEMOVE, 0, 0);
        EXPECT_EQ(CountPosted(window, WM_CLOSE), m.Closes) << m.X << "," << m.Y;
    }
}

// Presses (the side buttons too), a move and a loss of activation post one
// close request, other input and a gain of activation none; in the preview
// nothing does, and a close goes at once without asking.
TEST_F(CloseRules, InputThatAsksToCloseAndThePreview)
{
    const struct { UINT Message; WPARAM W; int Closes; } cases[] = {
        {WM_KEYDOWN, 'A', 1}, {WM_SYSKEYDOWN, 'A', 1}, {WM_LBUTTONDOWN, 1, 1}, {WM_RBUTTONDOWN, 2, 1},
        {WM_MBUTTONDOWN, 16, 1}, {WM_XBUTTONDOWN, MAKEWPARAM(0, XBUTTON1), 1}, {WM_MOUSEMOVE, 0, 1},
        {WM_ACTIVATEAPP, FALSE, 1}, {WM_ACTIVATE, WA_INACTIVE, 1}, {WM_ACTIVATEAPP, TRUE, 0},
        {WM_ACTIVATE, WA_CLICKACTIVE, 0}, {WM_LBUTTONDBLCLK, 1, 0}, {WM_LBUTTONUP, 0, 0}, {WM_XBUTTONUP, 0, 0},
        {WM_KEYUP, 'A', 0}, {WM_CHAR, 'A', 0}};
    SaverState.VerifyPassword = TestVerification;
    SetCursorPos(300, 300);
    for (LONG preview : {0, 1}) {
        SaverState.IsPreview = preview;
        SaverState.CursorAnchor = {0, 0};
        for (const auto &c : cases) {
            SendMessageA(window, c.Message, c.W, 0);
            EXPECT_EQ(CountPosted(window, WM_CLOSE), preview ? 0 : c.Closes) << preview << " " << c.Message;
        }
    }
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(Check.Calls, 0);
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(CloseRules, WithoutProtectionTheFirstCloseApprovesAtOnce)
{
    EXPECT_EQ(SendMessageA(window, WM_CLOSE, 0, 0), 0);
    EXPECT_TRUE(SaverState.CloseApproved == 1 && !IsWindow(window));
    EXPECT_EQ(SaverState.LastVerifyTick, NoVerifyTick) << "nothing was verified";
}

// Asking drops two of the window's ticks first (and nothing queued before
// them). A refusal stays and re-anchors; a close inside the check is refused;
// an approval keeps the result.
TEST_F(CloseRules, RefusalThenApproval)
{
    PostThreadMessageA(GetCurrentThreadId(), WM_TIMER, 9, 0);
    PostMessageA(window, WM_USER, 0, 0);
    for (WPARAM id : {1, 2, 3})
        PostMessageA(window, WM_TIMER, id, 0);
    SaverState.VerifyPassword = TestVerification;
    Check.Spends = 5000;
    SetCursorPos(321, 123);
    EXPECT_EQ(SendMessageA(window, WM_CLOSE, 0, 0), 0);
    EXPECT_EQ(Check.TicksLeft, 1);
    EXPECT_EQ(CountPosted(window, WM_CLOSE), 0) << "a loss of activation during the check asked again";
    EXPECT_TRUE(IsWindow(window) && SaverState.CloseApproved == 0 && GetCursor() == nullptr);
    EXPECT_TRUE(SaverState.CursorAnchor.x == 321 && SaverState.CursorAnchor.y == 123);
    EXPECT_EQ(SaverState.LastVerifyTick, 105000u);

    Check.Answer = 7;
    Check.ClosesAgain = true;
    Clock += 200;
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(Check.Calls == 2 && Check.NestedClose == 0);
    EXPECT_TRUE(SaverState.CloseApproved == 7 && !IsWindow(window));
}

// 199 ms after a refusal no asking, 200 ms after it asks, across the wrap of
// the tick count.
TEST_F(CloseRules, ReaskGuardOfTwoHundredMilliseconds)
{
    SaverState.VerifyPassword = TestVerification;
    for (DWORD later : {0u, 199u, 200u}) {
        Clock = 0xFFFFFF80u + later;
        SendMessageA(window, WM_CLOSE, 0, 0);
    }
    EXPECT_EQ(Check.Calls, 2);
    EXPECT_EQ(SaverState.LastVerifyTick, 0x48u);
}

// The same with a full-screen kind of window of SaverWindowProc.
class SaverWindow : public CloseRules {
public:
    SaverWindow() { procedure = SaverWindowProc; }
};

// Counts the windows that are about to be made, and stops them.
int WindowsStopped;
LRESULT CALLBACK StopWindows(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND) {
        ++WindowsStopped;
        return 1;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// The title stays; exactly three commands are swallowed, others reach the
// default processing, which here answers SC_SCREENSAVE + 1 with a window.
TEST_F(SaverWindow, AnswersOfTheShellItself)
{
    EXPECT_EQ(SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Other")), 0);
    char title[32] = "";
    GetWindowTextA(window, title, sizeof title);
    EXPECT_STREQ(title, "Screen Saver");
    HHOOK hook = SetWindowsHookExA(WH_CBT, StopWindows, nullptr, GetCurrentThreadId());
    for (WPARAM command : {SC_SCREENSAVE, SC_NEXTWINDOW, SC_PREVWINDOW})
        EXPECT_EQ(SendMessageA(window, WM_SYSCOMMAND, command, 0), 0);
    EXPECT_EQ(WindowsStopped, 0);
    SendMessageA(window, WM_SYSCOMMAND, SC_SCREENSAVE + 1, 0);
    EXPECT_GT(WindowsStopped, 0) << "passed on";
    UnhookWindowsHookEx(hook);
    SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(IsWindow(window));
}

// Ticks and frame messages reach the animation until the close is
// approved; a frame message that reaches it lets the frame clock ask again.
TEST_F(SaverWindow, TicksAndFramesStopOnceTheCloseIsApproved)
{
    const int32_t before = Animation.PortraitTick;
    for (LONG approved : {0, 1}) {
        SaverState.CloseApproved = approved;
        FrameClock.Pending = 1;
        EXPECT_EQ(SendMessageA(window, WM_TIMER, 1, 0), 0);
        EXPECT_EQ(SendMessageA(window, FrameMessage, 0, 0), 0);
        EXPECT_EQ(FrameClock.Pending, approved) << "approved " << approved;
    }
    FrameClock.Pending = 0;
    EXPECT_EQ(Animation.PortraitTick, before + 1) << "only the first tick reached the animation";
}

// A change of the displays or of a scale moves the full-screen window over
// the whole virtual screen, topmost; a preview stays where its host put it.
TEST_F(SaverWindow, DisplayChangesCoverTheVirtualScreen)
{
    const std::vector<LONG> screen = {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                                      GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    for (UINT change : {UINT(WM_DISPLAYCHANGE), DpiChangedMessage}) {
        for (LONG preview : {1, 0}) {
            SetWindowPos(window, HWND_NOTOPMOST, 10, 20, 120, 90, SWP_NOACTIVATE);
            SaverState.IsPreview = preview;
            EXPECT_EQ(SendMessageA(window, change, 96, 0), 0);
            RECT placed = {};
            GetWindowRect(window, &placed);
            const std::vector<LONG> wanted = preview ? std::vector<LONG>{10, 20, 120, 90} : screen;
            const std::vector<LONG> shown = {placed.left, placed.top, placed.right - placed.left,
                                             placed.bottom - placed.top};
            EXPECT_EQ(shown, wanted) << change << " preview " << preview;
            EXPECT_EQ((GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0, !preview) << change;
        }
    }
}

// No saver window when the class name is taken: -1, not a normal end's 0.
TEST(SaverWindowRun, TakenClassEndsWithMinusOne)
{
    ResetSaverState();
    ASSERT_NE(DestroyWindow(MakeWindow("WindowsScreenSaverClass", DefWindowProcA)), 0);
    EXPECT_EQ(RunSaver(nullptr), -1);
    UnregisterClassA("WindowsScreenSaverClass", SaverState.Instance);
}

// The system's screen-saver-running state as this process sees it.
BOOL SaverRunning()
{
    BOOL running = FALSE;
    SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0);
    return running;
}

// At most 4 bytes are read; "on" loads the verifier from the system directory
// and the running state till the unload. Without the verifier (the router
// library under the verifier's name) nothing stays.
TEST(PasswordLibrary, SwitchLoadsTheVerifierUntilUnload)
{
    const std::string fakes = ProgramFolder() + "\\fakes\\";
    const BYTE zeros[4] = {0, 0, 0, 0}, one[1] = {1}, five[5] = {1, 0, 0, 0, 0};
    const struct { const BYTE *Bytes; DWORD Size; const char *Library; BOOL On; } cases[] = {
        {zeros, 4, "PASSWORD.CPL", FALSE}, {five, 5, "PASSWORD.CPL", FALSE}, {nullptr, 0, "PASSWORD.CPL", FALSE},
        {one, 1, "MPR.DLL", FALSE}, {one, 1, "PASSWORD.CPL", TRUE}};
    ResetSaverState();
    HKEY desktop = nullptr;
    RegCreateKeyA(HKEY_CURRENT_USER, "Control Panel\\Desktop", &desktop);
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.Library) + " " + std::to_string(c.Size));
        PlaceSystemFile("PASSWORD.CPL", fakes + c.Library);
        RegDeleteValueA(desktop, "ScreenSaveUsePassword");
        if (c.Bytes != nullptr)
            RegSetValueExA(desktop, "ScreenSaveUsePassword", 0, REG_BINARY, c.Bytes, c.Size);
        SetSaverRunning(!c.On);
        LoadPasswordLibrary();
        const HMODULE library = GetModuleHandleA("PASSWORD.CPL");
        EXPECT_TRUE(SaverState.PasswordLibrary == library && (library != nullptr) == (c.On != FALSE));
        EXPECT_EQ(reinterpret_cast<void *>(SaverState.VerifyPassword),
                  library ? reinterpret_cast<void *>(GetProcAddress(library, "VerifyScreenSavePwd")) : nullptr);
        EXPECT_TRUE(SaverRunning());
        UnloadPasswordLibrary();
        EXPECT_EQ(GetModuleHandleA("PASSWORD.CPL"), nullptr);
        EXPECT_EQ(SaverRunning(), !c.On);
    }
    PlaceSystemFile("PASSWORD.CPL", "");
    RegDeleteValueA(desktop, "ScreenSaveUsePassword");
    RegCloseKey(desktop);
}

// Read at run time, so that the store below is a real access violation.
volatile int *volatile Nowhere = nullptr;

// The prefix's filter lets the guard handle a fault: the running state goes off.
TEST(ExceptionGuard, FaultEndsWithTheRunningStateOff)
{
    SetSaverRunning(TRUE);
    EXPECT_NE(RunInExceptionGuard([](const char *) { *Nowhere = 1; return 0; }, ""), 0);
    EXPECT_FALSE(SaverRunning());
}

} // namespace
