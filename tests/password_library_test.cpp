// The password library on the real registry with real library loading:
// the test-built "PASSWORD.CPL" and "MPR.DLL" are found through the
// program's DLL search folder and log their calls.
#include "shell/password_library.h"

#include "shell/saver_module.h"
#include "tests/saver_process.h"

#include <gtest/gtest.h>

namespace {

class PasswordLibrary : public testing::Test {
protected:
    void SetUp() override
    {
        folder = PrepareSaverFolder("password-library", true, true);
        SetDllDirectoryA(folder.c_str());
        SetRouterLoadOrder("native,builtin");
        UINT scratch = 0;
        SystemParametersInfoA(SPI_SCREENSAVERRUNNING, FALSE, &scratch, 0);
    }
    void TearDown() override
    {
        UnloadPasswordLibrary();
        SetDllDirectoryA(nullptr);
        SetPasswordSwitch(nullptr, 0);
    }

    // Loads with the switch as given and reports whether protection applies.
    bool LoadsWith(const void *bytes, DWORD size, DWORD type = REG_BINARY)
    {
        SetPasswordSwitch(bytes, size, type);
        LoadPasswordLibrary();
        return SaverState.VerifyPassword != nullptr;
    }

    std::string folder;
};

TEST_F(PasswordLibrary, SwitchIsReadAsAtMostFourBytesOfAnyType)
{
    const BYTE fourZeros[4] = {0, 0, 0, 0};
    const BYTE oneByteOn[1] = {1};
    const BYTE fiveBytes[5] = {1, 0, 0, 0, 0};
    const DWORD dwordOn = 1;
    const BYTE highByteOn[4] = {0, 0, 0, 1};
    struct Case {
        const void *Bytes;
        DWORD Size;
        DWORD Type;
        bool Protects;
        const char *Why;
    };
    for (const Case &c : {Case{fourZeros, 4, REG_BINARY, false, "four zeros"},
                          Case{oneByteOn, 1, REG_BINARY, true, "one byte on"},
                          Case{fiveBytes, 5, REG_BINARY, false, "five bytes"},
                          Case{&dwordOn, 4, REG_DWORD, true, "a number"},
                          Case{highByteOn, 4, REG_BINARY, true, "the high byte on"},
                          Case{"1", 2, REG_SZ, true, "any type: the text \"1\" reads as a nonzero number"},
                          Case{nullptr, 0, REG_BINARY, false, "a missing value is off"}}) {
        EXPECT_EQ(LoadsWith(c.Bytes, c.Size, c.Type), c.Protects) << c.Why;
        UnloadPasswordLibrary();
    }
}

TEST_F(PasswordLibrary, OffLoadsNothingAndLeavesRunningStateAlone)
{
    const BYTE fourZeros[4] = {0, 0, 0, 0};
    SetSaverRunning(TRUE);
    EXPECT_FALSE(LoadsWith(fourZeros, 4));
    EXPECT_EQ(SaverState.PasswordLibrary, nullptr);
    EXPECT_EQ(GetModuleHandleA("PASSWORD.CPL"), nullptr);
    EXPECT_TRUE(SaverRunningState()) << "never switched";
    UnloadPasswordLibrary();
    EXPECT_TRUE(SaverRunningState());
    SetSaverRunning(FALSE);
    EXPECT_TRUE(ReadCallLog(folder).empty());
}

TEST_F(PasswordLibrary, OnLoadsVerifierAndSwitchesRunningStateUntilUnload)
{
    const DWORD on = 1;
    ASSERT_TRUE(LoadsWith(&on, 4, REG_DWORD));
    HMODULE library = GetModuleHandleA("PASSWORD.CPL");
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(SaverState.PasswordLibrary, library);
    EXPECT_EQ(reinterpret_cast<void *>(SaverState.VerifyPassword),
              reinterpret_cast<void *>(GetProcAddress(library, "VerifyScreenSavePwd")));
    EXPECT_TRUE(SaverRunningState());

    // The loaded function is the library's: it logs the state it sees.
    HWND window = CreateWindowExA(0, "STATIC", "probe", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    EXPECT_TRUE(SaverState.VerifyPassword(window));
    DestroyWindow(window);

    UnloadPasswordLibrary();
    EXPECT_EQ(SaverState.PasswordLibrary, nullptr);
    EXPECT_EQ(SaverState.VerifyPassword, nullptr);
    EXPECT_EQ(GetModuleHandleA("PASSWORD.CPL"), nullptr);
    EXPECT_FALSE(SaverRunningState());

    std::vector<std::string> log = ReadCallLog(folder);
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[0], "attach");
    EXPECT_EQ(log[1].rfind("verify ", 0), 0u);
    EXPECT_NE(log[1].find("running=1"), std::string::npos);
    // Freed first, then the state goes off.
    EXPECT_EQ(log[3], "detach running=1");
}

TEST_F(PasswordLibrary, LoadingAgainUnloadsFirst)
{
    const DWORD on = 1;
    ASSERT_TRUE(LoadsWith(&on, 4, REG_DWORD));
    LoadPasswordLibrary();
    EXPECT_NE(SaverState.VerifyPassword, nullptr);
    UnloadPasswordLibrary();
    EXPECT_EQ(GetModuleHandleA("PASSWORD.CPL"), nullptr) << "loaded once at a time";
    std::vector<std::string> log = ReadCallLog(folder);
    EXPECT_EQ(log, (std::vector<std::string>{"attach", "detach running=1", "attach", "detach running=1"}));
}

TEST_F(PasswordLibrary, LibraryWithoutVerifierIsFreedAgain)
{
    // The router library has no verification function: take it for the
    // password library.
    CopyFileA((folder + "\\MPR.DLL").c_str(), (folder + "\\PASSWORD.CPL").c_str(), FALSE);
    const DWORD on = 1;
    EXPECT_FALSE(LoadsWith(&on, 4, REG_DWORD));
    EXPECT_EQ(SaverState.PasswordLibrary, nullptr);
    EXPECT_EQ(GetModuleHandleA("PASSWORD.CPL"), nullptr);
    EXPECT_FALSE(SaverRunningState());
}

TEST_F(PasswordLibrary, SetSaverRunningSwitchesTheSystemState)
{
    EXPECT_NE(SetSaverRunning(TRUE), 0);
    EXPECT_TRUE(SaverRunningState());
    EXPECT_NE(SetSaverRunning(FALSE), 0);
    EXPECT_FALSE(SaverRunningState());
}

TEST_F(PasswordLibrary, ChangePasswordCallsRouterWithProviderAndParent)
{
    HWND parent = CreateWindowExA(0, "STATIC", "parent", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    ChangePassword(parent);
    DestroyWindow(parent);
    std::vector<std::string> log = ReadCallLog(folder);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0], "change SCRSAVE " + HandleText(parent) + " 0 0");
    EXPECT_EQ(GetModuleHandleA("MPR.DLL"), nullptr) << "freed again";
}

} // namespace
