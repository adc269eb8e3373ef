// The drawing-context family on GDI and GDI+, beyond what dc_canvas_test.cpp
// checks on every platform: the pen's caps and line ends on a memory DC over
// a DIB section, the HDC's pen and current position around every call, the
// text engine's cut and the converter released after each conversion.
#include "dc_text.h"
#include "test_module.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

TEST(GdiPen, RoundCapsPastTheEnds)
{
    Canvas c;  // five pixels wide
    Dravik_GdiplusDrawLine(-20, 40, 20, 40, 5, kWhite, 0, 0, 0, c.dc());
    EXPECT_TRUE(c.painted(0, 38) && c.painted(0, 42));
    EXPECT_FALSE(c.painted(0, 36) || c.painted(0, 44));
    EXPECT_TRUE(c.painted(21, 40));
    EXPECT_FALSE(c.painted(23, 38));
}

TEST(GdiPen, BracketsOnTheBitmap)
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

TEST_F(DcText, TheConverterIsLoadedForEachConversionOnly)
{
    const std::string module = std::string(DRAVIK_OUTPUT_DIR) + "/" + dravik::kConverterModule;
    uint8_t y[64 * 32], u[32 * 16], v[32 * 16];
    DravikFrame frame{{y, u, v, nullptr}, {64, 32, 32, 0}, 64, 32};
    ASSERT_EQ(Dravik_DrawWord(0, 0, 0, 0, 1, 0, "x", 12, 0, "DejaVu Sans", kWhite,
                              &frame, nullptr, 0),
              DRAVIK_OK);
    EXPECT_FALSE(TestModule::loaded(module));
}

}  // namespace
