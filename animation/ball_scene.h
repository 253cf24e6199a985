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

extern BallTableRecord BallTable;
extern int32_t ScreenWidth;
extern int32_t ScreenHeight;

// The scene's only source of chance: a 32-bit linear congruential generator.
namespace SceneRandom {
void Seed(uint32_t value);
int32_t Next();
}

// Puts all 60 slots at the bottom centre with fresh creation speeds; draws
// two numbers per slot.
void ResetBalls();

void CreateScene(HWND window);
void StepScene();

// The slots stepped and drawn: those in use, never more than the table holds.
int BallsInUse();
