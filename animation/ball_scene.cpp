// The ball scene: integer motion on screen coordinates, drawn by the frame
// composition.
#include "animation/ball_scene.h"

#include "shell/saver_module.h"

#include <ctime>

namespace {
// The launch's spread: 22 horizontal speeds, one more to the right than to
// the left, and 61 vertical ones.
constexpr int32_t LaunchSpreadX = 21;
constexpr int32_t LaunchSpreadY = 60;

uint32_t RandomState;
} // namespace

// Makes the value the generator's state.
void SceneRandom::Seed(uint32_t value)
{
    RandomState = value;
}

// The classic runtime generator: bits 16 to 30 of the new state.
int32_t SceneRandom::Next()
{
    RandomState = RandomState * 214013u + 2531011u;
    return static_cast<int32_t>((RandomState >> 16) & 0x7FFF);
}

// Puts all 60 slots at the bottom centre with fresh creation speeds.
void ResetBalls(BallSceneRecord &scene)
{
    BallTableRecord &b = scene.BallTable;
    for (int slot = 0; slot < MaxBalls; ++slot) {
        b.X[slot] = scene.ScreenWidth / 2;
        b.Y[slot] = scene.ScreenHeight;
        b.SpeedX[slot] = SceneRandom::Next() % 7 - 3;
        b.SpeedY[slot] = SceneRandom::Next() % 2 + 1;
        b.FrameTick[slot] = 0;
        b.Frame[slot] = 0;
        b.Size[slot] = BallSize;
    }
}

// Starts the scene when the saver window is created; in full screen it also
// reads the stored ball count and starts the animation timer. The balls of
// each monitor are put in place by the frame composition, which knows the
// monitors.
void CreateScene(HWND window)
{
    SceneRandom::Seed(static_cast<uint32_t>(std::time(nullptr)));
    if (SaverState.IsPreview)
        return;

    LoadSettingsNames();
    BallCount = ReadStoredBallCount();
    // The table has 60 slots: a larger stored count must never reach it.
    if (BallCount > MaxBalls)
        BallCount = DefaultBallCount;
    StartAnimationTimer(window);
}

// One tick every AnimationTimerPeriod milliseconds; a second start of the
// same timer replaces the first.
void StartAnimationTimer(HWND window)
{
    SetTimer(window, AnimationTimerId, AnimationTimerPeriod, nullptr);
}

namespace {

// Throws a ball that has reached the floor up again.
void LaunchBall(BallTableRecord &b, int slot)
{
    b.SpeedX[slot] = SceneRandom::Next() % (LaunchSpreadX + 1) - LaunchSpreadX / 2;
    b.SpeedY[slot] = -5 - SceneRandom::Next() % (LaunchSpreadY + 1);
}

// One tick of one ball: frame turn, walls, the quarter-pixel fall and the
// floor launch, then gravity.
void StepBall(BallSceneRecord &scene, int slot)
{
    BallTableRecord &b = scene.BallTable;
    const int32_t width = scene.ScreenWidth;
    const int32_t height = scene.ScreenHeight;
    b.PrevX[slot] = b.X[slot];
    b.PrevY[slot] = b.Y[slot];

    if (++b.FrameTick[slot] == 2) {
        b.FrameTick[slot] = 0;
        if (++b.Frame[slot] == BallFrameCount)
            b.Frame[slot] = 0;
    }

    b.X[slot] += b.SpeedX[slot];
    if (b.X[slot] > width - b.Size[slot]) {
        b.X[slot] = width - b.Size[slot];
        b.SpeedX[slot] = -b.SpeedX[slot];
    }
    if (b.X[slot] < 1) {
        b.X[slot] = 1;
        b.SpeedX[slot] = -b.SpeedX[slot];
    }

    // Quarter pixels per tick, rounded toward minus infinity.
    b.Y[slot] += b.SpeedY[slot] >> 2;
    if (b.Y[slot] > height - b.Size[slot]) {
        b.Y[slot] = height - b.Size[slot];
        LaunchBall(b, slot);
    }
    b.SpeedY[slot] += 1;

    b.MovedX[slot] = b.X[slot] > b.PrevX[slot] ? b.X[slot] - b.PrevX[slot] : b.PrevX[slot] - b.X[slot];
    b.MovedY[slot] = b.Y[slot] > b.PrevY[slot] ? b.Y[slot] - b.PrevY[slot] : b.PrevY[slot] - b.Y[slot];
}

} // namespace

// The slots stepped and drawn: those in use, never more than the table holds.
int BallsInUse()
{
    return BallCount > MaxBalls ? MaxBalls : static_cast<int>(BallCount);
}

// Advances every ball in use by one tick, slot by slot, so that launches draw
// their random numbers in slot order.
void StepScene(BallSceneRecord &scene)
{
    const int count = BallsInUse();
    for (int slot = 0; slot < count; ++slot)
        StepBall(scene, slot);
}
