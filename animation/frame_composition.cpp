#include "animation/frame_composition.h"

#include "animation/ball_scene.h"
#include "animation/picture_assets.h"
#include "settings/settings_file.h"
#include "shell/default_saver_proc.h"
#include "shell/saver_state.h"

FrameBuffersRecord FrameBuffers;
int32_t PortraitTick;
int32_t PortraitIndex;
std::array<HDC, BallFrameCount> MaskSurfaces;
std::array<HDC, BallFrameCount> SpriteSurfaces;
HDC PictureSurface;
HDC PreviewSurface;
int32_t SpriteWidth;
int32_t SpriteHeight;

namespace {

// What each memory surface held when it was made, put back before the
// surface is deleted so that no picture is deleted while selected.
struct OriginalBitmapsRecord {
    std::array<HGDIOBJ, BallFrameCount> Masks;
    std::array<HGDIOBJ, BallFrameCount> Sprites;
    HGDIOBJ Picture;
    HGDIOBJ Composition;
    HGDIOBJ Background;
    HGDIOBJ Preview;
};
OriginalBitmapsRecord OriginalBitmaps;

// Set once the first paint has made the scene's pictures and surfaces.
bool SceneObjectsMade;

// A memory surface like `model` with `bitmap` selected; `original` receives
// what the new surface held before.
HDC MakeSurfaceWith(HDC model, HBITMAP bitmap, HGDIOBJ *original)
{
    HDC surface = CreateCompatibleDC(model);
    *original = SelectObject(surface, bitmap);
    return surface;
}

// Puts the surface's first bitmap back and deletes the surface.
void ReleaseSurface(HDC &surface, HGDIOBJ &original)
{
    if (!surface)
        return;
    SelectObject(surface, original);
    DeleteDC(surface);
    surface = nullptr;
    original = nullptr;
}

// Deletes a bitmap that no surface holds any more.
void ReleaseBitmap(HBITMAP &bitmap)
{
    if (bitmap)
        DeleteObject(bitmap);
    bitmap = nullptr;
}

// A screen-sized buffer in the display's format, made like the first ball
// frame's surface.
void MakeScreenBuffer(HDC &surface, HBITMAP &bitmap, HGDIOBJ *original)
{
    surface = CreateCompatibleDC(SpriteSurfaces[0]);
    bitmap = CreateCompatibleBitmap(SpriteSurfaces[0], ScreenWidth, ScreenHeight);
    *original = SelectObject(surface, bitmap);
}

// Loads every picture of the full-screen scene and makes the surfaces that
// hold them and the two frame buffers; done once, by the first paint.
void MakeSceneObjects(HDC paint)
{
    PictureSetRecord &p = PictureSet;
    p.TilePicture = LoadPicture(SaverState.Instance, "l1");
    for (int k = 0; k < BallFrameCount; ++k) {
        p.BallFrames[k] = LoadPicture(SaverState.Instance, MAKEINTRESOURCEA(k + 1));
        p.BallMasks[k] = MakeTransparencyMask(p.BallFrames[k], RGB(0, 0, 0));
    }
    for (int k = 0; k < PortraitCount; ++k)
        p.Portraits[k] = LoadPicture(SaverState.Instance, MAKEINTRESOURCEA(FirstPortraitResource + k));
    for (int k = 0; k < BallFrameCount; ++k) {
        MaskSurfaces[k] = MakeSurfaceWith(paint, p.BallMasks[k], &OriginalBitmaps.Masks[k]);
        SpriteSurfaces[k] = MakeSurfaceWith(paint, p.BallFrames[k], &OriginalBitmaps.Sprites[k]);
    }
    SpriteWidth = BallSize;
    SpriteHeight = BallSize;
    MakeScreenBuffer(FrameBuffers.Composition, FrameBuffers.CompositionBitmap,
                     &OriginalBitmaps.Composition);
    MakeScreenBuffer(FrameBuffers.Background, FrameBuffers.BackgroundBitmap,
                     &OriginalBitmaps.Background);
    PictureSurface = MakeSurfaceWith(SpriteSurfaces[0], p.TilePicture, &OriginalBitmaps.Picture);
}

// Copies the picture in PictureSurface into both frame buffers and onto the
// window surface at (x, y).
void ShowPicture(HDC target, int32_t x, int32_t y, int32_t width, int32_t height)
{
    BitBlt(FrameBuffers.Composition, x, y, width, height, PictureSurface, 0, 0, SRCCOPY);
    BitBlt(FrameBuffers.Background, x, y, width, height, PictureSurface, 0, 0, SRCCOPY);
    BitBlt(target, x, y, width, height, PictureSurface, 0, 0, SRCCOPY);
}

// Draws the whole screen from the start: tiles in both buffers and on the
// window, then the first portrait in the middle. No ball is drawn.
void ComposeScreen(HDC paint)
{
    PatBlt(FrameBuffers.Composition, 0, 0, ScreenWidth, ScreenHeight, BLACKNESS);
    PatBlt(FrameBuffers.Background, 0, 0, ScreenWidth, ScreenHeight, BLACKNESS);
    SelectObject(PictureSurface, PictureSet.TilePicture);
    for (int32_t y = 0; y < ScreenHeight; y += TileSize)
        for (int32_t x = 0; x < ScreenWidth; x += TileSize)
            BitBlt(FrameBuffers.Composition, x, y, TileSize, TileSize, PictureSurface, 0, 0, SRCCOPY);
    BitBlt(FrameBuffers.Background, 0, 0, ScreenWidth, ScreenHeight, FrameBuffers.Composition, 0, 0,
           SRCCOPY);
    BitBlt(paint, 0, 0, ScreenWidth, ScreenHeight, FrameBuffers.Composition, 0, 0, SRCCOPY);

    SelectObject(PictureSurface, PictureSet.Portraits[0]);
    BITMAP size = {};
    GetObjectA(PictureSet.Portraits[0], sizeof size, &size);
    ShowPicture(paint, (ScreenWidth - size.bmWidth) / 2, (ScreenHeight - size.bmHeight) / 2,
                size.bmWidth, size.bmHeight);
}

// Every 300 ticks the next portrait takes the middle of the screen.
void StepPortrait(HDC window)
{
    if (++PortraitTick < PortraitPeriod)
        return;
    PortraitTick = 0;
    if (++PortraitIndex == PortraitCount)
        PortraitIndex = 0;
    SelectObject(PictureSurface, PictureSet.Portraits[PortraitIndex]);
    ShowPicture(window, (ScreenWidth - PortraitWidth) / 2, (ScreenHeight - PortraitHeight) / 2,
                PortraitWidth, PortraitHeight);
}

// Restores every ball's old cell from the background and notes the corner
// of the rectangle that covers its old and new cell.
void ErasePass()
{
    BallTableRecord &b = BallTable;
    const int count = BallsInUse();
    for (int slot = 0; slot < count; ++slot) {
        BitBlt(FrameBuffers.Composition, b.PrevX[slot], b.PrevY[slot], SpriteWidth, SpriteHeight,
               FrameBuffers.Background, b.PrevX[slot], b.PrevY[slot], SRCCOPY);
        b.DirtyLeft[slot] = b.X[slot] < b.PrevX[slot] ? b.X[slot] : b.PrevX[slot];
        b.DirtyTop[slot] = b.Y[slot] < b.PrevY[slot] ? b.Y[slot] : b.PrevY[slot];
    }
}

// Draws every ball through its mask, slot by slot, so a higher slot lies on
// top: the mask blackens the ball's area, the frame is then ORed in.
void DrawPass()
{
    const BallTableRecord &b = BallTable;
    const int count = BallsInUse();
    for (int slot = 0; slot < count; ++slot) {
        const int frame = b.Frame[slot];
        BitBlt(FrameBuffers.Composition, b.X[slot], b.Y[slot], SpriteWidth, SpriteHeight,
               MaskSurfaces[frame], 0, 0, SRCAND);
        BitBlt(FrameBuffers.Composition, b.X[slot], b.Y[slot], SpriteWidth, SpriteHeight,
               SpriteSurfaces[frame], 0, 0, SRCPAINT);
    }
}

// Copies to the window only the rectangle over each ball's old and new cell.
void PresentPass(HDC window)
{
    const BallTableRecord &b = BallTable;
    const int count = BallsInUse();
    for (int slot = 0; slot < count; ++slot)
        BitBlt(window, b.DirtyLeft[slot], b.DirtyTop[slot], b.MovedX[slot] + BallSize,
               b.MovedY[slot] + BallSize, FrameBuffers.Composition, b.DirtyLeft[slot],
               b.DirtyTop[slot], SRCCOPY);
}

} // namespace

// WM_PAINT in full screen. The first paint loads the pictures and makes the
// surfaces; every paint, the first and any later one, redraws the whole
// screen on the objects the first one made, so repaints pile nothing up.
void PaintScene(HWND window)
{
    PAINTSTRUCT ps = {};
    HDC paint = BeginPaint(window, &ps);
    if (!SceneObjectsMade) {
        MakeSceneObjects(paint);
        SceneObjectsMade = true;
    }
    ComposeScreen(paint);
    EndPaint(window, &ps);
}

// WM_PAINT in the preview: the preview picture, unscaled, at the top left.
void PaintPreview(HWND window)
{
    PAINTSTRUCT ps = {};
    HDC paint = BeginPaint(window, &ps);
    if (!PreviewSurface) {
        PictureSet.PreviewPicture = LoadPicture(SaverState.Instance, "prev");
        PreviewSurface = MakeSurfaceWith(paint, PictureSet.PreviewPicture, &OriginalBitmaps.Preview);
    }
    BitBlt(paint, 0, 0, PreviewWidth, PreviewHeight, PreviewSurface, 0, 0, SRCCOPY);
    EndPaint(window, &ps);
}

// One timer tick: the portrait step, the scene's step, then the erase, draw
// and present passes. It makes nothing; it only borrows the window surface.
void AnimationTick(HWND window)
{
    HDC surface = GetDC(window);
    StepPortrait(surface);
    StepScene();
    ErasePass();
    DrawPass();
    PresentPass(surface);
    ReleaseDC(window, surface);
}

// WM_DESTROY in full screen: releases whatever the paints made, surfaces
// before the pictures they hold, and stops the animation timer.
void ReleaseScene(HWND window)
{
    PictureSetRecord &p = PictureSet;
    ReleaseSurface(PictureSurface, OriginalBitmaps.Picture);
    ReleaseSurface(FrameBuffers.Background, OriginalBitmaps.Background);
    ReleaseBitmap(FrameBuffers.BackgroundBitmap);
    ReleaseSurface(FrameBuffers.Composition, OriginalBitmaps.Composition);
    ReleaseBitmap(FrameBuffers.CompositionBitmap);
    for (int k = BallFrameCount - 1; k >= 0; --k) {
        ReleaseSurface(SpriteSurfaces[k], OriginalBitmaps.Sprites[k]);
        ReleaseSurface(MaskSurfaces[k], OriginalBitmaps.Masks[k]);
    }
    for (int k = PortraitCount - 1; k >= 0; --k)
        ReleaseBitmap(p.Portraits[k]);
    for (int k = BallFrameCount - 1; k >= 0; --k) {
        ReleaseBitmap(p.BallMasks[k]);
        ReleaseBitmap(p.BallFrames[k]);
    }
    ReleaseBitmap(p.TilePicture);
    SceneObjectsMade = false;
    KillTimer(window, AnimationTimerId);
}

// WM_DESTROY in the preview: the preview picture and its surface.
void ReleasePreview()
{
    ReleaseSurface(PreviewSurface, OriginalBitmaps.Preview);
    ReleaseBitmap(PictureSet.PreviewPicture);
}

// The animation's window procedure: creation, painting, the tick and
// teardown here; everything else goes to the close rules.
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
