// The drawing layer against the real GDI+ of the system (Wine's under Linux).
#include <gtest/gtest.h>

#include <cmath>

#include "draw/draw.h"

using namespace draw;

namespace {

class GdiplusEnvironment : public ::testing::Environment {
public:
    void SetUp() override { token = startGdiplus(); }
    void TearDown() override { stopGdiplus(token); }
    ULONG_PTR token = 0;
};
GdiplusEnvironment* environment =
    static_cast<GdiplusEnvironment*>(::testing::AddGlobalTestEnvironment(new GdiplusEnvironment));

int channel(ARGB c, int shift) {
    return int((c >> shift) & 0xFF);
}
int red(ARGB c) {
    return channel(c, 16);
}
int green(ARGB c) {
    return channel(c, 8);
}
int blue(ARGB c) {
    return channel(c, 0);
}

// Counts the calls of one table entry while forwarding them to the real function.
int brushDeletes = 0;
decltype(FlatTable::GdipDeleteBrush) realDeleteBrush = nullptr;
GpStatus QUORREL_GDIP_API countingDeleteBrush(GpBrush* brush) {
    ++brushDeletes;
    return realDeleteBrush(brush);
}
struct BrushDeleteCounter {
    BrushDeleteCounter() {
        brushDeletes = 0;
        realDeleteBrush = flatTable().GdipDeleteBrush;
        flatTable().GdipDeleteBrush = countingDeleteBrush;
    }
    ~BrushDeleteCounter() { flatTable().GdipDeleteBrush = realDeleteBrush; }
};

}  // namespace

TEST(DrawBinding, StartsAndBindsEveryEntryByName) {
    ASSERT_NE(environment->token, 0u) << "GdiplusStartup status " << lastStatus();
    EXPECT_EQ(flatEntriesBound(), flatEntriesWanted());
}

TEST(DrawBinding, MissingEntryFailsWithStatusInsteadOfCrashing) {
    SolidBrush brush;
    ASSERT_TRUE(brush.Create(0xFF112233));
    auto saved = flatTable().GdipGetSolidFillColor;
    flatTable().GdipGetSolidFillColor = nullptr;
    ARGB colour = 0;
    EXPECT_FALSE(brush.GetColor(colour));
    EXPECT_EQ(lastStatus(), NotImplemented);
    flatTable().GdipGetSolidFillColor = saved;
    EXPECT_TRUE(brush.GetColor(colour));
    EXPECT_EQ(colour, 0xFF112233u);
    EXPECT_EQ(lastStatus(), Ok);
}

TEST(DrawOwnership, DeletingTwiceReturnsFalseAndCallsNothing) {
    BrushDeleteCounter counter;
    SolidBrush brush;
    ASSERT_TRUE(brush.Create(0xFF0000FF));
    EXPECT_TRUE(brush.DeleteNative());
    EXPECT_EQ(brushDeletes, 1);
    EXPECT_TRUE(brush.IsNull());
    EXPECT_FALSE(brush.DeleteNative());
    EXPECT_FALSE(brush.Destroy());
    EXPECT_EQ(brushDeletes, 1);
}

TEST(DrawOwnership, CopiesShareOneObjectDeletedExactlyOnce) {
    BrushDeleteCounter counter;
    int live = liveObjectCount();
    {
        SolidBrush original;
        ASSERT_TRUE(original.Create(0xFF00FF00));
        SolidBrush copy = original;
        EXPECT_EQ(copy.GetNativeHandle(), original.GetNativeHandle());
        EXPECT_EQ(original.ShareCount(), 2);
        EXPECT_EQ(liveObjectCount(), live + 1);
        // The original goes first; the copy must still work on a living object.
        EXPECT_TRUE(original.DeleteNative());
        EXPECT_EQ(brushDeletes, 0);
        ARGB colour = 0;
        EXPECT_TRUE(copy.GetColor(colour));
        EXPECT_EQ(colour, 0xFF00FF00u);
    }
    EXPECT_EQ(brushDeletes, 1);
    EXPECT_EQ(liveObjectCount(), live);
}

TEST(DrawOwnership, RecreatingReleasesTheOldObjectAndFailureLeavesNull) {
    BrushDeleteCounter counter;
    SolidBrush brush;
    ASSERT_TRUE(brush.Create(0xFF000001));
    ASSERT_TRUE(brush.Create(0xFF000002));
    EXPECT_EQ(brushDeletes, 1);
    Image image;
    ASSERT_TRUE(image.LoadFromBytes(std::string(8, 'x')) == false);
    EXPECT_NE(lastStatus(), Ok);
    EXPECT_TRUE(image.IsNull());
}

TEST(DrawFonts, MissingFamilyFailsAndStaysNull) {
    Font font;
    EXPECT_FALSE(font.CreateFromName("无此字体 No Such Family 12345", 12.0f));
    EXPECT_EQ(lastStatus(), FontFamilyNotFound);
    EXPECT_TRUE(font.IsNull());
    FontFamily family;
    EXPECT_FALSE(family.CreateFromName("无此字体 No Such Family 12345"));
    EXPECT_TRUE(family.IsNull());
}

TEST(DrawFonts, FallbackAlwaysGivesAFontWithAName) {
    Font font;
    ASSERT_TRUE(font.CreateFromNameOrSansSerif("无此字体 No Such Family 12345", 12.0f, FontStyleBold));
    FontFamily family;
    ASSERT_TRUE(font.GetFamily(family));
    std::string name;
    ASSERT_TRUE(family.GetFamilyName(name));
    EXPECT_FALSE(name.empty());
    // A system with neither the generic faces nor a usable GUI font still gets some family.
    auto savedGeneric = flatTable().GdipGetGenericFontFamilySansSerif;
    auto savedLogfont = flatTable().GdipCreateFontFromLogfontW;
    flatTable().GdipGetGenericFontFamilySansSerif = nullptr;
    flatTable().GdipCreateFontFromLogfontW = nullptr;
    Font last;
    bool made = last.CreateFromNameOrSansSerif("无此字体 No Such Family 12345", 12.0f);
    Font gui;
    bool guiMade = gui.CreateDefaultGui();
    flatTable().GdipGetGenericFontFamilySansSerif = savedGeneric;
    flatTable().GdipCreateFontFromLogfontW = savedLogfont;
    EXPECT_TRUE(made);
    EXPECT_TRUE(guiMade);
    ASSERT_TRUE(gui.CreateDefaultGui());
    float size = 0;
    EXPECT_TRUE(gui.GetSize(size));
    EXPECT_GT(size, 0.0f);
}

namespace {

// A 7 x 5 picture whose every pixel differs, as PNG bytes.
std::string patternPng() {
    Bitmap bitmap;
    EXPECT_TRUE(bitmap.CreateFromScan0(7, 5));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) bitmap.SetPixel(x, y, 0xFF000000u | ARGB(x * 36) << 16 | ARGB(y * 60) << 8 | 0x40);
    std::string png;
    EXPECT_TRUE(bitmap.SaveToBytes(png, PNG_FORMAT));
    return png;
}

void expectSamePixels(const Bitmap& a, const Bitmap& b) {
    UINT wa = 0, ha = 0, wb = 0, hb = 0;
    ASSERT_TRUE(a.GetWidth(wa) && a.GetHeight(ha) && b.GetWidth(wb) && b.GetHeight(hb));
    ASSERT_EQ(wa, wb);
    ASSERT_EQ(ha, hb);
    for (int y = 0; y < int(ha); ++y)
        for (int x = 0; x < int(wa); ++x) {
            ARGB pa = 0, pb = 0;
            ASSERT_TRUE(a.GetPixel(x, y, pa) && b.GetPixel(x, y, pb));
            ASSERT_EQ(pa, pb) << "at " << x << "," << y;
        }
}

}  // namespace

TEST(DrawPictures, PngBytesRoundTripKeepsSizeAndPixels) {
    std::string png = patternPng();
    ASSERT_GT(png.size(), 8u);
    EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));

    Bitmap decoded;
    ASSERT_TRUE(decoded.CreateFromBytes(png));
    std::string again;
    ASSERT_TRUE(decoded.SaveToBytes(again));
    Bitmap redecoded;
    ASSERT_TRUE(redecoded.CreateFromBytes(again));
    expectSamePixels(decoded, redecoded);
    ARGB corner = 0;
    ASSERT_TRUE(redecoded.GetPixel(6, 4, corner));
    EXPECT_EQ(corner, 0xFF000000u | ARGB(6 * 36) << 16 | ARGB(4 * 60) << 8 | 0x40);

    // Image (not Bitmap) decoding of the same bytes sees the same size and the PNG raw format.
    Image image;
    ASSERT_TRUE(image.LoadFromBytes(again));
    UINT w = 0, h = 0;
    ASSERT_TRUE(image.GetWidth(w) && image.GetHeight(h));
    EXPECT_EQ(w, 7u);
    EXPECT_EQ(h, 5u);
    std::string raw;
    ASSERT_TRUE(image.GetRawFormat(raw));
    EXPECT_EQ(raw, PNG_FORMAT);
}

TEST(DrawPictures, FileRoundTripUnderAChinesePath) {
    WCHAR temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring widePath = std::wstring(temp) + L"\u56fe\u7247_draw_test.png";  // 图片
    std::string path;
    {
        int n = WideCharToMultiByte(936, 0, widePath.c_str(), -1, nullptr, 0, nullptr, nullptr);
        path.resize(size_t(n - 1));
        WideCharToMultiByte(936, 0, widePath.c_str(), -1, path.data(), n, nullptr, nullptr);
    }
    Bitmap source;
    ASSERT_TRUE(source.CreateFromBytes(patternPng()));
    ASSERT_TRUE(source.SaveToFile(path));
    EXPECT_NE(GetFileAttributesW(widePath.c_str()), INVALID_FILE_ATTRIBUTES);
    {
        Bitmap loaded;
        ASSERT_TRUE(loaded.CreateFromFile(path));
        expectSamePixels(source, loaded);
    }
    DeleteFileW(widePath.c_str());
    Bitmap missing;
    EXPECT_FALSE(missing.CreateFromFile(path));
    EXPECT_TRUE(missing.IsNull());
}

TEST(DrawPictures, UnknownEncoderFormatFailsQuietly) {
    Bitmap bitmap;
    ASSERT_TRUE(bitmap.CreateFromScan0(2, 2));
    std::string out = "left over";
    EXPECT_FALSE(bitmap.SaveToBytes(out, "{00000000-0000-0000-0000-000000000001}"));
    EXPECT_EQ(lastStatus(), UnknownImageFormat);
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(bitmap.SaveToBytes(out, "not a guid"));
}

TEST(DrawTransform, RotateAboutPointKeepsItFixedInBothOrders) {
    Bitmap bitmap;
    ASSERT_TRUE(bitmap.CreateFromScan0(64, 64));
    Graphics g;
    ASSERT_TRUE(g.CreateFromImage(bitmap));
    for (MatrixOrder order : {MatrixOrder::Prepend, MatrixOrder::Append}) {
        ASSERT_TRUE(g.ResetWorldTransform());
        ASSERT_TRUE(g.RotateWorldTransformAt(90.0f, 10.0f, 10.0f, order));
        GpPointF p{20.0f, 10.0f};
        ASSERT_TRUE(g.TransformPoints(CoordinateSpace::Device, CoordinateSpace::World, &p, 1));
        EXPECT_NEAR(p.X, 10.0f, 1e-3) << "order " << int(order);
        EXPECT_NEAR(p.Y, 20.0f, 1e-3) << "order " << int(order);
    }
    // Over an existing shift the orders differ: prepended rotates in world space before the
    // shift, appended rotates the shifted result about the device point.
    ASSERT_TRUE(g.ResetWorldTransform());
    ASSERT_TRUE(g.TranslateWorldTransform(100.0f, 0.0f));
    ASSERT_TRUE(g.RotateWorldTransformAt(90.0f, 10.0f, 10.0f, MatrixOrder::Prepend));
    GpPointF p{20.0f, 10.0f};
    ASSERT_TRUE(g.TransformPoints(CoordinateSpace::Device, CoordinateSpace::World, &p, 1));
    EXPECT_NEAR(p.X, 110.0f, 1e-3);
    EXPECT_NEAR(p.Y, 20.0f, 1e-3);
    ASSERT_TRUE(g.ResetWorldTransform());
    ASSERT_TRUE(g.TranslateWorldTransform(100.0f, 0.0f));
    ASSERT_TRUE(g.RotateWorldTransformAt(90.0f, 10.0f, 10.0f, MatrixOrder::Append));
    p = {20.0f, 10.0f};
    ASSERT_TRUE(g.TransformPoints(CoordinateSpace::Device, CoordinateSpace::World, &p, 1));
    EXPECT_NEAR(p.X, 10.0f, 1e-3);
    EXPECT_NEAR(p.Y, 120.0f, 1e-3);

    float e[6] = {};
    ASSERT_TRUE(g.ResetWorldTransform());
    ASSERT_TRUE(g.ScaleWorldTransformAt(2.0f, 3.0f, 10.0f, 10.0f, MatrixOrder::Append));
    ASSERT_TRUE(g.GetWorldTransform(e));
    EXPECT_NEAR(e[0], 2.0f, 1e-4);
    EXPECT_NEAR(e[3], 3.0f, 1e-4);
    EXPECT_NEAR(e[4], -10.0f, 1e-3);  // 10 - 2 * 10
    EXPECT_NEAR(e[5], -20.0f, 1e-3);  // 10 - 3 * 10
}

TEST(DrawFills, GradientEndsAndPresetMiddleReadBack) {
    Bitmap bitmap;
    ASSERT_TRUE(bitmap.CreateFromScan0(101, 4));
    Graphics g;
    ASSERT_TRUE(g.CreateFromImage(bitmap));
    LinearGradientBrush brush;
    ASSERT_TRUE(brush.Create({0.0f, 0.0f}, {101.0f, 0.0f}, 0xFFFF0000, 0xFF0000FF));
    ASSERT_TRUE(g.FillRectangleI(brush, 0, 0, 101, 4));
    ARGB left = 0, mid = 0, right = 0;
    ASSERT_TRUE(bitmap.GetPixel(0, 1, left) && bitmap.GetPixel(50, 1, mid) && bitmap.GetPixel(100, 1, right));
    EXPECT_GT(red(left), 240);
    EXPECT_LT(blue(left), 15);
    EXPECT_GT(blue(right), 240);
    EXPECT_LT(red(right), 15);
    EXPECT_NEAR(red(mid), 128, 20);
    // Red falls and blue rises along the row.
    ARGB previous = left;
    for (int x = 1; x <= 100; ++x) {
        ARGB c = 0;
        ASSERT_TRUE(bitmap.GetPixel(x, 1, c));
        ASSERT_LE(red(c), red(previous) + 1) << x;
        ASSERT_GE(blue(c), blue(previous) - 1) << x;
        previous = c;
    }

    const ARGB colours[3] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF};
    const float positions[3] = {0.0f, 0.5f, 1.0f};
    ASSERT_TRUE(brush.SetPresetBlend(colours, positions, 3));
    ASSERT_TRUE(g.FillRectangleI(brush, 0, 0, 101, 4));
    ASSERT_TRUE(bitmap.GetPixel(0, 1, left) && bitmap.GetPixel(50, 1, mid) && bitmap.GetPixel(100, 1, right));
    EXPECT_GT(red(left), 240);
    EXPECT_GT(green(mid), 230);
    EXPECT_LT(red(mid), 25);
    EXPECT_GT(blue(right), 240);
}

TEST(DrawFills, ClipLimitsFillsOnAWindowlessDc) {
    // A DIB section in a memory DC, as the skin engine paints off screen.
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = 40;
    info.bmiHeader.biHeight = -40;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP dib = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_TRUE(dib && bits);
    HGDIOBJ old = SelectObject(dc, dib);
    {
        Graphics g;
        ASSERT_TRUE(g.CreateFromHDC(dc));
        SolidBrush white, green;
        ASSERT_TRUE(white.Create(0xFFFFFFFF) && green.Create(0xFF00FF00));
        ASSERT_TRUE(g.FillRectangleI(white, 0, 0, 40, 40));
        GraphicsPath path;
        ASSERT_TRUE(path.Create());
        ASSERT_TRUE(path.AddRectangle(10, 10, 20, 20));
        ASSERT_TRUE(g.SetClipPath(path));
        ASSERT_TRUE(g.SetClipRect({0, 0, 20, 40}, CombineMode::Intersect));
        ASSERT_TRUE(g.FillRectangleI(green, 0, 0, 40, 40));
        ASSERT_TRUE(g.ResetClip());
        ASSERT_TRUE(g.Flush(true));
    }
    GdiFlush();
    auto at = [&](int x, int y) { return static_cast<const DWORD*>(bits)[y * 40 + x] & 0xFFFFFF; };
    EXPECT_EQ(at(15, 15), 0x00FF00u);  // inside both
    EXPECT_EQ(at(25, 15), 0xFFFFFFu);  // inside the path, outside the rectangle
    EXPECT_EQ(at(5, 5), 0xFFFFFFu);    // outside the path
    SelectObject(dc, old);
    DeleteObject(dib);
    DeleteDC(dc);
}

TEST(DrawStrings, GbkTextIsMeasuredAsCharactersAndDrawn) {
    Bitmap bitmap;
    ASSERT_TRUE(bitmap.CreateFromScan0(120, 40));
    Graphics g;
    ASSERT_TRUE(g.CreateFromImage(bitmap));
    ASSERT_TRUE(g.Clear(0xFFFFFFFF));
    ASSERT_TRUE(g.SetTextRenderingHint(TextRenderingHint::AntiAlias));
    Font font;
    ASSERT_TRUE(font.CreateFromNameOrSansSerif("宋体", 14.0f, FontStyleRegular, Unit::Pixel));
    StringFormat format;
    ASSERT_TRUE(format.Create());
    ASSERT_TRUE(format.SetAlignment(StringAlignment::Center));
    ASSERT_TRUE(format.SetLineAlignment(StringAlignment::Center));
    StringAlignment align = StringAlignment::Near;
    ASSERT_TRUE(format.GetAlignment(align));
    EXPECT_EQ(align, StringAlignment::Center);

    GpRectF bounds{};
    int fitted = 0, lines = 0;
    ASSERT_TRUE(g.MeasureString("中文AB", font, {0, 0, 1000, 100}, &format, bounds, &fitted, &lines));
    EXPECT_EQ(fitted, 4);  // six GBK bytes, four characters
    EXPECT_EQ(lines, 1);
    EXPECT_GT(bounds.Width, 10.0f);

    SolidBrush black;
    ASSERT_TRUE(black.Create(0xFF000000));
    ASSERT_TRUE(g.DrawString("中文AB", font, {0, 0, 120, 40}, &format, black));
    int dark = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 120; ++x) {
            ARGB c = 0;
            bitmap.GetPixel(x, y, c);
            if (red(c) < 128) ++dark;
        }
    EXPECT_GT(dark, 20);
}

TEST(DrawLeaks, ManyCycles) {
    BrushDeleteCounter counter;
    int live = liveObjectCount();
    for (int i = 0; i < 200; ++i) {
        Bitmap bitmap;
        ASSERT_TRUE(bitmap.CreateFromScan0(8, 8));
        Graphics g;
        ASSERT_TRUE(g.CreateFromImage(bitmap));
        SolidBrush solid;
        ASSERT_TRUE(solid.Create(0xFF102030));
        LinearGradientBrush gradient;
        ASSERT_TRUE(gradient.CreateFromRect({0, 0, 8, 8}, 0xFF000000, 0xFFFFFFFF, LinearGradientMode::Vertical));
        Brush copy = gradient;
        Pen pen;
        ASSERT_TRUE(pen.Create(0xFF000000, 2.0f));
        GraphicsPath path;
        ASSERT_TRUE(path.Create() && path.AddArc(0, 0, 4, 4, 180, 90) && path.AddLine(2, 0, 6, 0));
        ASSERT_TRUE(path.CloseFigure());
        Region region;
        ASSERT_TRUE(region.CreateFromPath(path));
        ASSERT_TRUE(g.FillPath(copy, path) && g.DrawPath(pen, path) && g.FillRegion(solid, region));
        Font font;
        ASSERT_TRUE(font.CreateFromNameOrSansSerif("宋体", 9.0f));
        StringFormat format;
        ASSERT_TRUE(format.CreateGenericTypographic());
        ASSERT_TRUE(g.DrawString("字", font, {0, 0, 8, 8}, &format, solid));
        EXPECT_GE(liveObjectCount(), live + 9);
    }
    EXPECT_EQ(liveObjectCount(), live);
    EXPECT_EQ(brushDeletes, 2 * 200);  // the solid brush and the shared gradient, once each
}

TEST(DrawOwnership, WrappersOutlivingShutdownDoNotCallIntoGdiplus) {
    SolidBrush survivor;
    ASSERT_TRUE(survivor.Create(0xFF445566));
    int live = liveObjectCount();
    {
        BrushDeleteCounter counter;
        // A nested start and stop leaves the library running: deletes still go through.
        ULONG_PTR inner = startGdiplus();
        ASSERT_NE(inner, 0u);
        stopGdiplus(inner);
        SolidBrush other;
        ASSERT_TRUE(other.Create(0xFF000000));
        EXPECT_TRUE(other.DeleteNative());
        EXPECT_EQ(brushDeletes, 1);

        stopGdiplus(environment->token);
        EXPECT_TRUE(survivor.DeleteNative());
        EXPECT_EQ(brushDeletes, 1);
        EXPECT_EQ(liveObjectCount(), live - 1);
    }
    environment->token = startGdiplus();
    ASSERT_NE(environment->token, 0u);
    SolidBrush again;
    EXPECT_TRUE(again.Create(0xFF010203));
}

// A wrapper that outlives one GDI+ session and is released in the next must not hand the new
// session the pointer of an object the old one freed (nor use it for any other call).
TEST(DrawOwnership, AWrapperFromAnEarlierSessionIsNotPassedToTheNextOne) {
    SolidBrush stale;
    ASSERT_TRUE(stale.Create(0xFF445566));
    int live = liveObjectCount();
    stopGdiplus(environment->token);
    environment->token = startGdiplus();
    ASSERT_NE(environment->token, 0u);
    {
        BrushDeleteCounter counter;
        ARGB colour = 0;
        EXPECT_FALSE(stale.GetColor(colour)) << "the handle of the old session is not used";
        EXPECT_TRUE(stale.IsNull());
        EXPECT_TRUE(stale.DeleteNative());
        EXPECT_EQ(brushDeletes, 0) << "GdipDeleteBrush must not see the old session's pointer";
        EXPECT_EQ(liveObjectCount(), live - 1);
        // Objects of the new session are deleted as usual.
        SolidBrush fresh;
        ASSERT_TRUE(fresh.Create(0xFF010203));
        EXPECT_TRUE(fresh.DeleteNative());
        EXPECT_EQ(brushDeletes, 1);
    }
}
