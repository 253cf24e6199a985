// Smooth motion: where a frame between the ticks shows a ball and which of
// its 24 turn frames, the frames composed in a window of this program, the
// frame clock, and the way back to the tick alone.
#include "animation/ball_motion.h"
#include "tests/composition.h"

#include <tuple>

namespace {

// One ball of a 640 x 480 scene placed at (x, y) with its speeds and stepped
// once; its cell at `fraction` (65536ths of the tick) at `dpi`.
std::pair<int, int> CellAfterStep(int x, int y, int speedX, int speedY, int32_t fraction, int dpi)
{
    BallSceneRecord scene = {640, 480};
    BallCount = 1;
    SceneRandom::Seed(2024);
    ResetBalls(scene);
    BallTableRecord &b = scene.BallTable;
    std::tie(b.X[0], b.Y[0], b.SpeedX[0], b.SpeedY[0]) = std::make_tuple(x, y, speedX, speedY);
    StepScene(scene);
    const BallCell cell = BallCellAt(scene, 0, fraction, dpi);
    return {cell.X, cell.Y};
}

// A ball is drawn that share of the way between its places before and after
// the step, rounded down in the monitor's pixels, never past a wall or below
// the floor bound (440): the launch from below the screen (320, 480) starts
// on the bound; the right wall (600) and the left bound (1) hold; a fall
// onto the bound and one past it, launched; a rise at 192 DPI moving one
// pixel, not two.
TEST(BallMotion, PlacesBetweenTheTicks)
{
    constexpr int H = 32768, Q = 16384;
    const int cases[][6] = { // x, y, speeds, fraction; then the places at 96, 144 and 192 DPI
        {320, 480, 2, 1, 0},      {320, 480, 2, 1, H},      {595, 100, 11, 0, H}, {595, 100, 11, 0, 2 * H},
        {3, 100, -3, 0, Q},       {3, 100, -3, 0, 3 * Q},   {300, 200, 0, -64, Q}, {300, 200, 0, -64, 2048},
        {300, 436, 0, 16, H},     {300, 438, 5, 16, H}};
    const int places[][6] = {
        {320, 440, 480, 660, 640, 880}, {321, 440, 481, 660, 642, 880}, {597, 100, 896, 150, 1195, 200},
        {600, 100, 900, 150, 1200, 200}, {2, 100, 3, 150, 5, 200},      {1, 100, 2, 150, 3, 200},
        {300, 196, 450, 294, 600, 392}, {300, 199, 450, 299, 600, 399}, {300, 438, 450, 657, 600, 876},
        {302, 439, 453, 658, 605, 878}};
    for (int row = 0; row < 10; ++row) {
        const int *c = cases[row];
        for (int d = 0; d < 3; ++d)
            EXPECT_EQ(CellAfterStep(c[0], c[1], c[2], c[3], c[4], 96 + 48 * d),
                      std::make_pair(places[row][2 * d], places[row][2 * d + 1])) << "row " << row << ", DPI "
                                                                                    << 96 + 48 * d;
    }
}

// The share of the tick: none before or at the tick, half of the period
// after half of it, all of it from the period on. The period follows the
// ticks a quarter of the way, and leaves out a gap of more than two.
TEST(BallMotion, ShareOfTheTick)
{
    TickTimingRecord t;
    NoteTick(t, 1000, 400);
    const int64_t moments[][2] = {{900, 0}, {1000, 0}, {1100, 16384}, {1200, 32768}, {1400, 65536}, {9000, 65536}};
    for (const auto &m : moments)
        EXPECT_EQ(TickFraction(t, m[0]), m[1]) << "at " << m[0];
    NoteTick(t, 1500, 400);
    EXPECT_EQ(std::make_pair(t.Last, t.Period), std::make_pair(int64_t{1500}, int64_t{425}));
    NoteTick(t, 9000, 400);
    EXPECT_EQ(std::make_pair(t.Last, t.Period), std::make_pair(int64_t{9000}, int64_t{425}));
}

// The turn frame shown at moments of a tick, from the tick state (Frame,
// FrameTick): the tick that first shows ball frame k shows turn frame 4k,
// the frames between two ticks the one between their turns; and a ball
// stepped 12 ticks, looked at twice a tick, shows all 24 in turn.
TEST(BallMotion, TurnAtItsMoments)
{
    constexpr int H = 32768, One = 65536;
    const int cases[][4] = {{0, 0, 0, 22}, {0, 0, H, 23}, {0, 0, One, 0}, {0, 1, 0, 0}, {0, 1, H - 1, 0},
                            {0, 1, H, 1},  {0, 1, One, 2}, {1, 0, H, 3}, {1, 0, One, 4}, {5, 1, H, 21}};
    for (const auto &c : cases)
        EXPECT_EQ(TurnFrameAt(c[0], c[1], c[2]), c[3]) << c[0] << " " << c[1] << " at " << c[2];
    for (int k = 0; k < 6; ++k)
        EXPECT_EQ(TurnFrameAt(k, 0, One), 4 * k) << "ball frame " << k;
    BallSceneRecord scene = {640, 480};
    BallCount = 1;
    ResetBalls(scene);
    std::vector<int> seen;
    for (int tick = 0; tick < 12; ++tick) {
        StepScene(scene);
        for (int32_t at : {0, H})
            seen.push_back(BallCellAt(scene, 0, at, 96).Turn);
    }
    for (int i = 0; i < 24; ++i)
        EXPECT_EQ(seen[i], i) << "look " << i;
}

// The test's clock for frames and ticks, advanced by hand and, while Step is
// set, by Step at every reading (also by the frame clock's thread).
volatile LONG64 Now = 1LL << 40;
LONG64 Step = 0;
int64_t ReadTestClock()
{
    return InterlockedExchangeAdd64(&Now, Step) + Step;
}

// Sends the window the frame message of the moment `share` of the tick
// period after the last tick, on the test's clock.
void FrameAt(HWND window, double share)
{
    Now = Animation.Ticks.Last + static_cast<LONG64>(Animation.Ticks.Period * share);
    SendMessageA(window, FrameMessage, 0, 0);
}

// Frames between the ticks on every monitor are the reference picture with
// each ball that share of the way from its place before the tick to its
// place after it, erased where the frame before drew it: the window shows
// the balls nowhere else; the turn frames 16, 17, 17 and 18 of 24. A frame
// message 3 ms after a frame (of a 60 Hz monitor) draws nothing, and one
// past the tick period shows the tick's place: never ahead of the scene.
TEST_F(Composition, FramesBetweenTheTicks)
{
    FrameTimeSource = ReadTestClock;
    smooth = TRUE;
    Open();
    BallCount = 10;
    Paint();
    Tick(21);
    const double moments[][2] = {{0.25, 0.25}, {0.3, 0.25}, {0.5, 0.5}, {0.875, 0.875}, {1.25, 1}};  // asked, shown
    for (const auto &at : moments) {
        FrameAt(window, at[0]);
        for (MonitorSceneRecord *m : Monitors()) {
            const Pixels expected = Expected(*m, 0, 10, DpiFactor(), at[1]);
            EXPECT_EQ(Differing(Shown(*m), expected), 0) << "window at " << at[0];
            EXPECT_EQ(Differing(Shown(*m, m->FrameBuffers.Composition), expected), 0) << "composition at " << at[0];
        }
    }
}

// The frame clock asks for one frame at a time: however long the window
// leaves its messages, one frame message waits, and the next comes once the
// window took it. While the display is off the clock stops and asks for
// none; it starts again with the display.
TEST_F(Composition, OneFrameMessageAtATime)
{
    smooth = TRUE;
    Open();
    GetCursorPos(&SaverState.CursorAnchor);
    Paint();
    ASSERT_NE(FrameClock.Thread, nullptr);
    for (int i = 0; i < 2; ++i) {
        Sleep(300);
        EXPECT_EQ(CountPosted(window, FrameMessage), 1) << "round " << i;
        SendMessageA(window, FrameMessage, 0, 0);
    }
    for (DWORD state : {DisplayOff, DWORD(1)}) {
        DisplayStateSetting setting = {ConsoleDisplayState, sizeof(DWORD), state};
        SendMessageA(window, WM_POWERBROADCAST, PowerSettingChange, reinterpret_cast<LPARAM>(&setting));
        Sleep(300);
        EXPECT_EQ(CountPosted(window, FrameMessage), state == DisplayOff ? 0 : 1) << "display state " << state;
        EXPECT_EQ(FrameClock.Thread != nullptr, state != DisplayOff);
    }
}

// Smooth motion gives way to the tick alone, and comes back, on the real
// messages that tell of each cause: a remote session (a session change),
// battery saver (a power status change), and frames that took more than
// half of a second (each takes 0.6 s on the test's clock), whose rest ends
// 10 s later, at a tick. Giving way leaves every ball where the tick draws
// it, and nothing where the last frame drew it.
TEST_F(Composition, FallsBackToTheTickAndReturns)
{
    static bool remote = false, batterySaver = false;
    RemoteSessionSource = [] { return remote; };
    BatterySaverSource = [] { return batterySaver; };
    FrameTimeSource = ReadTestClock;
    smooth = TRUE;
    Open();
    BallCount = 10;
    Paint();
    const struct { const char *Cause; bool *State; UINT Message; WPARAM Kind; } causes[] = {
        {"remote session", &remote, WM_WTSSESSION_CHANGE, WTS_REMOTE_CONNECT},
        {"battery saver", &batterySaver, WM_POWERBROADCAST, PBT_APMPOWERSTATUSCHANGE},
        {"overload", nullptr, 0, 0}};
    for (const auto &c : causes) {
        Tick(3);
        FrameAt(window, 0.25);
        ASSERT_TRUE(Animation.Smooth) << c.Cause;
        if (c.State != nullptr) {
            *c.State = true;
            SendMessageA(window, c.Message, c.Kind, 0);
        } else {
            Step = CountsPerSecond() * 6 / 10;
            FrameAt(window, 0.5);
            Step = 0;
        }
        EXPECT_TRUE(!Animation.Smooth && FrameClock.Thread == nullptr) << c.Cause;
        for (MonitorSceneRecord *m : Monitors())
            EXPECT_EQ(Differing(Shown(*m), Expected(*m, 0, 10)), 0) << c.Cause << ": balls as the tick draws them";
        if (c.State != nullptr) {
            *c.State = false;
            SendMessageA(window, c.Message, c.Kind, 0);
        } else {
            Tick(1);
            EXPECT_FALSE(Animation.Smooth) << "within the overload's rest";
            Now += CountsPerSecond() * 10;
            Tick(1);
        }
        EXPECT_TRUE(Animation.Smooth && FrameClock.Thread != nullptr) << c.Cause << " gone";
    }
}

} // namespace
