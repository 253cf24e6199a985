// The installer: its path rule and file write on their own, the real
// telvinst.exe answered box by box, and what both built programs carry.
#include "installer/install_file.h"
#include "telv_version.h"
#include "tests/support.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>

namespace {

// The file steps: one backslash between directory and name, and no target from
// an empty or too long directory; a full disk that refuses a small item only at
// the flush (the item waits in the stream's buffer) is a failed write as well.
TEST(FileSteps, TargetPathAndFullDisk)
{
    const std::string longest = "C:\\" + std::string(247, 'd');  // 251 with the backslash
    const struct { std::string Directory; BOOL Built; std::string Target; } cases[] = {
        {"C:\\WINDOWS", TRUE, "C:\\WINDOWS\\Telv.scr"}, {"C:\\", TRUE, "C:\\Telv.scr"},
        {longest, TRUE, longest + "\\Telv.scr"}, {"", FALSE, ""}, {longest + "d", FALSE, ""}};
    for (const auto &c : cases) {
        char directory[MAX_PATH] = {}, target[MAX_PATH] = "x";
        lstrcpyA(directory, c.Directory.c_str());
        EXPECT_EQ(BuildTargetPath(directory, target), c.Built) << c.Directory;
        EXPECT_EQ(target, c.Target) << c.Directory;
    }
    EXPECT_FALSE(WritePayloadFile("Z:\\dev\\full", "payload", 7));
}

// A box as the user meets it: caption, text, MessageBoxA's type value for its
// buttons and icon (IDI_HAND to IDI_ASTERISK, which go with MB_ICONHAND 0x10 to
// 0x40, each drawn over the box's ground until one matches), and any owner.
std::string ReadBox(HWND box)
{
    UINT buttons = 0;  // one bit for each visible button, by id
    for (int id = IDOK; id <= IDCONTINUE; ++id)
        buttons |= IsWindowVisible(GetDlgItem(box, id)) ? 1u << id : 0;
    UINT type = buttons == 1u << IDOK ? MB_OK : buttons == (1u << IDOK | 1u << IDCANCEL) ? MB_OKCANCEL
              : buttons == (1u << IDYES | 1u << IDNO) ? MB_YESNO : 0xF;
    RECT place = {};  // stays empty when no icon is shown
    for (HWND child = nullptr; (child = FindWindowExA(box, child, "Static", nullptr));)
        if (IsWindowVisible(child) && SendMessageA(child, STM_GETICON, 0, 0))
            GetWindowRect(child, &place);
    const int side = GetSystemMetrics(SM_CXICON);  // the system's icon size, 32 at 96 DPI
    HDC memory = CreateCompatibleDC(nullptr);
    HGDIOBJ original = SelectObject(memory, CreateBitmap(side, side, 1, 32, nullptr));
    SelectObject(memory, GetStockObject(DC_BRUSH));
    for (int attempt = 0; place.right && !(type & MB_ICONMASK) && attempt < 100; ++attempt, Sleep(50)) {
        const Pixels shown = CaptureWindow(nullptr, place.left, place.top, side, side);
        SetDCBrushColor(memory, RGB(shown.At(0, 0) >> 16, shown.At(0, 0) >> 8, shown.At(0, 0)));
        for (UINT i = 0; i < 4; ++i) {
            PatBlt(memory, 0, 0, side, side, PATCOPY);
            HICON icon = LoadIconA(nullptr, MAKEINTRESOURCEA(LOWORD(IDI_HAND) + i));
            DrawIconEx(memory, 0, 0, icon, side, side, 0, nullptr, DI_NORMAL);
            type |= Capture(memory, 0, 0, side, side).Values == shown.Values ? (i + 1) << 4 : 0;
        }
    }
    DeleteObject(SelectObject(memory, original));
    DeleteDC(memory);
    return TextOf(box) + ": \"" + TextOf(GetDlgItem(box, 0xFFFF)) + "\" type " + std::to_string(type) +
           (GetWindow(box, GW_OWNER) ? " owned" : "");
}

// Starts the installer at `program` with the arguments and presses in each
// box it shows the next of the answers (OK once they run out), which returns
// once the box is hidden; the boxes seen, then the exit code.
std::vector<std::string> RunInstaller(const std::string &program, const std::string &line,
                                      const std::vector<int> &answers)
{
    std::vector<std::string> seen;
    HANDLE process = StartProgram("\"" + program + "\" " + line);
    for (HWND box; seen.size() < 8 && (box = WaitForWindowOf(process, "#32770"));) {
        seen.push_back(ReadBox(box));
        SendMessageA(GetDlgItem(box, seen.size() <= answers.size() ? answers[seen.size() - 1] : IDOK), BM_CLICK, 0, 0);
    }
    seen.push_back("exit " + std::to_string(WaitForExit(process, ExitTimeout)));
    EndProcess(process);
    return seen;
}

// Runs the installer at `program` with the arguments from the host's shell,
// with the words before it (a locale, a limit), and answers its boxes as
// RunInstaller does, showing each to `look` first; the boxes seen, then the
// exit code.
std::vector<std::string> RunFromShell(const std::string &program, const std::string &line, const std::string &words,
                                      const std::vector<int> &answers, const std::function<void(HWND)> &look = {})
{
    const std::string folder = WindowsFilePath("");
    StartFromShell(words, "'" + program + "' " + line, folder);
    std::vector<std::string> seen;
    for (HWND box; seen.size() < 8 && (box = WaitForOtherWindow("#32770", folder));) {
        seen.push_back(ReadBox(box));
        if (look)
            look(box);
        SendMessageA(GetDlgItem(box, seen.size() <= answers.size() ? answers[seen.size() - 1] : IDOK), BM_CLICK, 0, 0);
    }
    seen.push_back("exit " + ShellExitCode(folder));
    return seen;
}

// What a program writes to its standard output, through a pipe.
std::string OutputOf(const std::string &commandLine)
{
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
    HANDLE reading = nullptr, writing = nullptr;
    CreatePipe(&reading, &writing, &inherited, 0);  // the child's copy of the reading end does not matter
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = writing;
    PROCESS_INFORMATION process = {};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
    CloseHandle(writing);
    std::string output;
    char buffer[512];
    for (DWORD n = 0; ReadFile(reading, buffer, sizeof buffer, &n, nullptr) && n > 0;)
        output.append(buffer, n);
    CloseHandle(reading);
    CloseHandle(process.hThread);  // null, as the process, when it did not start
    EndProcess(process.hProcess);
    return output;
}

// How often the system's own list of installed apps (Wine's uninstaller)
// shows Telv.
int TimesListed()
{
    const std::string list = OutputOf("C:\\windows\\system32\\uninstaller.exe --list");
    int times = 0;
    for (size_t at = 0; (at = list.find("Telv ScreenSaver", at)) != std::string::npos; ++at)
        ++times;
    return times;
}

constexpr char EntryKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Telv";

// The entry's values as "name=value" lines by name; empty without entry.
std::string EntryValues()
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, EntryKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "";
    std::set<std::string> lines;
    char name[64], data[MAX_PATH + 32];
    for (DWORD i = 0, type, named = sizeof name, size = sizeof data;
         RegEnumValueA(key, i, name, &named, nullptr, &type, reinterpret_cast<BYTE *>(data), &size) == ERROR_SUCCESS;
         ++i, named = sizeof name, size = sizeof data)
        lines.insert(name + ("=" + (type == REG_DWORD ? std::to_string(*reinterpret_cast<DWORD *>(data)) : data)));
    RegCloseKey(key);
    std::string text;
    for (const std::string &line : lines)
        text += line + "\n";
    return text;
}

// The names in the Windows directory.
std::set<std::string> WindowsFolderNames()
{
    std::set<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(WindowsFilePath("*").c_str(), &found);
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found))
        names.insert(found.cFileName);
    FindClose(search);
    return names;
}

// A text value of the user's desktop settings.
std::string DesktopValue(const char *name)
{
    char value[64] = "";
    DWORD size = sizeof value;
    RegGetValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", name, RRF_RT_REG_SZ, nullptr, value, &size);
    return value;
}

// What the test's top-level window was told of changed settings (wParam).
std::vector<WPARAM> SettingsTold;

LRESULT CALLBACK ListenerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SETTINGCHANGE)
        SettingsTold.push_back(wParam);
    return DefWindowProcA(window, message, wParam, lParam);
}

// Every path through the installer, from a known system.ini, target and
// entry: the boxes seen in order, the exit code, the target's bytes,
// system.ini, the settings file and the user's copy of it, the entry with
// the installer's copy, how often the system lists Telv, the screen-saver
// switch as a fresh process sees it and other programs are told, and no
// file left over in the Windows folder.
TEST(Installer, AnswersLeadToTheirBoxesFilesAndExitCodes)
{
    char shortPath[MAX_PATH] = "", programs[MAX_PATH] = "";
    const std::string target = WindowsFilePath("Telv.scr"), profile = WindowsFilePath("system.ini");
    const std::string settings = WindowsFilePath("telv1.ini"), installer = ProgramFolder() + "\\telvinst.exe";
    const std::string refusing = ProgramFolder() + "\\telvinst_refused_switch.exe";
    const std::string saver = ReadFileBytes(ProgramFolder() + "\\telv.scr"), savedProfile = ReadFileBytes(profile);
    ASSERT_GT(saver.size(), 1024u);
    WriteFileBytes(target, "x");
    GetShortPathNameA(target.c_str(), shortPath, MAX_PATH);
    RemoveFile(target);
    GetEnvironmentVariableA("ProgramFiles", programs, MAX_PATH);  // as a 32-bit program sees it
    const std::string folder = programs + std::string("\\Telv"), copy = folder + "\\telvinst.exe";
    // The entry that installing with `program` makes.
    const auto entry = [&](const std::string &program) {
        return "DisplayIcon=" + target + ",0\nDisplayName=Telv ScreenSaver\nDisplayVersion=" + TELV_VERSION_TEXT +
            "\nEstimatedSize=" + std::to_string((saver.size() + ReadFileBytes(program).size() + 1023) / 1024) +
            "\nInstallLocation=" + folder + "\nNoModify=1\nNoRepair=1\nPublisher=The Telv developers\n"
            "QuietUninstallString=\"" + copy + "\" /uninstall /quiet\nUninstallString=\"" + copy + "\" /uninstall\n";
    };
    std::string longName = target;
    CharLowerA(longName.data());
    const std::string earlier = "[boot]\r\na=1\r\nSCRNSAVE.EXE=C:\\OLD.SCR\r\nb=2\r\n[x]\r\nSCRNSAVE.EXE=3\r\n";
    const std::string line = "SCRNSAVE.EXE=" + std::string(shortPath) + "\r\n";  // the saver registered
    const std::string chosen = "[boot]\r\na=1\r\n" + line + "b=2\r\n[x]\r\nSCRNSAVE.EXE=3\r\n";
    const std::string byLongName = "[boot]\r\na=1\r\nSCRNSAVE.EXE=" + longName + "\r\nb=2\r\n[x]\r\nSCRNSAVE.EXE=3\r\n";
    const std::string cleared = "[boot]\r\na=1\r\nb=2\r\n[x]\r\nSCRNSAVE.EXE=3\r\n";
    auto box = [](std::string text, UINT type, std::string caption = "Install") {
        return caption + ": \"" + text + "\" type " + std::to_string(type);
    };
    const std::string question = box("Install Telv Screensaver ?    ", 0x21), writeError = box("Write error", 0x10);
    const std::string overwrite = box("File : \"" + target + "\" already exists   \n\nOverwrite this file ?", 0x34);
    const std::string aborted = box("Install aborted   ", 0x30), installed = box("      Saver installed       ", 0);
    const std::string remove = box("Remove Telv Screensaver ?", 0x21, "Uninstall");
    const std::string removed = box("Saver removed", 0, "Uninstall");
    const std::string removeError = box("Remove error", 0x10, "Uninstall");
    enum { Kept, Carried, Gone };  // Telv.scr afterwards: as before the run, the carried saver, or gone
    // Before the run: a directory named Telv.scr; no system.ini; installed quietly first; the installed copy
    // runs; the installer's files may not grow beyond 100 KB; the system refuses the screen-saver switch.
    enum { Folder = 1, NoProfile = 2, Installed = 4, FromCopy = 8, FullDisk = 16, Refused = 32 };
    const struct {
        const char *Name;
        std::string Line;  // the installer's arguments
        std::vector<int> Answers;
        std::vector<std::string> Run;  // the boxes seen, then the exit code
        int Saver;  // Gone: telv1.ini gone as well, which stays otherwise
        std::string Profile;
        int Listed;  // 1: the entry and the copy in place, 0: neither
        int Switch;  // the screen saver's switch before the run (tens) and after it (units), 1 on, 0 off
        std::string Old = "", Held = "";  // an earlier Telv.scr; a file held open without write or delete sharing
        int Setup = 0;
        std::string Before = "";  // system.ini before the run, when not `earlier`
    } scenarios[] = {
        {"cancel", "", {IDCANCEL}, {question, "exit 1"}, Kept, earlier, 0, 0},
        {"fresh", "", {IDOK, IDOK}, {question, installed, "exit 0"}, Carried, chosen, 1, 1},
        {"no profile", "", {IDOK, IDOK}, {question, installed, "exit 0"}, Carried, "[boot]\r\n" + line, 1, 1, "", "",
         NoProfile},
        {"declined", "", {IDOK, IDNO, IDOK}, {question, overwrite, aborted, "exit 0"}, Kept, earlier, 0, 0, "old"},
        {"replaced", "", {IDOK, IDYES}, {question, overwrite, installed, "exit 0"}, Carried, chosen, 1, 1,
         saver + "longer"},
        {"held", "", {IDOK, IDYES, IDOK}, {question, overwrite, writeError, "exit 1"}, Kept, earlier, 0, 0, "old",
         target},
        {"folder", "", {IDOK, IDOK}, {question, writeError, "exit 1"}, Kept, earlier, 0, 0, "", "", Folder},
        {"system.ini held", "", {IDOK, IDOK}, {question, writeError, "exit 1"}, Carried, earlier, 0, 0, "", profile},
        {"again", "", {IDOK, IDYES}, {question, overwrite, installed, "exit 0"}, Carried, chosen, 1, 1, "", "",
         Installed},
        {"other line", "/quiet /x", {IDCANCEL}, {question, "exit 1"}, Kept, earlier, 0, 0, "old"},
        {"quiet", "/QUIET", {}, {"exit 0"}, Carried, chosen, 1, 1, "old"},
        {"quiet held", "-quiet", {}, {"exit 1"}, Kept, earlier, 0, 0, "old", target},
        {"full disk", "/quiet", {}, {"exit 1"}, Kept, earlier, 0, 0, "old", "", FullDisk},
        {"switch refused", "", {IDOK, IDOK}, {question, writeError, "exit 1"}, Carried, chosen, 1, 0, "", "", Refused},
        {"switch refused quietly", "/quiet", {}, {"exit 1"}, Carried, chosen, 1, 0, "old", "", Refused},
        {"remove cancelled", "/uninstall", {IDCANCEL}, {remove, "exit 1"}, Kept, chosen, 1, 11, "", "", Installed,
         chosen},
        {"remove", "/Uninstall", {}, {remove, removed, "exit 0"}, Gone, cleared, 0, 10, "", "", Installed, byLongName},
        {"remove by copy", "-UNINSTALL", {}, {remove, removed, "exit 0"}, Gone, cleared, 0, 10, "", "",
         Installed | FromCopy, chosen},
        {"remove, other saver", "/uninstall", {}, {remove, removed, "exit 0"}, Gone, earlier, 0, 11, "", "", Installed},
        {"remove locked", "/uninstall", {}, {remove, removeError, "exit 1"}, Kept, chosen, 1, 11, "", target,
         Installed, chosen},
        {"remove quietly", "/quiet -uninstall", {}, {"exit 0"}, Gone, cleared, 0, 10, "", "", Installed | FromCopy,
         chosen},
        {"remove locked quietly", "/uninstall /quiet", {}, {"exit 1"}, Kept, chosen, 1, 11, "", target, Installed,
         chosen},
        {"remove nothing", "/uninstall", {}, {remove, removed, "exit 0"}, Gone, earlier, 0, 11},
    };
    char local[MAX_PATH] = "";
    GetEnvironmentVariableA("LOCALAPPDATA", local, MAX_PATH);
    const std::string store = local + std::string("\\VirtualStore"), usersSettings = store + settings.substr(2);
    CreateDirectoryA(store.c_str(), nullptr);
    CreateDirectoryA((store + WindowsFilePath("").substr(2)).c_str(), nullptr);
    const WNDCLASSA listener = {0, ListenerProc, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, "Listener"};
    RegisterClassA(&listener);
    HWND told = CreateWindowExA(0, "Listener", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    SystemParametersInfoA(SPI_SETSCREENSAVETIMEOUT, 420, nullptr, SPIF_UPDATEINIFILE);
    const std::set<std::string> names = WindowsFolderNames();
    for (const auto &s : scenarios) {
        SCOPED_TRACE(s.Name);
        if (s.Setup & Installed) {
            EXPECT_EQ(RunInstaller(installer, "/quiet", {}), std::vector<std::string>{"exit 0"});
        }
        WriteFileBytes(profile, s.Before.empty() ? earlier : s.Before);
        WriteFileBytes(settings, "[telv]\r\nballs=20\r\n");
        WriteFileBytes(usersSettings, "[telv]\r\nballs=30\r\n");
        SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, s.Switch / 10, nullptr, SPIF_UPDATEINIFILE);
        SettingsTold.clear();
        if (s.Setup & NoProfile)
            RemoveFile(profile);
        if (!s.Old.empty())
            WriteFileBytes(target, s.Old);
        if (s.Setup & Folder)
            CreateDirectoryA(target.c_str(), nullptr);
        const std::string before = ReadFileBytes(target);
        HANDLE held = CreateFileA(s.Held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        const std::string built = s.Setup & Refused ? refusing : installer;
        const std::string program = s.Setup & FromCopy ? copy : built;
        // A full disk: the installer's files may not grow beyond 100 KB (the
        // shell's limit, its signal ignored so that the write fails).
        EXPECT_EQ(s.Setup & FullDisk ? RunFromShell(program, s.Line, "trap '' XFSZ; ulimit -f 200;", {})
                             : RunInstaller(program, s.Line, s.Answers), s.Run);
        CloseHandle(held);
        const std::string left = s.Saver == Carried ? saver : s.Saver == Kept ? before : "";
        EXPECT_TRUE(ReadFileBytes(target) == left) << "Telv.scr";
        EXPECT_EQ(ReadFileBytes(profile), s.Profile);
        EXPECT_EQ(ReadFileBytes(settings).empty(), s.Saver == Gone) << "telv1.ini";
        EXPECT_EQ(ReadFileBytes(usersSettings).empty(), s.Saver == Gone) << "the user's telv1.ini";
        EXPECT_EQ(DesktopValue("ScreenSaveActive"), std::to_string(s.Switch % 10));
        EXPECT_EQ(WaitForExit(StartProgram(ProgramFolder() + "\\preview_host.exe active"), ExitTimeout),
                  DWORD(s.Switch % 10)) << "the switch as a fresh process sees it";
        EXPECT_EQ(std::count(SettingsTold.begin(), SettingsTold.end(), SPI_SETSCREENSAVEACTIVE),
                  s.Switch / 10 != s.Switch % 10) << "other programs told";
        EXPECT_EQ(DesktopValue("ScreenSaveTimeOut"), "420");
        EXPECT_EQ(EntryValues(), s.Listed ? entry(built) : "");
        EXPECT_EQ(ReadFileBytes(copy) == ReadFileBytes(built) && s.Listed, s.Listed == 1) << "the copy";
        EXPECT_EQ(GetFileAttributesA(folder.c_str()) != INVALID_FILE_ATTRIBUTES, s.Listed == 1) << "its folder";
        EXPECT_EQ(TimesListed(), s.Listed);
        RemoveFile(target);
        RemoveFile(settings);
        WriteFileBytes(profile, savedProfile);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, EntryKey);
        RemoveFile(copy);
        RemoveFile(folder);
        EXPECT_EQ(WindowsFolderNames(), names) << "no file left over";
    }
    DestroyWindow(told);
}

// The installation and the removal in each language the installer speaks, and
// in Swedish, which it does not: every box's caption and text in the language
// (Swedish: English), its buttons the system's in that language, each text
// fitting its control in the message font; the registration and the entry
// as in English.
TEST(Installer, SpeaksTheUsersLanguage)
{
    const std::vector<std::string> english = {"Install", "Install Telv Screensaver ?    ",
        "File : \"%s\" already exists   \n\nOverwrite this file ?", "Install aborted   ", "Write error",
        "      Saver installed       ", "Uninstall", "Remove Telv Screensaver ?", "Saver removed", "Remove error"};
    const struct { const char *Locale; std::vector<std::string> Texts; const char *Buttons; } languages[] = {
        {"C.UTF-8", english, "&No|&Yes|Cancel|OK|"}, {"sv_SE.UTF-8", english, "&Ja|&Nej|Avbryt|OK|"},
        {"de_DE.UTF-8", {"Installieren", "Telv-Bildschirmschoner installieren?",
         "Die Datei „%s“ ist bereits vorhanden.\n\nMöchten Sie sie ersetzen?", "Installation abgebrochen",
         "Schreibfehler", "Bildschirmschoner installiert", "Deinstallieren", "Telv-Bildschirmschoner entfernen?",
         "Bildschirmschoner entfernt", "Fehler beim Entfernen"}, "&Ja|&Nein|Abbrechen|OK|"},
        {"fr_FR.UTF-8", {"Installer", "Installer l'écran de veille Telv\u00a0?",
         "Le fichier «\u00a0%s\u00a0» existe déjà.\n\nVoulez-vous le remplacer\u00a0?", "Installation annulée",
         "Erreur d'écriture", "Écran de veille installé", "Désinstaller", "Supprimer l'écran de veille Telv\u00a0?",
         "Écran de veille supprimé", "Erreur de suppression"}, "&Non|&Oui|Annuler|OK|"},
        {"es_ES.UTF-8", {"Instalar", "¿Instalar el protector de pantalla Telv?",
         "El archivo \"%s\" ya existe.\n\n¿Desea reemplazarlo?", "Instalación cancelada", "Error de escritura",
         "Protector de pantalla instalado", "Desinstalar", "¿Eliminar el protector de pantalla Telv?",
         "Protector de pantalla eliminado", "Error al eliminar"}, "&No|&Sí|Aceptar|Cancelar|"},
        {"it_IT.UTF-8", {"Installa", "Installare lo screen saver Telv?",
         "Il file \"%s\" esiste già.\n\nSovrascrivere il file?", "Installazione annullata", "Errore di scrittura",
         "Screen saver installato", "Disinstalla", "Rimuovere lo screen saver Telv?", "Screen saver rimosso",
         "Errore durante la rimozione"}, "&No|&Sì|Annulla|Ok|"},
        {"pt_BR.UTF-8", {"Instalar", "Instalar a proteção de tela Telv?",
         "O arquivo \"%s\" já existe.\n\nDeseja substituí-lo?", "Instalação cancelada", "Erro de gravação",
         "Proteção de tela instalada", "Desinstalar", "Remover a proteção de tela Telv?", "Proteção de tela removida",
         "Erro ao remover"}, "&Não|&Sim|Cancelar|OK|"},
        {"nl_NL.UTF-8", {"Installeren", "Telv-schermbeveiliging installeren?",
         "Het bestand \"%s\" bestaat al.\n\nWilt u dit bestand overschrijven?", "Installatie afgebroken",
         "Schrijffout", "Schermbeveiliging geïnstalleerd", "Verwijderen", "Telv-schermbeveiliging verwijderen?",
         "Schermbeveiliging verwijderd", "Fout bij verwijderen"}, "&Ja|&Nee|Annuleren|OK|"},
        {"pl_PL.UTF-8", {"Instalacja", "Zainstalować wygaszacz ekranu Telv?",
         "Plik „%s” już istnieje.\n\nCzy zastąpić ten plik?", "Instalacja przerwana", "Błąd zapisu",
         "Wygaszacz ekranu zainstalowany", "Dezinstalacja", "Usunąć wygaszacz ekranu Telv?", "Wygaszacz ekranu usunięty",
         "Błąd usuwania"}, "&Nie|&Tak|Anuluj|OK|"},
        {"tr_TR.UTF-8", {"Yükleme", "Telv Ekran Koruyucusu yüklensin mi?",
         "\"%s\" dosyası zaten var.\n\nDosyanın üzerine yazılsın mı?", "Yükleme iptal edildi", "Yazma hatası",
         "Ekran koruyucu yüklendi", "Kaldırma", "Telv Ekran Koruyucusu kaldırılsın mı?", "Ekran koruyucu kaldırıldı",
         "Kaldırma hatası"}, "&Evet|&Hayır|Tamam|İptal|"}};
    const std::string target = WindowsFilePath("Telv.scr"), profile = WindowsFilePath("system.ini");
    const std::string installer = ProgramFolder() + "\\telvinst.exe", savedProfile = ReadFileBytes(profile);
    HFONT font = SystemFont(&NONCLIENTMETRICSA::lfMessageFont);
    std::string registered;
    for (const auto &l : languages) {
        SCOPED_TRACE(l.Locale);
        const std::vector<std::string> &t = l.Texts;
        auto box = [&](size_t text, UINT type, size_t caption = 0) {
            return t[caption] + ": \"" + t[text] + "\" type " + std::to_string(type);
        };
        std::string overwrite = box(2, 0x34);
        overwrite.replace(overwrite.find("%s"), 2, target);
        std::set<std::string> buttons;
        const auto look = [&](HWND shown) {
            for (HWND control = GetWindow(shown, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
                EXPECT_TRUE(TextFits(control, font)) << TextOf(control);
                char kind[16] = "";
                GetClassNameA(control, kind, sizeof kind);
                if (IsWindowVisible(control) && lstrcmpiA(kind, "Button") == 0)
                    buttons.insert(TextOf(control));
            }
        };
        const std::string words = std::string("LC_ALL=") + l.Locale;
        WriteFileBytes(profile, "[boot]\r\n");
        EXPECT_EQ(RunFromShell(installer, "", words, {IDOK, IDOK}, look),
                  (std::vector<std::string>{box(1, 0x21), box(5, 0), "exit 0"}));
        const std::string done = EntryValues() + ReadFileBytes(profile);
        EXPECT_TRUE(done.find("DisplayName=Telv ScreenSaver\n") != std::string::npos &&
                    done.find("SCRNSAVE.EXE=") != std::string::npos) << done;
        if (registered.empty())
            registered = done;
        EXPECT_EQ(done, registered);
        EXPECT_EQ(RunFromShell(installer, "", words, {IDOK, IDNO, IDOK}, look),
                  (std::vector<std::string>{box(1, 0x21), overwrite, box(3, 0x30), "exit 0"}));
        EXPECT_EQ(RunFromShell(installer, "/uninstall", words, {IDOK, IDOK}, look),
                  (std::vector<std::string>{box(7, 0x21, 6), box(8, 0, 6), "exit 0"}));
        // A folder in the saver's place can be neither written nor deleted.
        CreateDirectoryA(target.c_str(), nullptr);
        EXPECT_EQ(RunFromShell(installer, "", words, {IDOK, IDOK}, look),
                  (std::vector<std::string>{box(1, 0x21), box(4, 0x10), "exit 1"}));
        EXPECT_EQ(RunFromShell(installer, "/uninstall", words, {IDOK, IDOK}, look),
                  (std::vector<std::string>{box(7, 0x21, 6), box(9, 0x10, 6), "exit 1"}));
        RemoveFile(target);
        std::string shown;
        for (const std::string &b : buttons)
            shown += b + "|";
        EXPECT_EQ(shown, l.Buttons);
    }
    DeleteObject(font);
    WriteFileBytes(profile, savedProfile);
}

// These three collect a module's resources as "type/name/language" ("#n": an integer id).
BOOL CALLBACK AddLanguage(HMODULE, LPCSTR type, LPCSTR name, WORD language, LONG_PTR list)
{
    auto text = [](LPCSTR id) { return IS_INTRESOURCE(id) ? "#" + std::to_string(LOWORD(id)) : std::string(id); };
    auto *resources = reinterpret_cast<std::set<std::string> *>(list);
    resources->insert(text(type) + "/" + text(name) + "/" + std::to_string(language));
    return TRUE;
}

BOOL CALLBACK AddName(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR list)
{
    return EnumResourceLanguagesA(module, type, name, AddLanguage, list);
}

BOOL CALLBACK AddType(HMODULE module, LPSTR type, LONG_PTR list)
{
    return EnumResourceNamesA(module, type, AddName, list);
}

// A resource's bytes in English (United States); empty when it is missing.
std::string ResourceBytes(HMODULE module, LPCSTR type, LPCSTR name)
{
    HRSRC found = FindResourceExA(module, type, name, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    const char *bytes = static_cast<const char *>(LockResource(LoadResource(module, found)));
    return std::string(bytes, SizeofResource(module, found));
}

// What each built program carries, read back through the system's resource
// and version calls, and the libraries it imports: the system's only.
TEST(Programs, CarryTheirResourcesVersionsAndSystemImportsOnly)
{
    const std::string saver = ReadFileBytes(ProgramFolder() + "\\telv.scr");
    const std::set<std::string> system = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "msvcrt.dll"};
    std::set<std::string> withShell = system;
    withShell.insert("shell32.dll");
    const struct {
        const char *Program;
        std::set<std::string> Skipped;  // the saver's pictures, dialog and strings: its own tests read them
        std::set<std::string> Resources;
        std::string Payload;  // DATA 10
        LPCSTR Group;         // the icon group, the only one
        std::string Icons;    // id:width x height x bits per pixel of each of its images, in order
        std::vector<DWORD> Sums;  // FNV-1a of its first images' bytes: the installer's, as first drawn
        std::vector<std::string> Manifest;
        const char *Description;
        bool SetupWords;  // may its version texts speak of setting up?
        bool Elevated;    // does it ask for an execution level? The saver does not, so that Windows keeps its
                          // settings file per user.
        const std::set<std::string> &Imports;  // the system libraries it may import
    } programs[] = {
        {"telvinst.exe", {}, {"DATA/#10/1033", "#3/#1/1033", "#3/#2/1033", "#3/#3/1033", "#3/#4/1033", "#3/#5/1033",
         "#14/INSTALLICON/1033", "#24/#1/1033", "#16/#1/1033", "#6/#7/1031", "#6/#7/1033", "#6/#7/1036", "#6/#7/1040",
         "#6/#7/1043", "#6/#7/1045", "#6/#7/1046", "#6/#7/1055", "#6/#7/3082"}, saver, "INSTALLICON",
         "1:32x32x4 2:16x16x4 3:24x24x32 4:48x48x32 5:256x256x32 ", {0x8fd4bbb0, 0x83bb3a8e},
         {"<requestedExecutionLevel level=\"requireAdministrator\" "
         "uiAccess=\"false\"/>", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
         "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}, "Telv installer", true,
         true, withShell},
        {"telv.scr", {"#2", "#5", "#6"}, {"#3/#1/1033", "#3/#2/1033", "#3/#3/1033", "#3/#4/1033", "#3/#5/1033",
         "#3/#6/1033", "#3/#7/1033", "#3/#8/1033", "#14/#1/1033", "#16/#1/1033", "#24/#1/1033"}, "",
         MAKEINTRESOURCEA(1), "1:16x16x32 2:20x20x32 3:24x24x32 4:32x32x32 5:40x40x32 6:48x48x32 7:64x64x32 "
         "8:256x256x32 ", {}, {"<dpiAware xmlns=\"http://schemas."
         "microsoft.com/SMI/2005/WindowsSettings\">true/pm</dpiAware>",
         "<dpiAwareness xmlns=\"http://schemas.microsoft."
         "com/SMI/2016/WindowsSettings\">PerMonitorV2, PerMonitor</dpiAwareness>"}, "Telv screen saver", false, false,
         system},
    };
    std::string version;
    for (const auto &p : programs) {
        SCOPED_TRACE(p.Program);
        const std::string path = ProgramFolder() + "\\" + p.Program;
        HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        std::set<std::string> resources;
        EnumResourceTypesA(module, AddType, reinterpret_cast<LONG_PTR>(&resources));
        for (auto i = resources.begin(); i != resources.end();)
            i = p.Skipped.count(i->substr(0, i->find('/'))) ? resources.erase(i) : std::next(i);
        EXPECT_EQ(resources, p.Resources);
        EXPECT_TRUE(ResourceBytes(module, "DATA", MAKEINTRESOURCEA(10)) == p.Payload) << "DATA 10 is not telv.scr";
        std::string icons, group = ResourceBytes(module, RT_GROUP_ICON, p.Group);
        auto side = [&](size_t at) { return std::to_string(BYTE(group[at]) ? BYTE(group[at]) : 256); };
        for (size_t at = 6; at + 14 <= group.size(); at += 14)  // width, height, ..., bits at 6, id at 12
            icons += std::to_string(BYTE(group[at + 12])) + ":" + side(at) + "x" + side(at + 1) + "x" +
                     std::to_string(BYTE(group[at + 6])) + " ";
        EXPECT_EQ(icons, p.Icons);
        for (size_t i = 0; i < p.Sums.size(); ++i) {
            DWORD sum = 2166136261u;
            for (char byte : ResourceBytes(module, RT_ICON, MAKEINTRESOURCEA(i + 1)))
                sum = (sum ^ BYTE(byte)) * 16777619u;
            EXPECT_EQ(sum, p.Sums[i]) << "icon " << i + 1 << " is not the one first drawn";
        }
        const std::string manifest = ResourceBytes(module, RT_MANIFEST, MAKEINTRESOURCEA(1));
        for (const std::string &part : p.Manifest)
            EXPECT_NE(manifest.find(part), std::string::npos) << part;
        EXPECT_EQ(manifest.find("requestedExecutionLevel") != std::string::npos, p.Elevated) << "execution level";
        std::string words = ResourceBytes(module, RT_VERSION, MAKEINTRESOURCEA(1));  // its texts, in UTF-16
        words.erase(std::remove(words.begin(), words.end(), '\0'), words.end());
        CharLowerA(words.data());
        for (const char *word : {"install", "setup", "update"})
            EXPECT_TRUE(p.SetupWords || words.find(word) == std::string::npos) << word;
        FreeLibrary(module);

        std::vector<char> block(GetFileVersionInfoSizeA(path.c_str(), nullptr) + 1);
        ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, block.size(), block.data()));
        auto query = [&](const std::string &name) -> const char * {
            static const char missing[sizeof(VS_FIXEDFILEINFO)] = {};  // zeros stand in for a missing value
            void *value = nullptr;
            UINT length = 0;
            return VerQueryValueA(block.data(), name.c_str(), &value, &length) ? static_cast<char *>(value) : missing;
        };
        auto text = [&](const char *field) {
            return std::string(query(std::string("\\StringFileInfo\\040904E4\\") + field));
        };
        const auto *fixed = reinterpret_cast<const VS_FIXEDFILEINFO *>(query("\\"));
        EXPECT_EQ(*reinterpret_cast<const DWORD *>(query("\\VarFileInfo\\Translation")), MAKELONG(0x409, 1252));
        char numbers[64];
        wsprintfA(numbers, "%u.%u.%u.%u", HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                  HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));
        EXPECT_EQ(numbers, text("FileVersion") + ".0");
        version = version.empty() ? text("FileVersion") : version;
        EXPECT_EQ(text("ProductName") + "|" + text("FileDescription") + "|" + text("FileVersion") + "|" +
                  text("ProductVersion"), "Telv|" + std::string(p.Description) + "|" + version + "|" + version);

        HMODULE image = LoadLibraryExA(path.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);  // mapped as it runs
        ASSERT_NE(image, nullptr);
        const char *base = reinterpret_cast<const char *>(image);
        const auto *nt = reinterpret_cast<const IMAGE_NT_HEADERS32 *>(base + PIMAGE_DOS_HEADER(image)->e_lfanew);
        const DWORD table = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
        const auto *entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR *>(base + table);
        for (; table && entry->Name; ++entry)
            EXPECT_TRUE(p.Imports.count(CharLowerA(std::string(base + entry->Name).data()))) << base + entry->Name;
        FreeLibrary(image);
    }
}

} // namespace
