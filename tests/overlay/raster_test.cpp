// The frame shape calls against the per-sample reference, and the cases
// whose pixels are known by hand.
#include "Dravik.h"
#include "reference.h"
#include "test_frame.h"
#include "x87.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace {

constexpr uint32_t kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000;
constexpr uint32_t kWhite = 0xFFFFFF;
const reference::Yuv white = reference::colour(kWhite);
const uint8_t kWhiteY = uint8_t(white.y);

// Random geometry: odd and even sizes, padded and bottom-up strides.
TestFrame randomFrame(std::mt19937 &rng)
{
    std::uniform_int_distribution<int> size(1, 67), pad(0, 5), coin(0, 3);
    return TestFrame(size(rng), size(rng), pad(rng), coin(rng) == 0,
                     uint32_t(rng()));
}

float randomFraction(std::mt19937 &rng)
{
    // Mostly inside the frame, a fair share outside it on every side.
    return std::uniform_real_distribution<float>(-0.4f, 1.4f)(rng);
}

TEST(FrameShapes, LinesMatchTheReference)
{
    std::mt19937 rng(20240601);
    for (int i = 0; i < 4000; ++i) {
        TestFrame got = randomFrame(rng);
        TestFrame want = got;
        const float x1 = randomFraction(rng), y1 = randomFraction(rng);
        float x2 = randomFraction(rng), y2 = randomFraction(rng);
        if (i % 8 == 0)
            x2 = x1;  // vertical
        if (i % 8 == 1)
            y2 = y1;  // horizontal
        const uint32_t t = rng() % 10, colour = rng();
        ASSERT_EQ(Dravik_DrawLine(x1, y1, x2, y2, t, colour, &got.frame, 0),
                  DRAVIK_OK);
        reference::line(want, x1, y1, x2, y2, t, colour);
        ASSERT_EQ(got.diff(want), 0u)
            << "line " << x1 << "," << y1 << " to " << x2 << "," << y2
            << " t " << t << " on " << got.width << "x" << got.height;
    }
}

TEST(FrameShapes, RectanglesMatchTheReference)
{
    std::mt19937 rng(7);
    for (int i = 0; i < 3000; ++i) {
        TestFrame got = randomFrame(rng);
        TestFrame want = got;
        const float x1 = randomFraction(rng), y1 = randomFraction(rng);
        const float x2 = randomFraction(rng), y2 = randomFraction(rng);
        const uint32_t t = rng() % 10, colour = rng();
        const int32_t fill = int32_t(rng() % 3);
        ASSERT_EQ(Dravik_DrawRectangle(x1, y1, x2, y2, t, colour, 0, fill,
                                       &got.frame, 0),
                  DRAVIK_OK);
        reference::rectangle(want, x1, y1, x2, y2, t, colour, fill);
        ASSERT_EQ(got.diff(want), 0u)
            << "rectangle " << x1 << "," << y1 << " to " << x2 << "," << y2
            << " t " << t << " fill " << fill;
    }
}

TEST(FrameShapes, PolygonsMatchTheReference)
{
    std::mt19937 rng(99);
    for (int i = 0; i < 2000; ++i) {
        TestFrame got = randomFrame(rng);
        TestFrame want = got;
        std::vector<float> points(2 * (rng() % 7));
        for (float &p : points)
            p = randomFraction(rng);
        const uint32_t t = rng() % 8, colour = rng();
        ASSERT_EQ(Dravik_DrawPloygon(uint32_t(points.size() / 2), points.data(),
                                     t, colour, 0, 0, &got.frame, 0),
                  DRAVIK_OK);
        reference::polygon(want, points, t, colour);
        ASSERT_EQ(got.diff(want), 0u) << points.size() / 2 << " points";
    }
}

// Columns of row r whose luma was set to `value`, as [first, last].
std::pair<int, int> lumaSpan(TestFrame &f, int r, uint8_t value)
{
    int first = -1, last = -1;
    for (int c = 0; c < f.width; ++c)
        if (f.y(r, c) == value) {
            if (first < 0)
                first = c;
            last = c;
        }
    return {first, last};
}

// Colours and positions come out the same on every build, whatever the
// host did to the x87 unit (the 32-bit DLL must not compute in it).
class FloatingPoint : public ::testing::TestWithParam<X87Precision::Bits> {
protected:
    X87Precision precision{GetParam()};
};

TEST_P(FloatingPoint, ColoursTruncateFullRangeBt601)
{
    struct Case {
        uint32_t colorref;
        int y, u, v;
    } cases[] = {{kRed, 76, 84, 255},
                 {kGreen, 149, 43, 21},
                 {kBlue, 29, 255, 107},
                 {0, 0, 128, 128},
                 {kWhite, 255, 128, 128},
                 {0x808080, 127, 128, 128},  // Y is 127.99999999999999
                 {0xFF000000u, 0, 128, 128}};  // top byte not read
    for (const Case &c : cases) {
        TestFrame f(8, 8);
        Dravik_DrawRectangle(0, 0, 0.5f, 0.5f, 2, c.colorref, 0, 0, &f.frame, 0);
        EXPECT_EQ(f.y(0, 0), c.y) << std::hex << c.colorref;
        EXPECT_EQ(f.u(0, 0), c.u) << std::hex << c.colorref;
        EXPECT_EQ(f.v(0, 0), c.v) << std::hex << c.colorref;
    }
}

// Every colour (a sample of them at 24-bit precision) as a line draws it on
// a 2 x 2 frame, against the formula in double precision and, for all
// 2^24 colours, against the 64-bit builds' FNV-1a digest of every Y, U and
// V, Linux's and Windows' alike.
TEST_P(FloatingPoint, EveryColourConvertsAsOnEveryBuild)
{
    constexpr uint64_t kDigest = 0x62fb9d8f420d6846u;
    const bool all = GetParam() == X87Precision::Unchanged;
    uint8_t y[4], u[1], v[1];
    DravikFrame frame{{y, u, v, nullptr}, {2, 1, 1, 0}, 2, 2};
    uint64_t digest = 0xcbf29ce484222325u;
    uint32_t wrong = 0, firstWrong = 0;
    for (uint32_t c = 0; c < (1u << 24); c += all ? 1 : 4099) {
        ASSERT_EQ(Dravik_DrawLine(0, 0, 1, 0, 1, c, &frame, 0), DRAVIK_OK);
        for (const uint8_t sample : {y[0], u[0], v[0]})
            digest = (digest ^ sample) * 0x100000001b3u;
        const reference::Yuv want = reference::colour(c);
        if (y[0] != want.y || u[0] != want.u || v[0] != want.v)
            firstWrong = wrong++ == 0 ? c : firstWrong;
    }
    EXPECT_EQ(wrong, 0u) << "first 0x" << std::hex << firstWrong;
    if (all) {
        EXPECT_EQ(digest, kDigest) << "0x" << std::hex << digest;
    }
}

TEST_P(FloatingPoint, PositionsTruncateInDoublePrecision)
{
    // 0.7f is 0.69999999: 55.9999 of 80, column 55 (a float product, or one
    // at 24-bit precision, would round to 56).
    TestFrame f(80, 4);
    for (int c = 0; c < 80; ++c)
        f.y(0, c) = 0;
    Dravik_DrawLine(0.7f, 0, 0.7f, 0.25f, 1, kWhite, &f.frame, 0);
    EXPECT_EQ(lumaSpan(f, 0, kWhiteY), std::make_pair(55, 55));
}

INSTANTIATE_TEST_SUITE_P(HostFpu, FloatingPoint,
                         ::testing::Values(X87Precision::Unchanged,
                                           X87Precision::Bits24));

TEST(FrameShapes, StraightLinesCoverTheirRowsAndColumns)
{
    struct Case {
        float x1, y1, x2, y2;
        uint32_t t;
        int firstRow, lastRow, firstColumn, lastColumn;
    } cases[] = {
        // Horizontal: t rows down, column x2 itself not covered.
        {0.10f, 0.20f, 0.30f, 0.20f, 3, 20, 22, 10, 29},
        // Vertical: t columns right, on for t rows past the lower end.
        {0.10f, 0.20f, 0.10f, 0.30f, 2, 20, 31, 10, 11},
    };
    for (const Case &k : cases) {
        TestFrame f(100, 100);
        for (int r = 0; r < 100; ++r)
            for (int c = 0; c < 100; ++c)
                f.y(r, c) = 0;
        Dravik_DrawLine(k.x1, k.y1, k.x2, k.y2, k.t, kWhite, &f.frame, 0);
        for (int r = 0; r < 100; ++r) {
            const auto span = lumaSpan(f, r, kWhiteY);
            if (r >= k.firstRow && r <= k.lastRow)
                EXPECT_EQ(span, std::make_pair(k.firstColumn, k.lastColumn))
                    << "row " << r;
            else
                EXPECT_EQ(span.first, -1) << "row " << r;
        }
    }
}

TEST(FrameShapes, FillSwitchStripesOnlyWhenExactlyOne)
{
    for (int32_t fill : {1, 2, 0, -1}) {
        TestFrame f(40, 40);
        TestFrame before = f;
        Dravik_DrawRectangle(0.25f, 0.25f, 0.75f, 0.75f, 2, kWhite, 0, fill,
                             &f.frame, 0);
        // Inside: rows 12..29, columns 12..29.
        for (int r = 12; r < 30; ++r)
            for (int c = 12; c < 30; ++c) {
                const bool painted = fill == 1 && r % 2 == 0;
                EXPECT_EQ(f.y(r, c), painted ? kWhiteY : before.y(r, c))
                    << "fill " << fill << " at " << r << "," << c;
            }
        if (fill == 1)
            EXPECT_EQ(f.u(7, 7), white.u);  // chroma of the whole inside
        else
            EXPECT_EQ(f.u(7, 7), before.u(7, 7));
    }
}

TEST(FrameShapes, PolygonsOfOneAndTwoPoints)
{
    TestFrame f(50, 50);
    TestFrame before = f;
    const float one[] = {0.5f, 0.5f};
    EXPECT_EQ(Dravik_DrawPloygon(1, one, 3, kWhite, 0, 0, &f.frame, 0), DRAVIK_OK);
    EXPECT_EQ(f.diff(before), 0u);

    const float two[] = {0.1f, 0.1f, 0.9f, 0.5f};
    TestFrame twice = before;
    EXPECT_EQ(Dravik_DrawPloygon(2, two, 3, kWhite, 0, 0, &f.frame, 0), DRAVIK_OK);
    Dravik_DrawLine(0.1f, 0.1f, 0.9f, 0.5f, 3, kWhite, &twice.frame, 0);
    Dravik_DrawLine(0.9f, 0.5f, 0.1f, 0.1f, 3, kWhite, &twice.frame, 0);
    EXPECT_EQ(f.diff(twice), 0u);
    EXPECT_NE(f.diff(before), 0u);
}

TEST(FrameShapes, NothingIsDrawnForDegenerateShapes)
{
    TestFrame f(30, 30);
    TestFrame before = f;
    Dravik_DrawLine(0.5f, 0.5f, 0.51f, 0.51f, 4, kWhite, &f.frame, 0);  // one pixel
    Dravik_DrawLine(0.1f, 0.1f, 0.9f, 0.3f, 0, kWhite, &f.frame, 0);
    Dravik_DrawLine(0.1f, 0.1f, 0.3f, 0.9f, 0, kWhite, &f.frame, 0);
    Dravik_DrawPloygon(0, nullptr, 3, kWhite, 0, 0, &f.frame, 0);
    EXPECT_EQ(f.diff(before), 0u);
}

TEST(FrameShapes, ThickShapesStopAtTheLastRow)
{
    TestFrame f(64, 48);
    TestFrame want = f;
    Dravik_DrawRectangle(0.1f, 0.5f, 0.9f, 0.95f, 40, kRed, 0, 1, &f.frame, 0);
    Dravik_DrawLine(0.0f, 0.8f, 1.0f, 0.9f, 1000, kBlue, &f.frame, 0);
    Dravik_DrawLine(0.2f, 0.9f, 0.2f, 0.99f, 1000, kGreen, &f.frame, 0);
    reference::rectangle(want, 0.1f, 0.5f, 0.9f, 0.95f, 40, kRed, 1);
    reference::line(want, 0.0f, 0.8f, 1.0f, 0.9f, 1000, kBlue);
    reference::line(want, 0.2f, 0.9f, 0.2f, 0.99f, 1000, kGreen);
    EXPECT_EQ(f.diff(want), 0u);
    EXPECT_EQ(f.y(47, 12), 149);  // the vertical line reaches the last row
}

TEST(FrameShapes, RunsAreCutAtEveryEdge)
{
    // Right side of a rectangle at x = 1.0, huge thickness, far-away ends:
    // the guards and row padding stay as they were.
    TestFrame f(33, 17, 3);
    TestFrame want = f;
    Dravik_DrawRectangle(0.5f, 0.5f, 1.0f, 1.0f, 4000000000u, kWhite, 0, 1,
                         &f.frame, 0);
    Dravik_DrawLine(-5.0f, -3.0f, 6.0f, 4.0f, 7, kRed, &f.frame, 0);
    Dravik_DrawLine(1e30f, -1e30f, -1e30f, 1e30f, 3, kBlue, &f.frame, 0);
    Dravik_DrawLine(-std::numeric_limits<float>::infinity(), 0.5f,
                    std::numeric_limits<float>::infinity(), 0.5f, 2, kGreen,
                    &f.frame, 0);
    // Any thickness beyond the frame's size draws the same.
    reference::rectangle(want, 0.5f, 0.5f, 1.0f, 1.0f, 100, kWhite, 1);
    reference::line(want, -5.0f, -3.0f, 6.0f, 4.0f, 7, kRed);
    // A line beyond eight frame sizes is drawn as if its ends were pulled in
    // to that distance; on screen both cross the whole frame.
    reference::line(want, 9.0f, -8.0f, -8.0f, 9.0f, 3, kBlue);
    reference::line(want, -8.0f, 0.5f, 9.0f, 0.5f, 2, kGreen);
    EXPECT_EQ(f.diff(want), 0u);
}

TEST(FrameShapes, InvalidArgumentsAreRefusedAndTouchNothing)
{
    TestFrame f(20, 20);
    TestFrame before = f;
    const float nanPoint[] = {0.1f, 0.1f, std::nanf(""), 0.5f, 0.9f, 0.9f};
    EXPECT_EQ(Dravik_DrawLine(0, 0, 1, 1, 1, 0, nullptr, 0), DRAVIK_E_PARAM);
    EXPECT_EQ(Dravik_DrawRectangle(0, 0, 1, 1, 1, 0, 0, 1, nullptr, 0),
              DRAVIK_E_PARAM);
    EXPECT_EQ(Dravik_DrawPloygon(2, nanPoint, 1, 0, 0, 0, nullptr, 0),
              DRAVIK_E_PARAM);
    EXPECT_EQ(Dravik_DrawPloygon(3, nullptr, 1, 0, 0, 0, &f.frame, 0),
              DRAVIK_E_PARAM);
    EXPECT_EQ(Dravik_DrawPloygon(3, nanPoint, 1, 0, 0, 0, &f.frame, 0),
              DRAVIK_E_PARAM);
    EXPECT_EQ(Dravik_DrawLine(std::nanf(""), 0, 1, 1, 1, 0, &f.frame, 0),
              DRAVIK_E_PARAM);
    EXPECT_EQ(f.diff(before), 0u);

    DravikFrame bad = f.frame;
    bad.stride[0] = 19;  // rows would overlap
    EXPECT_EQ(Dravik_DrawLine(0, 0, 1, 1, 1, 0, &bad, 0), DRAVIK_E_PARAM);
    bad = f.frame;
    bad.stride[2] = -9;
    EXPECT_EQ(Dravik_DrawRectangle(0, 0, 1, 1, 1, 0, 0, 1, &bad, 0),
              DRAVIK_E_PARAM);
    bad = f.frame;
    bad.plane[1] = nullptr;
    EXPECT_EQ(Dravik_DrawLine(0, 0, 1, 1, 1, 0, &bad, 0), DRAVIK_E_PARAM);
    EXPECT_EQ(f.diff(before), 0u);

    // An empty frame needs no planes: nothing to draw, success.
    DravikFrame empty{};
    empty.width = 0;
    empty.height = 10;
    EXPECT_EQ(Dravik_DrawLine(0, 0, 1, 1, 1, 0, &empty, 0), DRAVIK_OK);
    empty.width = -4;
    EXPECT_EQ(Dravik_DrawPloygon(2, nanPoint + 4, 1, 0, 0, 0, &empty, 0),
              DRAVIK_OK);
}

}  // namespace
