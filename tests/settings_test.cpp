// The settings file on real profile files in the prefix's Windows directory,
// and the real configuration dialog, driven from inside its own modal loop.
#include "resources/language.h"
#include "resources/resource_ids.h"
#include "settings/settings_file.h"
#include "tests/support.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

// Starts and ends without the settings file.
class Settings : public testing::Test {
protected:
    void SetUp() override
    {
        LoadSettingsNames();
        path = WindowsFilePath(SettingsFileName);
        RemoveFile(path);
    }
    void TearDown() override { RemoveFile(path); }
    // A file holding only the count, or none for null.
    void Store(const char *balls)
    {
        RemoveFile(path);
        if (balls != nullptr)
            WriteFileBytes(path, std::string("[telv]\r\nballs=") + balls + "\r\n");
    }
    std::string path;
};
using ConfigDialog = Settings;

// The count lives in section telv, 10 without it; a write keeps the rest.
TEST_F(Settings, CountLivesInSectionTelv)
{
    EXPECT_STREQ(SettingsFileName, "telv1.ini");
    EXPECT_EQ(ReadStoredBallCount(), 10);
    WriteFileBytes(path, "[other]\r\nballs=30\r\n");
    EXPECT_EQ(ReadStoredBallCount(), 10);
    WriteFileBytes(path, "[other]\r\nballs=3\r\n[telv]\r\ncolour=red\r\nballs=30\r\n");
    EXPECT_EQ(ReadStoredBallCount(), 30);
    WriteStoredBallCount("7");
    EXPECT_EQ(ReadFileBytes(path), "[other]\r\nballs=3\r\n[telv]\r\ncolour=red\r\nballs=7\r\n");
}

// One step per tick of a thread timer inside the dialog's modal loop; a dialog
// that outlives its script ends with 77.
std::vector<std::function<void(HWND)>> Script;
size_t Played;

VOID CALLBACK PlayStep(HWND, UINT, UINT_PTR, DWORD)
{
    HWND dialog = FindWindowA("#32770", nullptr);
    if (Played < Script.size())
        Script[Played](dialog);
    else if (Played > Script.size() + 40)
        EndDialog(dialog, 77);
    ++Played;
}

// Runs the dialog as the configuration mode does, in the language; its end
// code.
INT_PTR RunDialog(std::vector<std::function<void(HWND)>> script, LANGID language = 0x0409)
{
    Script = std::move(script);
    Played = 0;
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, PlayStep);
    const INT_PTR code =
        DialogBoxInLanguage(SaverState.Instance, IDD_CONFIGURE, nullptr, ScreenSaverConfigureDialog, language);
    KillTimer(nullptr, timer);
    return code;
}

// A key pressed and released on the system's keyboard input queue.
void Press(BYTE key)
{
    keybd_event(key, 0, 0, 0);
    keybd_event(key, 0, KEYEVENTF_KEYUP, 0);
}

// OK reads at most 4 typed characters as a decimal number, moves it into
// 1..60, stores it and ends with 1.
TEST_F(ConfigDialog, OkStoresTheTypedCount)
{
    const struct { const char *Typed, *Stored; } cases[] = {
        {"", "1"},     {"0", "1"},     {"75", "60"}, {"007", "7"}, {"12345", "60"}, {"00071", "7"}, {"  42", "42"},
        {"    7", "1"}, {"+5", "5"},   {"-3", "1"},  {"4x", "4"},  {"60", "60"},    {"1", "1"}};
    for (const auto &c : cases) {
        Store("25");
        EXPECT_EQ(RunDialog({[&](HWND d) { SetWindowTextA(GetDlgItem(d, IDC_COUNT), c.Typed); },
                             [](HWND d) { SendMessageA(GetDlgItem(d, IDOK), BM_CLICK, 0, 0); }}), 1) << c.Typed;
        EXPECT_EQ(ReadFileBytes(path), std::string("[telv]\r\nballs=") + c.Stored + "\r\nsmooth=1\r\n")
            << '"' << c.Typed << '"';
    }
}

// It starts at the stored count, 10 for none or one outside 1..60; arrows step
// the count (not typed text) by one in 1..60; Cancel ends with 0, writes nothing.
TEST_F(ConfigDialog, StartArrowsAndCancel)
{
    const struct { const char *Stored, *Typed; std::vector<WORD> Arrows; const char *Shown; } cases[] = {
        {nullptr, "", {}, "10"},   {"0", "", {}, "10"}, {"61", "", {}, "10"}, {"-3", "", {}, "10"},
        {"30", "", {}, "30"},      {"60", "", {SB_LINEUP, SB_LINEDOWN, SB_LINEDOWN}, "60 60 59 58"},
        {"1", "", {SB_LINEDOWN, SB_LINEUP, SB_ENDSCROLL}, "1 1 2 2"}, {nullptr, "30", {SB_LINEUP}, "10 11"}};
    char text[16] = "";
    const auto edit = [&](HWND d) { GetWindowTextA(GetDlgItem(d, IDC_COUNT), text, 16); return std::string(text); };
    for (const auto &c : cases) {
        Store(c.Stored);
        const std::string before = ReadFileBytes(path);
        std::string shown;
        EXPECT_EQ(RunDialog({[&](HWND d) {
            shown = edit(d);
            SetWindowTextA(GetDlgItem(d, IDC_COUNT), c.Typed);
            for (WORD arrow : c.Arrows) {
                SendMessageA(d, WM_VSCROLL, arrow, reinterpret_cast<LPARAM>(GetDlgItem(d, IDC_SPINNER)));
                shown += " " + edit(d);
            }
            SendMessageA(GetDlgItem(d, IDCANCEL), BM_CLICK, 0, 0);
        }}), 0);
        EXPECT_EQ(shown, c.Shown) << c.Shown;
        EXPECT_EQ(ReadFileBytes(path), before) << c.Shown;
    }
}

// The caption; focus starts on OK and Tab goes to Cancel, the edit, the
// smooth-motion box and OK again; Escape acts as Cancel and Enter as OK through the dialog manager.
TEST_F(ConfigDialog, CaptionFocusAndKeys)
{
    char caption[32] = "";
    std::vector<int> focus;
    const auto tab = [&](HWND) { focus.push_back(GetDlgCtrlID(GetFocus())); Press(VK_TAB); };
    EXPECT_EQ(RunDialog({[&](HWND d) { GetWindowTextA(d, caption, sizeof caption); }, tab, tab, tab, tab, tab,
                         [](HWND) { Press(VK_ESCAPE); }}), 0);
    EXPECT_STREQ(caption, "Telv Screensaver");
    EXPECT_EQ(focus, (std::vector<int>{IDOK, IDCANCEL, IDC_COUNT, IDC_SMOOTH, IDOK}));
    EXPECT_EQ(ReadFileBytes(path), "");
    EXPECT_EQ(RunDialog({[](HWND) { Press(VK_RETURN); }}), 1);
    EXPECT_EQ(ReadFileBytes(path), "[telv]\r\nballs=10\r\nsmooth=1\r\n");
}

// The smooth-motion box starts checked unless the file says smooth=0; OK
// stores it as 1 or 0 beside the count, Cancel stores nothing.
TEST_F(ConfigDialog, SmoothMotionBox)
{
    const struct { const char *Stored; bool Shown; bool Click; int Button; const char *After; } cases[] = {
        {"", true, false, IDOK, "[telv]\r\nballs=10\r\nsmooth=1\r\n"},
        {"[telv]\r\nballs=5\r\n", true, true, IDOK, "[telv]\r\nballs=5\r\nsmooth=0\r\n"},
        {"[telv]\r\nsmooth=0\r\nballs=5\r\n", false, true, IDOK, "[telv]\r\nsmooth=1\r\nballs=5\r\n"},
        {"[telv]\r\nsmooth=0\r\n", false, false, IDOK, "[telv]\r\nsmooth=0\r\nballs=10\r\n"},
        {"[telv]\r\nsmooth=2\r\n", true, false, IDOK, "[telv]\r\nsmooth=1\r\nballs=10\r\n"},
        {"[other]\r\nsmooth=0\r\n", true, true, IDCANCEL, "[other]\r\nsmooth=0\r\n"},
        {"[telv]\r\nsmooth=1\r\n", true, true, IDCANCEL, "[telv]\r\nsmooth=1\r\n"}};
    for (const auto &c : cases) {
        RemoveFile(path);
        if (*c.Stored != '\0')
            WriteFileBytes(path, c.Stored);
        bool shown = false;
        RunDialog({[&](HWND d) {
            HWND box = GetDlgItem(d, IDC_SMOOTH);
            shown = SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
            if (c.Click)
                SendMessageA(box, BM_CLICK, 0, 0);
            SendMessageA(GetDlgItem(d, c.Button), BM_CLICK, 0, 0);
        }});
        EXPECT_EQ(shown, c.Shown) << c.Stored;
        EXPECT_EQ(ReadFileBytes(path), c.After) << c.Stored;
    }
}

// Each language the dialog speaks, Austrian German and Portugal's Portuguese
// by their siblings', and languages it does not speak in English: the
// caption and every text (but the addresses and the count) in the language,
// each fitting its control in the control's own font, the caption its bar in
// the caption font; every template's controls as the neutral one's (ids,
// classes, styles, order); OK stores the same file in every language.
TEST_F(ConfigDialog, SpeaksTheUsersLanguageAndEveryTextFits)
{
    const char *english = "Telv Screensaver|Balls|OK|Cancel|(C) 2026 the Telv developers|Info|E-mail|Web|Smooth motion";
    const char *german = "Telv-Bildschirmschoner|Bälle|OK|Abbrechen|(C) 2026 die Telv-Entwickler|Info|E-Mail|Web|"
                         "Flüssige Bewegung";
    const char *portuguese = "Proteção de tela Telv|Bolas|OK|Cancelar|(C) 2026 os desenvolvedores do Telv|Informações|"
                             "E-mail|Web|Movimento suave";
    const struct { LANGID Language; const char *Texts; } cases[] = {
        {0x0409, english}, {0x0809, english}, {0x041D, english}, {0x0411, english}, {0x0407, german},
        {0x0C07, german}, {0x0416, portuguese}, {0x0816, portuguese},
        {0x040C, "Écran de veille Telv|Ballons|OK|Annuler|(C) 2026 les développeurs de Telv|Informations|E-mail|Web|"
                 "Mouvement fluide"},
        {0x0C0A, "Protector de pantalla Telv|Balones|Aceptar|Cancelar|(C) 2026 los desarrolladores de Telv|"
                 "Información|Correo|Web|Movimiento suave"},
        {0x0410, "Screen saver Telv|Palloni|OK|Annulla|(C) 2026 gli sviluppatori di Telv|Informazioni|E-mail|Web|"
                 "Movimento fluido"},
        {0x0413, "Telv-schermbeveiliging|Ballen|OK|Annuleren|(C) 2026 de ontwikkelaars van Telv|Info|E-mail|Web|"
                 "Vloeiende beweging"},
        {0x0415, "Wygaszacz ekranu Telv|Piłki|OK|Anuluj|(C) 2026 twórcy programu Telv|Informacje|E-mail|WWW|"
                 "Płynny ruch"},
        {0x041F, "Telv Ekran Koruyucusu|Toplar|Tamam|İptal|(C) 2026 Telv geliştiricileri|Bilgi|E-posta|Web|"
                 "Akıcı hareket"}};
    HFONT captionFont = SystemFont(&NONCLIENTMETRICSA::lfCaptionFont);
    std::string neutralControls;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Language);
        std::string texts, controls;
        EXPECT_EQ(RunDialog({[&](HWND d) {
            RECT bar = {};
            GetWindowRect(d, &bar);
            texts = TextOf(d);
            EXPECT_LE(TextWidth(texts, captionFont) + 2 * GetSystemMetrics(SM_CXSIZE), bar.right - bar.left);
            for (HWND control = GetWindow(d, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
                const int id = GetDlgCtrlID(control);
                char kind[16] = "";
                GetClassNameA(control, kind, sizeof kind);
                controls += std::to_string(id) + " " + kind + " " + std::to_string(GetWindowLongA(control, GWL_STYLE)) + "|";
                if (id != IDC_EMAIL && id != IDC_WEB && id != IDC_COUNT && !TextOf(control).empty())
                    texts += "|" + TextOf(control);
                EXPECT_TRUE(TextFits(control, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0))))
                    << TextOf(control);
            }
            SendMessageA(GetDlgItem(d, IDOK), BM_CLICK, 0, 0);
        }}, c.Language), 1);
        EXPECT_EQ(texts, c.Texts);
        if (neutralControls.empty())
            neutralControls = controls;
        EXPECT_EQ(controls, neutralControls);
        EXPECT_EQ(ReadFileBytes(path), "[telv]\r\nballs=10\r\nsmooth=1\r\n");
        RemoveFile(path);
    }
    DeleteObject(captionFont);
}

} // namespace
