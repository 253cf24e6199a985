// The configuration dialog, run modally from its real template with its real
// procedure, driven by real messages and keyboard input, over real profile
// files in the Windows directory.
#include "settings/settings_file.h"

#include "resources/resource_ids.h"
#include "settings/settings_file.h"
#include "shell/saver_module.h"
#include "tests/settings_fixture.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using DialogStep = std::function<void(HWND dialog)>;

// Milliseconds between two steps of a script.
constexpr UINT StepInterval = 60;
// Ticks a finished script waits for the dialog to end before giving up.
constexpr int PatienceTicks = 80;
// End code the driver uses when the dialog did not end by itself.
constexpr INT_PTR TimedOut = 77;

// The script of one modal run: one step per timer tick, inside the dialog's
// own modal loop.
struct DialogDriver {
    const std::vector<DialogStep> *Steps;
    size_t Next;
    int Waited;
};
DialogDriver Driver;

BOOL CALLBACK FindConfigDialog(HWND window, LPARAM found)
{
    char caption[64] = {};
    GetWindowTextA(window, caption, sizeof caption);
    if (std::string(caption) == "Telv Screensaver" && IsWindowVisible(window)) {
        *reinterpret_cast<HWND *>(found) = window;
        return FALSE;
    }
    return TRUE;
}

HWND ConfigDialogWindow()
{
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindConfigDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

VOID CALLBACK DriveDialog(HWND, UINT, UINT_PTR, DWORD)
{
    HWND dialog = ConfigDialogWindow();
    if (!dialog)
        return;
    if (Driver.Next < Driver.Steps->size()) {
        (*Driver.Steps)[Driver.Next++](dialog);
        return;
    }
    if (++Driver.Waited > PatienceTicks)
        EndDialog(dialog, TimedOut);
}

// Runs the dialog as the shell does and plays the steps; gives its end code.
INT_PTR RunConfigDialog(const std::vector<DialogStep> &steps)
{
    Driver = {&steps, 0, 0};
    const UINT_PTR timer = SetTimer(nullptr, 0, StepInterval, DriveDialog);
    const INT_PTR code = DialogBoxParamA(SaverState.Instance, MAKEINTRESOURCEA(IDD_CONFIGURE), nullptr,
                                         ScreenSaverConfigureDialog, 0);
    KillTimer(nullptr, timer);
    EXPECT_EQ(Driver.Next, steps.size()) << "the dialog ended before its script did";
    return code;
}

std::string EditText(HWND dialog)
{
    char text[80] = {};
    GetWindowTextA(GetDlgItem(dialog, IDC_COUNT), text, sizeof text);
    return text;
}

// An arrow of the spinner, as the scroll bar reports it to its dialog.
void Arrow(HWND dialog, WORD code)
{
    SendMessageA(dialog, WM_VSCROLL, MAKEWPARAM(code, 0), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_SPINNER)));
}

void Click(HWND dialog, int id)
{
    SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void Type(HWND dialog, const char *text)
{
    SetWindowTextA(GetDlgItem(dialog, IDC_COUNT), text);
}

// A key pressed and released on the real keyboard input queue.
void PressKey(WORD key)
{
    INPUT input[2] = {};
    input[0].type = INPUT_KEYBOARD;
    input[0].ki.wVk = key;
    input[1] = input[0];
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, input, sizeof(INPUT));
}

// A left click at a screen point on the real mouse input queue.
void ClickAt(POINT at)
{
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    INPUT input[3] = {};
    for (INPUT &i : input) {
        i.type = INPUT_MOUSE;
        i.mi.dx = (at.x * 65536 + width / 2) / width;
        i.mi.dy = (at.y * 65536 + height / 2) / height;
        i.mi.dwFlags = MOUSEEVENTF_ABSOLUTE;
    }
    input[0].mi.dwFlags |= MOUSEEVENTF_MOVE;
    input[1].mi.dwFlags |= MOUSEEVENTF_LEFTDOWN;
    input[2].mi.dwFlags |= MOUSEEVENTF_LEFTUP;
    SendInput(3, input, sizeof(INPUT));
}

// A point inside the spinner's upper or lower arrow, in screen pixels.
POINT SpinnerArrow(HWND dialog, bool upper)
{
    RECT r = {};
    GetWindowRect(GetDlgItem(dialog, IDC_SPINNER), &r);
    const int arrow = GetSystemMetrics(SM_CYVSCROLL);
    const int reach = std::min<int>(arrow, (r.bottom - r.top) / 2);
    POINT p = {(r.left + r.right) / 2, upper ? r.top + reach / 2 : r.bottom - 1 - reach / 2};
    return p;
}

void Nothing(HWND) {}

// Runs the dialog: notes the count shown, then gives each arrow request and
// notes the count again, and ends with the button; gives the end code.
INT_PTR RunArrows(std::initializer_list<WORD> requests, int button, std::vector<std::string> &shown)
{
    std::vector<DialogStep> steps = {[&shown](HWND d) { shown.push_back(EditText(d)); }};
    for (WORD request : requests)
        steps.push_back([&shown, request](HWND d) {
            Arrow(d, request);
            shown.push_back(EditText(d));
        });
    steps.push_back([button](HWND d) { Click(d, button); });
    return RunConfigDialog(steps);
}

class ConfigDialog : public FreshSettingsFile<> {
protected:

    // The text under "balls" as it is on disk now; "(none)" when missing.
    std::string StoredText()
    {
        FlushProfileCache(path);
        char text[80] = {};
        GetPrivateProfileStringA("telv", "balls", "(none)", text, sizeof text, path.c_str());
        return text;
    }

    bool FileExists() { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
};

TEST(ConfigClassHook, RegistersNothingAndSaysGoOn)
{
    EXPECT_EQ(ConfigClassHook(SaverState.Instance), TRUE);
}

TEST_F(ConfigDialog, WithoutFileShowsTenAndOkStoresTen)
{
    std::string shown;
    const INT_PTR code = RunConfigDialog({
        [&](HWND d) { shown = EditText(d); },
        [&](HWND d) { Click(d, IDOK); },
    });
    EXPECT_EQ(code, 1);
    EXPECT_EQ(shown, "10");
    ASSERT_TRUE(FileExists());
    const std::string text = ReadProfile(path);
    EXPECT_NE(text.find("[telv]"), std::string::npos) << text;
    EXPECT_NE(text.find("balls=10"), std::string::npos) << text;
    EXPECT_EQ(StoredText(), "10");
    EXPECT_EQ(BallCount, 10);
}

TEST_F(ConfigDialog, StoredCountOutsideTheRangeOpensAtTen)
{
    const struct {
        const char *Stored;
        const char *Shown;
    } cases[] = {{"0", "10"}, {"61", "10"}, {"-3", "10"}, {"30", "30"}, {"1", "1"}, {"60", "60"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Stored);
        StoreBalls(c.Stored);
        const std::string before = ReadProfile(path);
        std::string shown;
        const INT_PTR code = RunConfigDialog({
            [&](HWND d) { shown = EditText(d); },
            [&](HWND d) { Click(d, IDCANCEL); },
        });
        EXPECT_EQ(code, 0);
        EXPECT_EQ(shown, c.Shown);
        EXPECT_EQ(ReadProfile(path), before) << "Cancel changed the file";
    }
}

TEST_F(ConfigDialog, ArrowsStepByOneWithinOneToSixty)
{
    StoreBalls("60");
    std::vector<std::string> shown;
    const INT_PTR code = RunArrows(
        {SB_LINEUP, SB_LINEDOWN, SB_LINEDOWN, SB_LINEUP, SB_ENDSCROLL, SB_PAGEUP, SB_THUMBPOSITION}, IDCANCEL, shown);
    EXPECT_EQ(code, 0);
    const std::vector<std::string> want = {"60", "60", "59", "58", "59", "59", "59", "59"};
    EXPECT_EQ(shown, want);
    EXPECT_EQ(StoredText(), "60") << "Cancel after arrow clicks wrote the file";
}

TEST_F(ConfigDialog, LowerArrowStopsAtOne)
{
    StoreBalls("1");
    std::vector<std::string> shown;
    const INT_PTR code = RunArrows({SB_LINEDOWN, SB_LINEDOWN, SB_LINEUP}, IDOK, shown);
    EXPECT_EQ(code, 1);
    const std::vector<std::string> want = {"1", "1", "1", "2"};
    EXPECT_EQ(shown, want);
    EXPECT_EQ(StoredText(), "2");
}

// The arrows step from the dialog's count, not from what was typed.
TEST_F(ConfigDialog, ArrowAfterTypingStepsFromTheCount)
{
    std::string shown;
    const INT_PTR code = RunConfigDialog({
        [&](HWND d) { Type(d, "30"); },
        [&](HWND d) { Arrow(d, SB_LINEUP); shown = EditText(d); },
        [&](HWND d) { Click(d, IDOK); },
    });
    EXPECT_EQ(code, 1);
    EXPECT_EQ(shown, "11");
    EXPECT_EQ(StoredText(), "11");
}

// Mouse clicks on the scroll bar's own arrows, through the real input queue.
TEST_F(ConfigDialog, MouseClicksOnTheArrows)
{
    std::vector<std::string> shown;
    auto look = [&](HWND d) { shown.push_back(EditText(d)); };
    const INT_PTR code = RunConfigDialog({
        [&](HWND d) { ClickAt(SpinnerArrow(d, true)); },
        Nothing,
        [&](HWND d) { look(d); ClickAt(SpinnerArrow(d, false)); },
        Nothing,
        [&](HWND d) { look(d); ClickAt(SpinnerArrow(d, false)); },
        Nothing,
        [&](HWND d) { look(d); Click(d, IDCANCEL); },
    });
    EXPECT_EQ(code, 0);
    const std::vector<std::string> want = {"11", "10", "9"};
    EXPECT_EQ(shown, want);
    EXPECT_FALSE(FileExists()) << "Cancel wrote a file";
}

TEST_F(ConfigDialog, OkReadsTheTypedCount)
{
    const struct {
        const char *Typed;
        const char *Stored;
    } cases[] = {
        {"", "1"},      {"0", "1"},       {"75", "60"},   {"007", "7"},  {"12345", "60"},
        {"  42", "42"}, {"+5", "5"},      {"-3", "1"},    {"4x", "4"},   {"60", "60"},
        {"1", "1"},     {"59", "59"},     {"\t 9", "9"},  {"-", "1"},    {"+", "1"},
        {"x5", "1"},    {"+-5", "1"},     {"- 5", "1"},   {"0060", "60"}, {"00071", "7"},
        {"    7", "1"},  {"   7", "7"},  {"99999999999", "60"}, {"-99999999999", "1"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string("typed \"") + c.Typed + "\"");
        StoreBalls("25");
        const INT_PTR code = RunConfigDialog({
            [&](HWND d) { Type(d, c.Typed); },
            [&](HWND d) { Click(d, IDOK); },
        });
        EXPECT_EQ(code, 1);
        EXPECT_EQ(StoredText(), c.Stored);
        EXPECT_EQ(std::to_string(BallCount), c.Stored);
    }
}

TEST_F(ConfigDialog, CancelWritesNothing)
{
    const INT_PTR code = RunConfigDialog({
        [&](HWND d) { Arrow(d, SB_LINEUP); },
        [&](HWND d) { Type(d, "33"); },
        [&](HWND d) { Click(d, IDCANCEL); },
    });
    EXPECT_EQ(code, 0);
    EXPECT_FALSE(FileExists());
}

TEST_F(ConfigDialog, OtherCommandsLeaveTheDialogOpen)
{
    bool open = false;
    const INT_PTR code = RunConfigDialog({
        [&](HWND d) {
            SendMessageA(d, WM_COMMAND, MAKEWPARAM(IDC_COUNT, EN_CHANGE), 0);
            SendMessageA(d, WM_COMMAND, MAKEWPARAM(IDC_SPINNER, 0), 0);
        },
        [&](HWND d) { open = IsWindowVisible(d) != FALSE; Click(d, IDCANCEL); },
    });
    EXPECT_TRUE(open);
    EXPECT_EQ(code, 0);
    EXPECT_FALSE(FileExists());
}

TEST_F(ConfigDialog, FocusStartsOnOkAndTabGoesCancelEditOk)
{
    std::vector<int> focus;
    auto look = [&](HWND) { focus.push_back(GetDlgCtrlID(GetFocus())); };
    const INT_PTR code = RunConfigDialog({
        [&](HWND d) { look(d); PressKey(VK_TAB); },
        [&](HWND d) { look(d); PressKey(VK_TAB); },
        [&](HWND d) { look(d); PressKey(VK_TAB); },
        [&](HWND d) { look(d); Click(d, IDCANCEL); },
    });
    EXPECT_EQ(code, 0);
    const std::vector<int> want = {IDOK, IDCANCEL, IDC_COUNT, IDOK};
    EXPECT_EQ(focus, want);
}

TEST_F(ConfigDialog, EnterOnOkStores)
{
    StoreBalls("25");
    const INT_PTR code = RunConfigDialog({
        [&](HWND d) { Arrow(d, SB_LINEUP); },
        [&](HWND) { PressKey(VK_RETURN); },
    });
    EXPECT_EQ(code, 1);
    EXPECT_EQ(StoredText(), "26");
}

TEST_F(ConfigDialog, EnterInTheEditStoresWhatWasTyped)
{
    StoreBalls("25");
    std::string shown;
    const INT_PTR code = RunConfigDialog({
        [&](HWND d) { SetFocus(GetDlgItem(d, IDC_COUNT)); Type(d, ""); },
        [&](HWND) { PressKey('4'); PressKey('X'); PressKey('2'); },
        [&](HWND d) { shown = EditText(d); PressKey(VK_RETURN); },
    });
    EXPECT_EQ(code, 1);
    EXPECT_EQ(shown, "42") << "the edit takes digits only";
    EXPECT_EQ(StoredText(), "42");
}

TEST_F(ConfigDialog, EscapeCancelsAfterArrowsAndTyping)
{
    StoreBalls("25");
    const INT_PTR code = RunConfigDialog({
        [&](HWND d) { Arrow(d, SB_LINEUP); Arrow(d, SB_LINEUP); },
        [&](HWND d) { SetFocus(GetDlgItem(d, IDC_COUNT)); Type(d, "50"); },
        [&](HWND) { PressKey(VK_ESCAPE); },
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(StoredText(), "25");
}

// The procedure's own answers, called in the real dialog window: TRUE for the
// start and for OK and Cancel, FALSE for everything it leaves to the platform.
TEST_F(ConfigDialog, ProcedureAnswers)
{
    StoreBalls("30");
    std::vector<BOOL> answers;
    std::string shownAfterRestart;
    const INT_PTR code = RunConfigDialog({
        [&](HWND d) {
            const LPARAM spinner = reinterpret_cast<LPARAM>(GetDlgItem(d, IDC_SPINNER));
            answers.push_back(ScreenSaverConfigureDialog(d, WM_VSCROLL, SB_LINEUP, spinner));
            answers.push_back(ScreenSaverConfigureDialog(d, WM_COMMAND, MAKEWPARAM(IDC_COUNT, EN_CHANGE), 0));
            answers.push_back(ScreenSaverConfigureDialog(d, WM_USER, 0, 0));
            answers.push_back(ScreenSaverConfigureDialog(d, WM_INITDIALOG, 0, 0));
            shownAfterRestart = EditText(d);
        },
        [&](HWND d) { answers.push_back(ScreenSaverConfigureDialog(d, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0)); },
    });
    EXPECT_EQ(code, 0);
    const std::vector<BOOL> want = {FALSE, FALSE, FALSE, TRUE, TRUE};
    EXPECT_EQ(answers, want);
    EXPECT_EQ(shownAfterRestart, "30") << "the start reads the file again";
    EXPECT_EQ(StoredText(), "30");
}

// The controls stand where the template puts them, in dialog units of the
// dialog's font, and every text fits the control that shows it.
TEST_F(ConfigDialog, ControlTextsFitTheirControls)
{
    struct Fit {
        int Id;
        std::string Text;
        SIZE Needed;
        SIZE Room;
    };
    std::vector<Fit> fits;
    const INT_PTR code = RunConfigDialog({
        [&](HWND d) {
            HDC dc = GetDC(d);
            HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(d, WM_GETFONT, 0, 0)));
            for (int id : {IDC_COPYRIGHT, IDC_EMAIL, IDC_WEB, IDOK, IDCANCEL, IDC_BALLS_GROUP}) {
                HWND control = GetDlgItem(d, id);
                char text[128] = {};
                GetWindowTextA(control, text, sizeof text);
                RECT needed = {0, 0, 0, 0};
                DrawTextA(dc, text, -1, &needed, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
                RECT room = {};
                GetClientRect(control, &room);
                fits.push_back({id, text, {needed.right, needed.bottom}, {room.right, room.bottom}});
            }
            SelectObject(dc, old);
            ReleaseDC(d, dc);
        },
        [&](HWND d) { Click(d, IDCANCEL); },
    });
    EXPECT_EQ(code, 0);
    ASSERT_EQ(fits.size(), 6u);
    for (const Fit &f : fits) {
        SCOPED_TRACE(f.Text);
        EXPECT_FALSE(f.Text.empty());
        EXPECT_LE(f.Needed.cx, f.Room.cx);
        if (f.Id != IDC_BALLS_GROUP) {
            EXPECT_LE(f.Needed.cy, f.Room.cy);
        }
    }
}

TEST_F(ConfigDialog, ControlsStandAtTheirTemplateRectangles)
{
    // Left, top, width and height in dialog units: the dialog manager maps
    // the position and the size each on their own.
    const struct {
        int Id;
        RECT Units;
    } placed[] = {
        {IDC_BALLS_GROUP, {5, 6, 90, 40}},   {IDOK, {103, 9, 40, 14}},     {IDCANCEL, {103, 32, 40, 14}},
        {IDC_COPYRIGHT, {15, 68, 95, 8}},    {IDC_EMAIL, {37, 80, 87, 8}}, {IDC_WEB, {37, 90, 104, 8}},
        {IDC_SPINNER, {32, 22, 10, 12}},     {IDC_COUNT, {16, 22, 16, 12}},
    };
    std::vector<std::pair<RECT, RECT>> seen;
    RECT client = {}, wantClient = {0, 0, 152, 114};
    const INT_PTR code = RunConfigDialog({
        [&](HWND d) {
            GetClientRect(d, &client);
            MapDialogRect(d, &wantClient);
            for (const auto &p : placed) {
                RECT mapped = p.Units;
                MapDialogRect(d, &mapped);
                RECT want = {mapped.left, mapped.top, mapped.left + mapped.right, mapped.top + mapped.bottom};
                RECT got = {};
                GetWindowRect(GetDlgItem(d, p.Id), &got);
                MapWindowPoints(nullptr, d, reinterpret_cast<POINT *>(&got), 2);
                seen.push_back({want, got});
            }
        },
        [&](HWND d) { Click(d, IDCANCEL); },
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(client.right, wantClient.right);
    EXPECT_EQ(client.bottom, wantClient.bottom);
    ASSERT_EQ(seen.size(), std::size(placed));
    for (size_t i = 0; i < seen.size(); ++i) {
        SCOPED_TRACE(placed[i].Id);
        EXPECT_TRUE(EqualRect(&seen[i].first, &seen[i].second))
            << seen[i].second.left << "," << seen[i].second.top << "," << seen[i].second.right << ","
            << seen[i].second.bottom;
    }
}

} // namespace
