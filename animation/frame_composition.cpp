// The frame composition: each monitor's screen is composed off screen, and
// each timer tick copies to the window only the small rectangles the balls
// cover. The motion runs in units of 96 DPI; the drawing turns units into
// the monitor's pixels.
#include "animation/frame_composition.h"

#include "animation/ball_scene.h"
#include "animation/picture_assets.h"
#include "resources/resource_ids.h"
#include "shell/saver_module.h"

AnimationRecord Animation;

namespace {

// Ticks between portrait changes, and the pictures' sizes in units.
constexpr int32_t PortraitPeriod = 300;
constexpr int32_t PortraitWidth = 200;
constexpr int32_t PortraitHeight = 300;
constexpr int32_t TileSize = 200;
constexpr int32_t PreviewWidth = 150;
constexpr int32_t PreviewHeight = 110;

// A memory surface like `model` with `bitmap` selected into it.
MemorySurface MakeSurface(HDC model, HGDIOBJ bitmap)
{
    MemorySurface surface;
    surface.Dc = CreateCompatibleDC(model);
    surface.Original = SelectObject(surface.Dc, bitmap);
    return surface;
}

// Puts the surface's first bitmap back and deletes the surface.
void ReleaseSurface(MemorySurface &surface)
{
    if (surface.Dc == nullptr)
        return;
    SelectObject(surface.Dc, surface.Original);
    DeleteDC(surface.Dc);
    surface = MemorySurface{};
}

// Deletes a bitmap that no surface holds any more.
void ReleaseBitmap(HBITMAP &bitmap)
{
    if (bitmap != nullptr)
        DeleteObject(bitmap);
    bitmap = nullptr;
}

// The width and height of a rectangle.
int32_t WidthOf(const RECT &r)
{
    return r.right - r.left;
}

int32_t HeightOf(const RECT &r)
{
    return r.bottom - r.top;
}

// `drawn` made width x height pixels: as it is when it was drawn at that
// size, otherwise a scaled copy, `drawn` then deleted. Whole factors repeat
// every pixel exactly. Other factors smooth the pictures without a
// transparent colour; the ball frames keep their nearest pixels, so that
// their black ground stays exactly black and their masks exact.
HBITMAP FitPicture(HBITMAP drawn, int32_t width, int32_t height, bool opaque)
{
    BITMAP size = {};
    if (drawn == nullptr || GetObjectA(drawn, sizeof size, &size) == 0 ||
        (size.bmWidth == width && size.bmHeight == height))
        return drawn;
    const bool whole = width % size.bmWidth == 0 && height % size.bmHeight == 0;
    HBITMAP fitted = ScalePicture(drawn, width, height, opaque && !whole);
    ReleaseBitmap(drawn);
    return fitted;
}

// A picture without a transparent colour (the tile, a portrait, the preview
// picture) of width x height units at `dpi`. Each is drawn for 96 DPI
// (`base`) and for 192 (`twice`); every density above 96 starts from the
// larger one, since shrinking keeps detail that enlarging cannot add.
HBITMAP OpaquePictureAt(HWND window, LPCSTR base, LPCSTR twice, int32_t width, int32_t height, int dpi)
{
    const HINSTANCE module = SaverState.Instance;
    if (dpi == BaseDpi)
        return LoadPicture(window, module, base);
    return FitPicture(LoadPicture(window, module, twice), ToPixels(width, dpi), ToPixels(height, dpi), true);
}

// The resource of ball frame `k` drawn for scale step `step` (0 is 100 %,
// each step 25 % more).
LPCSTR BallFrameName(int step, int k)
{
    if (step == 0)
        return MAKEINTRESOURCEA(IDB_BALL_FIRST + k);
    return MAKEINTRESOURCEA(IDB_BALL_SCALED_BASE + 10 * step + k + 1);
}

// Ball frame `k` at `dpi`: the frame drawn at that size for every scale from
// 100 % to 300 % in steps of 25 %; between those the smallest drawn frame
// that is larger, above them the largest.
HBITMAP BallFrameAt(HWND window, int k, int dpi)
{
    const int32_t pixels = ToPixels(BallSize, dpi);
    int step = 0;
    while (step < BALL_SCALE_STEPS && ToPixels(BallSize, BaseDpi + BaseDpi / 4 * step) < pixels)
        ++step;
    return FitPicture(LoadPicture(window, SaverState.Instance, BallFrameName(step, k)), pixels, pixels, false);
}

// Loads every picture of the full-screen scene for one density, each as
// drawn for it or fitted to it, and makes the surfaces that hold them.
void MakePictures(HWND window, HDC paint, int dpi, ScaledPicturesRecord &s)
{
    PictureSetRecord &p = s.PictureSet;
    p.TilePicture = OpaquePictureAt(window, IDB_TILE, MAKEINTRESOURCEA(IDB_TILE_200), TileSize, TileSize, dpi);
    for (int k = 0; k < BallFrameCount; ++k) {
        p.BallFrames[k] = BallFrameAt(window, k, dpi);
        p.BallMasks[k] = MakeTransparencyMask(p.BallFrames[k], RGB(0, 0, 0));
    }
    for (int k = 0; k < PortraitCount; ++k)
        p.Portraits[k] = OpaquePictureAt(window, MAKEINTRESOURCEA(IDB_PORTRAIT_FIRST + k),
                                         MAKEINTRESOURCEA(IDB_PORTRAIT_200_FIRST + k), PortraitWidth,
                                         PortraitHeight, dpi);
    for (int k = 0; k < BallFrameCount; ++k) {
        s.MaskSurfaces[k] = MakeSurface(paint, p.BallMasks[k]);
        s.SpriteSurfaces[k] = MakeSurface(paint, p.BallFrames[k]);
    }
    s.SpriteWidth = ToPixels(BallSize, dpi);
    s.SpriteHeight = ToPixels(BallSize, dpi);
    s.TileSize = ToPixels(TileSize, dpi);
    s.PictureSurface = MakeSurface(s.SpriteSurfaces[0].Dc, p.TilePicture);
    s.Dpi = dpi;
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
    for (int i = a.ScaleCount - 1; i >= 0; --i) {
        ScaledPicturesRecord &s = a.Scales[i];
        PictureSetRecord &p = s.PictureSet;
        ReleaseSurface(s.PictureSurface);
        for (int k = BallFrameCount - 1; k >= 0; --k) {
            ReleaseSurface(s.SpriteSurfaces[k]);
            ReleaseSurface(s.MaskSurfaces[k]);
        }
        for (int k = PortraitCount - 1; k >= 0; --k)
            ReleaseBitmap(p.Portraits[k]);
        for (int k = BallFrameCount - 1; k >= 0; --k) {
            ReleaseBitmap(p.BallMasks[k]);
            ReleaseBitmap(p.BallFrames[k]);
        }
        ReleaseBitmap(p.TilePicture);
        s = ScaledPicturesRecord{};
    }
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
    }
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
// once.
void StepPortrait(HDC window)
{
    AnimationRecord &a = Animation;
    if (++a.PortraitTick < PortraitPeriod)
        return;
    a.PortraitTick = 0;
    if (++a.PortraitIndex == PortraitCount)
        a.PortraitIndex = 0;
    if (!a.SceneMade)
        return;
    for (int i = 0; i < a.ScaleCount; ++i)
        SelectObject(a.Scales[i].PictureSurface.Dc, a.Scales[i].PictureSet.Portraits[a.PortraitIndex]);
    for (int i = 0; i < a.MonitorCount; ++i)
        ShowPortrait(window, a.Monitors[i], a.Scales[a.Monitors[i].Pictures]);
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
        const int frame = b.Frame[slot];
        const int32_t x = ToPixels(b.X[slot], dpi);
        const int32_t y = ToPixels(b.Y[slot], dpi);
        BitBlt(composition, x, y, s.SpriteWidth, s.SpriteHeight, s.MaskSurfaces[frame].Dc, 0, 0, SRCAND);
        BitBlt(composition, x, y, s.SpriteWidth, s.SpriteHeight, s.SpriteSurfaces[frame].Dc, 0, 0, SRCPAINT);
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
        const MonitorSceneRecord &m = Animation.Monitors[i];
        ComposeMonitor(paint, m, Animation.Scales[m.Pictures]);
    }
    EndPaint(window, &ps);
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
// scene's step and the erase, draw and present passes. It makes nothing; it
// only borrows the window surface.
void AnimationTick(HWND window)
{
    AnimationRecord &a = Animation;
    HDC surface = GetDC(window);
    StepPortrait(surface);
    const int count = BallsInUse();
    for (int i = 0; i < a.MonitorCount; ++i) {
        MonitorSceneRecord &m = a.Monitors[i];
        StepScene(m.Scene);
        if (!a.SceneMade)
            continue;
        const ScaledPicturesRecord &s = a.Scales[m.Pictures];
        ErasePass(m, s, count);
        DrawPass(m, s, count);
        PresentPass(surface, m, s, count);
    }
    ReleaseDC(window, surface);
}

// WM_DESTROY in full screen: releases whatever the paints made and stops the
// animation timer.
void ReleaseScene(HWND window)
{
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
        LayOutMonitors(window);
    }
    InvalidateRect(window, nullptr, TRUE);
}

// The console's display went off, dimmed or came back. While it is off the
// timer stops and a tick already queued draws nothing, so the process waits
// in its message loop; when it is seen again the timer starts over and every
// scene goes on where it stopped. Nothing is made or released either way.
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
}

// A power notification: the full screen follows the display's state when
// the message really carries it; anything else, whoever sent it, gets the
// default answer and leaves the animation as it is.
LRESULT OnPowerBroadcast(HWND window, WPARAM wParam, LPARAM lParam)
{
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
        if (!SaverState.IsPreview)
            LayOutMonitors(window);
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
