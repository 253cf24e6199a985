// What the real saver shows on the screen, watched from this process: the
// pictures without balls, smooth motion, and the resources it carries.
#include "tests/saver_process.h"

#include <cmath>
#include <cstdio>

namespace {

// The top-left corner of the one ball in `shown`, the monitor's pixels at
// (left, top): of the pixels that differ from the pitch, the topmost row and
// the leftmost column, in the monitor's coordinates; (-1, -1) when none
// differs.
POINT BallCorner(const Pixels &shown, const Pixels &pitch, int left, int top)
{
    POINT corner = {-1, -1};
    for (int y = 0; y < shown.Height; ++y)
        for (int x = 0; x < shown.Width; ++x)
            if (shown.At(x, y) != pitch.At(left + x, top + y)) {
                corner.y = corner.y < 0 ? top + y : corner.y;
                corner.x = corner.x < 0 || left + x < corner.x ? left + x : corner.x;
            }
    return corner;
}

// Without balls every monitor shows exactly the pitch and the first portrait;
// the preview on the desktop shows its picture at the desktop's top left. At
// 192 DPI every picture is the one drawn at twice the size.
TEST_F(SaverProcess, PicturesWithoutBalls)
{
    const std::string settings = WindowsFilePath("telv1.ini");
    WriteFileBytes(settings, "[telv]\r\nballs=0\r\n");
    const auto [saver, window] = StartFullScreen("/s", false);
    ASSERT_NE(window, nullptr);
    EndSaver(saver, window, "key a", POINT{100, 100});
    EXPECT_EQ(WaitForExit(saver, ExitTimeout), 0u);
    RemoveFile(settings);

    // Wine draws another process's child only when the host is the desktop.
    HANDLE process = Start("/p " + HandleText(GetDesktopWindow()));
    HWND preview = WaitForPreview(GetDesktopWindow());
    ASSERT_NE(preview, nullptr);
    PumpFor(1500);
    RECT desktop = {};
    GetWindowRect(GetDesktopWindow(), &desktop);
    const int f = DpiFactor();
    const Pixels picture = PictureAtScale(IDB_PREVIEW, IDB_PREVIEW_200);
    const Pixels shown = CaptureWindow(nullptr, desktop.left, desktop.top, 150 * f, 110 * f);
    int differing = 0;
    for (int y = 0; y < shown.Height; ++y)
        for (int x = 0; x < shown.Width; ++x)
            differing += shown.At(x, y) != picture.At(x, y);
    EXPECT_EQ(differing, 0);
    PostMessageA(preview, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForExit(process, ExitTimeout), 0u);
}

// Smooth motion, the default, seen from outside for five seconds while
// this process copies the part of the screen around the one ball in flight
// as fast as it can, following the ball: the screen changes at least 45
// times a second, most changes come one refresh after the one before, and
// between those the ball moves at most 8 pixels (in 95 of 100). A loaded
// machine may skip a frame now and then: the change after it carries two
// refreshes' motion and is not one refresh apart. Drawing on the tick alone
// the screen changed 18 times a second, 55 ms and up to 13 pixels apart.
TEST_F(SaverProcess, SmoothMotionSeenFromOutside)
{
    constexpr DWORD Watched = 5000;
    constexpr int Margin = 24;  // around the ball's cell
    const std::string settings = WindowsFilePath("telv1.ini");
    WriteFileBytes(settings, "[telv]\r\nballs=1\r\n");
    const auto [saver, window] = StartFullScreen();
    ASSERT_NE(window, nullptr);
    const RECT m = MonitorRects()[0];
    RECT middle = {};
    const Pixels pitch = SaverPitch(m, middle);
    HDC screen = GetDC(nullptr);
    RECT part = {0, 0, pitch.Width, pitch.Height};  // the monitor's pixels copied
    const auto grab = [&](POINT around) {
        if (around.x >= 0)
            part = {std::max(0L, around.x - Margin), std::max(0L, around.y - Margin),
                    std::min<LONG>(pitch.Width, around.x + 40 + Margin),
                    std::min<LONG>(pitch.Height, around.y + 40 + Margin)};
        else
            part = {0, 0, pitch.Width, pitch.Height};
        return Capture(screen, m.left + part.left, m.top + part.top, part.right - part.left, part.bottom - part.top);
    };
    DEVMODEA mode = {};
    mode.dmSize = sizeof mode;
    EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode);
    LARGE_INTEGER frequency = {}, seen = {}, before = {};
    QueryPerformanceFrequency(&frequency);
    const LONGLONG oneRefresh = frequency.QuadPart / std::max<DWORD>(mode.dmDisplayFrequency, 2);
    POINT was = BallCorner(grab({-1, -1}), pitch, 0, 0);
    Pixels last = grab(was);
    int changes = 0, captures = 0;
    std::vector<double> steps;  // between changes one refresh apart
    for (const DWORD start = GetTickCount(); GetTickCount() - start < Watched; ++captures) {
        Pixels shown = grab(was);
        if (shown.Values == last.Values)
            continue;
        POINT at = BallCorner(shown, pitch, part.left, part.top);
        if (at.x < 0 || at.x == part.left || at.y == part.top)  // lost at the edge of the part: look again
            at = BallCorner(grab({-1, -1}), pitch, 0, 0);
        QueryPerformanceCounter(&seen);
        if (was.x >= 0 && at.x >= 0 && before.QuadPart != 0 && seen.QuadPart - before.QuadPart < oneRefresh * 3 / 2)
            steps.push_back(std::hypot(at.x - was.x, at.y - was.y));
        before = seen;
        ++changes;
        was = at;
        last = grab(was);
    }
    ReleaseDC(nullptr, screen);
    EndSaver(saver, window, "key a", POINT{100, 100});
    EXPECT_EQ(WaitForExit(saver, ExitTimeout), 0u);
    RemoveFile(settings);
    ASSERT_GT(steps.size(), 20u);
    std::sort(steps.begin(), steps.end());
    const double typical = steps[steps.size() * 95 / 100];
    std::printf("%d captures, %d changes, %d one refresh apart, their steps: median %.1f, 95th percentile %.1f, largest %.1f pixels\n", captures,
                changes, static_cast<int>(steps.size()), steps[steps.size() / 2], typical, steps.back());
    EXPECT_GE(changes * 1000.0 / Watched, 45.0) << "changes a second";
    EXPECT_GE(steps.size() * 2, static_cast<size_t>(changes)) << "changes one refresh after the one before";
    EXPECT_LE(typical, 8.0) << "pixels from one change to the next";
}

// What the system and the user see of the built saver's resources: the name
// the display settings list it under, and the eleven portraits, all
// different, in their order (resource 11 + i is portrait i + 1 as drawn).
TEST(SaverResources, NameAndPortraits)
{
    HMODULE saver = LoadLibraryExA((ProgramFolder() + "\\telv.scr").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(saver, nullptr);
    char name[64] = "";
    LoadStringA(saver, 1, name, sizeof name);
    EXPECT_STREQ(name, "Telv ScreenSaver");
    std::vector<std::string> portraits;
    for (int i = 0; i < 11; ++i) {
        HRSRC found = FindResourceA(saver, MAKEINTRESOURCEA(IDB_PORTRAIT_FIRST + i), RT_BITMAP);
        const char *bytes = static_cast<const char *>(LockResource(LoadResource(saver, found)));
        portraits.emplace_back(bytes, SizeofResource(saver, found));
        char file[32];
        wsprintfA(file, "/resources/portrait%02d.bmp", i + 1);
        // The committed picture, after its 14-byte file header.
        const std::string drawn = ReadFileBytes(TELV_SOURCE_FOLDER + std::string(file));
        EXPECT_TRUE(drawn.size() > 14 && portraits.back() == drawn.substr(14)) << file;
        for (int j = 0; j < i; ++j)
            EXPECT_NE(portraits[j], portraits[i]) << "portraits " << j + 1 << " and " << i + 1;
    }
    FreeLibrary(saver);
}

} // namespace
