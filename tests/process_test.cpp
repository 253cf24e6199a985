// The real telv.scr started with real command lines, driven by X input, in
// host windows of this test and beside the test-built password libraries:
// every mode, the password scheme, and several monitors.
#include "tests/saver_process.h"

namespace {

// Each full-screen line runs until its own kind of input ends it with 0: a
// key, a button (a side button too), a move, a close, another program's
// window in the foreground.
TEST_F(SaverProcess, FullScreenLinesRunTheSaverUntilInputEndsIt)
{
    const struct { const char *Arguments, *Input; } cases[] = {
        {"/s", "key a"}, {"-S", "click 1"}, {"s", "move"}, {"//--s", "close"}, {"/sx", "key alt"},
        {"/s", "click 8"}, {"/S", "foreground"}};
    for (const auto &c : cases) {
        const auto [process, window] = StartFullScreen(c.Arguments);
        ASSERT_NE(window, nullptr) << c.Arguments;
        EndSaver(process, window, c.Input, POINT{100, 100});
        EXPECT_EQ(WaitForExit(process, ExitTimeout), 0u) << c.Input;
        DestroyWindow(FindWindowA("H", ""));
    }
    EXPECT_EQ(Log(), Lines{}) << "without the password switch no library is loaded";
}

// An unusable line ends at once with -1 (anything shown would wait for the
// user); a configuration line shows the dialog with its owner; OK ends with 1.
TEST_F(SaverProcess, LinesWithoutASaverWindow)
{
    for (const char *arguments : {"/x", "/1", "/:", "/\ts", "/p", "/p 0", "/p abc", "/p 4294967297"})
        EXPECT_EQ(WaitForExit(Start(arguments), ExitTimeout), static_cast<DWORD>(-1)) << arguments;

    SetPasswordSwitch(true);
    HWND foreground = MakeHost(20, 20, 60, 60);
    const struct { const char *Arguments; HWND Owner; int Button; } cases[] = {
        {"", nullptr, IDCANCEL}, {"/ /", nullptr, IDOK}, {"c:123", foreground, IDOK}, {"/c", foreground, IDCANCEL}};
    for (const auto &c : cases) {
        SetForegroundWindow(foreground);
        HANDLE process = Start(c.Arguments);
        HWND dialog = WaitForWindowOf(process, "#32770");
        ASSERT_NE(dialog, nullptr) << '"' << c.Arguments << '"';
        EXPECT_EQ(GetWindow(dialog, GW_OWNER), c.Owner) << '"' << c.Arguments << '"';
        PostMessageA(dialog, WM_COMMAND, c.Button, 0);
        EXPECT_EQ(WaitForExit(process, ExitTimeout), c.Button == IDOK ? 1u : 0u) << '"' << c.Arguments << '"';
    }
    EXPECT_EQ(Log(), Lines{});
    DestroyWindow(foreground);
}

// A preview fills its host, ignores input, sends help on (wParam the host)
// and posts context menus, ends with 0; on the desktop it shows its picture.
TEST_F(SaverProcess, PreviewFillsItsHostAndHandsItHelpAndMenus)
{
    SetPasswordSwitch(true);
    const struct { const char *Prefix; bool DestroyHost; } cases[] = {{"/p ", false}, {"/l ", true}, {"/p", false}};
    for (const auto &c : cases) {
        HWND host = MakeHost(300, 200, 152, 112);
        const std::string h = HandleText(host);
        HANDLE process = Start(c.Prefix + h);
        HWND preview = WaitForPreview(host);
        ASSERT_NE(preview, nullptr) << c.Prefix;
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(preview, GWL_STYLE)), 0x52000000u);
        EXPECT_EQ(GetWindowLongA(preview, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
        RECT placed = {};
        GetWindowRect(preview, &placed);
        EXPECT_EQ((std::vector<LONG>{placed.left, placed.top, placed.right, placed.bottom}),
                  (std::vector<LONG>{300, 200, 452, 312}));
        PostMessageA(preview, WM_KEYDOWN, 'A', 0);
        Xdotool("mousemove 370 250 click 1 mousemove 390 270 key b");
        EXPECT_EQ(WaitForExit(process, 1500), STILL_ACTIVE) << c.Prefix;

        HELPINFO help = {sizeof help, HELPINFO_WINDOW, 77, nullptr, 0, {11, 22}};
        EXPECT_EQ(SendMessageA(preview, WM_HELP, 0, reinterpret_cast<LPARAM>(&help)), 1);
        EXPECT_EQ(SendMessageA(preview, WM_CONTEXTMENU, 0, MAKELPARAM(33, 44)), 1);
        EXPECT_EQ(HostLog, Lines{"help " + h + " 77"});
        PumpFor(300);
        EXPECT_EQ(HostLog, (Lines{"help " + h + " 77", "menu " + h + " " + std::to_string(MAKELPARAM(33, 44))}));
        if (c.DestroyHost)
            DestroyWindow(host);
        else
            PostMessageA(preview, WM_CLOSE, 0, 0);
        EXPECT_EQ(WaitForExit(process, ExitTimeout), 0u) << c.Prefix;
        DestroyWindow(host);
    }
    EXPECT_EQ(Log(), Lines{});
}

// The preview ends within a second of its host window being gone, however
// it goes: destroyed by the host at several moments from the start (before
// and after the preview's window exists), the host killed, or hung and then
// killed. The stand-in host destroys its window on WM_APP after wParam
// milliseconds and stops answering on WM_APP + 1.
TEST_F(SaverProcess, PreviewEndsWithItsHost)
{
    const struct { const char *How; DWORD At; } cases[] = {
        {"destroyed", 0}, {"destroyed", 300}, {"destroyed", 700}, {"destroyed", 2500},
        {"killed", 700}, {"killed", 2500}, {"hung", 700}};
    for (const auto &c : cases) {
        const std::string label = std::string(c.How) + " at " + std::to_string(c.At) + " ms";
        HANDLE host = started.emplace_back(StartProgram("\"" + ProgramFolder() + "\\preview_host.exe\""));
        HWND hostWindow = WaitForWindowOf(host, "TelvHost");
        ASSERT_NE(hostWindow, nullptr) << label;
        HANDLE saver = Start("/p " + HandleText(hostWindow));
        if (c.How == std::string("destroyed")) {
            PostMessageA(hostWindow, WM_APP, c.At, 0);
        } else {
            PumpFor(c.At);
            if (c.How == std::string("hung"))
                PostMessageA(hostWindow, WM_APP + 1, 0, 0);
            PumpFor(c.How == std::string("hung") ? 2000 : 0);
            TerminateProcess(host, 1);
        }
        for (const DWORD start = GetTickCount(); IsWindow(hostWindow) && GetTickCount() - start < StartTimeout;)
            Sleep(10);
        EXPECT_FALSE(IsWindow(hostWindow)) << label;
        EXPECT_EQ(WaitForSingleObject(saver, 1000), WAIT_OBJECT_0) << "the preview outlived its host " << label;
    }
}

// A protected close asks and stays when refused, is refused unasked at once
// after, asks again later, also when another program takes the foreground,
// and a second start brings the saver forward; a fault in the check ends
// through the guard.
TEST_F(SaverProcess, PasswordProtectedCloses)
{
    SetPasswordSwitch(true, "r01", "stay");
    const auto [process, window] = StartFullScreen();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(Log(), Lines{"attach"});
    for (const char *input : {"key a", "foreground"}) {
        EndSaver(process, window, input, POINT{100, 100});
        EXPECT_EQ(WaitForExit(process, 2000), STILL_ACTIVE) << "a refused close keeps the saver: " << input;
    }
    EXPECT_EQ(WaitForExit(Start("/s"), ExitTimeout), 0u);
    EXPECT_EQ(ForegroundOnceItIs(window), window);
    Xdotool("key b");
    EXPECT_EQ(WaitForExit(process, ExitTimeout), 0u);
    const std::string verify = Verified(window);
    EXPECT_EQ(Log(), (Lines{"attach", verify, "verify-end", verify, "verify-end", verify, "verify-end",
                            "detach running=0"}));
    DestroyWindow(FindWindowA("H", ""));

    RemoveFile(log);
    SetPasswordSwitch(true, "f");
    const auto [faulting, faultingWindow] = StartFullScreen();
    ASSERT_NE(faultingWindow, nullptr);
    Xdotool("key a");
    EXPECT_EQ(WaitForExit(faulting, ExitTimeout), 1u) << "the result of switching the running state off";
    EXPECT_EQ(Log(), (Lines{"attach", Verified(faultingWindow), "detach running=0"})) << "the guard freed nothing";
}

// Any program can post or send the power message with any value where its
// data should be: nothing at all, a small number, a block the saver freed,
// one cut short by unreadable memory, one that names another setting. The
// saver keeps running and drawing, and then ends the normal way: at once,
// or, protected, only when the verification lets it, after one refusal.
TEST_F(SaverProcess, PowerMessagesFromAnyProgram)
{
    const GUID powerSource = {0x5D3E9A59, 0xE9D5, 0x4B00, {0xA6, 0xBD, 0xFF, 0x34, 0xFF, 0x51, 0x65, 0x48}};
    const DisplayStateSetting other = {powerSource, sizeof(DWORD), DisplayOff};
    const DisplayStateSetting off = {ConsoleDisplayState, sizeof(DWORD), DisplayOff};
    SYSTEM_INFO system = {};
    GetSystemInfo(&system);
    const SIZE_T page = system.dwPageSize;
    for (const bool locked : {false, true}) {
        RemoveFile(log);
        SetPasswordSwitch(locked, "01", "stay");
        const auto [process, window] = StartFullScreen();
        ASSERT_NE(window, nullptr);
        // In the saver's own memory: a readable page with an unreadable one
        // behind it, and a block made and freed again.
        auto *pages = static_cast<BYTE *>(VirtualAllocEx(process, nullptr, 2 * page, MEM_RESERVE, PAGE_NOACCESS));
        VirtualAllocEx(process, pages, page, MEM_COMMIT, PAGE_READWRITE);
        WriteProcessMemory(process, pages, &other, sizeof other, nullptr);
        WriteProcessMemory(process, pages + page - 8, &off, 8, nullptr);
        void *freed = VirtualAllocEx(process, nullptr, page, MEM_COMMIT, PAGE_READWRITE);
        WriteProcessMemory(process, freed, &off, sizeof off, nullptr);
        VirtualFreeEx(process, freed, 0, MEM_RELEASE);
        const LPARAM values[] = {0, 0x10, reinterpret_cast<LPARAM>(freed), reinterpret_cast<LPARAM>(pages + page - 8),
                                 reinterpret_cast<LPARAM>(pages)};
        for (LPARAM value : values) {
            PostMessageA(window, WM_POWERBROADCAST, PowerSettingChange, value);
            DWORD_PTR answer = 0;
            EXPECT_NE(SendMessageTimeoutA(window, WM_POWERBROADCAST, PowerSettingChange, value, SMTO_ABORTIFHUNG,
                                          ExitTimeout, &answer), 0) << "the saver answers " << value;
        }
        const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
        const Pixels before = CaptureWindow(nullptr, 0, 0, width, height);
        EXPECT_EQ(WaitForExit(process, 500), STILL_ACTIVE) << (locked ? "protected" : "unprotected");
        EXPECT_NE(CaptureWindow(nullptr, 0, 0, width, height).Values, before.Values) << "the saver draws on";
        EXPECT_EQ(Log(), locked ? Lines{"attach"} : Lines{}) << "nothing asked to close";
        Xdotool("key a");
        if (locked) {
            EXPECT_EQ(WaitForExit(process, 2000), STILL_ACTIVE) << "the refusal keeps the saver";
            Xdotool("key b");
        }
        EXPECT_EQ(WaitForExit(process, ExitTimeout), 0u);
        const std::string verify = Verified(window);
        EXPECT_EQ(Log(), locked ? (Lines{"attach", verify, "verify-end", verify, "verify-end", "detach running=0"})
                                : Lines{});
    }
}

// The password change goes to the router with "SCRSAVE", the named or the
// foreground window, 0 and 0; without a router the mode still ends with 0.
TEST_F(SaverProcess, ChangePasswordHandsItsParentToTheRouter)
{
    SetPasswordSwitch(true);
    HWND named = GetDesktopWindow();
    HWND front = MakeHost(70, 10, 50, 50);
    SetForegroundWindow(front);
    ASSERT_EQ(GetForegroundWindow(), front);
    const struct { std::string Arguments; const char *Order; Lines Called; } cases[] = {
        {"/a " + HandleText(named), "native,builtin", {"change SCRSAVE " + HandleText(named) + " 0 0"}},
        {"/a", "native,builtin", {"change SCRSAVE " + HandleText(front) + " 0 0"}},
        {"/a", "", {}}};
    for (const auto &c : cases) {
        RemoveFile(log);
        SetUserValue(LoadOrders, "mpr", REG_SZ, c.Order, lstrlenA(c.Order) + 1);
        EXPECT_EQ(WaitForExit(Start(c.Arguments), ExitTimeout), 0u) << c.Arguments;
        EXPECT_EQ(Log(), c.Called) << c.Arguments << " with the router order \"" << c.Order << '"';
    }
    DestroyWindow(front);
}

// The dialog's buttons as the user meets them: "OK" above "Cancel", of one
// size, right of the "Balls" group; real clicks on the spinner's upper and
// lower arrow step the count shown; a click on OK stores it and ends with 1,
// on Cancel stores nothing and ends with 0.
TEST_F(SaverProcess, DialogButtonsUnderTheMouse)
{
    const std::string settings = WindowsFilePath("telv1.ini");
    const struct {
        std::vector<double> Arrows;  // where on the spinner, from its top (0) to its bottom (1)
        int Button;
        const char *Shown;
        DWORD Exit;
        const char *Stored;
    } cases[] = {{{0.25, 0.25, 0.75}, IDOK, "30 31 32 31", 1, "[telv]\r\nballs=31\r\nsmooth=0\r\n"},
                 {{0.75}, IDCANCEL, "30 29", 0, "[telv]\r\nballs=30\r\n"}};
    for (const auto &c : cases) {
        WriteFileBytes(settings, "[telv]\r\nballs=30\r\n");
        HANDLE process = Start("/c");
        HWND dialog = WaitForWindowOf(process, "#32770");
        ASSERT_NE(dialog, nullptr);
        RECT ok = {}, cancel = {}, group = {}, spinner = {}, smooth = {};
        GetWindowRect(GetDlgItem(dialog, IDC_SMOOTH), &smooth);
        GetWindowRect(GetDlgItem(dialog, IDOK), &ok);
        GetWindowRect(GetDlgItem(dialog, IDCANCEL), &cancel);
        GetWindowRect(GetDlgItem(dialog, IDC_BALLS_GROUP), &group);
        GetWindowRect(GetDlgItem(dialog, IDC_SPINNER), &spinner);
        char text[16] = "";
        GetDlgItemTextA(dialog, IDOK, text, sizeof text);
        EXPECT_STREQ(text, "OK");
        GetDlgItemTextA(dialog, IDCANCEL, text, sizeof text);
        EXPECT_STREQ(text, "Cancel");
        EXPECT_TRUE(ok.bottom < cancel.top && ok.left == cancel.left && group.right < ok.left);
        EXPECT_EQ(ok.right - ok.left, cancel.right - cancel.left);
        EXPECT_EQ(ok.bottom - ok.top, cancel.bottom - cancel.top);
        // OK is a plain push button, as the template has it: its edge is
        // drawn as Cancel's, without a default button's dark frame.
        EXPECT_EQ(GetWindowLongA(GetDlgItem(dialog, IDOK), GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON);
        RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        const int width = ok.right - ok.left, height = ok.bottom - ok.top;
        const Pixels okShown = CaptureWindow(nullptr, ok.left, ok.top, width, height);
        const Pixels cancelShown = CaptureWindow(nullptr, cancel.left, cancel.top, width, height);
        for (int i = 0; i < okShown.Width; ++i)
            EXPECT_TRUE(okShown.At(i, 0) == cancelShown.At(i, 0) &&
                        okShown.At(i, okShown.Height - 1) == cancelShown.At(i, okShown.Height - 1)) << "column " << i;
        // X's pixel (0, 0) is the virtual screen's top-left corner.
        auto click = [](LONG x, LONG y) {
            Xdotool("mousemove " + std::to_string(x - GetSystemMetrics(SM_XVIRTUALSCREEN)) + " " +
                    std::to_string(y - GetSystemMetrics(SM_YVIRTUALSCREEN)) + " click 1");
            PumpFor(300);
        };
        GetDlgItemTextA(dialog, IDC_COUNT, text, sizeof text);
        std::string shown = text;
        for (double at : c.Arrows) {
            click((spinner.left + spinner.right) / 2, spinner.top + LONG(at * (spinner.bottom - spinner.top)));
            GetDlgItemTextA(dialog, IDC_COUNT, text, sizeof text);
            shown += std::string(" ") + text;
        }
        EXPECT_EQ(shown, c.Shown);
        // The smooth-motion box, clicked on its left, where its square is.
        click(smooth.left + 5, (smooth.top + smooth.bottom) / 2);
        EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_SMOOTH), BST_UNCHECKED);
        const RECT &button = c.Button == IDOK ? ok : cancel;
        click((button.left + button.right) / 2, (button.top + button.bottom) / 2);
        EXPECT_EQ(WaitForExit(process, ExitTimeout), c.Exit) << c.Shown;
        EXPECT_EQ(ReadFileBytes(settings), c.Stored) << c.Shown;
    }
    RemoveFile(settings);
}

// The configuration mode in the user's display language: the real saver,
// started in each language it speaks and in Swedish, which it does not,
// shows its caption and Cancel button in that language (Swedish: English);
// OK stores the same file in every language.
TEST_F(SaverProcess, DialogInTheUsersLanguage)
{
    const struct { const char *Locale, *Texts; } cases[] = {
        {"sv_SE.UTF-8", "Telv Screensaver|Cancel"}, {"de_DE.UTF-8", "Telv-Bildschirmschoner|Abbrechen"},
        {"fr_FR.UTF-8", "Écran de veille Telv|Annuler"}, {"es_ES.UTF-8", "Protector de pantalla Telv|Cancelar"},
        {"it_IT.UTF-8", "Screen saver Telv|Annulla"}, {"pt_BR.UTF-8", "Proteção de tela Telv|Cancelar"},
        {"nl_NL.UTF-8", "Telv-schermbeveiliging|Annuleren"}, {"pl_PL.UTF-8", "Wygaszacz ekranu Telv|Anuluj"},
        {"tr_TR.UTF-8", "Telv Ekran Koruyucusu|İptal"}};
    const std::string folder = WindowsFilePath(""), settings = folder + "telv1.ini";
    for (const auto &c : cases) {
        RemoveFile(settings);
        StartFromShell(std::string("LC_ALL=") + c.Locale, "'" + ProgramFolder() + "\\telv.scr' /c", folder);
        HWND dialog = WaitForOtherWindow("#32770", folder);
        ASSERT_NE(dialog, nullptr) << c.Locale;
        EXPECT_EQ(TextOf(dialog) + "|" + TextOf(GetDlgItem(dialog, IDCANCEL)), c.Texts);
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        EXPECT_EQ(ShellExitCode(folder), "1") << c.Locale;
        EXPECT_EQ(ReadFileBytes(settings), "[telv]\r\nballs=10\r\nsmooth=1\r\n") << c.Locale;
    }
    RemoveFile(settings);
}

// The libraries' names planted beside the saver, or in its current folder,
// with none in the system directory: neither is ever loaded, so a key ends
// the protected saver at once and a password change calls nobody.
TEST_F(SaverProcess, LibrariesPlantedOutsideTheSystemDirectoryAreNeverLoaded)
{
    const std::string current = folder + "current\\";
    CreateDirectoryA(current.c_str(), nullptr);
    SetUserValue(LoadOrders, "mpr", REG_SZ, "native", 7);
    SetPasswordSwitch(true, "0");
    for (const std::string &planted : {folder, current}) {
        SCOPED_TRACE(planted);
        for (const char *library : Libraries) {
            PlaceSystemFile(library, "");
            CopyFileA((fakes + library).c_str(), (planted + library).c_str(), FALSE);
        }
        const auto [process, window] = StartFullScreen("/s", true, current.c_str());
        ASSERT_NE(window, nullptr);
        Xdotool("key a");
        EXPECT_EQ(WaitForExit(process, ExitTimeout), 0u);
        EXPECT_EQ(WaitForExit(Start("/a", current.c_str()), ExitTimeout), 0u);
        EXPECT_EQ(Log(), Lines{});
        for (const char *library : Libraries)
            RemoveFile(planted + library);
    }
    RemoveFile(current);
}

// The saver on two monitors: the primary and one other.
class Monitors : public SaverProcess {};

// One protected start: a click and a key on the other monitor ask to close
// and are refused, the click reaching no window below; a move there ends it.
TEST_F(Monitors, SaverCoversEveryMonitorAndInputOnTheOtherAsksToClose)
{
    const std::vector<RECT> monitors = MonitorRects();
    ASSERT_EQ(monitors.size(), 2u);
    const POINT middle = {(monitors[1].left + monitors[1].right) / 2, (monitors[1].top + monitors[1].bottom) / 2};
    HWND below = MakeHost(middle.x - 50, middle.y - 50, 100, 100);
    SetPasswordSwitch(true, "001", "stay");
    SetCursorPos(middle.x, middle.y);
    const auto [process, window] = StartFullScreen();
    ASSERT_NE(window, nullptr);
    for (const char *input : {"click 1", "key a"}) {
        Xdotool(input);
        EXPECT_EQ(WaitForExit(process, 1000), STILL_ACTIVE) << "a refused close keeps the saver";
    }
    EXPECT_EQ(HostLog, Lines{}) << "no click reaches the window below";
    EXPECT_NE(GetForegroundWindow(), below);
    EndSaver(process, window, "move", middle);
    EXPECT_EQ(WaitForExit(process, ExitTimeout), 0u);
    const std::string verify = Verified(window);
    EXPECT_EQ(Log(), (Lines{"attach", verify, "verify-end", verify, "verify-end", verify, "verify-end",
                            "detach running=0"}));
    DestroyWindow(below);
}

} // namespace
