// The built saver with the system's password scheme: a test-built
// "PASSWORD.CPL" and "MPR.DLL" beside the program log their calls and
// answer as told; faults in them exercise the exception guard of the real
// program.
#include "tests/saver_process.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class PasswordProcess : public SaverProcessTest {
protected:
    void SetUp() override
    {
        SetCursorPos(50, 50);
        SetRouterLoadOrder("native,builtin");
    }
    void TearDown() override
    {
        SaverProcessTest::TearDown();
        SetPasswordSwitch(nullptr, 0);
        SetEnvironmentVariableA("TELV_FAKE_ANSWERS", nullptr);
        SetEnvironmentVariableA("TELV_FAKE_STAY", nullptr);
    }

    // A fresh folder with both test libraries, and the password switch on
    // as a single byte.
    void PrepareProtected(const char *name)
    {
        folder = PrepareSaverFolder(name, true, true);
        const BYTE on[1] = {1};
        SetPasswordSwitch(on, 1);
    }

    std::vector<std::string> Verifications()
    {
        std::vector<std::string> calls;
        for (const std::string &line : ReadCallLog(folder))
            if (line.rfind("verify ", 0) == 0)
                calls.push_back(line);
        return calls;
    }
};

TEST_F(PasswordProcess, CloseAsksOnceStaysWhenRefusedAndAsksAgainAfterTheGuard)
{
    PrepareProtected("password-on");
    // First answer: refuse, and request another close at once, which comes
    // within 200 ms and must be refused without asking. Then approve.
    SetEnvironmentVariableA("TELV_FAKE_ANSWERS", "r1");

    HANDLE process = nullptr;
    HWND window = StartFullScreen(process);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(ReadCallLog(folder), (std::vector<std::string>{"attach"}));

    Xdotool("key a");
    EXPECT_EQ(WaitForExit(process, 2000), STILL_ACTIVE) << "a refused close keeps the saver";
    std::vector<std::string> calls = Verifications();
    ASSERT_EQ(calls.size(), 1u) << "asked once; the close right after is refused without asking";
    EXPECT_EQ(calls[0].rfind("verify " + HandleText(window) + " WindowsScreenSaverClass running=1 ", 0), 0u)
        << calls[0];

    Xdotool("key b");
    EXPECT_EQ(WaitForExit(process, ExitTimeout), 0u);
    calls = Verifications();
    EXPECT_EQ(calls.size(), 2u);
    EXPECT_NE(calls[1].find(" running=1 "), std::string::npos) << "still on while the saver runs";
    std::vector<std::string> log = ReadCallLog(folder);
    ASSERT_FALSE(log.empty());
    // The library is freed after the loop, before the state goes off (the
    // state itself belongs to the saver's process; the in-process tests
    // see it go off).
    EXPECT_EQ(log.back(), "detach running=1");
}

TEST_F(PasswordProcess, RunningStateIsOffWhenTheSaverHasEnded)
{
    PrepareProtected("password-stay");
    SetEnvironmentVariableA("TELV_FAKE_STAY", "1");
    HANDLE process = nullptr;
    ASSERT_NE(StartFullScreen(process), nullptr);
    Xdotool("key a");
    EXPECT_EQ(WaitForExit(process, ExitTimeout), 0u);
    std::vector<std::string> log = ReadCallLog(folder);
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[0], "attach");
    EXPECT_NE(log[1].find(" running=1 "), std::string::npos) << log[1];
    EXPECT_EQ(log[2], "verify-end");
    EXPECT_EQ(log[3], "detach running=0") << "switched off after the loop, before the process ended";
}

TEST_F(PasswordProcess, SwitchOffOrMissingLoadsNothing)
{
    const BYTE fourZeros[4] = {0, 0, 0, 0};
    const BYTE fiveBytes[5] = {1, 1, 1, 1, 1};
    struct Case {
        const void *Bytes;
        DWORD Size;
    };
    for (Case c : {Case{fourZeros, 4}, Case{fiveBytes, 5}, Case{nullptr, 0}}) {
        folder = PrepareSaverFolder("password-off", true, true);
        SetPasswordSwitch(c.Bytes, c.Size);
        HANDLE process = nullptr;
        ASSERT_NE(StartFullScreen(process), nullptr);
        Xdotool("key a");
        EXPECT_EQ(WaitForExit(process, ExitTimeout), 0u) << "the first close is approved at once";
        EXPECT_TRUE(ReadCallLog(folder).empty()) << "size " << c.Size;
    }
}

TEST_F(PasswordProcess, PreviewAndConfigurationNeverLoadThePasswordLibrary)
{
    folder = PrepareSaverFolder("password-preview", true, true);
    const DWORD on = 1;
    SetPasswordSwitch(&on, 4, REG_DWORD);
    HANDLE process = Start("/p " + HandleText(GetDesktopWindow()));
    HWND preview = WaitForPreview(GetDesktopWindow());
    ASSERT_NE(preview, nullptr);
    PostMessageA(preview, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForExit(process, ExitTimeout), 0u);
    EXPECT_TRUE(ReadCallLog(folder).empty());

    process = Start("/c");
    HWND dialog = WaitForDialog(process);
    ASSERT_NE(dialog, nullptr);
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(WaitForExit(process, ExitTimeout), 0u);
    EXPECT_TRUE(ReadCallLog(folder).empty());

    process = Start("/a");
    EXPECT_EQ(WaitForExit(process, ExitTimeout), 0u);
    std::vector<std::string> log = ReadCallLog(folder);
    ASSERT_EQ(log.size(), 1u) << "the router only";
    EXPECT_EQ(log[0].rfind("change SCRSAVE ", 0), 0u);
}

TEST_F(PasswordProcess, ChangePasswordCallsRouterWithProviderAndParent)
{
    folder = PrepareSaverFolder("change", false, true);
    HWND parent = CreateWindowExA(0, "STATIC", "parent", WS_POPUP | WS_VISIBLE, 10, 10, 50, 50, nullptr, nullptr,
                                  nullptr, nullptr);
    ASSERT_NE(parent, nullptr);
    SetForegroundWindow(parent);
    HWND foreground = GetForegroundWindow();

    HANDLE process = Start("/a " + HandleText(parent));
    EXPECT_EQ(WaitForExit(process, ExitTimeout), 0u);
    process = Start("/a");
    EXPECT_EQ(WaitForExit(process, ExitTimeout), 0u);
    process = Start("-A 1");
    EXPECT_EQ(WaitForExit(process, ExitTimeout), 0u);
    EXPECT_EQ(ReadCallLog(folder), (std::vector<std::string>{
                                       "change SCRSAVE " + HandleText(parent) + " 0 0",
                                       "change SCRSAVE " + HandleText(foreground) + " 0 0",
                                       "change SCRSAVE " + HandleText(foreground) + " 0 0",
                                   }));
    DestroyWindow(parent);
}

TEST_F(PasswordProcess, ChangePasswordEndsWithZeroWithoutTheRouter)
{
    folder = PrepareSaverFolder("change-missing", false, false);
    // No router beside the program, and the system's own missing too.
    SetRouterLoadOrder("");
    HANDLE process = Start("/a");
    EXPECT_EQ(WaitForExit(process, ExitTimeout), 0u);
    SetRouterLoadOrder("native,builtin");
}

TEST_F(PasswordProcess, FaultInChangePasswordEndsThroughTheGuard)
{
    folder = PrepareSaverFolder("change-fault", false, true);
    SetEnvironmentVariableA("TELV_FAKE_ANSWERS", "f");
    HANDLE process = Start("/a");
    // The guard's result: switching the running state off succeeded.
    EXPECT_EQ(WaitForExit(process, ExitTimeout), 1u);
    std::vector<std::string> log = ReadCallLog(folder);
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].rfind("change SCRSAVE ", 0), 0u) << "the router was reached";
    EXPECT_EQ(log[1], "detach running=0") << "the guard switched the state off; the library stayed loaded";
}

TEST_F(PasswordProcess, FaultInVerificationEndsThroughTheGuard)
{
    PrepareProtected("verify-fault");
    SetEnvironmentVariableA("TELV_FAKE_ANSWERS", "f");
    HANDLE process = nullptr;
    ASSERT_NE(StartFullScreen(process), nullptr);
    Xdotool("key a");
    EXPECT_EQ(WaitForExit(process, ExitTimeout), 1u) << "the guard's result: the state went off";
    std::vector<std::string> calls = Verifications();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_NE(calls[0].find(" running=1 "), std::string::npos);
    std::vector<std::string> log = ReadCallLog(folder);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "detach running=0") << "switched off by the guard, freed only as the process ended";
}

} // namespace
