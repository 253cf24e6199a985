// The ball scene: up to MaxBalls footballs thrown up from the floor, falling
// under gravity, bouncing off the side walls and turning as they fly.
#pragma once

#include "settings/settings_file.h"

#include <windows.h>

#include <array>
#include <cstdint>

constexpr int32_t BallSize = 40;
constexpr int BallFrameCount = 6;
constexpr UINT_PTR AnimationTimerId = 1;
constexpr UINT AnimationTimerPeriod = 55;

using BallField = std::array<int32_t, MaxBalls>;

// One array per field, all indexed by slot.
struct BallTableRecord {
    BallField X;
    BallField Y;
    BallField SpeedX;
    BallField SpeedY;
    BallField FrameTick;
    BallField Frame;
    BallField Size;
    BallField PrevX;
    BallField PrevY;
    BallField MovedX;
    BallField MovedY;
    BallField DirtyLeft;
    BallField DirtyTop;
};

// One monitor's scene: its balls and the screen they fly on, in units of
// 96 dots per inch, so that a scene looks the same at every pixel density.
// Every field starts at the value beside it.
struct BallSceneRecord {
    int32_t ScreenWidth = 0;
    int32_t ScreenHeight = 0;
    BallTableRecord BallTable = {};
};

// The scene's only source of chance: a 32-bit linear congruential generator.
namespace SceneRandom {
void Seed(uint32_t value);
int32_t Next();
}

// Puts all 60 slots of the scene at its bottom centre with fresh creation
// speeds; draws two numbers per slot.
void ResetBalls(BallSceneRecord &scene);

// Seeds the scene's generator; in full screen also reads the stored ball
// count and starts the animation timer on the window.
void CreateScene(HWND window);
// Starts the animation timer on the window.
void StartAnimationTimer(HWND window);
// Advances every ball in use of the scene by one tick.
void StepScene(BallSceneRecord &scene);

// The slots stepped and drawn: those in use, never more than the table holds.
int BallsInUse();
