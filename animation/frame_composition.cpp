// The frame composition: each monitor's screen is composed off screen, and
// each timer tick, or with smooth motion each frame between the ticks,
// copies to the window only the small rectangles the balls cover. The
// motion runs in units of 96 DPI; the drawing turns units into the
// monitor's pixels.
#include "animation/frame_composition.h"

#include "animation/ball_scene.h"
#include "animation/frame_clock.h"
#include "animation/picture_assets.h"
#include "resources/resource_ids.h"
#include "shell/saver_module.h"

AnimationRecord Animation;

namespace {

// Ticks between portrait changes, and the pictures' sizes in units.
constexpr int32_t PortraitPeriod = 300;
constexpr int32_t PortraitWidth = 200;
constexpr int32_t PortraitHeight = 300;
constexpr int32_t PreviewWidth = 150;
constexpr int32_t PreviewHeight = 110;

// The width and height of a rectangle.
int32_t WidthOf(const RECT &r)
{
    return r.right - r.left;
}

int32_t HeightOf(const RECT &r)
{
    return r.bottom - r.top;
}

// The pictures for `dpi`, made now if no monitor has needed them yet.
int PicturesFor(HWND window, HDC paint, int dpi)
{
    AnimationRecord &a = Animation;
    for (int i = 0; i < a.ScaleCount; ++i)
        if (a.Scales[i].Dpi == dpi)
            return i;
    MakePictures(window, paint, dpi, a.Scales[a.ScaleCount]);
    return a.ScaleCount++;
}

// A buffer of the monitor's size in the display's format, made like the
// first ball frame's surface.
MemorySurface MakeMonitorBuffer(HDC model, const RECT &area, HBITMAP &bitmap)
{
    bitmap = CreateCompatibleBitmap(model, WidthOf(area), HeightOf(area));
    return MakeSurface(model, bitmap);
}

// Makes, on the first paint, the pictures of every density the monitors
// need and every monitor's frame buffers.
void MakeSceneObjects(HWND window, HDC paint)
{
    AnimationRecord &a = Animation;
    for (int i = 0; i < a.MonitorCount; ++i) {
        MonitorSceneRecord &m = a.Monitors[i];
        m.Pictures = PicturesFor(window, paint, m.Place.Dpi);
        const HDC model = a.Scales[m.Pictures].SpriteSurfaces[0].Dc;
        m.FrameBuffers.Composition = MakeMonitorBuffer(model, m.Place.Area, m.FrameBuffers.CompositionBitmap);
        m.FrameBuffers.Background = MakeMonitorBuffer(model, m.Place.Area, m.FrameBuffers.BackgroundBitmap);
    }
    a.SceneMade = true;
}

// Releases the pictures, surfaces and buffers that the paints made, the
// surfaces before the pictures they hold and in the reverse order of making.
void ReleaseSceneObjects()
{
    AnimationRecord &a = Animation;
    for (int i = a.MonitorCount - 1; i >= 0; --i) {
        FrameBuffersRecord &f = a.Monitors[i].FrameBuffers;
        ReleaseSurface(f.Background);
        ReleaseBitmap(f.BackgroundBitmap);
        ReleaseSurface(f.Composition);
        ReleaseBitmap(f.CompositionBitmap);
    }
    for (int i = a.ScaleCount - 1; i >= 0; --i)
        ReleasePictures(a.Scales[i]);
    a.ScaleCount = 0;
    a.SceneMade = false;
}

// Finds the monitors the window shows and puts each monitor's balls at its
// bottom centre, the primary's first, so that one monitor draws its numbers
// as a saver of one screen does.
void LayOutMonitors(HWND window)
{
    AnimationRecord &a = Animation;
    const MonitorListRecord found = FindMonitors(window);
    a.MonitorCount = found.Count;
    for (int i = 0; i < found.Count; ++i) {
        MonitorSceneRecord &m = a.Monitors[i];
        m.Place = found.Places[i];
        m.Scene.ScreenWidth = ToUnits(WidthOf(m.Place.Area), m.Place.Dpi);
        m.Scene.ScreenHeight = ToUnits(HeightOf(m.Place.Area), m.Place.Dpi);
        ResetBalls(m.Scene);
        m.Drawn.fill(BallCell{0, 0, NotDrawn});
        m.NextFrame = 0;
    }
    // Frames wait for the first step of the new scenes.
    a.Ticks.Last = 0;
}

// Copies the part of the monitor's composition within `part` (in the
// monitor's pixels) to the window; what lies off the monitor is left out, so
// nothing drawn for one monitor ever reaches another.
void Present(HDC window, const MonitorSceneRecord &m, const RECT &part)
{
    const RECT bounds = {0, 0, WidthOf(m.Place.Area), HeightOf(m.Place.Area)};
    RECT shown = {};
    if (!IntersectRect(&shown, &part, &bounds))
        return;
    BitBlt(window, m.Place.Area.left + shown.left, m.Place.Area.top + shown.top, WidthOf(shown), HeightOf(shown),
           m.FrameBuffers.Composition.Dc, shown.left, shown.top, SRCCOPY);
}

// Lays the portrait that PictureSurface holds into the middle of the
// monitor's two buffers and shows it.
void ShowPortrait(HDC window, const MonitorSceneRecord &m, const ScaledPicturesRecord &s)
{
    const int dpi = m.Place.Dpi;
    const int32_t x = ToPixels((m.Scene.ScreenWidth - PortraitWidth) / 2, dpi);
    const int32_t y = ToPixels((m.Scene.ScreenHeight - PortraitHeight) / 2, dpi);
    const int32_t width = ToPixels(PortraitWidth, dpi);
    const int32_t height = ToPixels(PortraitHeight, dpi);
    const HDC picture = s.PictureSurface.Dc;
    BitBlt(m.FrameBuffers.Composition.Dc, x, y, width, height, picture, 0, 0, SRCCOPY);
    BitBlt(m.FrameBuffers.Background.Dc, x, y, width, height, picture, 0, 0, SRCCOPY);
    Present(window, m, RECT{x, y, x + width, y + height});
}

// Draws one monitor's screen from the start: tiles from its own top-left
// corner in both buffers and on the window, then the first portrait in its
// middle. No ball is drawn.
void ComposeMonitor(HDC paint, const MonitorSceneRecord &m, const ScaledPicturesRecord &s)
{
    const int32_t width = WidthOf(m.Place.Area);
    const int32_t height = HeightOf(m.Place.Area);
    const HDC composition = m.FrameBuffers.Composition.Dc;
    const HDC picture = s.PictureSurface.Dc;
    PatBlt(composition, 0, 0, width, height, BLACKNESS);
    PatBlt(m.FrameBuffers.Background.Dc, 0, 0, width, height, BLACKNESS);
    SelectObject(picture, s.PictureSet.TilePicture);
    for (int32_t y = 0; y < height; y += s.TileSize)
        for (int32_t x = 0; x < width; x += s.TileSize)
            BitBlt(composition, x, y, s.TileSize, s.TileSize, picture, 0, 0, SRCCOPY);
    BitBlt(m.FrameBuffers.Background.Dc, 0, 0, width, height, composition, 0, 0, SRCCOPY);
    BitBlt(paint, m.Place.Area.left, m.Place.Area.top, width, height, composition, 0, 0, SRCCOPY);
    SelectObject(picture, s.PictureSet.Portraits[0]);
    ShowPortrait(paint, m, s);
}

// Every 300 ticks the next portrait takes the middle of every monitor at
// once; true when it was drawn, over whatever balls lay there.
bool StepPortrait(HDC window)
{
    AnimationRecord &a = Animation;
    if (++a.PortraitTick < PortraitPeriod)
        return false;
    a.PortraitTick = 0;
    if (++a.PortraitIndex == PortraitCount)
        a.PortraitIndex = 0;
    if (!a.SceneMade)
        return false;
    for (int i = 0; i < a.ScaleCount; ++i)
        SelectObject(a.Scales[i].PictureSurface.Dc, a.Scales[i].PictureSet.Portraits[a.PortraitIndex]);
    for (int i = 0; i < a.MonitorCount; ++i)
        ShowPortrait(window, a.Monitors[i], a.Scales[a.Monitors[i].Pictures]);
    return true;
}

// Restores every ball's old cell from the background and notes the corner
// of the rectangle that covers its old and new cell.
void ErasePass(MonitorSceneRecord &m, const ScaledPicturesRecord &s, int count)
{
    BallTableRecord &b = m.Scene.BallTable;
    const int dpi = m.Place.Dpi;
    for (int slot = 0; slot < count; ++slot) {
        const int32_t x = ToPixels(b.PrevX[slot], dpi);
        const int32_t y = ToPixels(b.PrevY[slot], dpi);
        BitBlt(m.FrameBuffers.Composition.Dc, x, y, s.SpriteWidth, s.SpriteHeight, m.FrameBuffers.Background.Dc, x,
               y, SRCCOPY);
        b.DirtyLeft[slot] = b.X[slot] < b.PrevX[slot] ? b.X[slot] : b.PrevX[slot];
        b.DirtyTop[slot] = b.Y[slot] < b.PrevY[slot] ? b.Y[slot] : b.PrevY[slot];
    }
}

// Draws every ball through its mask, slot by slot, so a higher slot lies on
// top: the mask blackens the ball's area, the frame is then ORed in.
void DrawPass(const MonitorSceneRecord &m, const ScaledPicturesRecord &s, int count)
{
    const BallTableRecord &b = m.Scene.BallTable;
    const int dpi = m.Place.Dpi;
    const HDC composition = m.FrameBuffers.Composition.Dc;
    for (int slot = 0; slot < count; ++slot) {
        const int turn = TurnFramesPerBallFrame * b.Frame[slot];
        const int32_t x = ToPixels(b.X[slot], dpi);
        const int32_t y = ToPixels(b.Y[slot], dpi);
        BitBlt(composition, x, y, s.SpriteWidth, s.SpriteHeight, s.MaskSurfaces[turn].Dc, 0, 0, SRCAND);
        BitBlt(composition, x, y, s.SpriteWidth, s.SpriteHeight, s.SpriteSurfaces[turn].Dc, 0, 0, SRCPAINT);
    }
}

// Copies to the window only the rectangle over each ball's old and new cell:
// at 96 DPI the rectangle at (DirtyLeft, DirtyTop) of MovedX + 40 by
// MovedY + 40 pixels.
void PresentPass(HDC window, const MonitorSceneRecord &m, const ScaledPicturesRecord &s, int count)
{
    const BallTableRecord &b = m.Scene.BallTable;
    const int dpi = m.Place.Dpi;
    for (int slot = 0; slot < count; ++slot) {
        const RECT part = {ToPixels(b.DirtyLeft[slot], dpi), ToPixels(b.DirtyTop[slot], dpi),
                           ToPixels(b.DirtyLeft[slot] + b.MovedX[slot], dpi) + s.SpriteWidth,
                           ToPixels(b.DirtyTop[slot] + b.MovedY[slot], dpi) + s.SpriteHeight};
        Present(window, m, part);
    }
}

// Notes where the tick's passes left each ball, for the frames to erase
// once smooth motion starts.
void NoteTickCells(MonitorSceneRecord &m, int count)
{
    for (int slot = 0; slot < count; ++slot)
        m.Drawn[slot] = TickCellAt(m.Scene, slot, m.Place.Dpi);
}

// The part of the monitor that a ball drawn at `cell` covers.
RECT CellRect(const BallCell &cell, const ScaledPicturesRecord &s)
{
    return RECT{cell.X, cell.Y, cell.X + s.SpriteWidth, cell.Y + s.SpriteHeight};
}

// The pixels of a rectangle.
int64_t AreaOf(const RECT &r)
{
    return static_cast<int64_t>(WidthOf(r)) * HeightOf(r);
}

// Adds `part` to the rectangles to present, merged with every one whose
// union with it copies no more than the two apart would plus `saving`
// pixels, what one transfer fewer is worth: balls near each other reach
// the window in one transfer, balls far apart in one each.
void AddChanged(std::array<RECT, MaxBalls> &changed, int &count, RECT part, int64_t saving)
{
    for (int i = 0; i < count;) {
        RECT both = {};
        UnionRect(&both, &part, &changed[i]);
        if (AreaOf(both) <= AreaOf(part) + AreaOf(changed[i]) + saving) {
            part = both;
            changed[i] = changed[--count];
            i = 0;
        } else {
            ++i;
        }
    }
    changed[count++] = part;
}

// Whether a ball is drawn at `cell` already.
bool SameCell(const BallCell &a, const BallCell &b)
{
    return a.X == b.X && a.Y == b.Y && a.Turn == b.Turn;
}

// One frame of one monitor: every ball erased where it is drawn, drawn at
// its cell of the moment `fraction` after the tick (or, `atTick`, where the
// tick alone draws it), and the old and new cells of the balls that moved or
// turned presented, merged where they meet. Nothing at all happens when no
// ball moved or turned, unless `all`, which presents every ball.
void ComposeFrame(HDC window, MonitorSceneRecord &m, const ScaledPicturesRecord &s, int count, int32_t fraction,
                  bool atTick, bool all)
{
    std::array<BallCell, MaxBalls> next;
    bool moved = all;
    for (int slot = 0; slot < count; ++slot) {
        next[slot] = atTick ? TickCellAt(m.Scene, slot, m.Place.Dpi) : BallCellAt(m.Scene, slot, fraction, m.Place.Dpi);
        moved = moved || !SameCell(next[slot], m.Drawn[slot]);
    }
    if (!moved)
        return;
    const HDC composition = m.FrameBuffers.Composition.Dc;
    for (int slot = 0; slot < count; ++slot) {
        const BallCell &was = m.Drawn[slot];
        if (was.Turn != NotDrawn)
            BitBlt(composition, was.X, was.Y, s.SpriteWidth, s.SpriteHeight, m.FrameBuffers.Background.Dc, was.X,
                   was.Y, SRCCOPY);
    }
    for (int slot = 0; slot < count; ++slot) {
        const BallCell &c = next[slot];
        BitBlt(composition, c.X, c.Y, s.SpriteWidth, s.SpriteHeight, s.MaskSurfaces[c.Turn].Dc, 0, 0, SRCAND);
        BitBlt(composition, c.X, c.Y, s.SpriteWidth, s.SpriteHeight, s.SpriteSurfaces[c.Turn].Dc, 0, 0, SRCPAINT);
    }
    std::array<RECT, MaxBalls> changed;
    int changedCount = 0;
    for (int slot = 0; slot < count; ++slot) {
        BallCell &was = m.Drawn[slot];
        if (!all && SameCell(next[slot], was))
            continue;
        RECT part = CellRect(next[slot], s);
        const RECT old = CellRect(was, s);
        if (was.Turn != NotDrawn)
            UnionRect(&part, &part, &old);
        AddChanged(changed, changedCount, part, static_cast<int64_t>(s.SpriteWidth) * s.SpriteHeight);
        was = next[slot];
    }
    for (int i = 0; i < changedCount; ++i)
        Present(window, m, changed[i]);
}

// The rate of the monitor that refreshes most often.
int FastestRefreshRate(const AnimationRecord &a)
{
    int fastest = DefaultRefreshRate;
    for (int i = 0; i < a.MonitorCount; ++i)
        if (i == 0 || a.Monitors[i].Place.RefreshRate > fastest)
            fastest = a.Monitors[i].Place.RefreshRate;
    return fastest;
}

// Starts or ends the frames as their causes say: frames run in full screen
// once the scene is made, while the display is on and the close is not yet
// approved, unless the setting, a remote session, battery saver or an
// overload send the tick back to drawing alone. Ending them leaves every
// ball where the tick alone draws it, so that the tick's next erase takes
// away what is on the screen.
void FollowSmoothMotion(HWND window)
{
    AnimationRecord &a = Animation;
    const bool wanted = !SaverState.IsPreview && !SaverState.CloseApproved && a.SceneMade && !a.Resting &&
                        SmoothMotionAllowed(a.SmoothMotion, FrameTimeSource());
    if (wanted == a.Smooth)
        return;
    if (wanted) {
        for (int i = 0; i < a.MonitorCount; ++i)
            a.Monitors[i].NextFrame = 0;
        a.Smooth = StartFrameClock(window, FastestRefreshRate(a));
        return;
    }
    a.Smooth = false;
    StopFrameClock();
    if (!a.SceneMade)
        return;
    HDC surface = GetDC(window);
    const int count = BallsInUse();
    for (int i = 0; i < a.MonitorCount; ++i)
        ComposeFrame(surface, a.Monitors[i], a.Scales[a.Monitors[i].Pictures], count, FractionOne, true, false);
    ReleaseDC(window, surface);
}

// A frame message: every monitor whose refresh is due gets a frame of the
// moment between the ticks that it is now, each at its own rate; one that
// missed refreshes is drawn once, not once for each. Frames that take more
// than their share of the time give way to the tick alone.
void DrawDueFrames(HWND window)
{
    AnimationRecord &a = Animation;
    TakeFrameMessage();
    if (!a.Smooth || a.Ticks.Last == 0)
        return;
    const int64_t start = FrameTimeSource();
    const int32_t fraction = TickFraction(a.Ticks, start);
    const int count = BallsInUse();
    HDC surface = GetDC(window);
    for (int i = 0; i < a.MonitorCount; ++i) {
        MonitorSceneRecord &m = a.Monitors[i];
        const int64_t period = CountsPerSecond() / m.Place.RefreshRate;
        if (start < m.NextFrame - period / 2)
            continue;
        ComposeFrame(surface, m, a.Scales[m.Pictures], count, fraction, false, false);
        m.NextFrame += period;
        if (m.NextFrame <= start)
            m.NextFrame = start + period;
    }
    ReleaseDC(window, surface);
    const int64_t end = FrameTimeSource();
    if (NoteFrameCost(a.SmoothMotion, end - start, end))
        FollowSmoothMotion(window);
}

// WM_PAINT in full screen. The first paint loads the pictures and makes the
// surfaces; every paint, the first and any later one, redraws every
// monitor's screen on the objects the first one made, so repaints pile
// nothing up.
void PaintScene(HWND window)
{
    PAINTSTRUCT ps = {};
    HDC paint = BeginPaint(window, &ps);
    if (!Animation.SceneMade)
        MakeSceneObjects(window, paint);
    for (int i = 0; i < Animation.MonitorCount; ++i) {
        MonitorSceneRecord &m = Animation.Monitors[i];
        ComposeMonitor(paint, m, Animation.Scales[m.Pictures]);
        m.Drawn.fill(BallCell{0, 0, NotDrawn});
    }
    EndPaint(window, &ps);
    FollowSmoothMotion(window);
}

// WM_PAINT in the preview: the preview picture at the top left, at the
// density of the host's monitor.
void PaintPreview(HWND window)
{
    AnimationRecord &a = Animation;
    PAINTSTRUCT ps = {};
    HDC paint = BeginPaint(window, &ps);
    if (a.PreviewSurface.Dc == nullptr) {
        const int dpi = WindowDpi(window);
        a.PreviewPicture = OpaquePictureAt(window, IDB_PREVIEW, MAKEINTRESOURCEA(IDB_PREVIEW_200), PreviewWidth,
                                           PreviewHeight, dpi);
        a.PreviewSurface = MakeSurface(paint, a.PreviewPicture);
        a.PreviewWidth = ToPixels(PreviewWidth, dpi);
        a.PreviewHeight = ToPixels(PreviewHeight, dpi);
    }
    BitBlt(paint, 0, 0, a.PreviewWidth, a.PreviewHeight, a.PreviewSurface.Dc, 0, 0, SRCCOPY);
    EndPaint(window, &ps);
}

// One timer tick: the portrait step, then for each monitor in turn its
// scene's step and, drawing alone, the erase, draw and present passes. With
// smooth motion the frames draw the balls; the tick only puts back those
// that a new portrait covered. It makes nothing; it only borrows the window
// surface. Drawing alone, it looks whether frames may come back.
void AnimationTick(HWND window)
{
    AnimationRecord &a = Animation;
    HDC surface = GetDC(window);
    const bool portrait = StepPortrait(surface);
    NoteTick(a.Ticks, FrameTimeSource(), CountsPerSecond() * AnimationTimerPeriod / 1000);
    const int count = BallsInUse();
    for (int i = 0; i < a.MonitorCount; ++i) {
        MonitorSceneRecord &m = a.Monitors[i];
        StepScene(m.Scene);
        if (!a.SceneMade)
            continue;
        const ScaledPicturesRecord &s = a.Scales[m.Pictures];
        if (a.Smooth) {
            if (portrait)
                ComposeFrame(surface, m, s, count, 0, false, true);
            continue;
        }
        ErasePass(m, s, count);
        DrawPass(m, s, count);
        PresentPass(surface, m, s, count);
        NoteTickCells(m, count);
    }
    ReleaseDC(window, surface);
    if (!a.Smooth)
        FollowSmoothMotion(window);
}

// WM_DESTROY in full screen: stops the frames, releases whatever the paints
// made and stops the animation timer.
void ReleaseScene(HWND window)
{
    StopFrameClock();
    Animation.Smooth = false;
    StopFollowingCauses(Animation.SmoothMotion, window);
    ReleaseSceneObjects();
    KillTimer(window, AnimationTimerId);
}

// WM_DESTROY in the preview: the preview picture and its surface.
void ReleasePreview()
{
    ReleaseSurface(Animation.PreviewSurface);
    ReleaseBitmap(Animation.PreviewPicture);
}

// The monitors changed (one plugged in or out, a resolution or a scale):
// every monitor's scene starts over on the window's new extent, with the
// pictures of the new densities, made by the next paint.
void RebuildScene(HWND window)
{
    if (SaverState.IsPreview) {
        ReleasePreview();
    } else {
        ReleaseSceneObjects();
        FollowSmoothMotion(window);
        LayOutMonitors(window);
    }
    InvalidateRect(window, nullptr, TRUE);
}

// The console's display went off, dimmed or came back. While it is off the
// timer and the frames stop and a tick or frame already queued draws
// nothing, so the process waits in its message loop; when it is seen again
// the timer and the frames start over and every scene goes on where it
// stopped. Nothing is made or released either way.
void FollowDisplayState(HWND window, DWORD state)
{
    const bool off = state == DisplayOff;
    if (off == Animation.Resting)
        return;
    Animation.Resting = off;
    if (off)
        KillTimer(window, AnimationTimerId);
    else
        StartAnimationTimer(window);
    FollowSmoothMotion(window);
}

// A power notification: the full screen follows battery saver on a change
// of the power status, and the display's state when the message really
// carries it; anything else, whoever sent it, gets the default answer and
// leaves the animation as it is.
LRESULT OnPowerBroadcast(HWND window, WPARAM wParam, LPARAM lParam)
{
    if (!SaverState.IsPreview && wParam == PBT_APMPOWERSTATUSCHANGE) {
        ReadPowerState(Animation.SmoothMotion);
        FollowSmoothMotion(window);
        return TRUE;
    }
    DWORD state = 0;
    if (SaverState.IsPreview || wParam != PowerSettingChange || !ReadDisplayStateNotification(lParam, &state))
        return DefaultSaverProc(window, WM_POWERBROADCAST, wParam, lParam);
    FollowDisplayState(window, state);
    return TRUE;
}

} // namespace

// The animation's window procedure: creation, painting, the tick, changes of
// the monitors and of the display's state, and teardown here; everything
// else goes to the shell's close rules.
extern "C" LRESULT WINAPI ScreenSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        CreateScene(window);
        if (!SaverState.IsPreview) {
            LayOutMonitors(window);
            StartFollowingCauses(Animation.SmoothMotion, window);
        }
        return 0;
    case WM_PAINT:
        if (SaverState.IsPreview)
            PaintPreview(window);
        else
            PaintScene(window);
        return 0;
    case WM_TIMER:
        // The preview runs no timer and must not move, whatever is posted.
        if (!SaverState.IsPreview && !Animation.Resting)
            AnimationTick(window);
        return 0;
    case FrameMessage:
        DrawDueFrames(window);
        return 0;
    case WM_WTSSESSION_CHANGE:
        ReadSessionState(Animation.SmoothMotion);
        FollowSmoothMotion(window);
        return DefaultSaverProc(window, message, wParam, lParam);
    case WM_POWERBROADCAST:
        return OnPowerBroadcast(window, wParam, lParam);
    case WM_DISPLAYCHANGE:
    case DpiChangedMessage:
    case DpiChangedAfterParentMessage:
        RebuildScene(window);
        return 0;
    case WM_DESTROY:
        if (SaverState.IsPreview)
            ReleasePreview();
        else
            ReleaseScene(window);
        PostQuitMessage(0);
        return 0;
    default:
        return DefaultSaverProc(window, message, wParam, lParam);
    }
}
