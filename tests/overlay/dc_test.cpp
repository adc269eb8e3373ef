// The drawing-context family on cairo: what the pen paints, the context's
// state around every call, and the on-screen text (the strokes themselves
// are in dc_strokes_test.cpp).
#include "Dravik.h"
#include "converter.h"
#include "text_engine.h"

#include <cairo.h>
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kRed = 0x0000FF, kWhite = 0xFFFFFF;

// ---- Through the exports, on a cairo image surface -----------------------

// A black 200 x 200 surface whose context is translated by (100, 100), so
// that user positions -100 .. 99 show.
class Canvas {
public:
    Canvas()
        : surface_(cairo_image_surface_create(CAIRO_FORMAT_RGB24, 200, 200)),
          cr_(cairo_create(surface_))
    {
        cairo_set_source_rgb(cr_, 0, 0, 0);
        cairo_paint(cr_);
        cairo_translate(cr_, 100, 100);
    }
    ~Canvas()
    {
        cairo_destroy(cr_);
        cairo_surface_destroy(surface_);
    }
    cairo_t *dc() const { return cr_; }

    // The 0xRRGGBB at user position (x, y).
    uint32_t at(int x, int y) const
    {
        cairo_surface_flush(surface_);
        const uint8_t *row = cairo_image_surface_get_data(surface_) +
                             (y + 100) * cairo_image_surface_get_stride(surface_);
        return reinterpret_cast<const uint32_t *>(row)[x + 100] & 0xFFFFFF;
    }
    bool painted(int x, int y) const { return at(x, y) != 0; }
    int paintedCount() const
    {
        int n = 0;
        for (int y = -100; y < 100; ++y)
            for (int x = -100; x < 100; ++x)
                n += painted(x, y);
        return n;
    }

private:
    cairo_surface_t *surface_;
    cairo_t *cr_;
};

TEST(DcPen, PixelsLandWhereTheNumbersSay)
{
    {
        Canvas c;  // a one-pixel pen: row 40, columns 0 .. 99
        ASSERT_EQ(Dravik_GdiplusDrawLine(0, 40, 100, 40, 1, kRed, 0, 0, 0, c.dc()),
                  DRAVIK_OK);
        EXPECT_EQ(c.at(0, 40), 0xFF0000u);  // COLORREF red is 0x0000FF
        EXPECT_TRUE(c.painted(99, 40));
        EXPECT_FALSE(c.painted(50, 39));
        EXPECT_FALSE(c.painted(50, 41));
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
        Canvas c;  // five pixels wide with round caps: rows 38 .. 42
        Dravik_GdiplusDrawLine(-20, 40, 20, 40, 5, kWhite, 0, 0, 0, c.dc());
        EXPECT_TRUE(c.painted(0, 38) && c.painted(0, 42));
        EXPECT_FALSE(c.painted(0, 37) || c.painted(0, 43));
        EXPECT_TRUE(c.painted(21, 40));    // the cap goes past the end
        EXPECT_FALSE(c.painted(22, 38));   // and is round
    }
    {
        Canvas c;  // the context's transform applies
        cairo_scale(c.dc(), 2, 2);
        Dravik_GdiplusDrawLine(0, 20, 10, 20, 1, kWhite, 0, 0, 0, c.dc());
        EXPECT_TRUE(c.painted(2, 40) && c.painted(19, 41));
        EXPECT_FALSE(c.painted(5, 20) || c.painted(5, 39) || c.painted(5, 42));
    }
}

// A pen far wider than anything the context shows covers it, and leaves
// it usable: cairo ran out of memory on such pens and kept that failure.
TEST(DcPen, PensFarWiderThanTheSurfaceCoverIt)
{
    for (const double scale : {1.0, 1e6}) {
        Canvas c;
        cairo_scale(c.dc(), scale, scale);
        const int32_t points[] = {-1, 0, 1, 0};
        EXPECT_EQ(Dravik_GdiplusDrawPloygon(2, points, 83886335, kWhite, 0, 0, 0, 0,
                                            0, c.dc()),
                  DRAVIK_OK);
        EXPECT_EQ(cairo_status(c.dc()), CAIRO_STATUS_SUCCESS) << scale;
        EXPECT_EQ(c.paintedCount(), 200 * 200) << scale;
    }
}

TEST(DcPen, BracketsAndMarksOnTheSurface)
{
    Canvas c;
    ASSERT_EQ(Dravik_GdiplusDrawRectangleWithType(0, 0, 30, 60, 1, kWhite, 0, 0, 0,
                                                  0, 0, 1, c.dc()),
              DRAVIK_OK);
    for (int x = 0; x <= 30; ++x) {
        const bool open = x > 10 && x < 20;
        EXPECT_EQ(c.painted(x, 0), x < 10 || x >= 20) << "top " << x;
        if (x > 0 && x < 30 && x != 10 && x != 20) {
            EXPECT_EQ(c.painted(x, 60), !open) << "bottom " << x;
        }
    }
    for (int y = 1; y < 60; ++y) {
        if (y == 20 || y == 40)
            continue;  // where a side's line ends, the exact pixel is the pen's
        const bool open = y > 20 && y < 40;
        EXPECT_EQ(c.painted(0, y), !open) << "left " << y;
        EXPECT_EQ(c.painted(30, y), !open) << "right " << y;
    }

    Canvas mark;  // the example mark, its top half at negative y
    ASSERT_EQ(Dravik_GdiplusDrawLineLabelLine(0, 0, 100, 0, 1, kWhite, 0, 0, mark.dc()),
              DRAVIK_OK);
    for (int y = -22; y < 22; ++y)
        EXPECT_TRUE(mark.painted(50, y)) << y;
    EXPECT_TRUE(mark.painted(44, 16) && mark.painted(56, 16));  // the wings
    EXPECT_FALSE(mark.painted(50, -23) || mark.painted(49, 0) || mark.painted(20, 0));
}

// The pen state a host had before a call.
struct PenState {
    double r, g, b, width;
    cairo_line_cap_t cap;
    cairo_line_join_t join;
    cairo_antialias_t antialias;
    int dashes;

    static PenState of(cairo_t *cr)
    {
        PenState s;
        cairo_pattern_get_rgba(cairo_get_source(cr), &s.r, &s.g, &s.b, nullptr);
        s.width = cairo_get_line_width(cr);
        s.cap = cairo_get_line_cap(cr);
        s.join = cairo_get_line_join(cr);
        s.antialias = cairo_get_antialias(cr);
        s.dashes = cairo_get_dash_count(cr);
        return s;
    }
    bool operator==(const PenState &o) const
    {
        return r == o.r && g == o.g && b == o.b && width == o.width &&
               cap == o.cap && join == o.join && antialias == o.antialias &&
               dashes == o.dashes;
    }
};

TEST(DcPen, TheContextIsAsBeforeWithTheCurrentPointAtTheLastPointDrawn)
{
    const int32_t points[] = {5, 6, 40, 6, 40, 50};
    struct Row {
        const char *name;
        std::function<int(cairo_t *)> call;
        int rc;
        bool draws;
        double x, y;  // the current point afterwards, when it draws
    } rows[] = {
        {"line", [](cairo_t *dc) { return Dravik_GdiplusDrawLine(1, 2, 30, 40, 3, kRed, 0, 0, 0, dc); },
         DRAVIK_OK, true, 30, 40},
        {"rectangle", [](cairo_t *dc) { return Dravik_GdiplusDrawRectangle(1, 2, 30, 40, 2, kRed, 0, 0, 0, 0, 0, dc); },
         DRAVIK_OK, true, 1, 2},
        {"brackets", [](cairo_t *dc) { return Dravik_GdiplusDrawRectangleWithType(1, 2, 30, 40, 1, kRed, 0, 0, 0, 0, 0, 1, dc); },
         DRAVIK_OK, true, 1, 2},
        {"style 2", [](cairo_t *dc) { return Dravik_GdiplusDrawRectangleWithType(1, 2, 30, 40, 1, kRed, 0, 0, 0, 0, 0, 2, dc); },
         DRAVIK_E_PARAM, false, 0, 0},
        {"polygon", [&](cairo_t *dc) { return Dravik_GdiplusDrawPloygon(3, points, 1, kRed, 0, 0, 0, 0, 0, dc); },
         DRAVIK_OK, true, 5, 6},
        {"polygon of none", [&](cairo_t *dc) { return Dravik_GdiplusDrawPloygon(0, points, 1, kRed, 0, 0, 0, 0, 0, dc); },
         DRAVIK_OK, false, 0, 0},
        {"broken line", [&](cairo_t *dc) { return Dravik_GdiplusDrawBrokenLine(3, points, 4, kRed, 0, 0, 0, dc); },
         DRAVIK_OK, true, 40, 50},
        {"broken line of one", [&](cairo_t *dc) { return Dravik_GdiplusDrawBrokenLine(1, points, 4, kRed, 0, 0, 0, dc); },
         DRAVIK_OK, false, 0, 0},
        {"line mark", [](cairo_t *dc) { return Dravik_GdiplusDrawLineLabelLine(0, 0, 100, 0, 1, kRed, 0, 0, dc); },
         DRAVIK_OK, true, 57, 15},
        {"line mark type 3", [](cairo_t *dc) { return Dravik_GdiplusDrawLineLabelLine(0, 0, 100, 0, 1, kRed, 0, 3, dc); },
         DRAVIK_OK, false, 0, 0},
        {"region mark", [&](cairo_t *dc) { return Dravik_GdiplusDrawRectLabelLine(3, points, 1, kRed, 0, 2, dc); },
         DRAVIK_OK, true, 29, 21},
        {"region mark type -1", [&](cairo_t *dc) { return Dravik_GdiplusDrawRectLabelLine(0, nullptr, 1, kRed, 0, -1, dc); },
         DRAVIK_OK, false, 0, 0},
        {"region of one point", [&](cairo_t *dc) { return Dravik_GdiplusDrawRectLabelLine(1, points, 1, kRed, 0, 0, dc); },
         DRAVIK_E_PARAM, false, 0, 0},
        {"region of none", [&](cairo_t *dc) { return Dravik_GdiplusDrawRectLabelLine(0, points, 1, kRed, 0, 0, dc); },
         DRAVIK_E_PARAM, false, 0, 0},
        {"polygon without points", [](cairo_t *dc) { return Dravik_GdiplusDrawPloygon(2, nullptr, 1, kRed, 0, 0, 0, 0, 0, dc); },
         DRAVIK_E_PARAM, false, 0, 0},
        {"broken line without points", [](cairo_t *dc) { return Dravik_GdiplusDrawBrokenLine(2, nullptr, 1, kRed, 0, 0, 0, dc); },
         DRAVIK_E_PARAM, false, 0, 0},
        {"region without points", [](cairo_t *dc) { return Dravik_GdiplusDrawRectLabelLine(2, nullptr, 1, kRed, 0, 0, dc); },
         DRAVIK_E_PARAM, false, 0, 0},
    };
    for (const Row &row : rows) {
        Canvas c;
        cairo_t *dc = c.dc();
        cairo_set_source_rgb(dc, 0.25, 0.5, 0.75);
        cairo_set_line_width(dc, 7);
        cairo_set_line_cap(dc, CAIRO_LINE_CAP_SQUARE);
        cairo_set_line_join(dc, CAIRO_LINE_JOIN_BEVEL);
        cairo_set_antialias(dc, CAIRO_ANTIALIAS_GRAY);
        const double dash = 3;
        cairo_set_dash(dc, &dash, 1, 0);
        cairo_move_to(dc, -7, -9);
        const PenState before = PenState::of(dc);

        EXPECT_EQ(row.call(dc), row.rc) << row.name;
        EXPECT_TRUE(PenState::of(dc) == before) << row.name;
        double x, y;
        cairo_get_current_point(dc, &x, &y);
        if (row.draws) {
            EXPECT_EQ(x, row.x) << row.name;
            EXPECT_EQ(y, row.y) << row.name;
            EXPECT_GT(c.paintedCount(), 0) << row.name;
        } else {
            EXPECT_EQ(x, -7) << row.name;
            EXPECT_EQ(y, -9) << row.name;
            EXPECT_EQ(c.paintedCount(), 0) << row.name;
        }
    }
    // Without a context nothing can be drawn.
    EXPECT_EQ(Dravik_GdiplusDrawLine(0, 0, 1, 1, 1, 0, 0, 0, 0, nullptr), DRAVIK_E_PARAM);
    EXPECT_EQ(Dravik_GdiplusDrawRectangle(0, 0, 1, 1, 1, 0, 0, 0, 0, 0, 0, nullptr),
              DRAVIK_E_PARAM);
    EXPECT_EQ(Dravik_GdiplusDrawRectangleWithType(0, 0, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, nullptr),
              DRAVIK_E_PARAM);
    EXPECT_EQ(Dravik_GdiplusDrawPloygon(3, points, 1, 0, 0, 0, 0, 0, 0, nullptr), DRAVIK_E_PARAM);
    EXPECT_EQ(Dravik_GdiplusDrawBrokenLine(3, points, 1, 0, 0, 0, 0, nullptr), DRAVIK_E_PARAM);
    EXPECT_EQ(Dravik_GdiplusDrawLineLabelLine(0, 0, 1, 1, 1, 0, 0, 0, nullptr), DRAVIK_E_PARAM);
    EXPECT_EQ(Dravik_GdiplusDrawRectLabelLine(3, points, 1, 0, 0, 0, nullptr), DRAVIK_E_PARAM);
    EXPECT_EQ(Dravik_GdiplusOSD(0, 0, "x", 20, "DejaVu Sans", 0, 100, 0, 100, 0, 1, nullptr),
              DRAVIK_E_PARAM);
}

// ---- On-screen text ----------------------------------------------------------

class DcText : public ::testing::Test {
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

TEST_F(DcText, BoxAlphaAndSwitch)
{
    Canvas box;
    cairo_translate(box.dc(), -100, -100);  // back to surface pixels
    ASSERT_EQ(osd(box, "Lane 2", "DejaVu Sans", 0, 50, 1), DRAVIK_OK);
    EXPECT_EQ(box.at(-90, -80), 0x7F7F7Fu);  // alpha 127 of white over black
    EXPECT_EQ(box.at(-91, -80), 0u);
    EXPECT_EQ(box.at(-90, -81), 0u);
    const int boxPixels = box.paintedCount();
    EXPECT_GT(boxPixels, 60 * 20);
    // A box drawn from the origin: every painted pixel is box-coloured.
    for (int y = -100; y < 100; ++y)
        for (int x = -100; x < 100; ++x)
            ASSERT_TRUE(box.at(x, y) == 0 || box.at(x, y) == 0x7F7F7F);

    Canvas text;
    cairo_translate(text.dc(), -100, -100);
    ASSERT_EQ(osd(text, "Lane 2", "DejaVu Sans", 100, 50, 0), DRAVIK_OK);  // no box
    EXPECT_EQ(text.at(-90, -80), 0u);
    EXPECT_GT(text.paintedCount(), 50);
    EXPECT_LT(text.paintedCount(), boxPixels / 2);

    Canvas both;
    cairo_translate(both.dc(), -100, -100);
    ASSERT_EQ(osd(both, "Lane 2", "DejaVu Sans", 100, 50, 1), DRAVIK_OK);
    EXPECT_EQ(both.paintedCount(), boxPixels);
    int opaque = 0;
    for (int y = -100; y < 100; ++y)
        for (int x = -100; x < 100; ++x)
            opaque += both.at(x, y) == 0xFFFFFF;
    EXPECT_GT(opaque, 20);  // glyph cores, fully opaque over the box
}

// A font the text engine cannot make for the context draws nothing, and the
// context stays usable: cairo would keep the font's failure on it for good.
TEST_F(DcText, FontsTooLargeForTheContextDrawNothing)
{
    struct Row {
        const char *name;
        uint32_t size;
        double scale;
    } rows[] = {
        {"size 0", 0, 1},
        {"40000 pixels", 40000, 1},
        {"2^22 pixels", 1u << 22, 1},
        {"20 pixels scaled 10000 times", 20, 1e4},
        {"20 pixels scaled a million times", 20, 1e6},
    };
    for (const Row &row : rows) {
        Canvas c;
        cairo_scale(c.dc(), row.scale, row.scale);
        EXPECT_EQ(Dravik_GdiplusOSD(0, 0, "Wg 车", row.size, "DejaVu Sans", kWhite,
                                    100, kWhite, 100, 0, 1, c.dc()),
                  DRAVIK_OK)
            << row.name;
        EXPECT_EQ(cairo_status(c.dc()), CAIRO_STATUS_SUCCESS) << row.name;
        EXPECT_EQ(c.paintedCount(), 0) << row.name;
    }
}

TEST_F(DcText, NothingForAnUnknownFamilyOrAStoppedEngine)
{
    Canvas c;
    EXPECT_EQ(osd(c, "Lane 2", "No Such Family", 100, 100, 1), DRAVIK_OK);
    EXPECT_EQ(osd(c, "Lane 2", "DejaVuSans", 100, 100, 1), DRAVIK_OK);
    EXPECT_EQ(osd(c, "Lane 2", "", 100, 100, 1), DRAVIK_OK);
    EXPECT_EQ(osd(c, "Lane 2", "DejaVu Sans", 0, 100, 2), DRAVIK_OK);  // nothing asked
    EXPECT_EQ(c.paintedCount(), 0);

    Dravik_StopTextEngine();
    EXPECT_EQ(dravik::engineRefCount.load(), 0u);
    Dravik_StopTextEngine();  // unbalanced: ignored
    EXPECT_EQ(dravik::engineRefCount.load(), 0u);
    EXPECT_EQ(osd(c, "Lane 2", "DejaVu Sans", 100, 100, 1), DRAVIK_OK);
    EXPECT_EQ(c.paintedCount(), 0);
    Dravik_StartTextEngine();  // for TearDown's stop

    // A host's start and a word context share one count: the host's stop
    // leaves the engine to the live context.
    uint8_t y[64 * 32], u[32 * 16], v[32 * 16];
    DravikFrame frame{{y, u, v, nullptr}, {64, 32, 32, 0}, 64, 32};
    DravikWordContext *slot = nullptr;
    Dravik_DrawWord(0, 0, 0, 0, 1, 0, "x", 12, 0, "DejaVu Sans", kWhite, &frame, &slot, 0);
    EXPECT_EQ(dravik::engineRefCount.load(), 2u);
    Dravik_StopTextEngine();
    Dravik_StopTextEngine();
    EXPECT_EQ(dravik::engineRefCount.load(), 1u);
    EXPECT_EQ(osd(c, "Lane 2", "WenQuanYi Micro Hei", 100, 0, 1), DRAVIK_OK);
    EXPECT_GT(c.paintedCount(), 0);
    Dravik_DrawEnd(&slot);
    Dravik_StartTextEngine();
}

// Text conversions load and release the converter module every time, but
// keep what it brought in (libyuv here) while the text engine runs.
TEST_F(DcText, TheConverterIsReleasedItsLibrariesHeldWhileTheEngineRuns)
{
    auto loaded = [](const std::string &name) {
        void *h = dlopen(name.c_str(), RTLD_NOW | RTLD_NOLOAD);
        if (h)
            dlclose(h);
        return h != nullptr;
    };
    const std::string module = std::string(DRAVIK_OUTPUT_DIR) + "/" + dravik::kConverterModule;
    ASSERT_FALSE(loaded("libyuv.so.0"));
    uint8_t y[64 * 32], u[32 * 16], v[32 * 16];
    DravikFrame frame{{y, u, v, nullptr}, {64, 32, 32, 0}, 64, 32};
    ASSERT_EQ(Dravik_DrawWord(0, 0, 0, 0, 1, 0, "x", 12, 0, "DejaVu Sans", kWhite,
                              &frame, nullptr, 0),
              DRAVIK_OK);
    EXPECT_FALSE(loaded(module));
    EXPECT_TRUE(loaded("libyuv.so.0"));
    Dravik_StopTextEngine();
    EXPECT_FALSE(loaded("libyuv.so.0"));
    Dravik_StartTextEngine();
}

TEST_F(DcText, LongTextsAreCutAt512Units)
{
    // Scaled down 64 times, a line of 512 characters fits the surface; the
    // area its (antialiased) box covers shows how far it was laid out.
    auto boxOf = [](const std::string &text) {
        Canvas c;
        cairo_translate(c.dc(), -100, -100);
        cairo_scale(c.dc(), 1.0 / 64, 1.0 / 64);
        Dravik_GdiplusOSD(0, 0, text.c_str(), 20, "DejaVu Sans", kWhite, 0, kWhite,
                          100, 0, 1, c.dc());
        int64_t area = 0;
        for (int y = -100; y < 100; ++y)
            for (int x = -100; x < 100; ++x)
                area += c.at(x, y) & 0xFF;
        return area;
    };
    auto repeat = [](const std::string &s, int n) {
        std::string out;
        while (n-- > 0)
            out += s;
        return out;
    };
    const std::string i510 = repeat("i", 510);
    EXPECT_LT(boxOf(i510 + "W"), boxOf(i510 + "WW"));            // 512 units
    EXPECT_EQ(boxOf(i510 + "WW"), boxOf(i510 + "WWW"));          // cut at 512
    // Characters outside the basic plane are two units each, never split.
    const std::string clef = "\xF0\x9D\x84\x9E";  // U+1D11E
    EXPECT_LT(boxOf(repeat(clef, 255)), boxOf(repeat(clef, 256)));
    EXPECT_EQ(boxOf(repeat(clef, 256)), boxOf(repeat(clef, 300)));
    EXPECT_EQ(boxOf(i510 + "W" + clef), boxOf(i510 + "W"));
}

}  // namespace
