// The drawing-context family on GDI and GDI+: what the pen paints on a
// memory DC over a DIB section, the HDC's pen and current position around
// every call, the on-screen text, the text engine's cut and the converter
// released after each conversion.
#include "Dravik.h"
#include "converter.h"
#include "test_module.h"
#include "text_engine.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

constexpr uint32_t kRed = 0x0000FF, kWhite = 0xFFFFFF;

// A black 200 x 200 top-down DIB section in a memory DC whose viewport
// origin is (origin, origin): with the default 100, positions -100 .. 99
// show.
class Canvas {
public:
    explicit Canvas(int origin = 100) : origin_(origin), dc_(CreateCompatibleDC(nullptr))
    {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = 200;
        info.bmiHeader.biHeight = -200;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        info.bmiHeader.biCompression = BI_RGB;
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
        previous_ = SelectObject(dc_, bitmap_);
        memset(bits_, 0, kStride * 200);
        SetViewportOrgEx(dc_, origin, origin, nullptr);
    }
    ~Canvas()
    {
        SelectObject(dc_, previous_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    HDC dc() const { return dc_; }

    // The 0xRRGGBB at position (x, y).
    uint32_t at(int x, int y) const
    {
        GdiFlush();
        const auto *p = static_cast<const uint8_t *>(bits_) +
                        (y + origin_) * kStride + (x + origin_) * 3;
        return uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
    }
    bool painted(int x, int y) const { return at(x, y) != 0; }
    int paintedCount() const
    {
        int n = 0;
        for (int y = -origin_; y < 200 - origin_; ++y)
            for (int x = -origin_; x < 200 - origin_; ++x)
                n += painted(x, y);
        return n;
    }

private:
    static constexpr int kStride = 600;  // 200 pixels of 3 bytes, no padding
    int origin_;
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ previous_;
    void *bits_ = nullptr;
};

TEST(GdiPen, PixelsLandWhereTheNumbersSay)
{
    {
        Canvas c;  // a one-pixel pen: row 40, columns 0 .. 99
        ASSERT_EQ(Dravik_GdiplusDrawLine(0, 40, 100, 40, 1, kRed, 0, 0, 0, c.dc()),
                  DRAVIK_OK);
        EXPECT_EQ(c.at(0, 40), 0xFF0000u);  // COLORREF red is 0x0000FF
        EXPECT_TRUE(c.painted(99, 40));
        EXPECT_EQ(c.paintedCount(), 100);
    }
    {
        Canvas c, one;  // width 0 draws as 1
        Dravik_GdiplusDrawLine(-50, -10, 20, 30, 0, kWhite, 0, 0, 0, c.dc());
        Dravik_GdiplusDrawLine(-50, -10, 20, 30, 1, kWhite, 0, 0, 0, one.dc());
        EXPECT_GT(c.paintedCount(), 60);
        for (int y = -100; y < 100; ++y)
            for (int x = -100; x < 100; ++x)
                ASSERT_EQ(c.at(x, y), one.at(x, y)) << x << "," << y;
    }
    {
        Canvas c;  // five pixels wide, round caps past the ends
        Dravik_GdiplusDrawLine(-20, 40, 20, 40, 5, kWhite, 0, 0, 0, c.dc());
        EXPECT_TRUE(c.painted(0, 38) && c.painted(0, 42));
        EXPECT_FALSE(c.painted(0, 36) || c.painted(0, 44));
        EXPECT_TRUE(c.painted(21, 40));
        EXPECT_FALSE(c.painted(23, 38));
    }
}

TEST(GdiPen, BracketsAndMarksOnTheBitmap)
{
    Canvas c;
    ASSERT_EQ(Dravik_GdiplusDrawRectangleWithType(0, 0, 30, 60, 1, kWhite, 0, 0, 0,
                                                  0, 0, 1, c.dc()),
              DRAVIK_OK);
    // LineTo leaves out each line's end point: the open thirds are exact.
    for (int x = 0; x <= 30; ++x) {
        EXPECT_EQ(c.painted(x, 0), x < 10 || x >= 20) << "top " << x;
        EXPECT_EQ(c.painted(x, 60), x <= 10 || x > 20) << "bottom " << x;
    }
    for (int y = 0; y <= 60; ++y) {
        EXPECT_EQ(c.painted(0, y), y <= 20 || y > 40) << "left " << y;
        EXPECT_EQ(c.painted(30, y), y < 20 || y >= 40) << "right " << y;
    }

    Canvas mark;  // the example mark, its top half at negative y
    ASSERT_EQ(Dravik_GdiplusDrawLineLabelLine(0, 0, 100, 0, 1, kWhite, 0, 0, mark.dc()),
              DRAVIK_OK);
    for (int y = -22; y < 22; ++y)
        EXPECT_TRUE(mark.painted(50, y)) << y;
    EXPECT_TRUE(mark.painted(44, 16) && mark.painted(56, 16));  // the wings
    EXPECT_FALSE(mark.painted(50, -23) || mark.painted(49, 0) || mark.painted(20, 0));
}

TEST(GdiPen, TheHostsPenIsBackWithThePositionAtTheLastPointDrawn)
{
    const int32_t points[] = {5, 6, 40, 6, 40, 50};
    struct Row {
        const char *name;
        std::function<int(HDC)> call;
        int rc;
        bool draws;
        int x, y;  // the current position afterwards, when it draws
    } rows[] = {
        {"line", [](HDC dc) { return Dravik_GdiplusDrawLine(1, 2, 30, 40, 3, kRed, 0, 0, 0, dc); },
         DRAVIK_OK, true, 30, 40},
        {"rectangle", [](HDC dc) { return Dravik_GdiplusDrawRectangle(1, 2, 30, 40, 2, kRed, 0, 0, 0, 0, 0, dc); },
         DRAVIK_OK, true, 1, 2},
        {"brackets", [](HDC dc) { return Dravik_GdiplusDrawRectangleWithType(1, 2, 30, 40, 1, kRed, 0, 0, 0, 0, 0, 1, dc); },
         DRAVIK_OK, true, 1, 2},
        {"style 2", [](HDC dc) { return Dravik_GdiplusDrawRectangleWithType(1, 2, 30, 40, 1, kRed, 0, 0, 0, 0, 0, 2, dc); },
         DRAVIK_E_PARAM, false, 0, 0},
        {"polygon", [&](HDC dc) { return Dravik_GdiplusDrawPloygon(3, points, 1, kRed, 0, 0, 0, 0, 0, dc); },
         DRAVIK_OK, true, 5, 6},
        {"polygon of none", [&](HDC dc) { return Dravik_GdiplusDrawPloygon(0, points, 1, kRed, 0, 0, 0, 0, 0, dc); },
         DRAVIK_OK, false, 0, 0},
        {"broken line", [&](HDC dc) { return Dravik_GdiplusDrawBrokenLine(3, points, 4, kRed, 0, 0, 0, dc); },
         DRAVIK_OK, true, 40, 50},
        {"broken line of one", [&](HDC dc) { return Dravik_GdiplusDrawBrokenLine(1, points, 4, kRed, 0, 0, 0, dc); },
         DRAVIK_OK, false, 0, 0},
        {"line mark", [](HDC dc) { return Dravik_GdiplusDrawLineLabelLine(0, 0, 100, 0, 1, kRed, 0, 0, dc); },
         DRAVIK_OK, true, 57, 15},
        {"line mark type 3", [](HDC dc) { return Dravik_GdiplusDrawLineLabelLine(0, 0, 100, 0, 1, kRed, 0, 3, dc); },
         DRAVIK_OK, false, 0, 0},
        {"region mark", [&](HDC dc) { return Dravik_GdiplusDrawRectLabelLine(3, points, 1, kRed, 0, 2, dc); },
         DRAVIK_OK, true, 29, 21},
        {"region of one point", [&](HDC dc) { return Dravik_GdiplusDrawRectLabelLine(1, points, 1, kRed, 0, 0, dc); },
         DRAVIK_E_PARAM, false, 0, 0},
        {"polygon without points", [](HDC dc) { return Dravik_GdiplusDrawPloygon(2, nullptr, 1, kRed, 0, 0, 0, 0, 0, dc); },
         DRAVIK_E_PARAM, false, 0, 0},
    };
    for (const Row &row : rows) {
        Canvas c;
        HDC dc = c.dc();
        HPEN own = CreatePen(PS_DASH, 1, RGB(0, 0, 0));
        const HGDIOBJ original = SelectObject(dc, own);
        MoveToEx(dc, -7, -9, nullptr);

        EXPECT_EQ(row.call(dc), row.rc) << row.name;
        EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), own) << row.name;
        POINT at;
        GetCurrentPositionEx(dc, &at);
        if (row.draws) {
            EXPECT_EQ(at.x, row.x) << row.name;
            EXPECT_EQ(at.y, row.y) << row.name;
            EXPECT_GT(c.paintedCount(), 0) << row.name;
        } else {
            EXPECT_EQ(at.x, -7) << row.name;
            EXPECT_EQ(at.y, -9) << row.name;
            EXPECT_EQ(c.paintedCount(), 0) << row.name;
        }
        SelectObject(dc, original);
        DeleteObject(own);
    }
}

// ---- On-screen text and the text engine ------------------------------------

class GdiText : public ::testing::Test {
protected:
    void SetUp() override
    {
        dravik::setConverterFolderForTesting(DRAVIK_OUTPUT_DIR);
        ASSERT_EQ(Dravik_StartTextEngine(), DRAVIK_OK);
    }
    void TearDown() override
    {
        Dravik_StopTextEngine();
        EXPECT_EQ(dravik::engineRefCount.load(), 0u);
    }

    static int osd(Canvas &c, const char *text, const char *font, uint32_t textOpacity,
                   uint32_t boxOpacity, int32_t boxSwitch)
    {
        return Dravik_GdiplusOSD(10, 20, text, 24, font, kWhite, textOpacity, kWhite,
                                 boxOpacity, 0, boxSwitch, c.dc());
    }
};

TEST_F(GdiText, BoxAlphaAndSwitch)
{
    Canvas box(0);
    ASSERT_EQ(osd(box, "Lane 2", "DejaVu Sans", 0, 50, 1), DRAVIK_OK);
    EXPECT_EQ(box.at(10, 20), 0x7F7F7Fu);  // alpha 127 of white over black
    EXPECT_EQ(box.at(9, 20), 0u);
    EXPECT_EQ(box.at(10, 19), 0u);
    const int boxPixels = box.paintedCount();
    EXPECT_GT(boxPixels, 60 * 20);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x)
            ASSERT_TRUE(box.at(x, y) == 0 || box.at(x, y) == 0x7F7F7F);

    Canvas text(0);
    ASSERT_EQ(osd(text, "Lane 2", "DejaVu Sans", 100, 50, 0), DRAVIK_OK);  // no box
    EXPECT_EQ(text.at(10, 20), 0u);
    EXPECT_GT(text.paintedCount(), 50);
    EXPECT_LT(text.paintedCount(), boxPixels / 2);

    Canvas both(0);
    ASSERT_EQ(osd(both, "Lane 2", "DejaVu Sans", 100, 50, 1), DRAVIK_OK);
    EXPECT_EQ(both.paintedCount(), boxPixels);
    int opaque = 0;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x)
            opaque += both.at(x, y) == 0xFFFFFF;
    EXPECT_GT(opaque, 20);  // glyph cores, fully opaque over the box
}

TEST_F(GdiText, NothingForAnUnknownFamilyOrAStoppedEngine)
{
    Canvas c;
    EXPECT_EQ(osd(c, "Lane 2", "No Such Family", 100, 100, 1), DRAVIK_OK);
    EXPECT_EQ(osd(c, "Lane 2", "DejaVuSans", 100, 100, 1), DRAVIK_OK);
    EXPECT_EQ(osd(c, "Lane 2", "", 100, 100, 1), DRAVIK_OK);
    EXPECT_EQ(osd(c, "Lane 2", "DejaVu Sans", 0, 100, 2), DRAVIK_OK);  // nothing asked
    EXPECT_EQ(c.paintedCount(), 0);

    Dravik_StopTextEngine();
    Dravik_StopTextEngine();  // unbalanced: ignored
    EXPECT_EQ(dravik::engineRefCount.load(), 0u);
    EXPECT_EQ(osd(c, "Lane 2", "DejaVu Sans", 100, 100, 1), DRAVIK_OK);
    EXPECT_EQ(c.paintedCount(), 0);

    // A word context keeps the engine running; GBK text in the Chinese
    // family ("中国").
    uint8_t y[64 * 32], u[32 * 16], v[32 * 16];
    DravikFrame frame{{y, u, v, nullptr}, {64, 32, 32, 0}, 64, 32};
    DravikWordContext *slot = nullptr;
    ASSERT_EQ(Dravik_DrawWord(0, 0, 0, 0, 1, 0, "x", 12, 0, "DejaVu Sans", kWhite,
                              &frame, &slot, 0),
              DRAVIK_OK);
    EXPECT_EQ(osd(c, "\xd6\xd0\xb9\xfa", "WenQuanYi Micro Hei", 100, 0, 1), DRAVIK_OK);
    EXPECT_GT(c.paintedCount(), 20);
    Dravik_DrawEnd(&slot);
    Dravik_StartTextEngine();  // for TearDown's stop
}

TEST_F(GdiText, TheConverterIsLoadedForEachConversionOnly)
{
    const std::string module = std::string(DRAVIK_OUTPUT_DIR) + "/" + dravik::kConverterModule;
    uint8_t y[64 * 32], u[32 * 16], v[32 * 16];
    DravikFrame frame{{y, u, v, nullptr}, {64, 32, 32, 0}, 64, 32};
    ASSERT_EQ(Dravik_DrawWord(0, 0, 0, 0, 1, 0, "x", 12, 0, "DejaVu Sans", kWhite,
                              &frame, nullptr, 0),
              DRAVIK_OK);
    EXPECT_FALSE(TestModule::loaded(module));
}

TEST_F(GdiText, LongTextsAreCutAt512Units)
{
    auto widthOf = [](const std::string &text) {
        dravik::TextLayout layout(text.c_str(), "DejaVu Sans", 20,
                                  dravik::FontWeight::Regular,
                                  dravik::Fallback::Nothing, 512);
        return layout.width();
    };
    auto repeat = [](const std::string &s, int n) {
        std::string out;
        while (n-- > 0)
            out += s;
        return out;
    };
    const std::string i510 = repeat("i", 510);
    EXPECT_LT(widthOf(i510 + "W"), widthOf(i510 + "WW"));    // 512 units
    EXPECT_EQ(widthOf(i510 + "WW"), widthOf(i510 + "WWW"));  // cut at 512
    // Two bytes of GBK are one unit: 512 characters of 1024 bytes fit.
    const std::string zhong = "\xd6\xd0";
    EXPECT_LT(widthOf(repeat(zhong, 511)), widthOf(repeat(zhong, 512)));
    EXPECT_EQ(widthOf(repeat(zhong, 512)), widthOf(repeat(zhong, 600)));
}

}  // namespace
