#include "dc_strokes.h"

#include <cmath>
#include <utility>

namespace dravik {

namespace {

// Half the shaft and the wing length of a direction mark, in pixels.
constexpr double kHalfShaft = 22.0;
constexpr double kWing = 10.0;
// The wings leave the tip at 45 degrees either side of the shaft.
constexpr double kQuarterPi = 0.785398163375;
constexpr double kThreeQuarterPi = 2.356194490125;

PenPoint pointAt(const int32_t *points, uint32_t i)
{
    return {points[2 * uint64_t{i}], points[2 * uint64_t{i} + 1]};
}

// Positions are computed in 64 bits and truncated toward zero; for
// non-negative coordinates this is exactly the unsigned 32-bit arithmetic
// hosts were written against, and negative ones (on a translated context)
// get the same mark shifted rather than a wrapped one.
int32_t wrap(int64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(v)); }
int32_t truncated(double v) { return static_cast<int32_t>(v); }

// The cut points of one side: lo + q and lo + 2q with q a third of the
// side, `near` the one on a's side.
void cuts(int32_t a, int32_t b, int32_t *near, int32_t *far)
{
    const int64_t lo = a < b ? a : b, hi = a < b ? b : a;
    const int64_t q = static_cast<uint32_t>(hi - lo) / 3;
    *near = static_cast<int32_t>(a < b ? a + q : b + 2 * q);
    *far = static_cast<int32_t>(a < b ? a + 2 * q : b + q);
}

void arrowhead(PenTarget &pen, PenPoint tip, PenPoint base)
{
    const double phi = std::atan2(double(tip.y) - base.y, double(tip.x) - base.x);
    const double alpha = phi - kQuarterPi, beta = kThreeQuarterPi - phi;
    const PenPoint w1{wrap(int64_t{tip.x} - truncated(kWing * std::cos(alpha))),
                      wrap(int64_t{tip.y} - truncated(kWing * std::sin(alpha)))};
    const PenPoint w2{wrap(int64_t{tip.x} + truncated(kWing * std::cos(beta))),
                      wrap(int64_t{tip.y} - truncated(kWing * std::sin(beta)))};
    pen.lineTo(w1);
    pen.moveTo(tip);
    pen.lineTo(w2);
}

// A squared distance between int32 points, exact: each difference is below
// 2^32, so each square fits 64 unsigned bits, and the sum carries into
// `high`.
struct SquaredDistance {
    uint64_t high, low;
    bool operator<(const SquaredDistance &o) const
    {
        return high != o.high ? high < o.high : low < o.low;
    }
};

SquaredDistance squaredDistance(int64_t x, int64_t y, PenPoint p)
{
    auto square = [](int64_t d) {
        const uint64_t m = d < 0 ? uint64_t(-d) : uint64_t(d);
        return m * m;
    };
    const uint64_t a = square(x - p.x), b = square(y - p.y);
    return {a + b < a ? 1u : 0u, a + b};
}

}  // namespace

void strokeLine(PenTarget &pen, PenPoint a, PenPoint b)
{
    pen.moveTo(a);
    pen.lineTo(b);
}

void strokeRectangle(PenTarget &pen, PenPoint a, PenPoint b)
{
    pen.moveTo(a);
    pen.lineTo({b.x, a.y});
    pen.lineTo(b);
    pen.lineTo({a.x, b.y});
    pen.lineTo(a);
}

void strokeBrackets(PenTarget &pen, PenPoint a, PenPoint b)
{
    int32_t xa, xb, ya, yb;
    cuts(a.x, b.x, &xa, &xb);
    cuts(a.y, b.y, &ya, &yb);
    pen.moveTo(a);
    pen.lineTo({xa, a.y});
    pen.moveTo({xb, a.y});
    pen.lineTo({b.x, a.y});
    pen.lineTo({b.x, ya});
    pen.moveTo({b.x, yb});
    pen.lineTo(b);
    pen.lineTo({xb, b.y});
    pen.moveTo({xa, b.y});
    pen.lineTo({a.x, b.y});
    pen.lineTo({a.x, yb});
    pen.moveTo({a.x, ya});
    pen.lineTo(a);
}

void strokePolygon(PenTarget &pen, const int32_t *points, uint32_t count)
{
    if (count == 0)
        return;
    pen.moveTo(pointAt(points, 0));
    for (uint32_t i = 1; i < count; ++i)
        pen.lineTo(pointAt(points, i));
    pen.lineTo(pointAt(points, 0));
}

void strokeBrokenLine(PenTarget &pen, const int32_t *points, uint32_t count)
{
    if (count < 2)
        return;
    pen.moveTo(pointAt(points, 0));
    for (uint32_t i = 1; i < count; ++i)
        pen.lineTo(pointAt(points, i));
}

bool isMarkType(int32_t type) { return type >= 0 && type <= 2; }

namespace {

// The shaft's two ends 22 pixels either side of the edge's middle: right
// and left of a to b on a y-down screen.
struct Shaft {
    PenPoint middle, right, left;
};

Shaft shaftAcross(PenPoint a, PenPoint b)
{
    const int64_t mx = (int64_t{a.x} + b.x) / 2, my = (int64_t{a.y} + b.y) / 2;
    const double theta = std::atan2(double(b.y) - a.y, double(b.x) - a.x);
    const int32_t s = truncated(kHalfShaft * std::sin(theta));
    const int32_t c = truncated(kHalfShaft * std::cos(theta));
    return {{wrap(mx), wrap(my)},
            {wrap(mx - s), wrap(my + c)},
            {wrap(mx + s), wrap(my - c)}};
}

}  // namespace

LabelMark lineLabelMark(PenPoint a, PenPoint b, MarkType type)
{
    const Shaft shaft = shaftAcross(a, b);
    LabelMark mark{shaft.middle, shaft.left, shaft.right, type == MarkType::Both};
    if (type == MarkType::Left)
        std::swap(mark.tail, mark.tip);
    return mark;
}

LabelMark regionLabelMark(const int32_t *points, uint32_t count, MarkType type)
{
    const Shaft shaft = shaftAcross(pointAt(points, 0), pointAt(points, 1));
    LabelMark mark{shaft.middle, shaft.right, shaft.left, type == MarkType::Both};
    if (type == MarkType::Both)
        return mark;
    int64_t sx = 0, sy = 0;
    for (uint32_t i = 0; i < count; ++i) {
        sx += points[2 * uint64_t{i}];
        sy += points[2 * uint64_t{i} + 1];
    }
    const int64_t gx = sx / count, gy = sy / count;
    const SquaredDistance toTail = squaredDistance(gx, gy, mark.tail);
    const SquaredDistance toTip = squaredDistance(gx, gy, mark.tip);
    // Right: tip at the end nearer the centroid (the right-hand one on a
    // tie); Left: at the farther one (the left-hand one on a tie).
    if ((type == MarkType::Right && !(toTip < toTail)) ||
        (type == MarkType::Left && toTip < toTail))
        std::swap(mark.tail, mark.tip);
    return mark;
}

void strokeLabelMark(PenTarget &pen, const LabelMark &mark)
{
    pen.moveTo(mark.tail);
    pen.lineTo(mark.tip);
    arrowhead(pen, mark.tip, mark.middle);
    if (mark.bothEnds) {
        pen.moveTo(mark.tail);
        arrowhead(pen, mark.tail, mark.middle);
    }
}

}  // namespace dravik
