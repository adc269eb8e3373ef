// The drawing-context family's strokes, platform-free: each shape as the
// sequence of pen moves and lines that draws it. The platform's pen (pen.h
// in the platform folder) only executes them.
#pragma once

#include <cstdint>

namespace dravik {

struct PenPoint {
    int32_t x, y;
    bool operator==(const PenPoint &o) const { return x == o.x && y == o.y; }
};

// Where strokes go: moveTo sets the current point, lineTo draws from it to
// a point, which becomes current.
class PenTarget {
public:
    virtual void moveTo(PenPoint p) = 0;
    virtual void lineTo(PenPoint p) = 0;

protected:
    ~PenTarget() = default;
};

void strokeLine(PenTarget &pen, PenPoint a, PenPoint b);
// From a through (b.x, a.y), b and (a.x, b.y) back to a.
void strokeRectangle(PenTarget &pen, PenPoint a, PenPoint b);
// Corner brackets: every side without its middle third.
void strokeBrackets(PenTarget &pen, PenPoint a, PenPoint b);
// `points` holds count (x, y) pairs. Closed: back to the first point at the
// end; count 0 draws nothing.
void strokePolygon(PenTarget &pen, const int32_t *points, uint32_t count);
// Open; count below 2 draws nothing.
void strokeBrokenLine(PenTarget &pen, const int32_t *points, uint32_t count);

enum class MarkType : int32_t { Right = 0, Left = 1, Both = 2 };
bool isMarkType(int32_t type);

// A direction mark: a shaft from tail to tip square to an edge through the
// edge's middle, an arrowhead at the tip and, for both-ended marks, one at
// the tail.
struct LabelMark {
    PenPoint middle, tail, tip;
    bool bothEnds = false;
};

// The mark across the edge a to b: type Right points to the right-hand side
// of a to b on a y-down screen, Left to the left, Both both ways.
LabelMark lineLabelMark(PenPoint a, PenPoint b, MarkType type);
// The mark on the first edge (point 0 to point 1) of a region of count >= 2
// points: Right points into the region (at the shaft end nearer the
// centroid; on a tie the right-hand end), Left out of it.
LabelMark regionLabelMark(const int32_t *points, uint32_t count, MarkType type);
void strokeLabelMark(PenTarget &pen, const LabelMark &mark);

}  // namespace dravik
