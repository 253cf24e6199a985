// The motion between the ticks: the fixed-step simulation of the ball scene
// shown at any moment by interpolating between its last two steps.
#include "animation/ball_motion.h"

#include "animation/monitor_layout.h"
#include "animation/picture_assets.h"

namespace {

// Turn frames a tick moves the ball on: a ball frame lasts two ticks.
constexpr int TurnStepsPerTick = TurnFramesPerBallFrame / 2;

// The lowest value a position in 65536ths may take; nothing bounds a ball
// from above.
constexpr int64_t NoBound = INT64_MIN / 4;

// Floor division of a length that may be negative.
int32_t FloorDivide(int64_t value, int64_t by)
{
    const int64_t quotient = value / by;
    return static_cast<int32_t>(quotient * by > value ? quotient - 1 : quotient);
}

// The point `fraction` of the way from `from` to `to` (units), in 65536ths of
// a unit kept within [low, high], as pixels at `dpi`, rounded down as
// ToPixels rounds.
int32_t PixelBetween(int32_t from, int32_t to, int32_t fraction, int64_t low, int64_t high, int dpi)
{
    int64_t at = static_cast<int64_t>(from) * FractionOne + static_cast<int64_t>(to - from) * fraction;
    if (at < low)
        at = low;
    if (at > high)
        at = high;
    return FloorDivide(at * dpi, static_cast<int64_t>(BaseDpi) * FractionOne);
}

} // namespace

// Follows the ticks' real period, a quarter of the way to each new
// interval: a timer on a 15.6 ms system clock ticks every 62.5 ms rather
// than every 55. An interval that is no period (after a rest, a stall or a
// repaint) is left out.
void NoteTick(TickTimingRecord &t, int64_t now, int64_t nominal)
{
    if (t.Period == 0)
        t.Period = nominal;
    const int64_t interval = now - t.Last;
    if (t.Last != 0 && interval > t.Period / 2 && interval < 2 * t.Period)
        t.Period += (interval - t.Period) / 4;
    t.Last = now;
}

// The time since the tick as a share of the period, clamped.
int32_t TickFraction(const TickTimingRecord &t, int64_t now)
{
    const int64_t since = now - t.Last;
    if (since <= 0 || t.Period <= 0)
        return 0;
    if (since >= t.Period)
        return FractionOne;
    return static_cast<int32_t>(since * FractionOne / t.Period);
}

// The turn in 24ths: 4 Frame + 2 FrameTick after the tick, two less before
// it; between, the frame the interpolated phase has reached.
int TurnFrameAt(int32_t frame, int32_t frameTick, int32_t fraction)
{
    const int phase = TurnFramesPerBallFrame * frame + TurnStepsPerTick * frameTick;
    const int before = phase - TurnStepsPerTick + TurnFrameCount;
    return (before + TurnStepsPerTick * fraction / FractionOne) % TurnFrameCount;
}

// Between PrevX/PrevY and X/Y, inside [1, width - Size] across and above
// height - Size: the creation place below the floor bound is never shown.
BallCell BallCellAt(const BallSceneRecord &scene, int slot, int32_t fraction, int dpi)
{
    const BallTableRecord &b = scene.BallTable;
    const int64_t right = static_cast<int64_t>(scene.ScreenWidth - b.Size[slot]) * FractionOne;
    const int64_t floor = static_cast<int64_t>(scene.ScreenHeight - b.Size[slot]) * FractionOne;
    BallCell cell;
    cell.X = PixelBetween(b.PrevX[slot], b.X[slot], fraction, FractionOne, right, dpi);
    cell.Y = PixelBetween(b.PrevY[slot], b.Y[slot], fraction, NoBound, floor, dpi);
    cell.Turn = TurnFrameAt(b.Frame[slot], b.FrameTick[slot], fraction);
    return cell;
}

// Where the tick's own draw pass puts the ball.
BallCell TickCellAt(const BallSceneRecord &scene, int slot, int dpi)
{
    const BallTableRecord &b = scene.BallTable;
    BallCell cell;
    cell.X = ToPixels(b.X[slot], dpi);
    cell.Y = ToPixels(b.Y[slot], dpi);
    cell.Turn = TurnFramesPerBallFrame * b.Frame[slot];
    return cell;
}
