// The drawing-context family on cairo, beyond what dc_canvas_test.cpp checks
// on every platform: round caps, the transform, very wide pens, brackets, the
// context's state around every call and the on-screen text's limits (the
// strokes themselves are in dc_strokes_test.cpp).
#include "dc_text.h"

#include <cairo.h>
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

TEST(DcPen, RoundCapsAndTheContextsTransform)
{
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

TEST(DcPen, BracketsOnTheSurface)
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

// A huge font on a context scaled down is laid out at the size it is drawn
// at: within FreeType's reach it draws, its box covering the canvas from
// the origin, at sizes Pango's own units would wrap too; and every font it
// takes is released (LeakSanitizer, in overlay_dc_sanitized).
TEST_F(DcText, HugeFontsScaledDownDrawAtTheirDeviceSize)
{
    struct Row {
        uint32_t size;
        double scale;
    } rows[] = {
        {65536, 0.01},            // 655 device pixels
        {1u << 20, 0.001},        // 1048
        {1u << 22, 0.001},        // 4194: 2^22 Pango units wrap to 0
        {3u << 21, 0.001},        // 6291
        {0xFFFFFFFFu, 1e-6},      // 4294
    };
    for (const Row &row : rows) {
        Canvas c;
        cairo_scale(c.dc(), row.scale, row.scale);
        EXPECT_EQ(Dravik_GdiplusOSD(0, 0, "Wg 车", row.size, "DejaVu Sans", kRed, 100,
                                    kWhite, 100, 0, 1, c.dc()),
                  DRAVIK_OK)
            << row.size;
        EXPECT_EQ(cairo_status(c.dc()), CAIRO_STATUS_SUCCESS) << row.size;
        EXPECT_TRUE(c.painted(0, 0) && c.painted(99, 99)) << row.size;
        EXPECT_FALSE(c.painted(-1, -1)) << row.size;
    }
}

// Text conversions load and release the converter module every time, but
// what it brought in (libyuv here) stays for the process, even while the
// text engine is stopped: a call without a slot must not load it anew.
TEST_F(DcText, TheConverterIsReleasedItsLibrariesHeld)
{
    auto loaded = [](const std::string &name) {
        void *h = dlopen(name.c_str(), RTLD_NOW | RTLD_NOLOAD);
        if (h)
            dlclose(h);
        return h != nullptr;
    };
    const std::string module = std::string(DRAVIK_OUTPUT_DIR) + "/" + dravik::kConverterModule;
    uint8_t y[64 * 32], u[32 * 16], v[32 * 16];
    DravikFrame frame{{y, u, v, nullptr}, {64, 32, 32, 0}, 64, 32};
    ASSERT_EQ(Dravik_DrawWord(0, 0, 0, 0, 1, 0, "x", 12, 0, "DejaVu Sans", kWhite,
                              &frame, nullptr, 0),
              DRAVIK_OK);
    EXPECT_FALSE(loaded(module));
    EXPECT_TRUE(loaded("libyuv.so.0"));
    Dravik_StopTextEngine();
    EXPECT_TRUE(loaded("libyuv.so.0"));
    Dravik_StartTextEngine();
}

}  // namespace
