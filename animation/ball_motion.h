// Where a frame drawn between two ticks shows a ball: between its place
// before the last tick and its place after it, at the share of the tick
// period gone since, in the monitor's own pixels; and which of the 24 turn
// frames it shows then.
#pragma once

#include "animation/ball_scene.h"

#include <cstdint>

// A share of the tick period in 65536ths: 0 at the tick, FractionOne a whole
// period after it.
constexpr int32_t FractionOne = 1 << 16;

// A ball as a frame draws it: its cell's corner in pixels, and its turn
// frame, 0 to 23.
struct BallCell {
    int32_t X = 0;
    int32_t Y = 0;
    int Turn = 0;
};

// When the scenes were last stepped and how often the ticks come, in the
// frame clock's counts. Every field starts at the value beside it.
struct TickTimingRecord {
    int64_t Last = 0;              // 0 until the first tick
    int64_t Period = 0;            // the ticks' measured period
};

// Notes a tick at `now`; `nominal` is the timer's own period.
void NoteTick(TickTimingRecord &t, int64_t now, int64_t nominal);

// The share of the ticks' period gone at `now` since the last tick, kept
// within 0 and FractionOne: the picture is never ahead of the simulation,
// and at most one tick behind it.
int32_t TickFraction(const TickTimingRecord &t, int64_t now);

// The turn frame that the ball with the tick state `frame` (0 to 5) and
// `frameTick` (0 or 1) shows at `fraction` of the period after the tick.
// A tick moves the turn on by two of the 24 frames, a frame between the
// ticks shows the one in between; at the tick that shows ball frame k
// first, turn frame 4k, the same picture.
int TurnFrameAt(int32_t frame, int32_t frameTick, int32_t fraction);

// Slot `slot` of the scene at `fraction` of the period after its last step,
// at `dpi`: the position is worked out in 65536ths of a unit, kept inside
// the walls and above the floor bound that the step keeps the ball in, and
// only then turned into pixels, so a ball moves in steps of one pixel at
// every density.
BallCell BallCellAt(const BallSceneRecord &scene, int slot, int32_t fraction, int dpi);

// The cell that the tick alone draws: the position after the step, and the
// six-frame picture of the tick state.
BallCell TickCellAt(const BallSceneRecord &scene, int slot, int dpi);
