// The picture loader, its palettes and the ball masks, on the real display
// surfaces of the virtual screen, with every pixel read back.
#include "animation/picture_assets.h"
#include "resources/resource_ids.h"
#include "shell/saver_module.h"
#include "tests/frame_test_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// The pixels of a device bitmap (not selected anywhere), as the display
// holds them, converted to 32-bit colours by the system.
Pixels ReadPixels(HBITMAP bitmap)
{
    Pixels out;
    BITMAP size = {};
    if (GetObjectA(bitmap, sizeof size, &size) == 0)
        return out;
    out.Width = size.bmWidth;
    out.Height = size.bmHeight;
    out.Values.assign(static_cast<size_t>(out.Width) * out.Height, 0xDEADBEEF);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = out.Width;
    info.bmiHeader.biHeight = -out.Height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    const int rows = GetDIBits(screen, bitmap, 0, out.Height, out.Values.data(), &info,
                               DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(rows, out.Height);
    for (auto &v : out.Values)
        v &= 0xFFFFFF;
    return out;
}

uint32_t Rgb(int r, int g, int b)
{
    return static_cast<uint32_t>(r) << 16 | static_cast<uint32_t>(g) << 8 | static_cast<uint32_t>(b);
}

int DisplayDepth()
{
    HDC screen = GetDC(nullptr);
    const int depth = GetDeviceCaps(screen, BITSPIXEL) * GetDeviceCaps(screen, PLANES);
    ReleaseDC(nullptr, screen);
    return depth;
}

// How far a display of the current depth may move a channel: none in true
// colour, the dropped low bits at 15 and 16 bits, a palette's nearest match
// below that.
int ChannelTolerance()
{
    const int depth = DisplayDepth();
    if (depth >= 24)
        return 0;
    if (depth >= 15)
        return 8;
    return 48;
}

bool Near(uint32_t got, uint32_t want, int tolerance)
{
    for (int shift : {0, 8, 16}) {
        const int a = (got >> shift) & 0xFF;
        const int b = (want >> shift) & 0xFF;
        if (std::abs(a - b) > tolerance)
            return false;
    }
    return true;
}

std::string Hex(uint32_t v)
{
    char text[16];
    wsprintfA(text, "%06lX", static_cast<unsigned long>(v));
    return text;
}

// A packed 8-bit resource picture of the test program itself.
struct PackedPicture {
    const BITMAPINFOHEADER *Header = nullptr;
    int Width = 0;
    int Height = 0;
    const BYTE *Table = nullptr;
    const BYTE *Bits = nullptr;
    // Colour-table index of pixel (x, y), y counted from the top.
    int Index(int x, int y) const
    {
        const int stride = (Width + 3) & ~3;
        return Bits[(Height - 1 - y) * stride + x];
    }
    uint32_t Colour(int index) const
    {
        return Rgb(Table[index * 4 + 2], Table[index * 4 + 1], Table[index * 4]);
    }
};

PackedPicture FindPacked(LPCSTR name)
{
    PackedPicture out;
    HRSRC found = FindResourceA(SaverState.Instance, name, RT_BITMAP);
    if (found == nullptr)
        return out;
    out.Header = static_cast<const BITMAPINFOHEADER *>(
        LockResource(LoadResource(SaverState.Instance, found)));
    out.Width = out.Header->biWidth;
    out.Height = out.Header->biHeight;
    out.Table = reinterpret_cast<const BYTE *>(out.Header) + out.Header->biSize;
    out.Bits = out.Table + 4 * 256;
    return out;
}

struct NamedPicture {
    LPCSTR Name;
    std::string Label;
    int Width;
    int Height;
};

// Every picture of the saver, by the name the saver asks for.
std::vector<NamedPicture> Inventory()
{
    std::vector<NamedPicture> all = {{"l1", "l1", 200, 200}, {"prev", "prev", 150, 110}};
    for (int n = IDB_BALL_FIRST; n <= IDB_BALL_LAST; ++n)
        all.push_back({MAKEINTRESOURCEA(n), "ball " + std::to_string(n), 40, 40});
    for (int n = IDB_PORTRAIT_FIRST; n <= IDB_PORTRAIT_LAST; ++n)
        all.push_back({MAKEINTRESOURCEA(n), "portrait " + std::to_string(n), 200, 300});
    return all;
}

BITMAP SizeOf(HBITMAP bitmap)
{
    BITMAP size = {};
    GetObjectA(bitmap, sizeof size, &size);
    return size;
}

TEST(LoadPicture, FindsEveryPictureByNameWithoutRegardToCaseAndByNumber)
{
    for (const auto &picture : Inventory()) {
        HBITMAP bitmap = LoadPicture(SaverState.SaverWindow, SaverState.Instance, picture.Name);
        ASSERT_NE(bitmap, nullptr) << picture.Label;
        const BITMAP size = SizeOf(bitmap);
        EXPECT_EQ(size.bmWidth, picture.Width) << picture.Label;
        EXPECT_EQ(size.bmHeight, picture.Height) << picture.Label;
        DeleteObject(bitmap);
    }
    for (LPCSTR name : {"L1", "Prev", "PREV", "l1"})
        EXPECT_NE(FindResourceA(SaverState.Instance, name, RT_BITMAP), nullptr) << name;
}

TEST(PictureResources, EveryPictureIsAnEightBitTableBitmapInUsEnglish)
{
    const LANGID english = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
    for (const auto &picture : Inventory()) {
        HRSRC found = FindResourceExA(SaverState.Instance, RT_BITMAP, picture.Name, english);
        ASSERT_NE(found, nullptr) << picture.Label;
        const auto *header = static_cast<const BITMAPINFOHEADER *>(
            LockResource(LoadResource(SaverState.Instance, found)));
        const DWORD stride = (picture.Width + 3) & ~3;
        EXPECT_EQ(header->biSize, 40u) << picture.Label;
        EXPECT_EQ(header->biWidth, picture.Width) << picture.Label;
        EXPECT_EQ(header->biHeight, picture.Height) << picture.Label;
        EXPECT_EQ(header->biPlanes, 1) << picture.Label;
        EXPECT_EQ(header->biBitCount, 8) << picture.Label;
        EXPECT_EQ(header->biCompression, static_cast<DWORD>(BI_RGB)) << picture.Label;
        EXPECT_EQ(header->biSizeImage, stride * picture.Height) << picture.Label;
        EXPECT_EQ(header->biXPelsPerMeter, 0) << picture.Label;
        EXPECT_EQ(header->biYPelsPerMeter, 0) << picture.Label;
        EXPECT_EQ(header->biClrUsed, 256u) << picture.Label;
        EXPECT_EQ(header->biClrImportant, 256u) << picture.Label;
        EXPECT_EQ(SizeofResource(SaverState.Instance, found), 1064 + stride * picture.Height)
            << picture.Label;
    }
}

TEST(LoadPicture, MissingPictureGivesNull)
{
    EXPECT_EQ(LoadPicture(SaverState.SaverWindow, SaverState.Instance, MAKEINTRESOURCEA(7)), nullptr);
    EXPECT_EQ(LoadPicture(SaverState.SaverWindow, SaverState.Instance, MAKEINTRESOURCEA(0)), nullptr);
    EXPECT_EQ(LoadPicture(SaverState.SaverWindow, SaverState.Instance, MAKEINTRESOURCEA(22)), nullptr);
    EXPECT_EQ(LoadPicture(SaverState.SaverWindow, SaverState.Instance, "l2"), nullptr);
}

// The loader converts on the saver window's own surface when there is one.
TEST(LoadPicture, ConvertsOnTheSaverWindowSurface)
{
    HWND window = CreateWindowExA(0, "STATIC", "Screen Saver", WS_POPUP | WS_VISIBLE, 0, 0, 64, 48,
                                  nullptr, nullptr, SaverState.Instance, nullptr);
    ASSERT_NE(window, nullptr);
    SaverState.SaverWindow = window;
    const PackedPicture packed = FindPacked(MAKEINTRESOURCEA(IDB_PORTRAIT_FIRST));
    HBITMAP bitmap = LoadPicture(SaverState.SaverWindow, SaverState.Instance, MAKEINTRESOURCEA(IDB_PORTRAIT_FIRST));
    SaverState.SaverWindow = nullptr;
    DestroyWindow(window);
    ASSERT_NE(bitmap, nullptr);
    const Pixels shown = ReadPixels(bitmap);
    DeleteObject(bitmap);
    for (int y = 0; y < packed.Height; y += 7)
        for (int x = 0; x < packed.Width; x += 5)
            ASSERT_PRED3(Near, shown.At(x, y), packed.Colour(packed.Index(x, y)), ChannelTolerance())
                << x << "," << y;
}

// A saver window that is gone has no surface to convert on: no picture,
// rather than one in the wrong (monochrome) format.
TEST(LoadPicture, WindowWithoutSurfaceGivesNull)
{
    HWND window = CreateWindowExA(0, "STATIC", "Screen Saver", WS_POPUP, 0, 0, 8, 8, nullptr,
                                  nullptr, SaverState.Instance, nullptr);
    ASSERT_NE(window, nullptr);
    DestroyWindow(window);
    SaverState.SaverWindow = window;
    HBITMAP bitmap = LoadPicture(SaverState.SaverWindow, SaverState.Instance, "l1");
    SaverState.SaverWindow = nullptr;
    EXPECT_EQ(bitmap, nullptr);
    if (bitmap != nullptr)
        DeleteObject(bitmap);
}

TEST(LoadPicture, ShowsTheColoursOfItsOwnTable)
{
    const int tolerance = ChannelTolerance();
    for (const auto &picture : Inventory()) {
        const PackedPicture packed = FindPacked(picture.Name);
        ASSERT_NE(packed.Header, nullptr) << picture.Label;
        HBITMAP bitmap = LoadPicture(SaverState.SaverWindow, SaverState.Instance, picture.Name);
        ASSERT_NE(bitmap, nullptr) << picture.Label;
        const Pixels shown = ReadPixels(bitmap);
        DeleteObject(bitmap);
        int wrong = 0;
        for (int y = 0; y < packed.Height; ++y)
            for (int x = 0; x < packed.Width; ++x) {
                const uint32_t want = packed.Colour(packed.Index(x, y));
                if (!Near(shown.At(x, y), want, tolerance) && wrong++ < 3)
                    ADD_FAILURE() << picture.Label << " at " << x << "," << y << ": "
                                  << Hex(shown.At(x, y)) << " for " << Hex(want);
            }
        EXPECT_EQ(wrong, 0) << picture.Label;
    }
}

// Packed bitmaps built here, written into a copy of this program as bitmap
// resources, and loaded from there as the saver loads its own.
class SyntheticPictures : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        char self[MAX_PATH];
        GetModuleFileNameA(nullptr, self, MAX_PATH);
        char folder[MAX_PATH];
        GetTempPathA(MAX_PATH, folder);
        GetTempFileNameA(folder, "pic", 0, Path);
        ASSERT_TRUE(CopyFileA(self, Path, FALSE));
        HANDLE update = BeginUpdateResourceA(Path, FALSE);
        ASSERT_NE(update, nullptr);
        const LANGID english = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
        Packed = {Make1Bit(), Make4Bit(), Make8Bit(), Make24Bit()};
        for (size_t i = 0; i < Packed.size(); ++i)
            ASSERT_TRUE(UpdateResourceA(update, RT_BITMAP, MAKEINTRESOURCEA(100 + i), english,
                                        Packed[i].data(), static_cast<DWORD>(Packed[i].size())));
        ASSERT_TRUE(EndUpdateResourceA(update, FALSE));
        Module = LoadLibraryExA(Path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(Module, nullptr);
    }

    static void TearDownTestSuite()
    {
        if (Module != nullptr)
            FreeLibrary(Module);
        DeleteFileA(Path);
    }

    static std::vector<BYTE> Header(int width, int height, int bits, int used)
    {
        BITMAPINFOHEADER header = {};
        header.biSize = sizeof header;
        header.biWidth = width;
        header.biHeight = height;
        header.biPlanes = 1;
        header.biBitCount = static_cast<WORD>(bits);
        header.biCompression = BI_RGB;
        header.biClrUsed = used;
        const BYTE *raw = reinterpret_cast<const BYTE *>(&header);
        return std::vector<BYTE>(raw, raw + sizeof header);
    }

    static void AddEntry(std::vector<BYTE> &packed, uint32_t rgb)
    {
        packed.push_back(rgb & 0xFF);
        packed.push_back((rgb >> 8) & 0xFF);
        packed.push_back((rgb >> 16) & 0xFF);
        packed.push_back(0);
    }

    // Colours that every display depth holds exactly or nearly.
    static uint32_t Swatch(int i)
    {
        static const uint32_t swatches[] = {
            Rgb(166, 202, 240), Rgb(200, 40, 48), Rgb(32, 160, 72), Rgb(248, 224, 64),
            Rgb(96, 64, 160), Rgb(255, 255, 255), Rgb(24, 24, 32), Rgb(128, 128, 128),
            Rgb(0, 192, 200), Rgb(240, 128, 32), Rgb(64, 96, 128), Rgb(192, 192, 192),
            Rgb(160, 0, 96), Rgb(0, 0, 255), Rgb(112, 56, 16), Rgb(224, 176, 152)};
        return swatches[i % 16];
    }

    // 16 x 4, two colours: stripes one pixel wide.
    static std::vector<BYTE> Make1Bit()
    {
        std::vector<BYTE> packed = Header(16, 4, 1, 0);
        AddEntry(packed, Swatch(0));
        AddEntry(packed, Swatch(1));
        for (int row = 0; row < 4; ++row) {
            const BYTE pattern = row % 2 ? 0xAA : 0x55;
            for (BYTE b : {pattern, pattern, BYTE(0), BYTE(0)})
                packed.push_back(b);
        }
        return packed;
    }

    // 8 x 4, sixteen colours.
    static std::vector<BYTE> Make4Bit()
    {
        std::vector<BYTE> packed = Header(8, 4, 4, 0);
        for (int i = 0; i < 16; ++i)
            AddEntry(packed, Swatch(i));
        for (int row = 0; row < 4; ++row)
            for (int x = 0; x < 8; x += 2)
                packed.push_back(static_cast<BYTE>(((row * 8 + x) % 16) << 4 | ((row * 8 + x + 1) % 16)));
        return packed;
    }

    // 18 x 3, a full table of 256 entries (rows padded to 20 bytes).
    static std::vector<BYTE> Make8Bit()
    {
        std::vector<BYTE> packed = Header(18, 3, 8, 256);
        for (int i = 0; i < 256; ++i)
            AddEntry(packed, i < 16 ? Swatch(i) : Rgb(i, 255 - i, (i * 7) & 0xFF));
        for (int row = 0; row < 3; ++row) {
            for (int x = 0; x < 18; ++x)
                packed.push_back(static_cast<BYTE>((row * 18 + x) % 16));
            packed.push_back(0xFF);
            packed.push_back(0xFF);
        }
        return packed;
    }

    // 5 x 2 in 24-bit colour: no table, pixels right behind the header.
    static std::vector<BYTE> Make24Bit()
    {
        std::vector<BYTE> packed = Header(5, 2, 24, 0);
        for (int row = 0; row < 2; ++row) {
            for (int x = 0; x < 5; ++x) {
                const uint32_t c = Swatch(row * 5 + x);
                packed.push_back(c & 0xFF);
                packed.push_back((c >> 8) & 0xFF);
                packed.push_back((c >> 16) & 0xFF);
            }
            packed.push_back(0);
        }
        return packed;
    }

    // The colour the synthetic picture `which` has at (x, y), y from the top.
    static uint32_t Expected(int which, int x, int y)
    {
        const int row = which == 0 ? 3 - y : which == 1 ? 3 - y : which == 2 ? 2 - y : 1 - y;
        switch (which) {
        case 0: return Swatch(((x + row) % 2) == 0 ? 0 : 1);
        case 1: return Swatch((row * 8 + x) % 16);
        case 2: return Swatch((row * 18 + x) % 16);
        default: return Swatch(row * 5 + x);
        }
    }

    static inline char Path[MAX_PATH];
    static inline HMODULE Module = nullptr;
    static inline std::vector<std::vector<BYTE>> Packed;
};

TEST_F(SyntheticPictures, PaletteHasOneEntryPerTableColourForEightBitsOrFewer)
{
    const int counts[] = {2, 16, 256, 0};
    for (size_t which = 0; which < Packed.size(); ++which) {
        const auto *header = reinterpret_cast<const BITMAPINFOHEADER *>(Packed[which].data());
        int count = -1;
        HPALETTE palette = MakePicturePalette(header, &count);
        EXPECT_EQ(count, counts[which]) << "picture " << which;
        if (counts[which] == 0) {
            EXPECT_EQ(palette, nullptr);
            continue;
        }
        ASSERT_NE(palette, nullptr) << "picture " << which;
        std::vector<PALETTEENTRY> entries(counts[which] + 1);
        EXPECT_EQ(GetPaletteEntries(palette, 0, counts[which] + 1, entries.data()),
                  static_cast<UINT>(counts[which]));
        const BYTE *table = Packed[which].data() + 40;
        for (int i = 0; i < counts[which]; ++i) {
            EXPECT_EQ(entries[i].peRed, table[i * 4 + 2]) << which << ":" << i;
            EXPECT_EQ(entries[i].peGreen, table[i * 4 + 1]) << which << ":" << i;
            EXPECT_EQ(entries[i].peBlue, table[i * 4]) << which << ":" << i;
            EXPECT_EQ(entries[i].peFlags, 0) << which << ":" << i;
        }
        DeleteObject(palette);
    }
}

TEST_F(SyntheticPictures, TableStoredBlueGreenRedGivesRedGreenBlueEntries)
{
    int count = 0;
    HPALETTE palette = MakePicturePalette(
        reinterpret_cast<const BITMAPINFOHEADER *>(Packed[0].data()), &count);
    ASSERT_NE(palette, nullptr);
    PALETTEENTRY first = {};
    GetPaletteEntries(palette, 0, 1, &first);
    EXPECT_EQ(first.peRed, 166);
    EXPECT_EQ(first.peGreen, 202);
    EXPECT_EQ(first.peBlue, 240);
    DeleteObject(palette);
}

TEST_F(SyntheticPictures, LoadedPixelsComeFromBehindTheTable)
{
    const int sizes[][2] = {{16, 4}, {8, 4}, {18, 3}, {5, 2}};
    const int tolerance = ChannelTolerance();
    for (int which = 0; which < 4; ++which) {
        HBITMAP bitmap = LoadPicture(SaverState.SaverWindow, Module, MAKEINTRESOURCEA(100 + which));
        ASSERT_NE(bitmap, nullptr) << "picture " << which;
        const Pixels shown = ReadPixels(bitmap);
        DeleteObject(bitmap);
        ASSERT_EQ(shown.Width, sizes[which][0]);
        ASSERT_EQ(shown.Height, sizes[which][1]);
        for (int y = 0; y < shown.Height; ++y)
            for (int x = 0; x < shown.Width; ++x)
                EXPECT_PRED3(Near, shown.At(x, y), Expected(which, x, y), tolerance)
                    << "picture " << which << " at " << x << "," << y;
    }
}

// A surface-format bitmap of `width` x `height` painted by `paint` through
// a memory surface.
template <typename Paint>
HBITMAP MakeDisplayBitmap(int width, int height, Paint paint)
{
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HDC surface = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    HGDIOBJ previous = SelectObject(surface, bitmap);
    paint(surface);
    SelectObject(surface, previous);
    DeleteDC(surface);
    return bitmap;
}

void Fill(HDC surface, int left, int top, int right, int bottom, COLORREF colour)
{
    HBRUSH brush = CreateSolidBrush(colour);
    const RECT area = {left, top, right, bottom};
    FillRect(surface, &area, brush);
    DeleteObject(brush);
}

TEST(TransparencyMask, BallMaskIsWhiteExactlyOnTheGroundAndLeavesTheFrameAlone)
{
    for (int frame = IDB_BALL_FIRST; frame <= IDB_BALL_LAST; ++frame) {
        const PackedPicture packed = FindPacked(MAKEINTRESOURCEA(frame));
        ASSERT_NE(packed.Header, nullptr);
        HBITMAP picture = LoadPicture(SaverState.SaverWindow, SaverState.Instance, MAKEINTRESOURCEA(frame));
        ASSERT_NE(picture, nullptr);
        const Pixels before = ReadPixels(picture);
        HBITMAP mask = MakeTransparencyMask(picture, RGB(0, 0, 0));
        ASSERT_NE(mask, nullptr);
        const BITMAP maskSize = SizeOf(mask);
        EXPECT_EQ(maskSize.bmBitsPixel, 1);
        EXPECT_EQ(maskSize.bmPlanes, 1);
        const Pixels masked = ReadPixels(mask);
        const Pixels after = ReadPixels(picture);
        ASSERT_EQ(masked.Width, 40);
        ASSERT_EQ(masked.Height, 40);
        int ground = 0;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x) {
                const bool isGround = packed.Index(x, y) == 0;
                ground += isGround;
                ASSERT_EQ(masked.At(x, y), isGround ? 0xFFFFFFu : 0u)
                    << "frame " << frame << " at " << x << "," << y << ": index "
                    << packed.Index(x, y) << " " << Hex(packed.Colour(packed.Index(x, y)))
                    << " shown as " << Hex(before.At(x, y));
                ASSERT_EQ(after.At(x, y), before.At(x, y)) << "frame " << frame;
            }
        EXPECT_GT(ground, 300) << "frame " << frame;
        EXPECT_LT(ground, 700) << "frame " << frame;
        DeleteObject(mask);
        DeleteObject(picture);
    }
}

TEST(TransparencyMask, PictureWithoutTheColourGetsAnAllBlackMask)
{
    HBITMAP picture = MakeDisplayBitmap(24, 10, [](HDC surface) {
        Fill(surface, 0, 0, 12, 10, RGB(255, 0, 0));
        Fill(surface, 12, 0, 24, 10, RGB(255, 255, 255));
    });
    const Pixels before = ReadPixels(picture);
    HBITMAP mask = MakeTransparencyMask(picture, RGB(0, 0, 0));
    ASSERT_NE(mask, nullptr);
    const Pixels masked = ReadPixels(mask);
    ASSERT_EQ(masked.Width, 24);
    ASSERT_EQ(masked.Height, 10);
    for (uint32_t v : masked.Values)
        ASSERT_EQ(v, 0u);
    EXPECT_EQ(ReadPixels(picture).Values, before.Values);
    DeleteObject(mask);
    DeleteObject(picture);
}

TEST(TransparencyMask, OtherTransparentColourTurnsExactlyItsPixelsBlack)
{
    const COLORREF key = RGB(0, 0, 255);
    HBITMAP picture = MakeDisplayBitmap(30, 12, [&](HDC surface) {
        Fill(surface, 0, 0, 30, 12, RGB(255, 255, 0));
        Fill(surface, 4, 2, 10, 9, key);
        Fill(surface, 20, 0, 30, 3, RGB(0, 255, 255));
        Fill(surface, 25, 6, 27, 12, key);
        Fill(surface, 14, 5, 17, 8, RGB(0, 0, 0));
    });
    const Pixels before = ReadPixels(picture);
    HBITMAP mask = MakeTransparencyMask(picture, key);
    ASSERT_NE(mask, nullptr);
    const Pixels masked = ReadPixels(mask);
    const Pixels after = ReadPixels(picture);
    int keyed = 0;
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 30; ++x) {
            const bool isKey = before.At(x, y) == 0x0000FFu;
            keyed += isKey;
            ASSERT_EQ(masked.At(x, y), isKey ? 0xFFFFFFu : 0u) << x << "," << y;
            ASSERT_EQ(after.At(x, y), isKey ? 0u : before.At(x, y)) << x << "," << y;
        }
    EXPECT_EQ(keyed, 6 * 7 + 2 * 6);
    DeleteObject(mask);
    DeleteObject(picture);
}

TEST(TransparencyMask, NullPictureGivesNoMask)
{
    EXPECT_EQ(MakeTransparencyMask(nullptr, RGB(0, 0, 0)), nullptr);
}

// The animation's way of drawing a ball: mask with SRCAND, frame with
// SRCPAINT, over a scene; outside the ball the scene must stay untouched and
// inside it the frame's own colours must appear.
TEST(TransparencyMask, AndOrCompositingShowsSceneAroundAndFrameInside)
{
    constexpr int Width = 64;
    constexpr int Height = 56;
    constexpr int Left = 11;
    constexpr int Top = 9;
    for (int frame = IDB_BALL_FIRST; frame <= IDB_BALL_LAST; ++frame) {
        HBITMAP picture = LoadPicture(SaverState.SaverWindow, SaverState.Instance, MAKEINTRESOURCEA(frame));
        ASSERT_NE(picture, nullptr);
        HBITMAP mask = MakeTransparencyMask(picture, RGB(0, 0, 0));
        ASSERT_NE(mask, nullptr);
        const Pixels ball = ReadPixels(picture);
        const Pixels cover = ReadPixels(mask);

        // A scene of coloured stripes and a grass-like pattern.
        HBITMAP scene = MakeDisplayBitmap(Width, Height, [](HDC surface) {
            for (int y = 0; y < Height; y += 4)
                Fill(surface, 0, y, Width, y + 4,
                         RGB(40 + y * 3, 120 + (y % 8) * 10, 60 + y));
            Fill(surface, 30, 0, 34, Height, RGB(255, 255, 255));
            Fill(surface, 0, 30, Width, 32, RGB(200, 40, 48));
        });
        const Pixels background = ReadPixels(scene);

        HDC screen = GetDC(nullptr);
        HDC sceneSurface = CreateCompatibleDC(screen);
        HDC source = CreateCompatibleDC(screen);
        ReleaseDC(nullptr, screen);
        HGDIOBJ oldScene = SelectObject(sceneSurface, scene);
        HGDIOBJ oldSource = SelectObject(source, mask);
        SetBkColor(sceneSurface, RGB(255, 255, 255));
        SetTextColor(sceneSurface, RGB(0, 0, 0));
        BitBlt(sceneSurface, Left, Top, 40, 40, source, 0, 0, SRCAND);
        SelectObject(source, picture);
        BitBlt(sceneSurface, Left, Top, 40, 40, source, 0, 0, SRCPAINT);
        SelectObject(source, oldSource);
        SelectObject(sceneSurface, oldScene);
        DeleteDC(source);
        DeleteDC(sceneSurface);

        const Pixels result = ReadPixels(scene);
        for (int y = 0; y < Height; ++y)
            for (int x = 0; x < Width; ++x) {
                const bool onBall = x >= Left && x < Left + 40 && y >= Top && y < Top + 40 &&
                                    cover.At(x - Left, y - Top) == 0;
                const uint32_t want = onBall ? ball.At(x - Left, y - Top) : background.At(x, y);
                ASSERT_EQ(Hex(result.At(x, y)), Hex(want))
                    << "frame " << frame << " at " << x << "," << y
                    << (onBall ? " on the ball" : " on the scene");
            }
        DeleteObject(scene);
        DeleteObject(mask);
        DeleteObject(picture);
    }
}

} // namespace
