// The frame composition: the screen is composed off screen, and each timer
// tick copies to the window only the small rectangles the balls cover.
#include "animation/frame_composition.h"

#include "animation/ball_scene.h"
#include "animation/picture_assets.h"
#include "resources/resource_ids.h"
#include "shell/saver_module.h"

AnimationRecord Animation;

namespace {

// Ticks between portrait changes, and the pictures' sizes.
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

// A buffer of the primary monitor's size in the display's format, made like
// the first ball frame's surface.
MemorySurface MakeScreenBuffer(HDC model, HBITMAP &bitmap)
{
    bitmap = CreateCompatibleBitmap(model, ScreenWidth, ScreenHeight);
    return MakeSurface(model, bitmap);
}

// Adds every monitor but the primary to the layout.
BOOL CALLBACK CollectMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data)
{
    auto &layout = *reinterpret_cast<MonitorLayout *>(data);
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoA(monitor, &info) || (info.dwFlags & MONITORINFOF_PRIMARY) != 0)
        return TRUE;
    if (layout.OtherCount == MaxOtherMonitors)
        return FALSE;
    layout.Others[layout.OtherCount++] = info.rcMonitor;
    return TRUE;
}

// Where the monitors lie in the window's own coordinates. A window that
// covers only the primary monitor (one monitor, or a test window) sees no
// other monitor.
MonitorLayout FindMonitors(HWND window)
{
    RECT placed = {};
    GetWindowRect(window, &placed);
    MonitorLayout found;
    EnumDisplayMonitors(nullptr, nullptr, CollectMonitor, reinterpret_cast<LPARAM>(&found));

    MonitorLayout layout;
    layout.PrimaryOrigin = {-placed.left, -placed.top};
    const RECT client = {0, 0, placed.right - placed.left, placed.bottom - placed.top};
    for (int i = 0; i < found.OtherCount; ++i) {
        RECT inWindow = found.Others[i];
        OffsetRect(&inWindow, -placed.left, -placed.top);
        RECT shown = {};
        if (IntersectRect(&shown, &inWindow, &client))
            layout.Others[layout.OtherCount++] = shown;
    }
    return layout;
}

// Copies the part of a picture placed with its top-left corner at (x, y)
// that lies inside `area`, so that nothing drawn for one monitor reaches
// another.
void CopyInto(HDC target, const RECT &area, int32_t x, int32_t y, int32_t width, int32_t height,
              HDC source)
{
    const RECT placed = {x, y, x + width, y + height};
    RECT part = {};
    if (!IntersectRect(&part, &placed, &area))
        return;
    BitBlt(target, part.left, part.top, part.right - part.left, part.bottom - part.top, source,
           part.left - x, part.top - y, SRCCOPY);
}

// The first multiple of the tile size at or before `value`, counted from
// `origin`: the tile grid of every monitor continues the primary's.
int32_t GridStart(int32_t value, int32_t origin)
{
    int32_t offset = (value - origin) % TileSize;
    if (offset < 0)
        offset += TileSize;
    return value - offset;
}

// Fills one other monitor with tiles laid on the primary's grid.
void TileMonitor(HDC target, const RECT &monitor, POINT origin, HDC tile)
{
    for (int32_t y = GridStart(monitor.top, origin.y); y < monitor.bottom; y += TileSize)
        for (int32_t x = GridStart(monitor.left, origin.x); x < monitor.right; x += TileSize)
            CopyInto(target, monitor, x, y, TileSize, TileSize, tile);
}

// Shows the portrait in PictureSurface in the middle of every other monitor.
void ShowPortraitOnOthers(HDC target, int32_t width, int32_t height)
{
    const MonitorLayout &layout = Animation.Monitors;
    for (int i = 0; i < layout.OtherCount; ++i) {
        const RECT &m = layout.Others[i];
        CopyInto(target, m, m.left + (m.right - m.left - width) / 2, m.top + (m.bottom - m.top - height) / 2,
                 width, height, Animation.PictureSurface.Dc);
    }
}

// Loads every picture of the full-screen scene and makes the surfaces that
// hold them and the two frame buffers; done once, by the first paint.
void MakeSceneObjects(HWND window, HDC paint)
{
    AnimationRecord &a = Animation;
    PictureSetRecord &p = a.PictureSet;
    const HINSTANCE module = SaverState.Instance;
    p.TilePicture = LoadPicture(window, module, IDB_TILE);
    for (int k = 0; k < BallFrameCount; ++k) {
        p.BallFrames[k] = LoadPicture(window, module, MAKEINTRESOURCEA(IDB_BALL_FIRST + k));
        p.BallMasks[k] = MakeTransparencyMask(p.BallFrames[k], RGB(0, 0, 0));
    }
    for (int k = 0; k < PortraitCount; ++k)
        p.Portraits[k] = LoadPicture(window, module, MAKEINTRESOURCEA(IDB_PORTRAIT_FIRST + k));
    for (int k = 0; k < BallFrameCount; ++k) {
        a.MaskSurfaces[k] = MakeSurface(paint, p.BallMasks[k]);
        a.SpriteSurfaces[k] = MakeSurface(paint, p.BallFrames[k]);
    }
    a.SpriteWidth = BallSize;
    a.SpriteHeight = BallSize;
    const HDC model = a.SpriteSurfaces[0].Dc;
    a.FrameBuffers.Composition = MakeScreenBuffer(model, a.FrameBuffers.CompositionBitmap);
    a.FrameBuffers.Background = MakeScreenBuffer(model, a.FrameBuffers.BackgroundBitmap);
    a.PictureSurface = MakeSurface(model, p.TilePicture);
    a.SceneMade = true;
}

// Copies the picture in PictureSurface into both frame buffers at (x, y) and
// onto the window surface at the same place on the primary monitor.
void ShowPicture(HDC target, int32_t x, int32_t y, int32_t width, int32_t height)
{
    const AnimationRecord &a = Animation;
    const POINT origin = a.Monitors.PrimaryOrigin;
    const HDC picture = a.PictureSurface.Dc;
    BitBlt(a.FrameBuffers.Composition.Dc, x, y, width, height, picture, 0, 0, SRCCOPY);
    BitBlt(a.FrameBuffers.Background.Dc, x, y, width, height, picture, 0, 0, SRCCOPY);
    BitBlt(target, origin.x + x, origin.y + y, width, height, picture, 0, 0, SRCCOPY);
}

// Draws the whole screen from the start: tiles in both buffers and on the
// primary monitor, the pitch on the others, then the first portrait in the
// middle of each. No ball is drawn.
void ComposeScreen(HDC paint)
{
    const AnimationRecord &a = Animation;
    const HDC composition = a.FrameBuffers.Composition.Dc;
    const HDC picture = a.PictureSurface.Dc;
    const POINT origin = a.Monitors.PrimaryOrigin;
    PatBlt(composition, 0, 0, ScreenWidth, ScreenHeight, BLACKNESS);
    PatBlt(a.FrameBuffers.Background.Dc, 0, 0, ScreenWidth, ScreenHeight, BLACKNESS);
    SelectObject(picture, a.PictureSet.TilePicture);
    for (int32_t y = 0; y < ScreenHeight; y += TileSize)
        for (int32_t x = 0; x < ScreenWidth; x += TileSize)
            BitBlt(composition, x, y, TileSize, TileSize, picture, 0, 0, SRCCOPY);
    BitBlt(a.FrameBuffers.Background.Dc, 0, 0, ScreenWidth, ScreenHeight, composition, 0, 0, SRCCOPY);
    BitBlt(paint, origin.x, origin.y, ScreenWidth, ScreenHeight, composition, 0, 0, SRCCOPY);
    for (int i = 0; i < a.Monitors.OtherCount; ++i)
        TileMonitor(paint, a.Monitors.Others[i], origin, picture);

    SelectObject(picture, a.PictureSet.Portraits[0]);
    BITMAP size = {};
    GetObjectA(a.PictureSet.Portraits[0], sizeof size, &size);
    ShowPicture(paint, (ScreenWidth - size.bmWidth) / 2, (ScreenHeight - size.bmHeight) / 2, size.bmWidth,
                size.bmHeight);
    ShowPortraitOnOthers(paint, size.bmWidth, size.bmHeight);
}

// Every 300 ticks the next portrait takes the middle of every monitor.
void StepPortrait(HDC window)
{
    AnimationRecord &a = Animation;
    if (++a.PortraitTick < PortraitPeriod)
        return;
    a.PortraitTick = 0;
    if (++a.PortraitIndex == PortraitCount)
        a.PortraitIndex = 0;
    SelectObject(a.PictureSurface.Dc, a.PictureSet.Portraits[a.PortraitIndex]);
    ShowPicture(window, (ScreenWidth - PortraitWidth) / 2, (ScreenHeight - PortraitHeight) / 2, PortraitWidth,
                PortraitHeight);
    ShowPortraitOnOthers(window, PortraitWidth, PortraitHeight);
}

// Restores every ball's old cell from the background and notes the corner
// of the rectangle that covers its old and new cell.
void ErasePass(int count)
{
    const AnimationRecord &a = Animation;
    BallTableRecord &b = BallTable;
    for (int slot = 0; slot < count; ++slot) {
        BitBlt(a.FrameBuffers.Composition.Dc, b.PrevX[slot], b.PrevY[slot], a.SpriteWidth, a.SpriteHeight,
               a.FrameBuffers.Background.Dc, b.PrevX[slot], b.PrevY[slot], SRCCOPY);
        b.DirtyLeft[slot] = b.X[slot] < b.PrevX[slot] ? b.X[slot] : b.PrevX[slot];
        b.DirtyTop[slot] = b.Y[slot] < b.PrevY[slot] ? b.Y[slot] : b.PrevY[slot];
    }
}

// Draws every ball through its mask, slot by slot, so a higher slot lies on
// top: the mask blackens the ball's area, the frame is then ORed in.
void DrawPass(int count)
{
    const AnimationRecord &a = Animation;
    const BallTableRecord &b = BallTable;
    for (int slot = 0; slot < count; ++slot) {
        const int frame = b.Frame[slot];
        BitBlt(a.FrameBuffers.Composition.Dc, b.X[slot], b.Y[slot], a.SpriteWidth, a.SpriteHeight,
               a.MaskSurfaces[frame].Dc, 0, 0, SRCAND);
        BitBlt(a.FrameBuffers.Composition.Dc, b.X[slot], b.Y[slot], a.SpriteWidth, a.SpriteHeight,
               a.SpriteSurfaces[frame].Dc, 0, 0, SRCPAINT);
    }
}

// Copies to the window only the rectangle over each ball's old and new cell.
// What lies outside the buffer is left out, so no ball reaches another
// monitor.
void PresentPass(HDC window, int count)
{
    const AnimationRecord &a = Animation;
    const BallTableRecord &b = BallTable;
    const POINT origin = a.Monitors.PrimaryOrigin;
    for (int slot = 0; slot < count; ++slot)
        BitBlt(window, origin.x + b.DirtyLeft[slot], origin.y + b.DirtyTop[slot], b.MovedX[slot] + BallSize,
               b.MovedY[slot] + BallSize, a.FrameBuffers.Composition.Dc, b.DirtyLeft[slot], b.DirtyTop[slot],
               SRCCOPY);
}

// WM_PAINT in full screen. The first paint loads the pictures and makes the
// surfaces; every paint, the first and any later one, redraws the whole
// screen on the objects the first one made, so repaints pile nothing up.
void PaintScene(HWND window)
{
    PAINTSTRUCT ps = {};
    HDC paint = BeginPaint(window, &ps);
    if (!Animation.SceneMade)
        MakeSceneObjects(window, paint);
    Animation.Monitors = FindMonitors(window);
    ComposeScreen(paint);
    EndPaint(window, &ps);
}

// WM_PAINT in the preview: the preview picture, unscaled, at the top left.
void PaintPreview(HWND window)
{
    AnimationRecord &a = Animation;
    PAINTSTRUCT ps = {};
    HDC paint = BeginPaint(window, &ps);
    if (a.PreviewSurface.Dc == nullptr) {
        a.PictureSet.PreviewPicture = LoadPicture(window, SaverState.Instance, IDB_PREVIEW);
        a.PreviewSurface = MakeSurface(paint, a.PictureSet.PreviewPicture);
    }
    BitBlt(paint, 0, 0, PreviewWidth, PreviewHeight, a.PreviewSurface.Dc, 0, 0, SRCCOPY);
    EndPaint(window, &ps);
}

// One timer tick: the portrait step, the scene's step, then the erase, draw
// and present passes. It makes nothing; it only borrows the window surface.
void AnimationTick(HWND window)
{
    HDC surface = GetDC(window);
    StepPortrait(surface);
    StepScene();
    const int count = BallsInUse();
    ErasePass(count);
    DrawPass(count);
    PresentPass(surface, count);
    ReleaseDC(window, surface);
}

// WM_DESTROY in full screen: releases whatever the paints made, surfaces
// before the pictures they hold and in the reverse order of making, and
// stops the animation timer.
void ReleaseScene(HWND window)
{
    AnimationRecord &a = Animation;
    PictureSetRecord &p = a.PictureSet;
    ReleaseSurface(a.PictureSurface);
    ReleaseSurface(a.FrameBuffers.Background);
    ReleaseBitmap(a.FrameBuffers.BackgroundBitmap);
    ReleaseSurface(a.FrameBuffers.Composition);
    ReleaseBitmap(a.FrameBuffers.CompositionBitmap);
    for (int k = BallFrameCount - 1; k >= 0; --k) {
        ReleaseSurface(a.SpriteSurfaces[k]);
        ReleaseSurface(a.MaskSurfaces[k]);
    }
    for (int k = PortraitCount - 1; k >= 0; --k)
        ReleaseBitmap(p.Portraits[k]);
    for (int k = BallFrameCount - 1; k >= 0; --k) {
        ReleaseBitmap(p.BallMasks[k]);
        ReleaseBitmap(p.BallFrames[k]);
    }
    ReleaseBitmap(p.TilePicture);
    a.SceneMade = false;
    KillTimer(window, AnimationTimerId);
}

// WM_DESTROY in the preview: the preview picture and its surface.
void ReleasePreview()
{
    ReleaseSurface(Animation.PreviewSurface);
    ReleaseBitmap(Animation.PictureSet.PreviewPicture);
}

} // namespace

// The animation's window procedure: creation, painting, the tick and
// teardown here; everything else goes to the shell's close rules.
extern "C" LRESULT WINAPI ScreenSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        CreateScene(window);
        return 0;
    case WM_PAINT:
        if (SaverState.IsPreview)
            PaintPreview(window);
        else
            PaintScene(window);
        return 0;
    case WM_TIMER:
        // The preview runs no timer and must not move, whatever is posted.
        if (!SaverState.IsPreview)
            AnimationTick(window);
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
