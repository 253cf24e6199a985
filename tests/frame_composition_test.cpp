// The animation on screen: the painted scene, the portrait changes, the balls
// drawn through their masks, what a tick copies to the window, the preview
// and the teardown. Pixels are read back from a real full-screen window whose
// procedure is ScreenSaverProc and from the two frame buffers. The program is
// built once per screen size.
#include "animation/ball_scene.h"
#include "animation/frame_composition.h"
#include "animation/picture_assets.h"
#include "settings/settings_file.h"
#include "shell/saver_module.h"
#include "tests/frame_test_support.h"
#include "tests/test_windows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>

namespace {

constexpr char TestClassName[] = "TelvFrameTest";

// The saver's pictures as the loader gives them, read once: the reference
// for what the screen must show.
struct ReferencePictures {
    Pixels Tile;
    Pixels Preview;
    std::vector<Pixels> Frames;
    std::vector<Pixels> Portraits;
};

const ReferencePictures &References()
{
    static ReferencePictures refs;
    static bool loaded = false;
    if (loaded)
        return refs;
    auto load = [](LPCSTR name) {
        HBITMAP bitmap = LoadPicture(nullptr, SaverState.Instance, name);
        Pixels p = CaptureBitmap(bitmap);
        DeleteObject(bitmap);
        return p;
    };
    refs.Tile = load("l1");
    refs.Preview = load("prev");
    for (int k = 0; k < 6; ++k)
        refs.Frames.push_back(load(MAKEINTRESOURCEA(k + 1)));
    for (int k = 0; k < 11; ++k)
        refs.Portraits.push_back(load(MAKEINTRESOURCEA(k + 11)));
    loaded = true;
    return refs;
}

// Where the portrait's top-left corner lies on each screen size.
POINT PortraitCorner(int width, int height)
{
    static const std::map<std::pair<int, int>, POINT> corners = {
        {{640, 480}, {220, 90}}, {{800, 600}, {300, 150}}, {{1024, 768}, {412, 234}}};
    auto it = corners.find({width, height});
    return it == corners.end() ? POINT{(width - 200) / 2, (height - 300) / 2} : it->second;
}

// The screen as a paint leaves it: tiles from the top-left corner, the
// given portrait in the middle, no ball.
Pixels ExpectedScreen(int portrait)
{
    const ReferencePictures &refs = References();
    Pixels out;
    out.Width = ScreenWidth;
    out.Height = ScreenHeight;
    out.Values.resize(static_cast<size_t>(ScreenWidth) * ScreenHeight);
    const POINT corner = PortraitCorner(ScreenWidth, ScreenHeight);
    const Pixels &face = refs.Portraits[portrait];
    for (int y = 0; y < ScreenHeight; ++y)
        for (int x = 0; x < ScreenWidth; ++x) {
            const int px = x - corner.x;
            const int py = y - corner.y;
            if (px >= 0 && py >= 0 && px < face.Width && py < face.Height)
                out.At(x, y) = face.At(px, py);
            else
                out.At(x, y) = refs.Tile.At(x % 200, y % 200);
        }
    return out;
}

// `base` with the balls in use drawn on it slot by slot, each frame's black
// ground left out and everything off the screen cut away.
Pixels WithBalls(Pixels base)
{
    const ReferencePictures &refs = References();
    for (int slot = 0; slot < BallCount; ++slot) {
        const Pixels &frame = refs.Frames[BallTable.Frame[slot]];
        for (int j = 0; j < 40; ++j)
            for (int i = 0; i < 40; ++i) {
                const int x = BallTable.X[slot] + i;
                const int y = BallTable.Y[slot] + j;
                if (x < 0 || y < 0 || x >= base.Width || y >= base.Height)
                    continue;
                if (frame.At(i, j) != 0)
                    base.At(x, y) = frame.At(i, j);
            }
    }
    return base;
}

// Counts differing pixels and names the first one.
testing::AssertionResult SamePixels(const Pixels &actual, const Pixels &expected)
{
    if (actual.Width != expected.Width || actual.Height != expected.Height)
        return testing::AssertionFailure() << "size " << actual.Width << "x" << actual.Height;
    size_t differing = 0;
    std::ostringstream first;
    for (int y = 0; y < actual.Height; ++y)
        for (int x = 0; x < actual.Width; ++x)
            if (actual.At(x, y) != expected.At(x, y) && differing++ == 0)
                first << std::hex << "first at (" << std::dec << x << ", " << y << "): 0x"
                      << std::hex << actual.At(x, y) << " instead of 0x" << expected.At(x, y);
    if (differing)
        return testing::AssertionFailure() << differing << " pixels differ, " << first.str();
    return testing::AssertionSuccess();
}

Pixels Cut(const Pixels &from, int x, int y, int width, int height)
{
    Pixels out;
    out.Width = width;
    out.Height = height;
    for (int j = 0; j < height; ++j)
        for (int i = 0; i < width; ++i)
            out.Values.push_back(from.At(x + i, y + j));
    return out;
}

// Places a ball for the next step, which adds speedX to x and speedY / 4
// (rounded down) to y, and advances the frame every second tick.
void PlaceBall(int slot, int x, int y, int speedX, int speedY, int frame)
{
    BallTable.X[slot] = x;
    BallTable.Y[slot] = y;
    BallTable.SpeedX[slot] = speedX;
    BallTable.SpeedY[slot] = speedY;
    BallTable.Frame[slot] = frame;
    BallTable.FrameTick[slot] = 0;
}

class FrameComposition : public testing::Test {
protected:
    void SetUp() override
    {
        ResetSaverState();
        const HINSTANCE instance = SaverState.Instance;
        SaverState.IsPreview = preview;
        Animation = AnimationRecord{};
        References();

        WNDCLASSA wc = {};
        wc.lpfnWndProc = ScreenSaverProc;
        wc.hInstance = instance;
        wc.lpszClassName = TestClassName;
        ASSERT_TRUE(RegisterClassA(&wc));
        const int width = preview ? 300 : GetSystemMetrics(SM_CXSCREEN);
        const int height = preview ? 200 : GetSystemMetrics(SM_CYSCREEN);
        window = CreateWindowExA(WS_EX_TOPMOST, TestClassName, preview ? "Preview" : "Screen Saver",
                                 WS_POPUP | WS_VISIBLE, 0, 0, width, height, nullptr, nullptr,
                                 instance, nullptr);
        ASSERT_NE(window, nullptr);
        SaverState.SaverWindow = window;
        // The test drives the ticks itself.
        timerWasRunning = KillTimer(window, AnimationTimerId);
        DrainQueue();
    }

    void TearDown() override
    {
        if (IsWindow(window))
            DestroyWindow(window);
        DrainQueue();
        UnregisterClassA(TestClassName, SaverState.Instance);
    }

    // Empties the queue; a shown window's pending paint is validated first,
    // since it would come back for ever otherwise.
    void DrainQueue()
    {
        if (IsWindow(window))
            ValidateRect(window, nullptr);
        DrainMessages();
    }

    // A real WM_PAINT of the whole window.
    void Paint()
    {
        InvalidateRect(window, nullptr, FALSE);
        UpdateWindow(window);
    }

    void Tick(int count = 1)
    {
        for (int i = 0; i < count; ++i)
            SendMessageA(window, WM_TIMER, AnimationTimerId, 0);
    }

    Pixels Screen() { return CaptureWindow(window, 0, 0, ScreenWidth, ScreenHeight); }

    // Fills the whole window with a colour no picture has, so that what a
    // tick copies to it shows.
    void MarkWindow()
    {
        HDC surface = GetDC(window);
        HBRUSH brush = CreateSolidBrush(RGB(0x12, 0x34, 0x56));
        RECT all = {0, 0, ScreenWidth, ScreenHeight};
        FillRect(surface, &all, brush);
        DeleteObject(brush);
        ReleaseDC(window, surface);
    }

    // The window after a tick on a marked window: the composition inside
    // the given rectangles, the mark elsewhere.
    Pixels MarkedWithRectangles(const Pixels &composition, const std::vector<RECT> &rects)
    {
        Pixels out = composition;
        for (int y = 0; y < out.Height; ++y)
            for (int x = 0; x < out.Width; ++x) {
                const POINT at = {x, y};
                const bool presented = std::any_of(rects.begin(), rects.end(),
                                                   [&](const RECT &r) { return PtInRect(&r, at); });
                if (!presented)
                    out.At(x, y) = 0x123456;
            }
        return out;
    }

    Pixels CompositionPixels() { return Capture(Animation.FrameBuffers.Composition.Dc, 0, 0, ScreenWidth, ScreenHeight); }
    Pixels BackgroundPixels() { return Capture(Animation.FrameBuffers.Background.Dc, 0, 0, ScreenWidth, ScreenHeight); }

    LONG preview = 0;
    HWND window = nullptr;
    BOOL timerWasRunning = FALSE;
};

TEST_F(FrameComposition, PaintTilesTheScreenAndCentresTheFirstPortrait)
{
    EXPECT_TRUE(timerWasRunning) << "full screen starts the animation timer";
    const ReferencePictures &refs = References();
    ASSERT_EQ(refs.Tile.Width, 200);
    ASSERT_EQ(refs.Portraits[0].Width, 200);
    ASSERT_EQ(refs.Portraits[0].Height, 300);
    // A tile that repeated itself within 200 pixels would hide a misplaced one.
    ASSERT_FALSE(SamePixels(Cut(refs.Tile, 0, 0, 100, 200), Cut(refs.Tile, 100, 0, 100, 200)));
    ASSERT_FALSE(SamePixels(Cut(refs.Tile, 0, 0, 200, 100), Cut(refs.Tile, 0, 100, 200, 100)));

    Paint();
    EXPECT_EQ(Animation.SpriteWidth, 40);
    EXPECT_EQ(Animation.SpriteHeight, 40);
    const Pixels expected = ExpectedScreen(0);
    EXPECT_TRUE(SamePixels(CompositionPixels(), expected)) << "composition";
    EXPECT_TRUE(SamePixels(BackgroundPixels(), expected)) << "background";
    EXPECT_TRUE(SamePixels(Screen(), expected)) << "window";
}

TEST_F(FrameComposition, TilesOnSixFortyByFourEighty)
{
    if (ScreenWidth != 640 || ScreenHeight != 480)
        GTEST_SKIP() << "640 x 480 only";
    Paint();
    const Pixels &tile = References().Tile;
    const Pixels screen = Screen();
    const RECT portrait = {220, 90, 420, 390};
    for (int y : {0, 200, 400})
        for (int x : {0, 200, 400, 600}) {
            // Each tile starts at its corner with the tile's own top-left
            // pixel and is cut at the screen's edge; the portrait covers
            // parts of some.
            const int w = x == 600 ? 40 : 200;
            const int h = y == 400 ? 80 : 200;
            int compared = 0, differing = 0;
            for (int j = 0; j < h; ++j)
                for (int i = 0; i < w; ++i) {
                    const POINT at = {x + i, y + j};
                    if (PtInRect(&portrait, at))
                        continue;
                    ++compared;
                    differing += screen.At(x + i, y + j) != tile.At(i, j);
                }
            EXPECT_GT(compared, 0);
            EXPECT_EQ(differing, 0) << "tile at " << x << ", " << y;
        }
    EXPECT_TRUE(SamePixels(Cut(screen, 220, 90, 200, 300), References().Portraits[0]));
}

TEST_F(FrameComposition, PortraitChangesEveryThreeHundredTicks)
{
    BallCount = 0;
    Paint();
    const POINT corner = PortraitCorner(ScreenWidth, ScreenHeight);
    const ReferencePictures &refs = References();
    auto shown = [&](HDC surface) { return Capture(surface, corner.x, corner.y, 200, 300); };
    auto onWindow = [&] { return CaptureWindow(window, corner.x, corner.y, 200, 300); };

    Tick(299);
    EXPECT_EQ(Animation.PortraitTick, 299);
    EXPECT_TRUE(SamePixels(onWindow(), refs.Portraits[0])) << "resource 11 until tick 299";
    for (int portrait = 1; portrait <= 11; ++portrait) {
        Tick(portrait == 1 ? 1 : 300);
        const int index = portrait % 11;
        EXPECT_EQ(Animation.PortraitIndex, index);
        EXPECT_EQ(Animation.PortraitTick, 0);
        EXPECT_TRUE(SamePixels(onWindow(), refs.Portraits[index])) << "window, tick " << portrait * 300;
        EXPECT_TRUE(SamePixels(shown(Animation.FrameBuffers.Composition.Dc), refs.Portraits[index]));
        EXPECT_TRUE(SamePixels(shown(Animation.FrameBuffers.Background.Dc), refs.Portraits[index]));
    }
    EXPECT_EQ(Animation.PortraitIndex, 0) << "resource 11 again after 3300 ticks";
    EXPECT_TRUE(SamePixels(Screen(), ExpectedScreen(0))) << "only the portrait changed";
}

TEST_F(FrameComposition, RepaintShowsTheFirstPortraitUntilTheNextChange)
{
    BallCount = 0;
    Paint();
    Tick(300);
    ASSERT_EQ(Animation.PortraitIndex, 1);
    Paint();
    EXPECT_EQ(Animation.PortraitIndex, 1);
    EXPECT_TRUE(SamePixels(Screen(), ExpectedScreen(0)));
    EXPECT_TRUE(SamePixels(BackgroundPixels(), ExpectedScreen(0)));
    Tick(299);
    EXPECT_TRUE(SamePixels(Screen(), ExpectedScreen(0)));
    Tick(1);
    EXPECT_TRUE(SamePixels(Screen(), ExpectedScreen(2))) << "the one after Animation.PortraitIndex";
    EXPECT_TRUE(SamePixels(CompositionPixels(), ExpectedScreen(2)));
}

TEST_F(FrameComposition, BallIsDrawnThroughItsMaskAndOnlyItsRectangleIsPresented)
{
    Paint();
    BallCount = 1;
    // The next step moves it 10 right and 16 up and shows frame 3.
    PlaceBall(0, 300, 200, 10, -64, 2);
    BallTable.FrameTick[0] = 1;
    MarkWindow();
    Tick();
    ASSERT_EQ(BallTable.X[0], 310);
    ASSERT_EQ(BallTable.Y[0], 184);
    ASSERT_EQ(BallTable.Frame[0], 3);
    EXPECT_EQ(BallTable.DirtyLeft[0], 300) << "PrevX";
    EXPECT_EQ(BallTable.DirtyTop[0], 184) << "Y";
    EXPECT_EQ(BallTable.MovedX[0] + 40, 50);
    EXPECT_EQ(BallTable.MovedY[0] + 40, 56);

    const Pixels background = ExpectedScreen(0);
    const Pixels composition = CompositionPixels();
    EXPECT_TRUE(SamePixels(composition, WithBalls(background)));
    EXPECT_TRUE(SamePixels(BackgroundPixels(), background)) << "the background never holds a ball";
    EXPECT_TRUE(SamePixels(Screen(), MarkedWithRectangles(composition, {{300, 184, 350, 240}})))
        << "only the 50 x 56 rectangle at (PrevX, Y) reaches the window";

    // Inside the cell: the frame's own pixels on the ball, the background
    // around it; the frame has both.
    const Pixels &frame = References().Frames[3];
    int ball = 0, ground = 0;
    for (int j = 0; j < 40; ++j)
        for (int i = 0; i < 40; ++i)
            if (frame.At(i, j) == 0) {
                ++ground;
                EXPECT_EQ(composition.At(310 + i, 184 + j), background.At(310 + i, 184 + j));
            } else {
                ++ball;
                EXPECT_EQ(composition.At(310 + i, 184 + j), frame.At(i, j));
            }
    EXPECT_GT(ball, 400);
    EXPECT_GT(ground, 100);

    // The next tick erases the old cell back to exactly the background.
    MarkWindow();
    Tick();
    ASSERT_EQ(BallTable.X[0], 320);
    ASSERT_EQ(BallTable.Y[0], 168);
    EXPECT_TRUE(SamePixels(CompositionPixels(), WithBalls(background)));
    EXPECT_TRUE(SamePixels(Screen(), MarkedWithRectangles(CompositionPixels(), {{310, 168, 360, 224}})));
}

TEST_F(FrameComposition, HigherSlotLiesOnTop)
{
    Paint();
    BallCount = 2;
    PlaceBall(0, 100, 150, 0, 0, 4);
    PlaceBall(1, 112, 157, 0, 0, 4);
    Tick();
    const Pixels &frame = References().Frames[4];
    // Where two balls cover the same pixel with different colours, the
    // order shows.
    int decisive = 0;
    for (int j = 0; j < 33; ++j)
        for (int i = 0; i < 28; ++i)
            if (frame.At(i + 12, j + 7) && frame.At(i, j) && frame.At(i + 12, j + 7) != frame.At(i, j))
                ++decisive;
    ASSERT_GT(decisive, 50);
    const Pixels composition = CompositionPixels();
    EXPECT_TRUE(SamePixels(composition, WithBalls(ExpectedScreen(0))));
}

TEST_F(FrameComposition, BallsOffTheEdgesAreClippedNotWrapped)
{
    Paint();
    BallCount = 4;
    PlaceBall(0, 50, -4, 2, -64, 0);                      // ends at y = -20
    PlaceBall(1, ScreenWidth - 45, 10, 9, 0, 0);           // held at the right wall
    PlaceBall(2, 3, ScreenHeight - 70, -9, 0, 0);          // held at the left bound
    PlaceBall(3, 400, ScreenHeight, 1, 1, 0);              // from below: floor and launch
    MarkWindow();
    Tick();
    EXPECT_EQ(BallTable.Y[0], -20);
    EXPECT_EQ(BallTable.X[1], ScreenWidth - 40);
    EXPECT_EQ(BallTable.X[2], 1);
    EXPECT_EQ(BallTable.Y[3], ScreenHeight - 40);

    const Pixels composition = CompositionPixels();
    EXPECT_TRUE(SamePixels(composition, WithBalls(ExpectedScreen(0))))
        << "nothing wraps to the other edge";
    std::vector<RECT> rects;
    for (int slot = 0; slot < 4; ++slot) {
        const LONG left = std::min(BallTable.X[slot], BallTable.PrevX[slot]);
        const LONG top = std::min(BallTable.Y[slot], BallTable.PrevY[slot]);
        rects.push_back({left, top, left + 40 + std::abs(BallTable.X[slot] - BallTable.PrevX[slot]),
                         top + 40 + std::abs(BallTable.Y[slot] - BallTable.PrevY[slot])});
    }
    EXPECT_EQ(rects[3].bottom, ScreenHeight + 40) << "the first rectangle reaches below the screen";
    EXPECT_TRUE(SamePixels(Screen(), MarkedWithRectangles(composition, rects)));
}

TEST_F(FrameComposition, FirstTicksFromCreationKeepBackgroundAndCompositionApart)
{
    Paint();
    BallCount = 10;
    for (int tick = 0; tick < 40; ++tick) {
        Tick();
        if (tick % 13 == 0) {
            EXPECT_TRUE(SamePixels(CompositionPixels(), WithBalls(ExpectedScreen(0)))) << "tick " << tick;
            EXPECT_TRUE(SamePixels(BackgroundPixels(), ExpectedScreen(0)));
        }
    }
}

TEST_F(FrameComposition, TickBeforeAnyPaintOnlyCountsAndSteps)
{
    BallCount = 10;
    const Pixels before = Screen();
    Tick(300);
    EXPECT_EQ(Animation.PortraitTick, 0);
    EXPECT_EQ(Animation.PortraitIndex, 1);
    EXPECT_EQ(Animation.FrameBuffers.Composition.Dc, nullptr);
    EXPECT_TRUE(SamePixels(Screen(), before));
}

TEST_F(FrameComposition, DestroyBeforeAnyPaintReleasesOnlyWhatExists)
{
    SendMessageA(window, WM_TIMER, 1, 0);
    SetTimer(window, AnimationTimerId, AnimationTimerPeriod, nullptr);
    EXPECT_EQ(SendMessageA(window, WM_DESTROY, 0, 0), 0);
    EXPECT_FALSE(KillTimer(window, AnimationTimerId)) << "timer 1 stopped";
    MSG quit = {};
    EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 0u);
    EXPECT_EQ(Animation.FrameBuffers.Composition.Dc, nullptr);
    EXPECT_EQ(Animation.PictureSet.TilePicture, nullptr);
    EXPECT_EQ(Animation.PictureSurface.Dc, nullptr);
}

TEST_F(FrameComposition, DestroyAfterPaintReleasesEverything)
{
    Paint();
    Tick(5);
    std::vector<HGDIOBJ> made = {Animation.PictureSet.TilePicture, Animation.PictureSurface.Dc, Animation.FrameBuffers.Composition.Dc,
                                 Animation.FrameBuffers.CompositionBitmap, Animation.FrameBuffers.Background.Dc,
                                 Animation.FrameBuffers.BackgroundBitmap};
    for (int k = 0; k < 6; ++k) {
        made.push_back(Animation.PictureSet.BallFrames[k]);
        made.push_back(Animation.PictureSet.BallMasks[k]);
        made.push_back(Animation.MaskSurfaces[k].Dc);
        made.push_back(Animation.SpriteSurfaces[k].Dc);
    }
    for (HBITMAP p : Animation.PictureSet.Portraits)
        made.push_back(p);
    for (HGDIOBJ object : made)
        ASSERT_NE(GetObjectType(object), 0u);
    DestroyWindow(window);
    for (HGDIOBJ object : made)
        EXPECT_EQ(GetObjectType(object), 0u) << object << " still exists";
    MSG quit = {};
    EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

// Repaints keep the objects of the first paint: many thousands of them must
// neither grow the process's GDI objects nor spoil the picture.
TEST_F(FrameComposition, RepeatedPaintsPileNothingUp)
{
    if (ScreenWidth != 640)
        GTEST_SKIP() << "run on the smallest screen only";
    BallCount = 10;
    Paint();
    Tick(3);
    const HDC composition = Animation.FrameBuffers.Composition.Dc;
    const HBITMAP tile = Animation.PictureSet.TilePicture;
    const DWORD objectsBefore = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    for (int i = 0; i < 5000; ++i) {
        Paint();
        if (i % 50 == 0)
            Tick();
    }
    const DWORD objectsAfter = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    EXPECT_EQ(objectsAfter, objectsBefore);
    if (objectsBefore == 0)
        std::printf("GetGuiResources gives no count here; the pixels and handles decide\n");
    EXPECT_EQ(Animation.FrameBuffers.Composition.Dc, composition);
    EXPECT_EQ(Animation.PictureSet.TilePicture, tile);
    Paint();
    EXPECT_TRUE(SamePixels(Screen(), ExpectedScreen(0)));
    EXPECT_TRUE(SamePixels(CompositionPixels(), ExpectedScreen(0)));
    Tick();
    EXPECT_TRUE(SamePixels(CompositionPixels(), WithBalls(ExpectedScreen(0))));
}

// Blocks in use in all of the process's heaps.
size_t BusyHeapBlocks()
{
    HANDLE heaps[64];
    const DWORD count = GetProcessHeaps(64, heaps);
    size_t busy = 0;
    for (DWORD i = 0; i < count && i < 64; ++i) {
        HeapLock(heaps[i]);
        PROCESS_HEAP_ENTRY entry = {};
        while (HeapWalk(heaps[i], &entry))
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY)
                ++busy;
        HeapUnlock(heaps[i]);
    }
    return busy;
}

// A tick borrows the window surface and makes nothing: the next object the
// process makes takes the very slot and the next generation of a handle
// freed just before the ticks.
TEST_F(FrameComposition, TickMakesNoObject)
{
    BallCount = 60;
    Paint();
    Tick(2);
    const DWORD objectsBefore = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    HGDIOBJ probe = CreateSolidBrush(RGB(1, 2, 3));
    DeleteObject(probe);
    HGDIOBJ again = CreateSolidBrush(RGB(1, 2, 3));
    DeleteObject(again);
    const uintptr_t step = reinterpret_cast<uintptr_t>(again) - reinterpret_cast<uintptr_t>(probe);
    const size_t blocksBefore = BusyHeapBlocks();
    Tick(600);
    EXPECT_EQ(BusyHeapBlocks(), blocksBefore) << "ticks left memory behind";
    HGDIOBJ after = CreateSolidBrush(RGB(1, 2, 3));
    DeleteObject(after);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(after) - reinterpret_cast<uintptr_t>(again), step)
        << "an object was made and freed in between";
    EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), objectsBefore);
}

// Everything but creation, paint, tick and teardown goes on to the close
// rules: a key asks to close, the close is approved without protection and
// the teardown releases the scene.
TEST_F(FrameComposition, OtherMessagesReachTheCloseRules)
{
    Paint();
    const HGDIOBJ composition = Animation.FrameBuffers.Composition.Dc;
    SendMessageA(window, WM_KEYDOWN, 'A', 0);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, window, WM_CLOSE, WM_CLOSE, PM_REMOVE));
    DispatchMessageA(&msg);
    EXPECT_EQ(SaverState.CloseApproved, 1);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(GetObjectType(composition), 0u);
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

class PreviewComposition : public FrameComposition {
protected:
    void SetUp() override
    {
        preview = 1;
        FrameComposition::SetUp();
    }
};

TEST_F(PreviewComposition, ShowsThePreviewPictureAndNothingMoves)
{
    EXPECT_FALSE(timerWasRunning) << "no timer in the preview";
    Paint();
    const Pixels &picture = References().Preview;
    ASSERT_EQ(picture.Width, 150);
    ASSERT_EQ(picture.Height, 110);
    const Pixels shown = CaptureWindow(window, 0, 0, 150, 110);
    EXPECT_TRUE(SamePixels(shown, picture));
    EXPECT_EQ(Animation.FrameBuffers.Composition.Dc, nullptr) << "nothing of the full screen is loaded";
    EXPECT_EQ(Animation.PictureSet.TilePicture, nullptr);

    BallTableRecord scene = BallTable;
    const int32_t tick = Animation.PortraitTick;
    PostMessageA(window, WM_TIMER, AnimationTimerId, 0);
    DispatchFor(300);
    EXPECT_EQ(std::memcmp(&scene, &BallTable, sizeof scene), 0) << "no ball moved";
    EXPECT_EQ(Animation.PortraitTick, tick);
    EXPECT_TRUE(SamePixels(CaptureWindow(window, 0, 0, 150, 110), picture));

    const HDC surface = Animation.PreviewSurface.Dc;
    const HBITMAP bitmap = Animation.PictureSet.PreviewPicture;
    for (int i = 0; i < 200; ++i)
        Paint();
    EXPECT_EQ(Animation.PreviewSurface.Dc, surface) << "repaints reuse the preview's objects";
    EXPECT_EQ(Animation.PictureSet.PreviewPicture, bitmap);
    EXPECT_TRUE(SamePixels(CaptureWindow(window, 0, 0, 150, 110), picture));

    DestroyWindow(window);
    EXPECT_EQ(GetObjectType(surface), 0u);
    EXPECT_EQ(GetObjectType(bitmap), 0u);
    EXPECT_EQ(Animation.PreviewSurface.Dc, nullptr);
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST_F(PreviewComposition, DestroyBeforeAnyPaint)
{
    DestroyWindow(window);
    EXPECT_EQ(Animation.PreviewSurface.Dc, nullptr);
    EXPECT_EQ(Animation.PictureSet.PreviewPicture, nullptr);
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST_F(PreviewComposition, OnlyCloseEndsIt)
{
    for (UINT message : {WM_KEYDOWN, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN, WM_SYSKEYDOWN})
        SendMessageA(window, message, 0, 0);
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, window, WM_CLOSE, WM_CLOSE, PM_REMOVE));
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window));
}

} // namespace
