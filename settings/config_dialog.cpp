// The configuration dialog: the ball count, set by the user with an edit
// field and a pair of arrows, and smooth motion, a check box; both stored on
// OK.
#include "resources/resource_ids.h"
#include "settings/settings_file.h"
#include "shell/saver_module.h"

namespace {

// The one dialog's controls and the text the count is shown and read in.
struct DialogControls {
    HWND CountEdit = nullptr;
    HWND CountSpinner = nullptr;
    char CountText[80] = "";
};

DialogControls Controls;

// The edit is read up to this many characters (and the terminator).
constexpr int TypedCountLimit = 5;

// Moves a count to the nearer end of 1..60 when it lies outside.
LONG ClampCount(LONG count)
{
    if (count < MinBallCount)
        return MinBallCount;
    if (count > MaxBalls)
        return MaxBalls;
    return count;
}

// White space as the C runtime's number conversion skips it.
bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Reads typed text as a decimal number: leading blanks, one optional sign,
// then digits up to the first other character; no digits give 0. The value
// stops growing once it is far past the range, so no text can overflow it.
LONG ParseTypedCount(const char *text)
{
    constexpr LONG Ceiling = 1000000;
    while (IsBlank(*text))
        ++text;
    bool negative = false;
    if (*text == '+' || *text == '-') {
        negative = *text == '-';
        ++text;
    }
    LONG value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        if (value < Ceiling)
            value = value * 10 + (*text - '0');
    }
    return negative ? -value : value;
}

// Shows the working count in the edit.
void ShowCount(LONG count)
{
    wsprintfA(Controls.CountText, "%ld", count);
    SetWindowTextA(Controls.CountEdit, Controls.CountText);
}

// Starts from the stored count; a stored value outside 1..60 means the file
// was not written by us, so the dialog starts over at the default.
BOOL InitConfigDialog(HWND dialog)
{
    LoadSettingsNames();
    BallCount = ReadStoredBallCount();
    if (BallCount > MaxBalls || BallCount < MinBallCount)
        BallCount = DefaultBallCount;
    Controls.CountSpinner = GetDlgItem(dialog, IDC_SPINNER);
    Controls.CountEdit = GetDlgItem(dialog, IDC_COUNT);
    SetScrollRange(Controls.CountSpinner, SB_CTL, MinBallCount, MaxBalls, FALSE);
    ShowCount(BallCount);
    CheckDlgButton(dialog, IDC_SMOOTH, ReadStoredSmoothMotion() ? BST_CHECKED : BST_UNCHECKED);
    return TRUE;
}

// The spinner's arrows step the working count by one within 1..60. They step
// from the count, not from the edit, so typed text is replaced here.
BOOL StepCount(WORD code)
{
    LONG count = BallCount;
    if (code == SB_LINEUP)
        ++count;
    else if (code == SB_LINEDOWN)
        --count;
    BallCount = ClampCount(count);
    ShowCount(BallCount);
    return FALSE;
}

// OK: takes the typed count, moved into 1..60, and the check box, and stores
// both for the next start of the saver.
void ConfirmCount(HWND dialog)
{
    GetWindowTextA(Controls.CountEdit, Controls.CountText, TypedCountLimit);
    BallCount = ClampCount(ParseTypedCount(Controls.CountText));
    wsprintfA(Controls.CountText, "%ld", BallCount);
    WriteStoredBallCount(Controls.CountText);
    WriteStoredSmoothMotion(IsDlgButtonChecked(dialog, IDC_SMOOTH) == BST_CHECKED);
    EndDialog(dialog, IDOK);
}

// OK stores and ends with 1; Cancel ends with 0 and leaves the file alone.
BOOL HandleCommand(HWND dialog, WORD id)
{
    switch (id) {
    case IDOK:
        ConfirmCount(dialog);
        return TRUE;
    case IDCANCEL:
        EndDialog(dialog, 0);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

// The dialog procedure of template 2003; the saver program exports it by
// name.
extern "C" INT_PTR CALLBACK ScreenSaverConfigureDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return InitConfigDialog(dialog);
    case WM_VSCROLL:
        return StepCount(LOWORD(wParam));
    case WM_COMMAND:
        return HandleCommand(dialog, LOWORD(wParam));
    default:
        return FALSE;
    }
}

// Every control of the dialog is of a standard class, so there is nothing to
// register; the answer only tells the caller to go on.
BOOL WINAPI ConfigClassHook(HINSTANCE)
{
    return TRUE;
}
