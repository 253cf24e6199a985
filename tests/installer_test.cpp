// The installer: its path building and file steps, the resources it carries,
// and the real telvinst.exe, started as a process and answered box by box as
// a user would answer it.
#include "installer/install_file.h"
#include "tests/test_files.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

// ---------------------------------------------------------------------------
// Helpers

std::string InstallerPath() { return ProgramFolder() + "\\telvinst.exe"; }
std::string SaverPath() { return ProgramFolder() + "\\telv.scr"; }

bool FileExists(const std::string &path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void WriteBytes(const std::string &path, const std::string &bytes)
{
    std::FILE *file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr) << path;
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
    ASSERT_EQ(std::fclose(file), 0);
}

// Removes whatever the tests may leave at the target: a file, a read-only
// file or a directory.
void RemoveTarget(const std::string &path)
{
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
    RemoveDirectoryA(path.c_str());
}

std::string ShortPath(const std::string &path)
{
    char brief[MAX_PATH] = {};
    GetShortPathNameA(path.c_str(), brief, MAX_PATH);
    return brief;
}

// ---------------------------------------------------------------------------
// Path building

struct PathCase {
    const char *windowsDirectory;
    const char *directoryText;
    const char *target;
};

class TargetPath : public testing::TestWithParam<PathCase> {};

TEST_P(TargetPath, EndsTheDirectoryWithOneBackslashThenTheFileName)
{
    char directory[MAX_PATH] = {};
    char target[MAX_PATH] = {};
    lstrcpyA(directory, GetParam().windowsDirectory);
    EXPECT_TRUE(BuildTargetPath(directory, target));
    EXPECT_STREQ(directory, GetParam().directoryText);
    EXPECT_STREQ(target, GetParam().target);
}

INSTANTIATE_TEST_SUITE_P(Directories, TargetPath, testing::Values(
    PathCase{"C:\\WINDOWS", "C:\\WINDOWS\\", "C:\\WINDOWS\\Telv.scr"},
    PathCase{"C:\\", "C:\\", "C:\\Telv.scr"},
    PathCase{"D:\\WIN\\SYSTEM\\", "D:\\WIN\\SYSTEM\\", "D:\\WIN\\SYSTEM\\Telv.scr"},
    PathCase{"C:\\windows", "C:\\windows\\", "C:\\windows\\Telv.scr"}));

TEST(TargetPathLimits, LongestDirectoryThatFitsIsUsedWhole)
{
    // 251 characters with the backslash leave room for "Telv.scr" and the
    // terminating zero in 260.
    std::string name = "C:\\" + std::string(247, 'd');
    char directory[MAX_PATH] = {};
    char target[MAX_PATH] = {};
    lstrcpyA(directory, name.c_str());
    ASSERT_TRUE(BuildTargetPath(directory, target));
    EXPECT_EQ(lstrlenA(directory), 251);
    EXPECT_EQ(std::string(target), name + "\\Telv.scr");
    EXPECT_EQ(lstrlenA(target), MAX_PATH - 1);
}

TEST(TargetPathLimits, DirectoryTooLongForTheTargetIsRefused)
{
    for (size_t length : {252u, 258u, 259u}) {
        std::string name = "C:\\" + std::string(length - 3, 'd');
        char directory[MAX_PATH] = {};
        char target[MAX_PATH] = {'x'};
        lstrcpyA(directory, name.c_str());
        EXPECT_FALSE(BuildTargetPath(directory, target)) << length;
        EXPECT_STREQ(target, "") << length;
    }
}

TEST(TargetPathLimits, EmptyDirectoryIsRefused)
{
    char directory[MAX_PATH] = {};
    char target[MAX_PATH] = {'x'};
    EXPECT_FALSE(BuildTargetPath(directory, target));
    EXPECT_STREQ(target, "");
    EXPECT_STREQ(directory, "");
}

// ---------------------------------------------------------------------------
// The file steps, on real files

class PayloadFile : public testing::Test {
protected:
    void SetUp() override
    {
        char folder[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, folder);
        path = std::string(folder) + "telvinst_payload_test.bin";
        RemoveTarget(path);
    }
    void TearDown() override { RemoveTarget(path); }
    std::string path;
};

TEST_F(PayloadFile, AbsentFileDoesNotOpenForReading)
{
    EXPECT_FALSE(FileOpensForReading(path.c_str()));
}

TEST_F(PayloadFile, ExistingFileOpensForReadingAndStaysAsItWas)
{
    WriteBytes(path, "old");
    EXPECT_TRUE(FileOpensForReading(path.c_str()));
    EXPECT_EQ(ReadProfile(path), "old");
}

TEST_F(PayloadFile, WritesEveryByteUnchanged)
{
    std::string bytes;
    for (int i = 0; i < 70000; ++i)
        bytes += static_cast<char>(i * 7 + (i >> 8));
    bytes += "\r\n\n\x1a";
    ASSERT_TRUE(WritePayloadFile(path.c_str(), bytes.data(), static_cast<DWORD>(bytes.size())));
    EXPECT_EQ(ReadProfile(path), bytes);
}

TEST_F(PayloadFile, LongerOldFileIsCutToThePayload)
{
    WriteBytes(path, std::string(100000, 'o'));
    const std::string bytes(5000, 'n');
    ASSERT_TRUE(WritePayloadFile(path.c_str(), bytes.data(), static_cast<DWORD>(bytes.size())));
    EXPECT_EQ(ReadProfile(path), bytes);
}

TEST_F(PayloadFile, TargetThatIsADirectoryIsAFailure)
{
    ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr));
    const std::string bytes(100, 'n');
    EXPECT_FALSE(FileOpensForReading(path.c_str()));
    EXPECT_FALSE(WritePayloadFile(path.c_str(), bytes.data(), static_cast<DWORD>(bytes.size())));
}

// The Unix device that is always full (reached through the Z: drive), so
// that the system refuses every byte that reaches it.
constexpr char FullDevice[] = "Z:\\dev\\full";

TEST(PayloadFileOnFullDisk, ItemLargerThanTheStreamBufferFailsAtTheWrite)
{
    const std::string bytes(256 * 1024, 'p');
    std::FILE *probe = std::fopen(FullDevice, "wb");
    ASSERT_NE(probe, nullptr) << "the full device must open for writing";
    EXPECT_EQ(std::fwrite(bytes.data(), bytes.size(), 1, probe), 0u);
    std::fclose(probe);

    EXPECT_FALSE(WritePayloadFile(FullDevice, bytes.data(), static_cast<DWORD>(bytes.size())));
}

TEST(PayloadFileOnFullDisk, SmallItemThatFailsOnlyAtTheFlushIsAFailure)
{
    // A small item stays in the stream's buffer: fwrite reports it written,
    // and the disk refuses it only when the buffer is flushed.
    const std::string bytes(100, 'p');
    std::FILE *probe = std::fopen(FullDevice, "wb");
    ASSERT_NE(probe, nullptr) << "the full device must open for writing";
    ASSERT_EQ(std::fwrite(bytes.data(), bytes.size(), 1, probe), 1u);
    ASSERT_NE(std::fflush(probe), 0);
    std::fclose(probe);

    EXPECT_FALSE(WritePayloadFile(FullDevice, bytes.data(), static_cast<DWORD>(bytes.size())));
}

// ---------------------------------------------------------------------------
// The resources of telvinst.exe

class InstallerResources : public testing::Test {
protected:
    void SetUp() override
    {
        module = LoadLibraryExA(InstallerPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module, nullptr) << InstallerPath();
    }
    void TearDown() override
    {
        if (module)
            FreeLibrary(module);
    }

    // A resource type or name as text: "#n" for an integer identifier.
    static std::string Name(LPCSTR name)
    {
        if (IS_INTRESOURCE(name))
            return "#" + std::to_string(reinterpret_cast<ULONG_PTR>(name));
        return name;
    }

    static BOOL CALLBACK CollectType(HMODULE, LPSTR type, LONG_PTR list)
    {
        reinterpret_cast<std::set<std::string> *>(list)->insert(Name(type));
        return TRUE;
    }

    static BOOL CALLBACK CollectName(HMODULE, LPCSTR, LPSTR name, LONG_PTR list)
    {
        reinterpret_cast<std::set<std::string> *>(list)->insert(Name(name));
        return TRUE;
    }

    static BOOL CALLBACK CollectLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR list)
    {
        reinterpret_cast<std::set<WORD> *>(list)->insert(language);
        return TRUE;
    }

    std::set<std::string> Types()
    {
        std::set<std::string> types;
        EnumResourceTypesA(module, CollectType, reinterpret_cast<LONG_PTR>(&types));
        return types;
    }

    std::set<std::string> Names(LPCSTR type)
    {
        std::set<std::string> names;
        EnumResourceNamesA(module, type, CollectName, reinterpret_cast<LONG_PTR>(&names));
        return names;
    }

    std::set<WORD> Languages(LPCSTR type, LPCSTR name)
    {
        std::set<WORD> languages;
        EnumResourceLanguagesA(module, type, name, CollectLanguage,
                               reinterpret_cast<LONG_PTR>(&languages));
        return languages;
    }

    std::string Bytes(LPCSTR type, LPCSTR name)
    {
        HRSRC found = FindResourceExA(module, type, name, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
        if (!found)
            return {};
        const char *bytes = static_cast<const char *>(LockResource(LoadResource(module, found)));
        return std::string(bytes, SizeofResource(module, found));
    }

    HMODULE module = nullptr;
};

constexpr WORD EnglishUnitedStates = 0x0409;

TEST_F(InstallerResources, OnlyThePayloadTheIconGroupTheManifestAndTheVersion)
{
    EXPECT_EQ(Types(), (std::set<std::string>{"DATA", "#3", "#14", "#16", "#24"}));  // icon, icon group, version, manifest
    EXPECT_EQ(Names("DATA"), std::set<std::string>{"#10"});
    EXPECT_EQ(Names(RT_GROUP_ICON), std::set<std::string>{"INSTALLICON"});
    EXPECT_EQ(Names(RT_ICON), (std::set<std::string>{"#1", "#2"}));
}

TEST_F(InstallerResources, AllInEnglishUnitedStates)
{
    const std::set<WORD> english{EnglishUnitedStates};
    EXPECT_EQ(Languages("DATA", MAKEINTRESOURCEA(10)), english);
    EXPECT_EQ(Languages(RT_GROUP_ICON, "INSTALLICON"), english);
    EXPECT_EQ(Languages(RT_ICON, MAKEINTRESOURCEA(1)), english);
    EXPECT_EQ(Languages(RT_ICON, MAKEINTRESOURCEA(2)), english);
}

TEST_F(InstallerResources, PayloadIsTheBuiltSaverByteForByte)
{
    const std::string saver = ReadProfile(SaverPath());
    ASSERT_GT(saver.size(), 1024u) << SaverPath();
    ASSERT_EQ(saver.compare(0, 2, "MZ"), 0);
    const std::string payload = Bytes("DATA", MAKEINTRESOURCEA(10));
    EXPECT_EQ(payload.size(), saver.size());
    EXPECT_TRUE(payload == saver);
}

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE Width, Height, ColorCount, Reserved;
    WORD Planes, BitCount;
    DWORD BytesInRes;
    WORD Id;
};
#pragma pack(pop)

TEST_F(InstallerResources, IconGroupHoldsA32And16PixelImageOf16Colours)
{
    const std::string group = Bytes(RT_GROUP_ICON, "INSTALLICON");
    ASSERT_EQ(group.size(), 6 + 2 * sizeof(GroupIconEntry));
    const WORD *header = reinterpret_cast<const WORD *>(group.data());
    EXPECT_EQ(header[0], 0);
    EXPECT_EQ(header[1], 1);
    EXPECT_EQ(header[2], 2);
    const auto *entry = reinterpret_cast<const GroupIconEntry *>(group.data() + 6);
    const struct { BYTE size; WORD id; } expected[] = {{32, 1}, {16, 2}};
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(entry[i].Width, expected[i].size);
        EXPECT_EQ(entry[i].Height, expected[i].size);
        EXPECT_EQ(entry[i].ColorCount, 16);
        EXPECT_EQ(entry[i].BitCount, 4);
        EXPECT_EQ(entry[i].Id, expected[i].id);

        const std::string image = Bytes(RT_ICON, MAKEINTRESOURCEA(expected[i].id));
        ASSERT_EQ(image.size(), entry[i].BytesInRes);
        ASSERT_GE(image.size(), sizeof(BITMAPINFOHEADER));
        const auto *info = reinterpret_cast<const BITMAPINFOHEADER *>(image.data());
        EXPECT_EQ(info->biWidth, expected[i].size);
        EXPECT_EQ(info->biHeight, 2 * expected[i].size);  // colour rows, then the mask
        EXPECT_EQ(info->biBitCount, 4);
        const size_t colourRow = (expected[i].size / 2 + 3) / 4 * 4;
        const size_t maskRow = (expected[i].size / 8 + 3) / 4 * 4;
        EXPECT_EQ(image.size(), sizeof(BITMAPINFOHEADER) + 16 * sizeof(RGBQUAD) +
                                    expected[i].size * (colourRow + maskRow));
    }
}

TEST_F(InstallerResources, IconLoadsAsTheSystemIcon)
{
    HICON large = static_cast<HICON>(LoadImageA(module, "INSTALLICON", IMAGE_ICON, 32, 32, 0));
    HICON small = static_cast<HICON>(LoadImageA(module, "INSTALLICON", IMAGE_ICON, 16, 16, 0));
    EXPECT_NE(large, nullptr);
    EXPECT_NE(small, nullptr);
    if (small)
        DestroyIcon(small);
    if (large)
        DestroyIcon(large);
}

TEST(InstallerProgram, IsA32BitGuiProgramImportingSystemLibrariesOnly)
{
    const std::string image = ReadProfile(InstallerPath());
    ASSERT_GT(image.size(), sizeof(IMAGE_DOS_HEADER));
    const auto *dos = reinterpret_cast<const IMAGE_DOS_HEADER *>(image.data());
    ASSERT_EQ(dos->e_magic, IMAGE_DOS_SIGNATURE);
    const auto *nt = reinterpret_cast<const IMAGE_NT_HEADERS32 *>(image.data() + dos->e_lfanew);
    ASSERT_EQ(nt->Signature, IMAGE_NT_SIGNATURE);
    EXPECT_EQ(nt->FileHeader.Machine, IMAGE_FILE_MACHINE_I386);
    EXPECT_EQ(nt->OptionalHeader.Magic, IMAGE_NT_OPTIONAL_HDR32_MAGIC);
    EXPECT_EQ(nt->OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);

    HMODULE module = LoadLibraryExA(InstallerPath().c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    ASSERT_NE(module, nullptr);
    const auto *base = reinterpret_cast<const BYTE *>(module);
    const auto *loaded = reinterpret_cast<const IMAGE_NT_HEADERS32 *>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER *>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY &imports = loaded->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    std::set<std::string> libraries;
    for (auto *entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR *>(base + imports.VirtualAddress);
         entry->Name; ++entry) {
        std::string library = reinterpret_cast<const char *>(base + entry->Name);
        CharLowerA(&library[0]);
        libraries.insert(library);
    }
    FreeLibrary(module);
    for (const std::string &library : libraries)
        EXPECT_TRUE(library == "kernel32.dll" || library == "user32.dll" || library == "msvcrt.dll")
            << library;
}

// ---------------------------------------------------------------------------
// The real installer, answered as a user would

// One message box of the installer as the user sees it.
struct SeenBox {
    std::string Caption;
    std::string Text;
    std::vector<int> Buttons;  // the visible push buttons' identifiers
    int DefaultButton = 0;
    bool Owned = false;
    LPCSTR Icon = nullptr;  // the system icon shown (IDI_...), or none
};

struct InstallerOutcome {
    DWORD ExitCode = STILL_ACTIVE;
    std::vector<SeenBox> Boxes;
};

constexpr int MessageTextId = 0xFFFF;  // the static control with the text
constexpr DWORD RunTimeout = 120000;

struct BoxSearch {
    DWORD Process;
    const std::set<HWND> *Seen;
    std::vector<HWND> Found;
};

BOOL CALLBACK CollectNewBox(HWND window, LPARAM data)
{
    auto *search = reinterpret_cast<BoxSearch *>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char className[64] = {};
    GetClassNameA(window, className, sizeof className);
    if (owner == search->Process && IsWindowVisible(window) &&
        lstrcmpA(className, "#32770") == 0 && !search->Seen->count(window))
        search->Found.push_back(window);
    return TRUE;
}

// The visible dialog-class windows of one process that have not been seen.
std::vector<HWND> NewBoxes(DWORD process, const std::set<HWND> &seen)
{
    BoxSearch search{process, &seen, {}};
    EnumWindows(CollectNewBox, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

constexpr DWORD PaintTimeout = 10000;

// One 32 x 32 picture in 32-bit pixels.
using IconPixels = std::array<DWORD, 32 * 32>;

// The 32 x 32 pixels that `draw` leaves on a fresh 32-bit surface.
template <class Draw>
IconPixels DrawnPixels(Draw draw)
{
    IconPixels pixels{};
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = 32;
    info.bmiHeader.biHeight = -32;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    HDC memory = CreateCompatibleDC(nullptr);
    void *bits = nullptr;
    HBITMAP picture = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, picture);
    draw(memory, static_cast<DWORD *>(bits));
    GdiFlush();
    std::memcpy(pixels.data(), bits, sizeof pixels);
    SelectObject(memory, old);
    DeleteObject(picture);
    DeleteDC(memory);
    return pixels;
}

// What the screen shows at a window's top-left 32 x 32 pixels.
IconPixels ScreenPixels(HWND window)
{
    RECT area = {};
    GetWindowRect(window, &area);
    return DrawnPixels([&area](HDC memory, DWORD *) {
        HDC screen = GetDC(nullptr);
        BitBlt(memory, 0, 0, 32, 32, screen, area.left, area.top, SRCCOPY);
        ReleaseDC(nullptr, screen);
    });
}

// A system icon drawn over the given background colour.
IconPixels DrawnIcon(LPCSTR name, DWORD background)
{
    return DrawnPixels([name, background](HDC memory, DWORD *bits) {
        std::fill_n(bits, 32 * 32, background);
        DrawIconEx(memory, 0, 0, LoadIconA(nullptr, name), 32, 32, 0, nullptr, DI_NORMAL);
    });
}

// Which of the message-box icons the icon control shows on the screen,
// waiting a little for the box to be painted; null when none matches.
LPCSTR ShownIcon(HWND control)
{
    const LPCSTR candidates[] = {IDI_QUESTION, IDI_EXCLAMATION, IDI_HAND, IDI_ASTERISK};
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < PaintTimeout) {
        const IconPixels shown = ScreenPixels(control);
        for (LPCSTR candidate : candidates)
            if (DrawnIcon(candidate, shown[0] & 0xFFFFFF) == shown)
                return candidate;
        Sleep(30);
    }
    return nullptr;
}

SeenBox ReadBox(HWND box)
{
    SeenBox seen;
    char text[1024] = {};
    GetWindowTextA(box, text, sizeof text);
    seen.Caption = text;
    text[0] = '\0';
    GetWindowTextA(GetDlgItem(box, MessageTextId), text, sizeof text);
    seen.Text = text;
    seen.Owned = GetWindow(box, GW_OWNER) != nullptr;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child))
            continue;
        char className[64] = {};
        GetClassNameA(child, className, sizeof className);
        const LONG style = GetWindowLongA(child, GWL_STYLE);
        if (lstrcmpiA(className, "Button") == 0) {
            seen.Buttons.push_back(GetDlgCtrlID(child));
            if ((style & 0x0F) == BS_DEFPUSHBUTTON)
                seen.DefaultButton = GetDlgCtrlID(child);
        } else if (lstrcmpiA(className, "Static") == 0 && (style & SS_TYPEMASK) == SS_ICON) {
            DWORD_PTR icon = 0;
            SendMessageTimeoutA(child, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 5000, &icon);
            if (icon)
                seen.Icon = ShownIcon(child);
        }
    }
    return seen;
}

// Starts telvinst.exe and presses, in each box it shows, the button given
// for that box; boxes beyond the answers are recorded and closed with their
// first button. Returns every box seen and the exit code.
InstallerOutcome RunInstaller(const std::vector<int> &answers)
{
    InstallerOutcome outcome;
    std::string commandLine = "\"" + InstallerPath() + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(InstallerPath().c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0,
                        nullptr, nullptr, &startup, &process)) {
        ADD_FAILURE() << "cannot start " << InstallerPath() << ": " << GetLastError();
        return outcome;
    }
    std::set<HWND> seen;
    const DWORD start = GetTickCount();
    while (WaitForSingleObject(process.hProcess, 20) == WAIT_TIMEOUT) {
        if (GetTickCount() - start > RunTimeout) {
            ADD_FAILURE() << "the installer did not end";
            TerminateProcess(process.hProcess, 99);
            WaitForSingleObject(process.hProcess, INFINITE);
            break;
        }
        for (HWND box : NewBoxes(process.dwProcessId, seen)) {
            seen.insert(box);
            SeenBox read = ReadBox(box);
            int answer = read.Buttons.empty() ? IDOK : read.Buttons.front();
            if (outcome.Boxes.size() < answers.size())
                answer = answers[outcome.Boxes.size()];
            outcome.Boxes.push_back(read);
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(box, answer)));
        }
    }
    GetExitCodeProcess(process.hProcess, &outcome.ExitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return outcome;
}

constexpr char InstallQuestion[] = "Install Telv Screensaver ?    ";
constexpr char AbortedText[] = "Install aborted   ";
constexpr char WriteErrorText[] = "Write error";
constexpr char InstalledText[] = "      Saver installed       ";

std::string OverwriteQuestion(const std::string &target)
{
    return "File : \"" + target + "\" already exists   \n\nOverwrite this file ?";
}

// What every box of the installer shares, and what tells the boxes apart.
void ExpectBox(const SeenBox &box, const std::string &text, std::vector<int> buttons, LPCSTR icon)
{
    EXPECT_EQ(box.Caption, "Install");
    EXPECT_EQ(box.Text, text);
    EXPECT_EQ(box.Buttons, buttons) << text;
    EXPECT_EQ(box.DefaultButton, buttons.front()) << text;
    EXPECT_FALSE(box.Owned) << text;
    EXPECT_EQ(box.Icon, icon) << text << " (0 is no icon, 0x7f01 to 0x7f04 the IDI_ icons)";
}

void ExpectInstallQuestion(const SeenBox &box) { ExpectBox(box, InstallQuestion, {IDOK, IDCANCEL}, IDI_QUESTION); }

constexpr char EarlierProfile[] =
    "[boot]\r\n"
    "shell=Explorer.exe\r\n"
    "SCRNSAVE.EXE=C:\\OLD\\OLDSAVER.SCR\r\n"
    "language=english\r\n"
    "[drivers]\r\n"
    "wave=mmdrv.dll\r\n"
    "SCRNSAVE.EXE=kept.scr\r\n";

// The Windows directory of the test prefix, with the target cleared and
// "system.ini" holding a known earlier choice; both are put back afterwards.
class Installer : public testing::Test {
protected:
    void SetUp() override
    {
        target = WindowsFilePath("Telv.scr");
        profile = WindowsFilePath("system.ini");
        hadProfile = FileExists(profile);
        savedProfile = ReadProfile(profile);
        RemoveTarget(target);
        WriteProfile(profile, EarlierProfile);
        saver = ReadProfile(SaverPath());
        ASSERT_GT(saver.size(), 1024u) << SaverPath();
    }
    void TearDown() override
    {
        RemoveTarget(target);
        if (hadProfile)
            WriteProfile(profile, savedProfile);
        else
            RemoveProfile(profile);
    }

    std::string CurrentProfile()
    {
        FlushProfileCache(profile);
        return ReadProfile(profile);
    }

    std::string RegisteredSaver()
    {
        FlushProfileCache(profile);
        char value[MAX_PATH] = {};
        GetPrivateProfileStringA("boot", "SCRNSAVE.EXE", "", value, MAX_PATH, "system.ini");
        return value;
    }

    // The earlier profile with only the one key of section boot replaced.
    std::string ProfileAfterInstall()
    {
        std::string text = EarlierProfile;
        const std::string old = "SCRNSAVE.EXE=C:\\OLD\\OLDSAVER.SCR";
        return text.replace(text.find(old), old.size(), "SCRNSAVE.EXE=" + ShortPath(target));
    }

    // The run asked to install, then met a write error and ended with 1,
    // leaving the earlier settings and saver as they were.
    void ExpectWriteErrorRightAfterTheQuestion(const InstallerOutcome &outcome)
    {
        EXPECT_EQ(outcome.ExitCode, 1u);
        ASSERT_EQ(outcome.Boxes.size(), 2u);
        ExpectInstallQuestion(outcome.Boxes[0]);
        ExpectBox(outcome.Boxes[1], WriteErrorText, {IDOK}, IDI_HAND);
        EXPECT_EQ(CurrentProfile(), EarlierProfile);
        EXPECT_EQ(RegisteredSaver(), "C:\\OLD\\OLDSAVER.SCR");
    }

    std::string target;
    std::string profile;
    bool hadProfile = false;
    std::string savedProfile;
    std::string saver;
};

TEST_F(Installer, CancelAtTheFirstQuestionEndsWithOneAndDoesNothing)
{
    const InstallerOutcome outcome = RunInstaller({IDCANCEL});
    EXPECT_EQ(outcome.ExitCode, 1u);
    ASSERT_EQ(outcome.Boxes.size(), 1u);
    ExpectInstallQuestion(outcome.Boxes[0]);
    EXPECT_FALSE(FileExists(target));
    EXPECT_EQ(CurrentProfile(), EarlierProfile);
}

TEST_F(Installer, FreshInstallWritesTheSaverAndRegistersItsShortPath)
{
    const InstallerOutcome outcome = RunInstaller({IDOK, IDOK});
    EXPECT_EQ(outcome.ExitCode, 0u);
    ASSERT_EQ(outcome.Boxes.size(), 2u);
    ExpectInstallQuestion(outcome.Boxes[0]);
    ExpectBox(outcome.Boxes[1], InstalledText, {IDOK}, nullptr);

    const std::string written = ReadProfile(target);
    EXPECT_EQ(written.size(), saver.size());
    EXPECT_TRUE(written == saver) << "Telv.scr differs from telv.scr";
    EXPECT_EQ(RegisteredSaver(), ShortPath(target));
    EXPECT_EQ(CurrentProfile(), ProfileAfterInstall());
}

TEST_F(Installer, MissingProfileIsCreatedWithTheOneKey)
{
    RemoveProfile(profile);
    const InstallerOutcome outcome = RunInstaller({IDOK, IDOK});
    EXPECT_EQ(outcome.ExitCode, 0u);
    ASSERT_EQ(outcome.Boxes.size(), 2u);
    EXPECT_EQ(outcome.Boxes[1].Text, InstalledText);
    EXPECT_EQ(RegisteredSaver(), ShortPath(target));
}

TEST_F(Installer, DecliningTheOverwriteKeepsEverythingAndEndsWithZero)
{
    WriteBytes(target, "an earlier saver");
    const InstallerOutcome outcome = RunInstaller({IDOK, IDNO, IDOK});
    EXPECT_EQ(outcome.ExitCode, 0u);
    ASSERT_EQ(outcome.Boxes.size(), 3u);
    ExpectInstallQuestion(outcome.Boxes[0]);
    ExpectBox(outcome.Boxes[1], OverwriteQuestion(target), {IDYES, IDNO}, IDI_EXCLAMATION);
    ExpectBox(outcome.Boxes[2], AbortedText, {IDOK}, IDI_EXCLAMATION);
    EXPECT_EQ(ReadProfile(target), "an earlier saver");
    EXPECT_EQ(CurrentProfile(), EarlierProfile);
}

TEST_F(Installer, OverwriteQuestionNamesTheFullTargetPath)
{
    WriteBytes(target, "x");
    const InstallerOutcome outcome = RunInstaller({IDOK, IDNO, IDOK});
    ASSERT_GE(outcome.Boxes.size(), 2u);
    char directory[MAX_PATH] = {};
    GetWindowsDirectoryA(directory, MAX_PATH);
    EXPECT_EQ(outcome.Boxes[1].Text,
              std::string("File : \"") + directory + "\\Telv.scr\" already exists   \n\nOverwrite this file ?");
}

TEST_F(Installer, AcceptingTheOverwriteReplacesALongerFileWhole)
{
    WriteBytes(target, saver + std::string(20000, 'o'));
    const InstallerOutcome outcome = RunInstaller({IDOK, IDYES, IDOK});
    EXPECT_EQ(outcome.ExitCode, 0u);
    ASSERT_EQ(outcome.Boxes.size(), 3u);
    ExpectBox(outcome.Boxes[1], OverwriteQuestion(target), {IDYES, IDNO}, IDI_EXCLAMATION);
    ExpectBox(outcome.Boxes[2], InstalledText, {IDOK}, nullptr);
    const std::string written = ReadProfile(target);
    EXPECT_EQ(written.size(), saver.size());
    EXPECT_TRUE(written == saver) << "Telv.scr differs from telv.scr";
    EXPECT_EQ(CurrentProfile(), ProfileAfterInstall());
}

TEST_F(Installer, TargetHeldOpenWithoutWriteSharingIsAWriteError)
{
    WriteBytes(target, "an earlier saver");
    HANDLE held = CreateFileA(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const InstallerOutcome outcome = RunInstaller({IDOK, IDYES, IDOK});
    CloseHandle(held);
    EXPECT_EQ(outcome.ExitCode, 1u);
    ASSERT_EQ(outcome.Boxes.size(), 3u);
    ExpectBox(outcome.Boxes[1], OverwriteQuestion(target), {IDYES, IDNO}, IDI_EXCLAMATION);
    ExpectBox(outcome.Boxes[2], WriteErrorText, {IDOK}, IDI_HAND);
    EXPECT_EQ(ReadProfile(target), "an earlier saver");
    EXPECT_EQ(CurrentProfile(), EarlierProfile);
}

TEST_F(Installer, TargetThatIsADirectoryIsAWriteErrorWithoutAQuestion)
{
    ASSERT_TRUE(CreateDirectoryA(target.c_str(), nullptr));
    ExpectWriteErrorRightAfterTheQuestion(RunInstaller({IDOK, IDOK}));
}

TEST_F(Installer, ProfileThatCannotBeWrittenIsAWriteErrorNotASuccess)
{
    HANDLE held = CreateFileA(profile.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const InstallerOutcome outcome = RunInstaller({IDOK, IDOK});
    CloseHandle(held);
    ExpectWriteErrorRightAfterTheQuestion(outcome);
}

} // namespace
