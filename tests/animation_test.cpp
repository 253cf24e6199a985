// The animation: the ball scene, the picture loader and its masks, and the
// frames that the saver's window procedure composes in a window of this program.
#include "animation/ball_scene.h"
#include "animation/frame_composition.h"
#include "animation/picture_assets.h"
#include "resources/resource_ids.h"
#include "settings/settings_file.h"
#include "tests/support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

namespace {

// Position, speeds and frame of `slot` after `steps` steps of a 640 x 480 scene
// from the seed 2024 with `count` balls; `start` first places slot 0 (x, y, speeds).
std::tuple<int, int, int, int, int> Stepped(LONG count, int steps, int slot, const int *start = nullptr)
{
    BallSceneRecord scene = {640, 480};
    BallCount = count;
    SceneRandom::Seed(2024);
    ResetBalls(scene);
    BallTableRecord &b = scene.BallTable;
    if (start != nullptr)
        std::tie(b.X[0], b.Y[0], b.SpeedX[0], b.SpeedY[0]) = std::make_tuple(start[0], start[1], start[2], start[3]);
    for (int i = 0; i < steps; ++i)
        StepScene(scene);
    return {b.X[slot], b.Y[slot], b.SpeedX[slot], b.SpeedY[slot], b.Frame[slot]};
}

// The scene's numbers are those of the platform runtime's srand and rand.
TEST(BallScene, RandomFollowsTheRuntime)
{
    HMODULE runtime = LoadLibraryA("msvcrt.dll");
    auto seed = reinterpret_cast<void(__cdecl *)(unsigned)>(reinterpret_cast<void *>(GetProcAddress(runtime, "srand")));
    auto next = reinterpret_cast<int(__cdecl *)()>(reinterpret_cast<void *>(GetProcAddress(runtime, "rand")));
    for (unsigned value : {0u, 1u, 2024u, 0xFFFFFFFFu}) {
        seed(value);
        SceneRandom::Seed(value);
        for (int i = 0; i < 50; ++i)
            ASSERT_EQ(SceneRandom::Next(), next()) << "seed " << value << ", draw " << i;
    }
}

// Motion from the seed 2024, worked out once by hand from the rules. The first
// step puts every ball on the floor bound 440 near 320 and launches it. Slot 0:
// creation drew 6648 and 4542: SpeedX 6648 % 7 - 3 = 2, SpeedY 4542 % 2 + 1 = 1;
// X goes to 322, Y stays 480 (1 >> 2 = 0), below 440, so Y becomes 440 and the
// launch draws 21855 and 240: SpeedX 21855 % 22 - 10 = -1, SpeedY -5 - 240 % 61
// = -62, -61 after gravity. Counts of 0 or less move nothing, above 60 move 60.
TEST(BallScene, MotionFromAFixedSeed)
{
    const int cases[][8] = { // balls, steps, slot; then x, y, speeds, frame
        {10, 1, 0, 322, 440, -1, -61, 0}, {10, 1, 9, 319, 440, -3, -24, 0}, {10, 11, 2, 360, 372, 4, -20, 5},
        {10, 12, 6, 432, 433, 10, 5, 0},  {10, 60, 0, 263, -54, -1, -2, 0}, {10, 60, 3, 408, 197, -8, 15, 0},
        {10, 60, 5, 576, 285, 0, -19, 0}, {10, 500, 4, 587, 364, 9, -20, 4}, {0, 60, 0, 320, 480, 2, 1, 0},
        {-3, 60, 9, 320, 480, -1, 1, 0},  {61, 60, 0, 263, -54, -1, -2, 0}, {61, 60, 59, 255, 245, -6, -9, 0}};
    for (const auto &c : cases)
        EXPECT_EQ(Stepped(c[0], c[1], c[2]), std::make_tuple(c[3], c[4], c[5], c[6], c[7])) << "row " << &c - cases;
}

// One ball placed at (x, y, speeds), stepped n times, then (x, y, speeds, frame):
// past and onto the right wall; to 0 and onto the left bound 1; quarter pixels,
// rounded down; onto the floor bound 440: no launch; past it: launched (-1, -61
// from the seed, old SpeedX used); tops of launches at -65 (544 up), -5 (4 up).
TEST(BallScene, SteppedAlone)
{
    const int cases[][10] = {{595, 100, 11, 0, 1, 600, 100, -11, 1, 0}, {599, 100, 1, 0, 1, 600, 100, 1, 1, 0},
                             {3, 100, -3, 0, 1, 1, 100, 3, 1, 0},         {2, 100, -1, 0, 1, 1, 100, -1, 1, 0},
                             {300, 200, 0, -5, 1, 300, 198, 0, -4, 0},    {300, 200, 0, 4, 1, 300, 201, 0, 5, 0},
                             {300, 436, 0, 16, 1, 300, 440, 0, 17, 0},    {300, 440, 5, 4, 1, 305, 440, -1, -61, 0},
                             {300, 440, 0, -64, 64, 300, -104, 0, 0, 2},  {300, 440, 0, -4, 4, 300, 436, 0, 0, 2}};
    for (const auto &c : cases)
        EXPECT_EQ(Stepped(1, c[4], 0, c), std::make_tuple(c[5], c[6], c[7], c[8], c[9])) << "row " << &c - cases;
}

// Creation on a real window with a real settings file: in full screen the
// stored count with its one clamp, and the timer; in the preview neither.
TEST(BallScene, CreationReadsTheCountAndStartsTheTimer)
{
    const struct { const char *stored; LONG preview, want; } cases[] = {
        {"30", 1, 99}, {"30", 0, 30}, {"60", 0, 60}, {"61", 0, 10}, {"1000", 0, 10}, {"0", 0, 0}, {"-4", 0, -4},
        {nullptr, 0, 10}};
    const std::string path = WindowsFilePath("telv1.ini");
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    for (const auto &c : cases) {
        RemoveFile(path);
        if (c.stored != nullptr)
            WriteFileBytes(path, std::string("[telv]\r\nballs=") + c.stored + "\r\n");
        SaverState.IsPreview = c.preview;
        BallCount = 99;
        CreateScene(window);
        EXPECT_EQ(std::make_tuple(BallCount, KillTimer(window, AnimationTimerId) != 0),
                  std::make_tuple(c.want, !c.preview)) << "row " << &c - cases;
    }
    RemoveFile(path);
    DestroyWindow(window);
}

// How many pixels of two pictures differ; -1 when their sizes differ.
int Differing(const Pixels &actual, const Pixels &expected)
{
    int count = actual.Width == expected.Width && actual.Height == expected.Height ? 0 : -1;
    for (size_t i = 0; count >= 0 && i < actual.Values.size(); ++i)
        count += actual.Values[i] != expected.Values[i];
    return count;
}

// A picture as the loader makes it on the desktop's surface, read back, raw in
// English (United States), and its pixel (x, y)'s index in the rows at 1064.
HBITMAP Load(LPCSTR name) { return LoadPicture(GetDesktopWindow(), SaverState.Instance, name); }

Pixels Loaded(LPCSTR name)
{
    HBITMAP bitmap = Load(name);
    const Pixels out = CaptureBitmap(bitmap);
    DeleteObject(bitmap);
    return out;
}

const BYTE *Raw(LPCSTR name)
{
    HRSRC found = FindResourceExA(SaverState.Instance, RT_BITMAP, name, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    return found ? static_cast<const BYTE *>(LockResource(LoadResource(SaverState.Instance, found))) : nullptr;
}

int Index(const BYTE *raw, int x, int y)
{
    const auto *header = reinterpret_cast<const BITMAPINFOHEADER *>(raw);
    return raw[1064 + (header->biHeight - 1 - y) * ((header->biWidth + 3) & ~3) + x];
}

// The id of turn frame t (0 to 23) of the ball drawn for scale step s (0 = 100 %):
// every fourth is one of the six ball frames of that scale.
int TurnFrame(int s, int t)
{
    if (t % 4)
        return IDB_BALL_TURN_BASE + BALL_TURN_FRAMES * s + t;
    return s == 0 ? IDB_BALL_FIRST + t / 4 : IDB_BALL_SCALED_BASE + 10 * s + t / 4 + 1;
}

// Every picture, by its name in either case or number, is an 8-bit, 256-colour
// resource with a 40-byte header, loads at its size, and shows its own table's
// colours: exactly in true colour, within the dropped bits at 16. 7 gives null.
// The turn's 24 frames at every scale are 40 + 10 s pixels square.
TEST(Pictures, OwnColours)
{
    struct Picture { LPCSTR Name; std::string Label; int Width, Height; };
    std::vector<Picture> all = {{IDB_TILE, "L1", 200, 200}, {"l1", "l1", 200, 200}, {IDB_PREVIEW, "PREV", 150, 110},
                                {"prev", "prev", 150, 110}};
    for (int n = IDB_PORTRAIT_FIRST; n <= IDB_PORTRAIT_LAST; ++n)
        all.push_back({MAKEINTRESOURCEA(n), std::to_string(n), 200, 300});
    for (int s = 0; s <= BALL_SCALE_STEPS; ++s)
        for (int t = 0; t < BALL_TURN_FRAMES; ++t) {
            const int n = TurnFrame(s, t);
            all.push_back({MAKEINTRESOURCEA(n), std::to_string(n), 40 + 10 * s, 40 + 10 * s});
        }
    HDC screen = GetDC(nullptr);
    const int tolerance = GetDeviceCaps(screen, BITSPIXEL) >= 24 ? 0 : 8;
    ReleaseDC(nullptr, screen);
    for (const Picture &p : all) {
        const BYTE *raw = Raw(p.Name);
        ASSERT_NE(raw, nullptr) << p.Label;
        const auto *header = reinterpret_cast<const BITMAPINFOHEADER *>(raw);
        EXPECT_TRUE(header->biSize == 40 && header->biBitCount == 8 && header->biClrUsed == 256) << p.Label;
        const Pixels loaded = Loaded(p.Name);
        ASSERT_TRUE(loaded.Width == p.Width && loaded.Height == p.Height) << p.Label;
        int wrong = 0;
        for (int i = 0; i < 3 * p.Width * p.Height; ++i) {
            const int x = i / 3 % p.Width, y = i / 3 / p.Width, c = i % 3;
            wrong += std::abs(int(loaded.At(x, y) >> 8 * c & 0xFF) - raw[40 + 4 * Index(raw, x, y) + c]) > tolerance;
        }
        EXPECT_EQ(wrong, 0) << p.Label;
    }
    EXPECT_EQ(Load(MAKEINTRESOURCEA(7)), nullptr);
}

// Palettes of packed bitmaps: an entry per table entry up to 8 bits whatever the
// colours-used field says, none above; red, green, blue from blue, green, red.
TEST(Pictures, PaletteFromTheColourTable)
{
    const int cases[][3] = {{1, 0, 2}, {4, 0, 16}, {8, 16, 256}, {24, 0, 0}}; // bits, colours used, entries
    for (const auto &c : cases) {
        const struct { BITMAPINFOHEADER header; RGBQUAD table[256]; } packed = {
            {40, 4, 2, 1, static_cast<WORD>(c[0]), BI_RGB, 0, 0, 0, static_cast<DWORD>(c[1]), 0}, {{240, 202, 166, 0}}};
        int count = -1;
        HPALETTE palette = MakePicturePalette(&packed.header, &count);
        PALETTEENTRY first = {};
        GetPaletteEntries(palette, 0, 1, &first);
        const int entries = static_cast<int>(GetPaletteEntries(palette, 0, 0, nullptr));
        EXPECT_EQ(std::make_tuple(count, entries, first.peRed, first.peGreen, first.peBlue),
                  std::make_tuple(c[2], c[2], c[2] ? 166 : 0, c[2] ? 202 : 0, c[2] ? 240 : 0)) << c[0] << " bits";
        DeleteObject(palette);
    }
}

// A frame of the turn's mask for black (white exactly on the index-0 ground), a
// colour it lacks (all black) or its centre's colour is white exactly where that
// colour turns black in the frame; ANDed, then the frame ORed, it draws onto the
// tile. Every one of the 24 frames at 100 %.
TEST(Pictures, BallMasks)
{
    for (int t = 0; t < BALL_TURN_FRAMES; ++t) {
        const int n = TurnFrame(0, t);
        ASSERT_NE(Raw(MAKEINTRESOURCEA(n)), nullptr) << n;
        const Pixels ball = Loaded(MAKEINTRESOURCEA(n));
        for (uint32_t key : {0u, 0x123456u, ball.At(20, 20)}) {
            HBITMAP frame = Load(MAKEINTRESOURCEA(n)), scene = Load(IDB_TILE);
            Pixels cover = ball, changed = ball, drawn = CaptureBitmap(scene);
            for (int i = 0; i < 1600; ++i) {
                const bool keyed = key ? ball.Values[i] == key : Index(Raw(MAKEINTRESOURCEA(n)), i % 40, i / 40) == 0;
                cover.Values[i] = keyed ? 0xFFFFFF : 0;
                changed.Values[i] = keyed ? 0 : ball.Values[i];
                drawn.At(11 + i % 40, 9 + i / 40) = keyed ? drawn.At(11 + i % 40, 9 + i / 40) : ball.Values[i];
            }
            HBITMAP mask = MakeTransparencyMask(frame, RGB(key >> 16, key >> 8 & 0xFF, key & 0xFF));
            HDC target = CreateCompatibleDC(nullptr), source = CreateCompatibleDC(nullptr);
            SelectObject(target, scene);
            SelectObject(source, mask);
            BitBlt(target, 11, 9, 40, 40, source, 0, 0, SRCAND);
            SelectObject(source, frame);
            BitBlt(target, 11, 9, 40, 40, source, 0, 0, SRCPAINT);
            DeleteDC(source);
            DeleteDC(target);
            EXPECT_EQ(Differing(CaptureBitmap(mask), cover), 0) << "mask " << n << ", key " << std::hex << key;
            EXPECT_EQ(Differing(CaptureBitmap(frame), changed), 0) << "frame " << n << ", key " << std::hex << key;
            EXPECT_EQ(Differing(CaptureBitmap(scene), drawn), 0) << "drawn " << n << ", key " << std::hex << key;
            for (HBITMAP made : {scene, mask, frame})
                DeleteObject(made);
        }
    }
}

// Lays `picture` into `out` at (left, top), cut at the edges; `keyed`:
// without its black.
void Paste(Pixels &out, const Pixels &picture, int left, int top, bool keyed)
{
    for (int y = std::max(0, -top); y < picture.Height && top + y < out.Height; ++y)
        for (int x = std::max(0, -left); x < picture.Width && left + x < out.Width; ++x) {
            const uint32_t value = picture.At(x, y);
            out.At(left + x, top + y) = keyed && value == 0 ? out.At(left + x, top + y) : value;
        }
}

// A picture as drawn for 100 % (f = 1: `base`) or for 200 % (`twice`).
Pixels Drawn(int f, LPCSTR base, int twice)
{
    return Loaded(f == 1 ? base : MAKEINTRESOURCEA(twice));
}

// Ball frame `frame` as drawn for `dpi`, one of the scales of 25 % steps.
LPCSTR BallFrameFor(int dpi, int frame)
{
    const int step = (dpi - 96) / 24;
    return MAKEINTRESOURCEA(step == 0 ? IDB_BALL_FIRST + frame : IDB_BALL_SCALED_BASE + 10 * step + frame + 1);
}

// A monitor's pixels as they must be at f times 96 DPI (f 1 or 2): tiles from
// its own top-left corner, portrait `portrait` in its middle, the first
// `balls` of its slots in slot order without black ground; every picture as
// drawn for that scale, shown as drawn. The portrait's corner, in 96-DPI
// units, for the widths the tests use.
Pixels Expected(const MonitorSceneRecord &m, int portrait, int balls, int f = DpiFactor())
{
    const int32_t w = m.Scene.ScreenWidth, h = m.Scene.ScreenHeight;
    const int width = f * w, height = f * h;
    const Pixels tile = Drawn(f, IDB_TILE, IDB_TILE_200);
    Pixels out{width, height, std::vector<uint32_t>(width * height)};
    for (int i = 0; i < width * height; ++i)
        out.Values[i] = tile.At(i % width % tile.Width, i / width % tile.Height);
    const POINT corner = w == 640 && h == 480 ? POINT{220, 90} : w == 1024 && h == 768 ? POINT{412, 234}
                       : w == 1280 && h == 1024 ? POINT{540, 362} : POINT{-1, -1};
    EXPECT_NE(corner.x, -1) << "a monitor of " << w << " x " << h << " units";
    Paste(out, Drawn(f, MAKEINTRESOURCEA(IDB_PORTRAIT_FIRST + portrait), IDB_PORTRAIT_200_FIRST + portrait),
          f * corner.x, f * corner.y, false);
    const BallTableRecord &b = m.Scene.BallTable;
    for (int s = 0; s < balls; ++s)
        Paste(out, Loaded(BallFrameFor(96 * f, b.Frame[s])), f * b.X[s], f * b.Y[s], true);
    return out;
}

// A window of this program whose procedure is the saver's own, over the
// whole virtual screen (every monitor) unless a preview; the test sends
// paints and ticks itself.
class Composition : public testing::Test {
protected:
    void Open(LONG preview = 0, int width = 0, int height = 0)
    {
        ResetSaverState();
        Animation = AnimationRecord{};
        SaverState.IsPreview = preview;
        WNDCLASSA saverClass = {0, ScreenSaverProc, 0, 0, SaverState.Instance, nullptr, nullptr,
                                static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)), nullptr, "TelvComposition"};
        RegisterClassA(&saverClass);
        if (!preview)
            place = {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                     GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN)};
        else
            place = {0, 0, width, height};
        window = CreateWindowExA(WS_EX_TOPMOST, "TelvComposition", "", WS_POPUP | WS_VISIBLE, place.left, place.top,
                                 place.right, place.bottom, nullptr, nullptr, SaverState.Instance, nullptr);
        KillTimer(window, AnimationTimerId);
    }

    void TearDown() override
    {
        DestroyWindow(window);
        CountPosted(nullptr, WM_QUIT);
    }

    void Paint() { RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW); }

    void Tick(int count) { while (count-- > 0) SendMessageA(window, WM_TIMER, AnimationTimerId, 0); }

    // What the window shows over a monitor, and a monitor's frame buffer.
    Pixels Shown(const MonitorSceneRecord &m)
    {
        const RECT &a = m.Place.Area;
        return CaptureWindow(window, a.left, a.top, a.right - a.left, a.bottom - a.top);
    }
    Pixels Shown(const MonitorSceneRecord &m, const MemorySurface &buffer)
    {
        return Capture(buffer.Dc, 0, 0, m.Place.Area.right - m.Place.Area.left, m.Place.Area.bottom - m.Place.Area.top);
    }
    // The monitors the window covers; every one of the system's.
    std::vector<MonitorSceneRecord *> Monitors()
    {
        std::vector<MonitorSceneRecord *> all;
        for (int i = 0; i < Animation.MonitorCount; ++i)
            all.push_back(&Animation.Monitors[i]);
        EXPECT_EQ(static_cast<int>(all.size()), GetSystemMetrics(SM_CMONITORS));
        return all;
    }

    HWND window = nullptr;
    RECT place = {};  // left, top, width, height
};

// A paint shows tiles and the first portrait on every monitor and in both of
// its buffers (at 640 x 480 the last tile column 40 wide, the last row 80
// high, the portrait at (220, 90); at 1024 x 768 at (412, 234)). Resource 11
// shows until tick 299, the next from each 300th tick on every monitor at
// once, 11 again from 3300, and after a repaint.
TEST_F(Composition, PaintAndPortraits)
{
    Open();
    BallCount = 0;
    const struct { int ticks; bool paint; int portrait; } steps[] = {
        {0, true, 0}, {299, false, 0}, {1, false, 1}, {0, true, 0}, {2999, false, 10}, {1, false, 0}};
    for (const auto &step : steps) {
        Tick(step.ticks);
        if (step.paint)
            Paint();
        for (MonitorSceneRecord *m : Monitors()) {
            const Pixels expected = Expected(*m, step.portrait, 0);
            const Pixels shown[] = {Shown(*m), Shown(*m, m->FrameBuffers.Composition),
                                    Shown(*m, m->FrameBuffers.Background)};
            for (int i = 0; i < 3; ++i)
                EXPECT_EQ(Differing(shown[i], expected), 0) << "step " << &step - steps << ", monitor at "
                                                             << m->Place.Area.left << ", window or buffer " << i;
        }
    }
}

// Balls placed on every monitor (x, y, speeds, frame) are drawn through their
// masks in slot order, cut at the monitor's edges; only the rectangle (last
// four, in units) over each old and new cell reaches the window, painted
// white first, and nothing reaches another monitor or the part of the window
// that no monitor shows; the next tick erases from the background.
TEST_F(Composition, BallsAreDrawnPresentedAndErased)
{
    Open();
    Paint();
    BallCount = 5;
    const int f = DpiFactor();
    std::vector<std::pair<MonitorSceneRecord *, RECT>> presented;  // in the monitor's pixels
    for (MonitorSceneRecord *m : Monitors()) {
        const int h = m->Scene.ScreenHeight;
        const int balls[][9] = {{300, 200, 10, -64, 3, 300, 184, 350, 240},   // 10 right and 16 up
                                {100, 150, 0, 0, 4, 100, 150, 140, 190},      // still
                                {112, 157, 0, 0, 1, 112, 157, 152, 197},      // still, over slot 1
                                {500, -4, 2, -64, 0, 500, -20, 542, 36},      // partly above the top
                                {400, h, 1, 1, 5, 400, h - 40, 441, h + 40}}; // up from below the bottom
        BallTableRecord &t = m->Scene.BallTable;
        for (const auto &r : balls) {
            const int s = static_cast<int>(&r - balls);
            std::tie(t.X[s], t.Y[s], t.SpeedX[s], t.SpeedY[s], t.Frame[s], t.FrameTick[s]) =
                std::make_tuple(r[0], r[1], r[2], r[3], r[4], 0);
            presented.push_back({m, RECT{f * r[5], f * r[6], f * r[7], f * r[8]}});
        }
    }
    HDC surface = GetDC(window);
    PatBlt(surface, 0, 0, place.right, place.bottom, WHITENESS);
    ReleaseDC(window, surface);
    Tick(1);
    Pixels expected{place.right, place.bottom, std::vector<uint32_t>(place.right * place.bottom, 0xFFFFFF)};
    for (MonitorSceneRecord *m : Monitors()) {
        EXPECT_EQ(Differing(Shown(*m, m->FrameBuffers.Composition), Expected(*m, 0, 5)), 0) << "composition";
        EXPECT_EQ(Differing(Shown(*m, m->FrameBuffers.Background), Expected(*m, 0, 0)), 0) << "background";
    }
    for (const auto &[m, cell] : presented) {
        const Pixels composition = Shown(*m, m->FrameBuffers.Composition);
        for (int y = std::max(0L, cell.top); y < std::min<LONG>(cell.bottom, composition.Height); ++y)
            for (int x = cell.left; x < std::min<LONG>(cell.right, composition.Width); ++x)
                expected.At(m->Place.Area.left + x, m->Place.Area.top + y) = composition.At(x, y);
    }
    EXPECT_EQ(Differing(CaptureWindow(window, 0, 0, place.right, place.bottom), expected), 0) << "window";
    Tick(1);
    for (MonitorSceneRecord *m : Monitors())
        EXPECT_EQ(Differing(Shown(*m, m->FrameBuffers.Composition), Expected(*m, 0, 5)), 0) << "second tick";
}

// The preview shows its picture as drawn for the scale at the top left, black
// around; a tick moves nothing.
TEST_F(Composition, PreviewShowsItsPictureAndNothingMoves)
{
    Open(1, 400, 300);
    Paint();
    Pixels expected{400, 300, std::vector<uint32_t>(400 * 300)};
    Paste(expected, Drawn(DpiFactor(), IDB_PREVIEW, IDB_PREVIEW_200), 0, 0, false);
    const AnimationRecord before = Animation;
    Tick(1);
    EXPECT_EQ(std::memcmp(&before.Monitors, &Animation.Monitors, sizeof before.Monitors), 0);
    EXPECT_EQ(Differing(CaptureWindow(window, 0, 0, 400, 300), expected), 0);
}

// The tile pattern of every monitor repeats exactly every 200 x DPI / 96
// pixels (300 at 144 DPI) wherever the portrait does not cover it, and the
// tile keeps its colours on the whole.
TEST_F(Composition, TilesRepeatAtTheMonitorsScale)
{
    Open();
    BallCount = 0;
    Paint();
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX), period = 200 * dpi / 96;
    ReleaseDC(nullptr, screen);
    const Pixels tile = Loaded(IDB_TILE);
    for (MonitorSceneRecord *m : Monitors()) {
        const Pixels shown = Shown(*m);
        const int px = (m->Scene.ScreenWidth - 200) / 2 * dpi / 96, py = (m->Scene.ScreenHeight - 300) / 2 * dpi / 96;
        const RECT portrait = {px, py, px + 200 * dpi / 96, py + 300 * dpi / 96};
        int differing = 0;
        for (int y = 0; y + period < shown.Height; ++y)
            for (int x = 0; x + period < shown.Width; ++x)
                if (!PtInRect(&portrait, {x, y}) && !PtInRect(&portrait, {x + period, y}) &&
                    !PtInRect(&portrait, {x, y + period}))
                    differing += shown.At(x, y) != shown.At(x + period, y) || shown.At(x, y) != shown.At(x, y + period);
        EXPECT_EQ(differing, 0) << "monitor at " << m->Place.Area.left;
        for (int c = 0; c < 24; c += 8) {
            double wanted = 0, seen = 0;
            for (int i = 0; i < 200 * 200; ++i)
                wanted += tile.Values[i] >> c & 0xFF;
            for (int i = 0; i < period * period; ++i)
                seen += shown.At(i % period, i / period) >> c & 0xFF;
            EXPECT_NEAR(seen / (period * period), wanted / (200 * 200), 3) << "colour bits from " << c;
        }
    }
}

// At 192 DPI the screen is drawn, not enlarged: averaged over 2 x 2 pixels it
// is the 96-DPI screen to within a few levels, yet most of its 2 x 2 blocks
// hold more than one colour.
TEST_F(Composition, DrawnAtTwiceTheScale)
{
    if (DpiFactor() != 2)
        GTEST_SKIP() << "a test of 192 DPI";
    Open();
    BallCount = 0;
    Paint();
    for (MonitorSceneRecord *m : Monitors()) {
        const Pixels shown = Shown(*m), base = Expected(*m, 0, 0, 1);
        const int count = base.Width * base.Height;
        double difference = 0;
        int mixed = 0;
        for (int i = 0; i < count; ++i) {
            const int x = 2 * (i % base.Width), y = 2 * (i / base.Width);
            const uint32_t block[] = {shown.At(x, y), shown.At(x + 1, y), shown.At(x, y + 1), shown.At(x + 1, y + 1)};
            mixed += block[0] != block[1] || block[0] != block[2] || block[0] != block[3];
            for (int c = 0; c < 24; c += 8) {
                int sum = 0;
                for (uint32_t v : block)
                    sum += v >> c & 0xFF;
                difference += std::abs(sum / 4.0 - (base.Values[i] >> c & 0xFF));
            }
        }
        EXPECT_LT(difference / (3.0 * count), 4.0) << "mean difference in levels";
        EXPECT_GT(mixed, count / 2) << "blocks of more than one colour";
    }
}

// At 96, 144 and 192 DPI a ball is its frame drawn at 40, 60 or 80 pixels,
// laid in through an exact mask: the background wherever the drawn frame has
// its black ground, the frame's own pixels everywhere else.
TEST_F(Composition, BallsAreDrawnFramesWithExactMasks)
{
    Open();
    Paint();
    BallCount = 1;
    for (MonitorSceneRecord *m : Monitors()) {
        BallTableRecord &t = m->Scene.BallTable;
        std::tie(t.X[0], t.Y[0], t.SpeedX[0], t.SpeedY[0], t.Frame[0], t.FrameTick[0]) =
            std::make_tuple(101, 77, 0, 0, 2, 0);
    }
    Tick(1);
    for (MonitorSceneRecord *m : Monitors()) {
        const int dpi = m->Place.Dpi, cell = 40 * dpi / 96;
        const BallTableRecord &t = m->Scene.BallTable;
        const Pixels frame = Loaded(BallFrameFor(dpi, t.Frame[0]));
        ASSERT_EQ(frame.Width, cell) << dpi << " DPI";
        const int x = t.X[0] * dpi / 96, y = t.Y[0] * dpi / 96;
        const Pixels drawn = Capture(m->FrameBuffers.Composition.Dc, x, y, cell, cell);
        Pixels expected = Capture(m->FrameBuffers.Background.Dc, x, y, cell, cell);
        Paste(expected, frame, 0, 0, true);
        EXPECT_EQ(Differing(drawn, expected), 0) << dpi << " DPI";
    }
}

// The handle of a new GDI object, deleted at once: the next one made takes
// its place a generation on, unless an object was made meanwhile.
UINT_PTR NewHandle()
{
    HGDIOBJ made = CreateSolidBrush(0);
    DeleteObject(made);
    return reinterpret_cast<UINT_PTR>(made);
}

// Teardown before any paint ends the loop; the first paint makes one set of
// pictures for the monitors' one scale (tile, six frames and their masks,
// eleven portraits, the thirteen surfaces that hold them) and each monitor's
// two buffers, each a bitmap in a surface, and a repaint makes no more;
// ticks make no object (a handle freed before them is the next one made
// after them, a generation on); a change of the displays or of the scale
// frees every object, and the next paint shows the same.
TEST_F(Composition, NothingPilesUp)
{
    Open();
    DestroyWindow(window);
    EXPECT_EQ(CountPosted(nullptr, WM_QUIT), 1);
    Open();
    BallCount = 60;
    const int held = CountGdiObjects();
    Paint();
    const int pictures = 1 + 2 * 6 + 11, surfaces = 2 * 6 + 1, buffers = 4 * Animation.MonitorCount;
    EXPECT_EQ(CountGdiObjects() - held, pictures + surfaces + buffers) << "the first paint";
    Paint();
    EXPECT_EQ(CountGdiObjects() - held, pictures + surfaces + buffers) << "a repaint";
    Tick(2);
    const UINT_PTR before = NewHandle(), again = NewHandle();
    Tick(600);
    EXPECT_EQ(NewHandle() - again, again - before) << "a tick made an object";

    BallCount = 0;
    for (UINT change : {UINT(WM_DISPLAYCHANGE), DpiChangedMessage}) {
        std::vector<HGDIOBJ> made;
        for (int i = 0; i < Animation.ScaleCount; ++i) {
            const ScaledPicturesRecord &s = Animation.Scales[i];
            made.insert(made.end(), {s.PictureSet.TilePicture, s.PictureSurface.Dc, s.SpriteSurfaces[5].Dc,
                                     s.MaskSurfaces[0].Dc, s.PictureSet.Portraits[10], s.PictureSet.BallMasks[3]});
        }
        for (MonitorSceneRecord *m : Monitors())
            for (HGDIOBJ o : {HGDIOBJ(m->FrameBuffers.CompositionBitmap), HGDIOBJ(m->FrameBuffers.Background.Dc)})
                made.push_back(o);
        SendMessageA(window, change, 0, 0);
        for (HGDIOBJ o : made)
            EXPECT_TRUE(o != nullptr && GetObjectType(o) == 0) << "an object outlived the change " << change;
        Paint();
        for (MonitorSceneRecord *m : Monitors())
            EXPECT_EQ(Differing(Shown(*m), Expected(*m, 0, 0)), 0) << "after " << change;
    }
}

// A thread that sends the window what the test asks, as the system's own
// threads send their notifications. It lives as long as the test program,
// so that what a new thread makes is made once, before anything is counted.
struct SenderRecord {
    HANDLE Asked = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    HANDLE Answered = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    MSG Message = {};
    LRESULT Result = 0;
};

DWORD WINAPI SendWhenAsked(void *data)
{
    auto *s = static_cast<SenderRecord *>(data);
    while (WaitForSingleObject(s->Asked, INFINITE) == WAIT_OBJECT_0) {
        s->Result = SendMessageA(s->Message.hwnd, s->Message.message, s->Message.wParam, s->Message.lParam);
        SetEvent(s->Answered);
    }
    return 0;
}

// Sends a message to the window from the sender's thread and handles only
// sent messages meanwhile: what is posted stays queued. The window's answer.
LRESULT SendFromAnotherThread(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    static SenderRecord sender;
    static const HANDLE thread = CreateThread(nullptr, 0, SendWhenAsked, &sender, 0, nullptr);
    if (thread == nullptr)
        return 0;
    sender.Message = MSG{window, message, wParam, lParam, 0, {}};
    SetEvent(sender.Asked);
    MSG none;
    while (MsgWaitForMultipleObjects(1, &sender.Answered, FALSE, INFINITE, QS_SENDMESSAGE) != WAIT_OBJECT_0)
        PeekMessageA(&none, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    return sender.Result;
}

// The display going off stops the timer and every tick, one already queued
// too: the window and the scene stay still. On or dimmed, the saver's own
// timer runs again (more than the one tick queued moves the scene) and the
// scene goes on from where it stopped. No change makes or frees an object.
TEST_F(Composition, RestsWhileTheDisplayIsOff)
{
    Open();
    GetCursorPos(&SaverState.CursorAnchor);  // as the shell does: no move closes the window meanwhile
    BallCount = 10;
    Paint();
    Tick(5);
    SendFromAnotherThread(window, WM_NULL, 0, 0);  // the sender's thread is made before anything is counted
    const AnimationRecord made = Animation;
    const struct { DWORD State; bool Moves; } steps[] = {{0, false}, {2, true}, {0, false}, {0, false}, {1, true}};
    for (const auto &step : steps) {
        PostMessageA(window, WM_TIMER, AnimationTimerId, 0);
        const UINT_PTR before = NewHandle(), again = NewHandle();
        DisplayStateSetting setting = {ConsoleDisplayState, sizeof(DWORD), step.State};
        EXPECT_EQ(SendFromAnotherThread(window, WM_POWERBROADCAST, PowerSettingChange,
                                        reinterpret_cast<LPARAM>(&setting)), 1);
        EXPECT_EQ(NewHandle() - again, again - before) << "the change made an object";
        const AnimationRecord stopped = Animation;
        const Pixels shown = CaptureWindow(window, 0, 0, place.right, place.bottom);
        PumpFor(500);
        EXPECT_EQ(Differing(CaptureWindow(window, 0, 0, place.right, place.bottom), shown) > 0, step.Moves);
        EXPECT_EQ(std::memcmp(&stopped.Monitors, &Animation.Monitors, sizeof stopped.Monitors) != 0, step.Moves);
        EXPECT_EQ(Animation.PortraitTick - stopped.PortraitTick > 1, step.Moves) << "the timer goes on";
    }
    EXPECT_EQ(std::memcmp(&made.Scales, &Animation.Scales, sizeof made.Scales), 0) << "pictures made again";
}

// Any program can send or post the power message with any value in place of
// its data: only a readable block that names the console display's state is
// a change of it. Nothing else is read, each gets the default answer, and
// the saver's own timer keeps the scene moving.
TEST_F(Composition, PowerMessagesWithoutADisplayState)
{
    Open();
    GetCursorPos(&SaverState.CursorAnchor);
    BallCount = 10;
    Paint();
    StartAnimationTimer(window);
    SYSTEM_INFO system = {};
    GetSystemInfo(&system);
    const SIZE_T page = system.dwPageSize;
    // One readable page with an unreadable one behind it: a block laid at
    // its end is cut where the readable memory ends.
    auto *pages = static_cast<BYTE *>(VirtualAlloc(nullptr, 2 * page, MEM_RESERVE, PAGE_NOACCESS));
    VirtualAlloc(pages, page, MEM_COMMIT, PAGE_READWRITE);
    const DisplayStateSetting off = {ConsoleDisplayState, sizeof(DWORD), DisplayOff};
    const auto cut = [&](SIZE_T kept) {
        CopyMemory(pages + page - kept, &off, kept);
        return reinterpret_cast<LPARAM>(pages + page - kept);
    };
    void *freed = VirtualAlloc(nullptr, page, MEM_COMMIT, PAGE_READWRITE);
    CopyMemory(freed, &off, sizeof off);
    VirtualFree(freed, 0, MEM_RELEASE);
    void *guarded = VirtualAlloc(nullptr, page, MEM_COMMIT, PAGE_READWRITE | PAGE_GUARD);
    const GUID powerSource = {0x5D3E9A59, 0xE9D5, 0x4B00, {0xA6, 0xBD, 0xFF, 0x34, 0xFF, 0x51, 0x65, 0x48}};
    const DisplayStateSetting other = {powerSource, sizeof(DWORD), DisplayOff};
    const DisplayStateSetting empty = {ConsoleDisplayState, 0, DisplayOff};
    const struct { const char *What; LPARAM Data; } cases[] = {
        {"0", 0}, {"0x10", 0x10}, {"a freed block", reinterpret_cast<LPARAM>(freed)},
        {"a guard page", reinterpret_cast<LPARAM>(guarded)}, {"8 bytes of the header", cut(8)},
        {"the header without the state", cut(20)}, {"another setting", reinterpret_cast<LPARAM>(&other)},
        {"no data", reinterpret_cast<LPARAM>(&empty)}};
    const LRESULT standard = DefWindowProcA(window, WM_POWERBROADCAST, PowerSettingChange, 0);
    for (const auto &c : cases) {
        EXPECT_EQ(SendFromAnotherThread(window, WM_POWERBROADCAST, PowerSettingChange, c.Data), standard) << c.What;
        EXPECT_EQ(SendMessageA(window, WM_POWERBROADCAST, PowerSettingChange, c.Data), standard) << c.What;
        PostMessageA(window, WM_POWERBROADCAST, PowerSettingChange, c.Data);
        const int32_t before = Animation.PortraitTick;
        const Pixels shown = CaptureWindow(window, 0, 0, place.right, place.bottom);
        PumpFor(300);
        EXPECT_FALSE(Animation.Resting) << c.What;
        EXPECT_GT(Animation.PortraitTick - before, 1) << c.What;
        EXPECT_GT(Differing(CaptureWindow(window, 0, 0, place.right, place.bottom), shown), 0) << c.What;
    }
    EXPECT_EQ(SendFromAnotherThread(window, WM_POWERBROADCAST, PowerSettingChange, cut(sizeof off)), 1);
    EXPECT_TRUE(Animation.Resting) << "the same block, whole, is a change of the display";
    const DisplayStateSetting on = {ConsoleDisplayState, sizeof(DWORD), 1};
    SendFromAnotherThread(window, WM_POWERBROADCAST, PowerSettingChange, reinterpret_cast<LPARAM>(&on));
    VirtualFree(guarded, 0, MEM_RELEASE);
    VirtualFree(pages, 0, MEM_RELEASE);
}

} // namespace
