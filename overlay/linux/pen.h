// The solid pen of the drawing-context family on a cairo context.
#pragma once

#include "Dravik.h"
#include "dc_strokes.h"

namespace dravik {

// One solid pen for the length of a call, as a GDI pen selected into a
// device context: made when constructed, its moves and lines stroked
// without antialiasing, and the context's own pen (source, width, caps,
// joins, dash, antialias) back when destroyed, with the current point left
// at the last point drawn to.
class Pen final : public PenTarget {
public:
    Pen(DravikDC dc, uint32_t width, uint32_t colorref);
    ~Pen();
    Pen(const Pen &) = delete;
    Pen &operator=(const Pen &) = delete;

    void moveTo(PenPoint p) override;
    void lineTo(PenPoint p) override;

private:
    DravikDC dc_;
    double offset_;  // puts odd widths on the pixel row, not between two
    PenPoint last_{};
    bool moved_ = false;
};

}  // namespace dravik
