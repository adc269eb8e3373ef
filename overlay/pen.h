// The drawing-context family's solid pen, one contract for every platform:
// cairo on Linux, a GDI pen on Windows.
#pragma once

#include "Dravik.h"
#include "dc_strokes.h"

#include <cstdint>
#include <memory>

namespace dravik {

// One solid pen of `width` pixels and a COLORREF for the length of a call,
// as a GDI pen selected into a device context: made when constructed, its
// moves and lines drawn with the context's own transform and without
// antialiasing, and the context's own pen back when destroyed, with the
// current point left at the last point drawn to. A pen that cannot be made
// draws nothing.
class Pen final : public PenTarget {
public:
    Pen(DravikDC dc, uint32_t width, uint32_t colorref);
    ~Pen();
    Pen(const Pen &) = delete;
    Pen &operator=(const Pen &) = delete;

    void moveTo(PenPoint p) override;
    void lineTo(PenPoint p) override;

    struct Native;

private:
    std::unique_ptr<Native> native_;
};

}  // namespace dravik
