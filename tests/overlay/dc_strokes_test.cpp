// The drawing-context family's strokes, recorded from the shared stroke
// logic: every platform's pen executes these moves and lines.
#include "dc_strokes.h"
#include "x87.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <vector>

namespace {

using dravik::LabelMark;
using dravik::MarkType;
using dravik::PenPoint;

// ---- Strokes, recorded -----------------------------------------------------

// "M x y" for a move, "L x y" for a line.
struct Recorder final : dravik::PenTarget {
    void moveTo(PenPoint p) override { add('M', p); }
    void lineTo(PenPoint p) override { add('L', p); }
    void add(char op, PenPoint p)
    {
        steps.push_back(op + (" " + std::to_string(p.x) + " " + std::to_string(p.y)));
    }
    std::vector<std::string> steps;
};

using Steps = std::vector<std::string>;

Steps record(const std::function<void(Recorder &)> &draw)
{
    Recorder r;
    draw(r);
    return r.steps;
}

TEST(DcStrokes, ShapesMoveAndLineInOrder)
{
    const int32_t square[] = {0, 0, 10, 0, 10, 10};
    struct Row {
        const char *name;
        std::function<void(Recorder &)> draw;
        Steps want;
    } rows[] = {
        {"line", [](Recorder &r) { dravik::strokeLine(r, {1, 2}, {3, 4}); },
         {"M 1 2", "L 3 4"}},
        {"rectangle", [](Recorder &r) { dravik::strokeRectangle(r, {5, 1}, {1, 7}); },
         {"M 5 1", "L 1 1", "L 1 7", "L 5 7", "L 5 1"}},
        {"brackets 0,0 30,60",
         [](Recorder &r) { dravik::strokeBrackets(r, {0, 0}, {30, 60}); },
         {"M 0 0", "L 10 0", "M 20 0", "L 30 0", "L 30 20", "M 30 40", "L 30 60",
          "L 20 60", "M 10 60", "L 0 60", "L 0 40", "M 0 20", "L 0 0"}},
        // Reversed corners: the cut on each corner's side stays on its side.
        {"brackets 30,60 0,0",
         [](Recorder &r) { dravik::strokeBrackets(r, {30, 60}, {0, 0}); },
         {"M 30 60", "L 20 60", "M 10 60", "L 0 60", "L 0 40", "M 0 20", "L 0 0",
          "L 10 0", "M 20 0", "L 30 0", "L 30 20", "M 30 40", "L 30 60"}},
        {"polygon closes", [&](Recorder &r) { dravik::strokePolygon(r, square, 3); },
         {"M 0 0", "L 10 0", "L 10 10", "L 0 0"}},
        {"polygon of two: there and back",
         [&](Recorder &r) { dravik::strokePolygon(r, square, 2); },
         {"M 0 0", "L 10 0", "L 0 0"}},
        {"polygon of none", [&](Recorder &r) { dravik::strokePolygon(r, square, 0); }, {}},
        {"broken line stays open",
         [&](Recorder &r) { dravik::strokeBrokenLine(r, square, 3); },
         {"M 0 0", "L 10 0", "L 10 10"}},
        {"broken line of one point",
         [&](Recorder &r) { dravik::strokeBrokenLine(r, square, 1); }, {}},
    };
    for (const Row &row : rows)
        EXPECT_EQ(record(row.draw), row.want) << row.name;
}

Steps markSteps(const LabelMark &mark)
{
    return record([&](Recorder &r) { dravik::strokeLabelMark(r, mark); });
}

TEST(DcStrokes, LineLabelMarks)
{
    // The edge (0, 0) to (100, 0): middle (50, 0), right-hand end (50, 22).
    EXPECT_EQ(markSteps(dravik::lineLabelMark({0, 0}, {100, 0}, MarkType::Right)),
              (Steps{"M 50 -22", "L 50 22", "L 43 15", "M 50 22", "L 57 15"}));
    EXPECT_EQ(markSteps(dravik::lineLabelMark({0, 0}, {100, 0}, MarkType::Left)),
              (Steps{"M 50 22", "L 50 -22", "L 57 -15", "M 50 -22", "L 43 -15"}));
    EXPECT_EQ(markSteps(dravik::lineLabelMark({0, 0}, {100, 0}, MarkType::Both)),
              (Steps{"M 50 -22", "L 50 22", "L 43 15", "M 50 22", "L 57 15",
                     "M 50 -22", "L 57 -15", "M 50 -22", "L 43 -15"}));
    // Downward edge: the right-hand side is -x; offsets truncate (22 sin 45
    // degrees is 15.56, 10 cos 45 degrees 7.07).
    EXPECT_EQ(markSteps(dravik::lineLabelMark({100, 100}, {100, 200}, MarkType::Right)),
              (Steps{"M 122 150", "L 78 150", "L 85 143", "M 78 150", "L 85 157"}));
    EXPECT_EQ(markSteps(dravik::lineLabelMark({0, 0}, {100, 100}, MarkType::Right)),
              (Steps{"M 65 35", "L 35 65", "L 35 55", "M 35 65", "L 45 65"}));
    // Negative positions give the same mark, shifted.
    EXPECT_EQ(markSteps(dravik::lineLabelMark({-200, -50}, {-100, -50}, MarkType::Right)),
              (Steps{"M -150 -72", "L -150 -28", "L -157 -35", "M -150 -28",
                     "L -143 -35"}));
}

TEST(DcStrokes, RegionMarksPointInOrOutOfTheRegion)
{
    // Clockwise on a y-down screen, first edge along the top, left to right.
    const int32_t clockwise[] = {0, 0, 100, 0, 100, 100, 0, 100};
    // The same square the other way round: first edge along the top, right
    // to left, so the region lies on the edge's left.
    const int32_t counter[] = {100, 0, 0, 0, 0, 100, 100, 100};
    struct Row {
        const int32_t *points;
        MarkType type;
        PenPoint tail, tip;
    } rows[] = {
        {clockwise, MarkType::Right, {50, -22}, {50, 22}},  // down, in
        {clockwise, MarkType::Left, {50, 22}, {50, -22}},   // up, out
        {counter, MarkType::Right, {50, -22}, {50, 22}},    // still in
        {counter, MarkType::Left, {50, 22}, {50, -22}},     // still out
        {clockwise, MarkType::Both, {50, 22}, {50, -22}},   // right to left
    };
    for (const Row &row : rows) {
        const LabelMark mark = dravik::regionLabelMark(row.points, 4, row.type);
        EXPECT_EQ(mark.tail, row.tail) << int(row.type);
        EXPECT_EQ(mark.tip, row.tip) << int(row.type);
        EXPECT_EQ(mark.bothEnds, row.type == MarkType::Both);
    }
    // At the int32 limits the far end of the shaft wraps round, and the
    // distances to it are computed without overflow: the arrow still points
    // into (type 0) or out of (type 1) a region on the edge's right.
    constexpr int32_t kMax = INT32_MAX, kMin = INT32_MIN;
    const int32_t atMax[] = {kMax, 0, kMax, 100, kMax - 100, 100, kMax - 100, 0};
    const int32_t atMin[] = {kMin, 100, kMin, 0, kMin + 100, 0, kMin + 100, 100};
    struct Limit {
        const int32_t *points;
        MarkType type;
        PenPoint tip;
    } limits[] = {
        {atMax, MarkType::Right, {kMax - 22, 50}},
        {atMax, MarkType::Left, {kMin + 21, 50}},
        {atMin, MarkType::Right, {kMin + 22, 50}},
        {atMin, MarkType::Left, {kMax - 21, 50}},
    };
    for (const Limit &row : limits)
        EXPECT_EQ(dravik::regionLabelMark(row.points, 4, row.type).tip, row.tip)
            << row.points[0] << " type " << int(row.type);
    EXPECT_EQ(dravik::lineLabelMark({kMax, 0}, {kMax, 100}, MarkType::Left).tip,
              (PenPoint{kMin + 21, 50}));
    EXPECT_EQ(markSteps(dravik::lineLabelMark({kMin, kMin}, {kMax, kMax}, MarkType::Both))
                  .size(),
              9u);

    // A centroid on the edge itself (a region of two points) is a tie:
    // type 0 points at the right-hand end, type 1 at the left-hand one.
    const int32_t edge[] = {0, 0, 100, 0};
    EXPECT_EQ(dravik::regionLabelMark(edge, 2, MarkType::Right).tip, (PenPoint{50, 22}));
    EXPECT_EQ(dravik::regionLabelMark(edge, 2, MarkType::Left).tip, (PenPoint{50, -22}));
}

// The marks' trigonometry lands on the same pixels on every build and
// whatever the host did to the x87 unit: an FNV-1a digest of every move and
// line of the marks across 100,000 edges (the 64-bit builds' value), each
// of both ends drawn.
class MarkFloatingPoint : public ::testing::TestWithParam<X87Precision::Bits> {};

TEST_P(MarkFloatingPoint, MarksAreTheSameOnEveryBuild)
{
    struct Digest final : dravik::PenTarget {
        void moveTo(PenPoint p) override { add(1, p); }
        void lineTo(PenPoint p) override { add(2, p); }
        void add(uint32_t op, PenPoint p)
        {
            for (const uint32_t v : {op, uint32_t(p.x), uint32_t(p.y)})
                value = (value ^ v) * 0x100000001b3u;
        }
        uint64_t value = 0xcbf29ce484222325u;
    } digest;
    uint32_t seed = 1;  // a fixed sequence, the same with every library
    auto next = [&seed] { return (seed = seed * 1664525u + 1013904223u) >> 8; };
    X87Precision precision(GetParam());
    for (int i = 0; i < 100000; ++i) {
        const int32_t range = i % 2 ? 400 : 40000;
        const PenPoint a{int32_t(next() % range), int32_t(next() % range)};
        const PenPoint b{int32_t(next() % range), int32_t(next() % range)};
        dravik::strokeLabelMark(digest, dravik::lineLabelMark(a, b, MarkType::Both));
    }
    EXPECT_EQ(digest.value, 0xe0d852b0f31c01cbu) << "0x" << std::hex << digest.value;
}

INSTANTIATE_TEST_SUITE_P(HostFpu, MarkFloatingPoint,
                         ::testing::Values(X87Precision::Unchanged,
                                           X87Precision::Bits24));

}  // namespace
