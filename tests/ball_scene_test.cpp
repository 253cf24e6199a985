// The ball scene's motion, checked against the rules of the floor, the walls,
// gravity and the launches.
#include "animation/ball_scene.h"
#include "settings/settings_file.h"
#include "shell/saver_module.h"
#include "tests/settings_fixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <set>

namespace {

// A scene on a screen of the given size, seeded and reset, with `count` balls.
void MakeScene(int32_t width, int32_t height, uint32_t seed, LONG count)
{
    ScreenWidth = width;
    ScreenHeight = height;
    SceneRandom::Seed(seed);
    ResetBalls();
    BallCount = count;
}

TEST(SceneRandom, MatchesTheRuntimeGenerator)
{
    for (unsigned seed : {0u, 1u, 12345u, 0xFFFFFFFFu, 1796588112u}) {
        SceneRandom::Seed(seed);
        std::srand(seed);
        for (int i = 0; i < 20000; ++i)
            ASSERT_EQ(SceneRandom::Next(), std::rand()) << "seed " << seed << " draw " << i;
    }
}

TEST(SceneRandom, KnownSequence)
{
    SceneRandom::Seed(1);
    EXPECT_EQ(SceneRandom::Next(), 41);
    EXPECT_EQ(SceneRandom::Next(), 18467);
    EXPECT_EQ(SceneRandom::Next(), 6334);
}

TEST(BallScene, CreationPutsEverySlotBelowTheBottomCentre)
{
    MakeScene(641, 480, 99, 10);
    SceneRandom::Seed(99);
    for (int slot = 0; slot < MaxBalls; ++slot) {
        EXPECT_EQ(BallTable.X[slot], 320);
        EXPECT_EQ(BallTable.Y[slot], 480);
        EXPECT_EQ(BallTable.SpeedX[slot], SceneRandom::Next() % 7 - 3);
        EXPECT_EQ(BallTable.SpeedY[slot], SceneRandom::Next() % 2 + 1);
        EXPECT_EQ(BallTable.Frame[slot], 0);
        EXPECT_EQ(BallTable.FrameTick[slot], 0);
        EXPECT_EQ(BallTable.Size[slot], 40);
    }
}

TEST(BallScene, FirstStepLaunchesEveryBallFromTheFloor)
{
    for (uint32_t seed = 0; seed < 50; ++seed) {
        MakeScene(800, 600, seed, MaxBalls);
        const BallTableRecord before = BallTable;
        StepScene();
        for (int slot = 0; slot < MaxBalls; ++slot) {
            EXPECT_EQ(BallTable.Y[slot], 560);
            EXPECT_LE(std::abs(BallTable.X[slot] - 400), 3);
            EXPECT_EQ(BallTable.X[slot], 400 + before.SpeedX[slot]);
            EXPECT_GE(BallTable.SpeedY[slot], -64);
            EXPECT_LE(BallTable.SpeedY[slot], -4);
            EXPECT_GE(BallTable.SpeedX[slot], -10);
            EXPECT_LE(BallTable.SpeedX[slot], 11);
            EXPECT_EQ(BallTable.PrevY[slot], 600);
            EXPECT_EQ(BallTable.MovedY[slot], 40);
        }
    }
}

TEST(BallScene, LaunchDrawsTwoNumbersPerBallInSlotOrder)
{
    MakeScene(800, 600, 7, 3);
    StepScene();
    SceneRandom::Seed(7);
    for (int i = 0; i < 2 * MaxBalls; ++i)
        SceneRandom::Next();
    for (int slot = 0; slot < 3; ++slot) {
        EXPECT_EQ(BallTable.SpeedX[slot], SceneRandom::Next() % 22 - 10);
        EXPECT_EQ(BallTable.SpeedY[slot], -5 - SceneRandom::Next() % 61 + 1);
    }
}

struct WallCase {
    int32_t x, speedX, expectedX, expectedSpeedX;
};

class BallWalls : public testing::TestWithParam<WallCase> {};

TEST_P(BallWalls, BounceAtTheBounds)
{
    const WallCase c = GetParam();
    MakeScene(640, 480, 1, 1);
    BallTable.X[0] = c.x;
    BallTable.Y[0] = 100;
    BallTable.SpeedX[0] = c.speedX;
    BallTable.SpeedY[0] = 0;
    StepScene();
    EXPECT_EQ(BallTable.X[0], c.expectedX);
    EXPECT_EQ(BallTable.SpeedX[0], c.expectedSpeedX);
    EXPECT_EQ(BallTable.MovedX[0], std::abs(c.expectedX - c.x));
}

INSTANTIATE_TEST_SUITE_P(Walls, BallWalls,
    testing::Values(WallCase{595, 11, 600, -11},   // past the right bound
        WallCase{600, 0, 600, 0},                   // on the right bound
        WallCase{599, 1, 600, 1},                   // onto the right bound
        WallCase{5, -10, 1, 10},                    // past the left bound
        WallCase{3, -3, 1, 3},                      // to 0: the left bound is 1
        WallCase{2, -1, 1, -1},                     // onto the left bound
        WallCase{300, -3, 297, -3}));

TEST(BallScene, VerticalMoveIsQuarterPixelsRoundedDown)
{
    const struct {
        int32_t speedY, dy;
    } cases[] = {{-5, -2}, {-1, -1}, {0, 0}, {3, 0}, {4, 1}, {-64, -16}, {7, 1}, {8, 2}};
    for (const auto &c : cases) {
        MakeScene(640, 480, 1, 1);
        BallTable.Y[0] = 200;
        BallTable.SpeedY[0] = c.speedY;
        StepScene();
        EXPECT_EQ(BallTable.Y[0], 200 + c.dy) << c.speedY;
        EXPECT_EQ(BallTable.SpeedY[0], c.speedY + 1) << c.speedY;
    }
}

TEST(BallScene, BallExactlyOnTheFloorBoundIsLaunchedOnlyNextTick)
{
    MakeScene(640, 480, 3, 1);
    BallTable.Y[0] = 440;
    BallTable.SpeedY[0] = 2;
    StepScene();
    EXPECT_EQ(BallTable.Y[0], 440);
    EXPECT_EQ(BallTable.SpeedY[0], 3);
    BallTable.SpeedY[0] = 4;
    StepScene();
    EXPECT_EQ(BallTable.Y[0], 440);
    EXPECT_LE(BallTable.SpeedY[0], -4);
}

// Follows one ball from a launch with the given speed back to the floor.
int32_t HighestRise(int32_t launchSpeedY, int32_t height)
{
    MakeScene(640, height, 1, 1);
    BallTable.Y[0] = height - 40;
    BallTable.SpeedX[0] = 0;
    BallTable.SpeedY[0] = launchSpeedY + 1;
    int32_t top = BallTable.Y[0];
    for (int tick = 0; tick < 1000; ++tick) {
        StepScene();
        if (BallTable.Y[0] == height - 40 && BallTable.SpeedY[0] < 0)
            break;
        top = std::min(top, BallTable.Y[0]);
    }
    return height - 40 - top;
}

TEST(BallScene, StrongestAndWeakestLaunchHeights)
{
    EXPECT_EQ(HighestRise(-65, 480), 544);
    EXPECT_EQ(HighestRise(-65, 1080), 544);
    EXPECT_EQ(HighestRise(-5, 480), 4);
}

TEST(BallScene, StrongLaunchLeavesAShortScreenAndComesBack)
{
    MakeScene(640, 480, 1, 1);
    BallTable.Y[0] = 440;
    BallTable.SpeedX[0] = 0;
    BallTable.SpeedY[0] = -64;
    bool left = false;
    for (int tick = 0; tick < 200; ++tick) {
        StepScene();
        left = left || BallTable.Y[0] + 40 <= 0;
    }
    EXPECT_TRUE(left);
    EXPECT_LE(BallTable.Y[0], 440);
    EXPECT_GT(BallTable.Y[0], -200);
}

TEST(BallScene, LaunchRangesAreAllReachable)
{
    MakeScene(1920, 1080, 4242, MaxBalls);
    std::set<int32_t> speedsX, speedsY;
    for (int tick = 0; tick < 20000; ++tick) {
        StepScene();
        for (int slot = 0; slot < MaxBalls; ++slot) {
            if (BallTable.Y[slot] == 1040 && BallTable.SpeedY[slot] < 0) {
                speedsX.insert(BallTable.SpeedX[slot]);
                speedsY.insert(BallTable.SpeedY[slot] - 1);
            }
        }
    }
    ASSERT_EQ(speedsX.size(), 22u);
    EXPECT_EQ(*speedsX.begin(), -10);
    EXPECT_EQ(*speedsX.rbegin(), 11);
    ASSERT_EQ(speedsY.size(), 61u);
    EXPECT_EQ(*speedsY.begin(), -65);
    EXPECT_EQ(*speedsY.rbegin(), -5);
}

TEST(BallScene, FramesTurnEveryTwoTicksAndRepeatAfterTwelve)
{
    MakeScene(640, 480, 5, 4);
    const int32_t expected[] = {0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 0, 0, 1};
    for (int32_t frame : expected) {
        StepScene();
        for (int slot = 0; slot < 4; ++slot)
            ASSERT_EQ(BallTable.Frame[slot], frame);
    }
}

TEST(BallScene, SameSeedGivesTheSameMotion)
{
    MakeScene(1024, 768, 777, 20);
    for (int i = 0; i < 500; ++i)
        StepScene();
    const BallTableRecord first = BallTable;
    MakeScene(1024, 768, 777, 20);
    for (int i = 0; i < 500; ++i)
        StepScene();
    EXPECT_EQ(memcmp(&first, &BallTable, sizeof first), 0);
}

TEST(BallScene, NoBallsInUseMovesNothing)
{
    for (LONG count : {0L, -5L}) {
        MakeScene(640, 480, 9, count);
        const BallTableRecord before = BallTable;
        for (int i = 0; i < 100; ++i)
            StepScene();
        EXPECT_EQ(memcmp(&before, &BallTable, sizeof before), 0) << count;
    }
}

// Long runs keep every ball inside its bounds and never touch unused slots.
class BallInvariants : public testing::TestWithParam<std::pair<int32_t, int32_t>> {};

TEST_P(BallInvariants, BallsStayInBounds)
{
    const auto [width, height] = GetParam();
    for (LONG count : {LONG{MaxBalls}, 25L}) {
        MakeScene(width, height, 2024, count);
        const BallTableRecord before = BallTable;
        for (int tick = 0; tick < 30000; ++tick) {
            StepScene();
            for (int slot = 0; slot < count; ++slot) {
                ASSERT_GE(BallTable.X[slot], 1);
                ASSERT_LE(BallTable.X[slot], width - 40);
                ASSERT_LE(BallTable.Y[slot], height - 40);
                ASSERT_GE(BallTable.Y[slot], height - 40 - 544);
                ASSERT_GE(BallTable.SpeedX[slot], -11);
                ASSERT_LE(BallTable.SpeedX[slot], 11);
                ASSERT_GE(BallTable.Frame[slot], 0);
                ASSERT_LT(BallTable.Frame[slot], 6);
                ASSERT_LE(BallTable.MovedX[slot], 11);
            }
        }
        for (int slot = count; slot < MaxBalls; ++slot) {
            EXPECT_EQ(BallTable.X[slot], before.X[slot]);
            EXPECT_EQ(BallTable.Y[slot], before.Y[slot]);
            EXPECT_EQ(BallTable.SpeedY[slot], before.SpeedY[slot]);
            EXPECT_EQ(BallTable.Frame[slot], before.Frame[slot]);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Screens, BallInvariants,
    testing::Values(std::make_pair(640, 480), std::make_pair(1920, 1080)));

// CreateScene on a real window: the screen size, the stored count and the
// timer, and nothing of the last two in the preview.
class CreateSceneOnWindow : public FreshSettingsFile<> {
protected:
    void SetUp() override
    {
        FreshSettingsFile::SetUp();
        window = CreateWindowExA(0, "STATIC", "scene", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(window, nullptr);
    }
    void TearDown() override
    {
        SaverState.IsPreview = 0;
        DestroyWindow(window);
        FreshSettingsFile::TearDown();
    }
    HWND window = nullptr;
};

TEST_F(CreateSceneOnWindow, FullScreenReadsCountAndStartsTimer)
{
    const struct {
        const char *stored;
        LONG expected;
    } cases[] = {{nullptr, 10}, {"30", 30}, {"60", 60}, {"61", 10}, {"1000", 10}, {"0", 0}, {"-4", -4}};
    for (const auto &c : cases) {
        if (c.stored)
            StoreBalls(c.stored);
        else
            RemoveProfile(path);
        BallCount = 99;
        CreateScene(window);
        EXPECT_EQ(BallCount, c.expected) << (c.stored ? c.stored : "(no file)");
        EXPECT_EQ(ScreenWidth, GetSystemMetrics(SM_CXSCREEN));
        EXPECT_EQ(ScreenHeight, GetSystemMetrics(SM_CYSCREEN));
        EXPECT_TRUE(KillTimer(window, 1));
    }
}

TEST_F(CreateSceneOnWindow, SeedsWithTheCalendarTime)
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        const time_t before = std::time(nullptr);
        CreateScene(window);
        const BallTableRecord made = BallTable;
        KillTimer(window, 1);
        if (std::time(nullptr) != before)
            continue;
        SceneRandom::Seed(static_cast<uint32_t>(before));
        ResetBalls();
        EXPECT_EQ(memcmp(made.SpeedX.data(), BallTable.SpeedX.data(), sizeof made.SpeedX), 0);
        EXPECT_EQ(memcmp(made.SpeedY.data(), BallTable.SpeedY.data(), sizeof made.SpeedY), 0);
        return;
    }
    FAIL() << "the clock kept moving";
}

TEST_F(CreateSceneOnWindow, PreviewReadsNoCountAndStartsNoTimer)
{
    StoreBalls("30");
    SaverState.IsPreview = 1;
    BallCount = 10;
    CreateScene(window);
    EXPECT_EQ(BallCount, 10);
    EXPECT_FALSE(KillTimer(window, 1));
    EXPECT_EQ(BallTable.Y[59], GetSystemMetrics(SM_CYSCREEN));
}

} // namespace
