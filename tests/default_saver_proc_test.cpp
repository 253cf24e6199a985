// The close rules of the saver window, driven through a real window whose
// procedure is DefaultSaverProc, with a verification function of the test's
// own standing in for the system's.
#include "shell/default_saver_proc.h"
#include "shell/saver_module.h"
#include "tests/test_windows.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr char TestClassName[] = "TelvCloseRulesTest";

// The test's clock for the re-ask guard.
DWORD FakeTick;
DWORD WINAPI ReadFakeTick()
{
    return FakeTick;
}

// What the test's verification function does and what it saw.
struct VerificationScript {
    BOOL Result;
    DWORD TicksSpent;             // added to the clock while "the dialog is open"
    bool SendsCloseWhileOpen;     // a further close request during the check
    bool PressesKeyWhileOpen;     // a key press during the check
    bool ShowsCursor;             // the dialog puts an arrow cursor up
    int Calls;
    LONG VerifyingSeen;
    LRESULT NestedCloseResult;
    int NestedClosesPosted;
};
VerificationScript Script;

BOOL WINAPI TestVerification(HWND window)
{
    ++Script.Calls;
    Script.VerifyingSeen = SaverState.Verifying;
    if (Script.ShowsCursor)
        SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    if (Script.SendsCloseWhileOpen)
        Script.NestedCloseResult = SendMessageA(window, WM_CLOSE, 0, 0);
    if (Script.PressesKeyWhileOpen) {
        SendMessageA(window, WM_KEYDOWN, 'A', 0);
        SendMessageA(window, WM_LBUTTONDOWN, 0, 0);
        Script.NestedClosesPosted = CountPosted(window, WM_CLOSE);
    }
    FakeTick += Script.TicksSpent;
    return Script.Result;
}

class CloseRules : public testing::Test {
protected:
    void SetUp() override
    {
        ResetSaverState();
        const HINSTANCE instance = SaverState.Instance;
        CloseRulesTickSource = ReadFakeTick;
        FakeTick = 100000;
        Script = VerificationScript{};

        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefaultSaverProc;
        wc.hInstance = instance;
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc.lpszClassName = TestClassName;
        RegisterClassA(&wc);
        window = CreateWindowExA(0, TestClassName, "Screen Saver", WS_POPUP, 0, 0, 100, 100,
                                 nullptr, nullptr, instance, nullptr);
        ASSERT_NE(window, nullptr);
        SaverState.SaverWindow = window;
        DrainMessages();
    }

    void TearDown() override
    {
        if (IsWindow(window))
            DestroyWindow(window);
        DrainMessages();
        UnregisterClassA(TestClassName, SaverState.Instance);
        CloseRulesTickSource = GetTickCount;
    }

    // Puts the cursor at (x, y) and lets the window see a mouse move.
    int MoveCursorTo(int x, int y)
    {
        SetCursorPos(x, y);
        SendMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(1, 1));
        return CountPosted(window, WM_CLOSE);
    }

    void AnchorAt(int x, int y)
    {
        SetCursorPos(x, y);
        GetCursorPos(&SaverState.CursorAnchor);
        ASSERT_EQ(SaverState.CursorAnchor.x, x);
        ASSERT_EQ(SaverState.CursorAnchor.y, y);
    }

    void Protect(BOOL result)
    {
        SaverState.VerifyPassword = TestVerification;
        Script.Result = result;
    }

    HWND window = nullptr;
};

TEST_F(CloseRules, MouseMoveClosesOnlyBeyondFourPixels)
{
    AnchorAt(200, 200);
    EXPECT_EQ(MoveCursorTo(203, 201), 0) << "distance 4";
    EXPECT_EQ(SaverState.CursorAnchor.x, 200);
    EXPECT_EQ(SaverState.CursorAnchor.y, 200);
    EXPECT_EQ(MoveCursorTo(203, 202), 1) << "distance 5";
    EXPECT_EQ(SaverState.CursorAnchor.x, 203);
    EXPECT_EQ(SaverState.CursorAnchor.y, 202);

    AnchorAt(200, 200);
    EXPECT_EQ(MoveCursorTo(197, 198), 1) << "distance 5 up and left";
    EXPECT_TRUE(IsWindow(window)) << "moves only post the request";
}

TEST_F(CloseRules, SmallMovesAddUpAgainstTheAnchor)
{
    AnchorAt(300, 250);
    EXPECT_EQ(MoveCursorTo(301, 250), 0);
    EXPECT_EQ(MoveCursorTo(302, 250), 0);
    EXPECT_EQ(MoveCursorTo(302, 251), 0);
    EXPECT_EQ(MoveCursorTo(303, 251), 0);
    EXPECT_EQ(MoveCursorTo(303, 252), 1);
    EXPECT_EQ(SaverState.CursorAnchor.x, 303);
    EXPECT_EQ(SaverState.CursorAnchor.y, 252);
    EXPECT_EQ(MoveCursorTo(304, 252), 0) << "measured from the new anchor";
}

TEST_F(CloseRules, MoveWithoutRealMovementDoesNotClose)
{
    AnchorAt(150, 120);
    for (int i = 0; i < 5; ++i) {
        SetCursorPos(150, 120);
        SendMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(90, 90));
    }
    EXPECT_EQ(CountPosted(window, WM_CLOSE), 0) << "the message's own position is not used";
}

TEST_F(CloseRules, PressesPostOneCloseAndOtherInputNone)
{
    struct Case {
        UINT Message;
        WPARAM WParam;
        int Closes;
    };
    const std::vector<Case> cases = {
        {WM_KEYDOWN, 'A', 1},         {WM_SYSKEYDOWN, 'A', 1},
        {WM_LBUTTONDOWN, MK_LBUTTON, 1}, {WM_RBUTTONDOWN, MK_RBUTTON, 1},
        {WM_MBUTTONDOWN, MK_MBUTTON, 1}, {WM_LBUTTONDBLCLK, MK_LBUTTON, 0},
        {WM_RBUTTONDBLCLK, MK_RBUTTON, 0}, {WM_MBUTTONDBLCLK, MK_MBUTTON, 0},
        {WM_LBUTTONUP, 0, 0},         {WM_RBUTTONUP, 0, 0},
        {WM_MBUTTONUP, 0, 0},         {WM_KEYUP, 'A', 0},
        {WM_CHAR, 'a', 0},            {WM_DEADCHAR, 'a', 0},
    };
    for (const Case &c : cases) {
        SendMessageA(window, c.Message, c.WParam, 0);
        MSG msg = {};
        int closes = 0;
        while (PeekMessageA(&msg, window, WM_CLOSE, WM_CLOSE, PM_REMOVE)) {
            ++closes;
            EXPECT_EQ(msg.wParam, 0u);
            EXPECT_EQ(msg.lParam, 0);
        }
        EXPECT_EQ(closes, c.Closes) << "message 0x" << std::hex << c.Message;
    }
    EXPECT_TRUE(IsWindow(window));
}

TEST_F(CloseRules, CursorIsHiddenOnSetCursorAndShow)
{
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    EXPECT_EQ(SendMessageA(window, WM_SETCURSOR, (WPARAM)window, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)), 1);
    EXPECT_EQ(GetCursor(), nullptr);

    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    SendMessageA(window, WM_SHOWWINDOW, FALSE, 0);
    EXPECT_NE(GetCursor(), nullptr) << "hiding the window leaves the cursor";
    SendMessageA(window, WM_SHOWWINDOW, TRUE, 0);
    EXPECT_EQ(GetCursor(), nullptr);
}

TEST_F(CloseRules, WithoutProtectionTheFirstCloseApprovesAtOnce)
{
    EXPECT_EQ(SendMessageA(window, WM_CLOSE, 0, 0), 0);
    EXPECT_EQ(SaverState.CloseApproved, 1);
    EXPECT_FALSE(IsWindow(window)) << "the default processing destroys the window";
    EXPECT_EQ(SaverState.LastVerifyTick, NoVerifyTick) << "nothing was verified";
}

TEST_F(CloseRules, WithProtectionTheFirstCloseAsks)
{
    Protect(FALSE);
    Script.TicksSpent = 5000;
    EXPECT_EQ(SendMessageA(window, WM_CLOSE, 0, 0), 0);
    EXPECT_EQ(Script.Calls, 1);
    EXPECT_EQ(Script.VerifyingSeen, 1);
    EXPECT_EQ(SaverState.Verifying, 0);
    EXPECT_EQ(SaverState.CloseApproved, 0);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(SaverState.LastVerifyTick, 105000u) << "counted from the end of the check";
}

TEST_F(CloseRules, ApprovalKeepsTheVerificationResultAndDestroys)
{
    Protect(7);
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(Script.Calls, 1);
    EXPECT_EQ(SaverState.CloseApproved, 7);
    EXPECT_FALSE(IsWindow(window));

    // Once approved, input takes only the default processing.
    window = CreateWindowExA(0, TestClassName, "Screen Saver", WS_POPUP, 0, 0, 100, 100, nullptr,
                             nullptr, SaverState.Instance, nullptr);
    SendMessageA(window, WM_KEYDOWN, 'A', 0);
    EXPECT_EQ(CountPosted(window, WM_CLOSE), 0);
}

TEST_F(CloseRules, ReaskGuardCountsTwoHundredMillisecondsUnsigned)
{
    for (DWORD start : {100000u, 0xFFFFFF00u, 0xFFFFFFF0u}) {
        SaverState.LastVerifyTick = NoVerifyTick;
        Protect(FALSE);
        Script.Calls = 0;
        FakeTick = start;
        Script.TicksSpent = 0x60;
        SendMessageA(window, WM_CLOSE, 0, 0);
        ASSERT_EQ(Script.Calls, 1);
        const DWORD end = start + 0x60;
        EXPECT_EQ(SaverState.LastVerifyTick, end);
        Script.TicksSpent = 0;

        FakeTick = end + 199;
        EXPECT_EQ(SendMessageA(window, WM_CLOSE, 0, 0), 0);
        EXPECT_EQ(Script.Calls, 1) << "199 ms after " << std::hex << end;
        EXPECT_EQ(SaverState.CloseApproved, 0);
        EXPECT_TRUE(IsWindow(window));

        FakeTick = end + 200;
        SendMessageA(window, WM_CLOSE, 0, 0);
        EXPECT_EQ(Script.Calls, 2) << "200 ms after " << std::hex << end;
        EXPECT_EQ(SaverState.LastVerifyTick, end + 200);
    }
}

TEST_F(CloseRules, ReaskGuardAgainstTheRealClock)
{
    CloseRulesTickSource = GetTickCount;
    Protect(FALSE);
    SendMessageA(window, WM_CLOSE, 0, 0);
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(Script.Calls, 1) << "at once again: refused without asking";
    Sleep(400);
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(Script.Calls, 2);
}

TEST_F(CloseRules, CloseDuringTheCheckIsRefusedAndDoesNotAskTwice)
{
    Protect(1);
    Script.SendsCloseWhileOpen = true;
    Script.PressesKeyWhileOpen = true;
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(Script.Calls, 1);
    EXPECT_EQ(Script.NestedCloseResult, 0);
    EXPECT_EQ(Script.NestedClosesPosted, 0) << "input during the check posts nothing";
    EXPECT_EQ(SaverState.CloseApproved, 1);
    EXPECT_FALSE(IsWindow(window)) << "the outer request still closes";
}

TEST_F(CloseRules, AtMostTwoPendingTicksAreRemoved)
{
    const HWND other = CreateWindowExA(0, TestClassName, "Other", WS_POPUP, 0, 0, 10, 10, nullptr,
                                       nullptr, SaverState.Instance, nullptr);
    PostMessageA(other, WM_TIMER, 9, 0);
    PostMessageA(window, WM_TIMER, 1, 0);
    PostMessageA(window, WM_USER + 5, 0, 0);
    PostMessageA(window, WM_TIMER, 2, 0);
    PostMessageA(window, WM_TIMER, 3, 0);
    PostMessageA(window, WM_PAINT + 0x400, 0, 0);
    Protect(FALSE);
    SendMessageA(window, WM_CLOSE, 0, 0);
    ASSERT_EQ(Script.Calls, 1);

    std::vector<std::pair<HWND, UINT>> left;
    std::vector<WPARAM> ticks;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        left.emplace_back(msg.hwnd, msg.message);
        if (msg.message == WM_TIMER)
            ticks.push_back(msg.wParam);
    }
    const std::vector<std::pair<HWND, UINT>> expected = {
        {other, WM_TIMER}, {window, WM_USER + 5}, {window, WM_TIMER}, {window, WM_PAINT + 0x400}};
    EXPECT_EQ(left, expected);
    EXPECT_EQ(ticks, (std::vector<WPARAM>{9, 3}));
    DestroyWindow(other);
}

TEST_F(CloseRules, RefusedCloseHidesTheCursorAndReanchors)
{
    Protect(FALSE);
    Script.ShowsCursor = true;
    SaverState.CursorAnchor = {10, 10};
    SetCursorPos(321, 123);
    EXPECT_EQ(SendMessageA(window, WM_CLOSE, 0, 0), 0);
    EXPECT_EQ(GetCursor(), nullptr);
    EXPECT_EQ(SaverState.CursorAnchor.x, 321);
    EXPECT_EQ(SaverState.CursorAnchor.y, 123);
    EXPECT_TRUE(IsWindow(window));
}

TEST_F(CloseRules, RefusedCloseDuringGuardAlsoReanchors)
{
    Protect(FALSE);
    SendMessageA(window, WM_CLOSE, 0, 0);
    SetCursorPos(222, 111);
    FakeTick += 10;
    EXPECT_EQ(SendMessageA(window, WM_CLOSE, 0, 0), 0);
    EXPECT_EQ(Script.Calls, 1);
    EXPECT_EQ(SaverState.CursorAnchor.x, 222);
    EXPECT_EQ(SaverState.CursorAnchor.y, 111);
}

TEST_F(CloseRules, VerificationMessageAnswersWithoutAFunction)
{
    EXPECT_EQ(SendMessageA(window, VerifyPasswordMessage, 0, 0), 1);
    Protect(FALSE);
    EXPECT_EQ(SendMessageA(window, VerifyPasswordMessage, 0, 0), 0);
    Protect(5);
    EXPECT_EQ(SendMessageA(window, VerifyPasswordMessage, 0, 0), 5);
}

TEST_F(CloseRules, PreviewIgnoresInputAndClosesWithoutAsking)
{
    SaverState.IsPreview = 1;
    Protect(FALSE);
    AnchorAt(100, 100);
    EXPECT_EQ(MoveCursorTo(180, 190), 0);
    for (UINT message : {WM_KEYDOWN, WM_SYSKEYDOWN, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN})
        SendMessageA(window, message, 0, 0);
    EXPECT_EQ(CountPosted(window, WM_CLOSE), 0);
    EXPECT_TRUE(IsWindow(window));
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(Script.Calls, 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(SaverState.CloseApproved, 0);
}

// Real input: the cursor moves over a shown window and the queued messages
// are dispatched as the saver's loop does.
TEST_F(CloseRules, RealMouseMovementEndsTheSaver)
{
    DestroyWindow(window);
    window = CreateWindowExA(WS_EX_TOPMOST, TestClassName, "Screen Saver", WS_POPUP | WS_VISIBLE, 0,
                             0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                             nullptr, nullptr, SaverState.Instance, nullptr);
    SaverState.SaverWindow = window;
    AnchorAt(400, 300);
    DispatchFor(500);
    SetCursorPos(402, 302);
    DispatchFor(500);
    EXPECT_TRUE(IsWindow(window)) << "4 pixels away";
    SetCursorPos(403, 302);
    DispatchFor(500);
    EXPECT_FALSE(IsWindow(window)) << "5 pixels away";
    EXPECT_EQ(SaverState.CloseApproved, 1);
}

} // namespace
