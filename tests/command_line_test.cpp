// The command-line scan, the decimal window handle, the start-up's view of
// the process command line, and the exception guard, in process.
#include "shell/command_line.h"
#include "shell/exception_guard.h"

#include "shell/saver_module.h"
#include "tests/test_windows.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct ScanCase {
    const char *Line;
    RunMode Mode;
    const char *HandleText;
};

const ScanCase ScanCases[] = {
    {"", RunMode::ConfigureUnowned, nullptr},
    {"-", RunMode::ConfigureUnowned, nullptr},
    {"/ /", RunMode::ConfigureUnowned, nullptr},
    {" - / ", RunMode::ConfigureUnowned, nullptr},
    {"/s", RunMode::FullScreen, nullptr},
    {"-S", RunMode::FullScreen, nullptr},
    {"s", RunMode::FullScreen, nullptr},
    {"//--s", RunMode::FullScreen, nullptr},
    {"/sx", RunMode::FullScreen, nullptr},
    {"/c", RunMode::ConfigureOwned, nullptr},
    {"c:123", RunMode::ConfigureOwned, nullptr},
    {"C", RunMode::ConfigureOwned, nullptr},
    {"/p 1234", RunMode::Preview, "1234"},
    {"/p1234", RunMode::Preview, "1234"},
    {"/p     1234", RunMode::Preview, "1234"},
    {"/l 1234", RunMode::Preview, "1234"},
    {"/P 7", RunMode::Preview, "7"},
    {"-L9", RunMode::Preview, "9"},
    {"/p", RunMode::Preview, ""},
    {"/p\t5", RunMode::Preview, "\t5"},
    {"/a", RunMode::ChangePassword, ""},
    {"/A 55", RunMode::ChangePassword, "55"},
    {"a  66 x", RunMode::ChangePassword, "66 x"},
    {"/x", RunMode::Unrecognised, nullptr},
    {"/1", RunMode::Unrecognised, nullptr},
    {"/:", RunMode::Unrecognised, nullptr},
    {"/\ts", RunMode::Unrecognised, nullptr},
    {"\xF3", RunMode::Unrecognised, nullptr},
    {"/\x80s", RunMode::Unrecognised, nullptr},
    {"+s", RunMode::Unrecognised, nullptr},
};

TEST(CommandLine, ScanChoosesModeByFirstMeaningfulCharacter)
{
    for (const ScanCase &c : ScanCases) {
        CommandChoice choice = ScanCommandLine(c.Line);
        EXPECT_EQ(static_cast<int>(choice.Mode), static_cast<int>(c.Mode)) << "line \"" << c.Line << "\"";
        if (c.HandleText == nullptr)
            EXPECT_EQ(choice.HandleText, nullptr) << "line \"" << c.Line << "\"";
        else
            EXPECT_STREQ(choice.HandleText, c.HandleText) << "line \"" << c.Line << "\"";
    }
}

TEST(CommandLine, UnrecognisedLinesEndWithMinusOne)
{
    ResetSaverState();
    for (const char *line : {"/x", "/1", "/:", "/\ts", "\xFF"})
        EXPECT_EQ(RunCommandLine(line), -1) << line;
    // Nothing was loaded or created on the way.
    EXPECT_EQ(SaverState.SaverWindow, nullptr);
    EXPECT_EQ(SaverState.PasswordLibrary, nullptr);
}

TEST(CommandLine, PreviewWithoutAWindowEndsWithMinusOne)
{
    ResetSaverState();
    for (const char *line : {"/p", "/p 0", "/p abc", "/p -5", "/p 0x1A", "/p 4294967297", "/p 4294967295"})
        EXPECT_EQ(RunCommandLine(line), -1) << line;
    EXPECT_EQ(SaverState.SaverWindow, nullptr);
    EXPECT_EQ(SaverState.IsPreview, 0);
}

TEST(ParseWindowHandle, ReadsLeadingDecimalDigits)
{
    const struct {
        const char *Text;
        DWORD Value;
    } cases[] = {{"1234", 1234u}, {"12ab", 12u}, {"007", 7u},   {"", 0u},     {"abc", 0u},
                 {"-5", 0u},      {"+5", 0u},    {" 5", 0u},    {"0x1A", 0u}, {"4294967295", 4294967295u}};
    for (const auto &c : cases)
        EXPECT_EQ(ParseWindowHandle(c.Text), c.Value) << '"' << c.Text << '"';
}

TEST(ParseWindowHandle, WrapsAt32Bits)
{
    EXPECT_EQ(ParseWindowHandle("4294967296"), 0u);
    EXPECT_EQ(ParseWindowHandle("4294967297"), 1u);
    EXPECT_EQ(ParseWindowHandle("42949672960"), 0u);
    EXPECT_EQ(ParseWindowHandle("99999999999"), static_cast<DWORD>(99999999999ULL));
}

TEST(StartUp, SkipsProgramNameAndBlanks)
{
    EXPECT_STREQ(SkipProgramName("telv.scr /s"), "/s");
    EXPECT_STREQ(SkipProgramName("telv.scr \t  /s"), "/s");
    EXPECT_STREQ(SkipProgramName("\"C:\\Program Files\\telv.scr\" /p 12"), "/p 12");
    EXPECT_STREQ(SkipProgramName("\"C:\\a b\\telv.scr\"/s"), "/s");
    EXPECT_STREQ(SkipProgramName("\"unterminated name /s"), "");
    EXPECT_STREQ(SkipProgramName("telv.scr"), "");
    EXPECT_STREQ(SkipProgramName(""), "");
    // An unquoted name ends at the first blank, even inside later quotes.
    EXPECT_STREQ(SkipProgramName("te\"lv x\" /s"), "x\" /s");
    // Every character from 1 to 32 behind the name is skipped.
    EXPECT_STREQ(SkipProgramName("telv.scr\x01\x1F\x20\x0A/s"), "/s");
    // Bytes from 0x80 up belong to the name.
    EXPECT_STREQ(SkipProgramName("Bildschirmschoner\xE4.scr /s"), "/s");
}

// The head of this thread's exception chain.
void *ExceptionChainHead()
{
    void *head;
    __asm__ __volatile__("movl %%fs:0, %0" : "=r"(head));
    return head;
}

int ReturnsSeven(const char *)
{
    return 7;
}

int CountCalls;
// Read at run time, so that the store below is a real access violation.
volatile int *volatile Nowhere = nullptr;

int FaultsAfterCounting(const char *)
{
    ++CountCalls;
    *Nowhere = 1;
    ++CountCalls;
    return 5;
}

// The platform's filter is consulted with the real fault: a top-level filter
// that the program set is part of its verdict.
LONG WINAPI RecordingFilter(EXCEPTION_POINTERS *pointers)
{
    CountCalls += 100;
    // An error exception; under an emulating CPU the system may name the
    // bad store an illegal instruction rather than an access violation.
    EXPECT_EQ(pointers->ExceptionRecord->ExceptionCode & 0xC0000000u, 0xC0000000u);
    return EXCEPTION_CONTINUE_SEARCH;
}

TEST(ExceptionGuard, SystemFilterAnswersHandleWithoutADebugger)
{
    // The test prefix names a debugger that cannot start, as on a machine
    // without one: the system's filter then lets the program handle it.
    EXCEPTION_RECORD record = {};
    record.ExceptionCode = EXCEPTION_ACCESS_VIOLATION;
    CONTEXT context = {};
    RtlCaptureContext(&context);
    EXCEPTION_POINTERS pointers = {&record, &context};
    EXPECT_EQ(UnhandledExceptionFilter(&pointers), EXCEPTION_EXECUTE_HANDLER);
}

TEST(ExceptionGuard, PassesTheBodysResultThrough)
{
    EXPECT_EQ(RunInExceptionGuard(ReturnsSeven, ""), 7);
}

TEST(ExceptionGuard, HandledAccessViolationSwitchesRunningStateOff)
{
    UINT scratch = 0;
    SystemParametersInfoA(SPI_SCREENSAVERRUNNING, TRUE, &scratch, 0);
    void *chainBefore = ExceptionChainHead();

    CountCalls = 0;
    LPTOP_LEVEL_EXCEPTION_FILTER previous = SetUnhandledExceptionFilter(RecordingFilter);
    int result = RunInExceptionGuard(FaultsAfterCounting, "");
    SetUnhandledExceptionFilter(previous);

    EXPECT_EQ(CountCalls, 101) << "the body stops at the fault, the system's filter was asked";
    EXPECT_NE(result, 0) << "the result of switching the running state off";
    BOOL running = TRUE;
    SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0);
    EXPECT_FALSE(running);
    EXPECT_EQ(ExceptionChainHead(), chainBefore) << "the guard's frame is off the chain";

    // The guard works again after a handled exception.
    EXPECT_EQ(RunInExceptionGuard(ReturnsSeven, ""), 7);
}

} // namespace
