// The solid pen of the drawing-context family: a GDI pen on the HDC.
#pragma once

#include "Dravik.h"
#include "dc_strokes.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace dravik {

// One solid pen for the length of a call: made (CreatePen, PS_SOLID) and
// selected into the HDC when constructed, moves and lines drawn with
// MoveToEx and LineTo, and when destroyed the HDC's own pen selected back
// and ours deleted. GDI leaves the current position at the last point drawn
// to. A pen that cannot be made draws nothing.
class Pen final : public PenTarget {
public:
    Pen(DravikDC dc, uint32_t width, uint32_t colorref);
    ~Pen();
    Pen(const Pen &) = delete;
    Pen &operator=(const Pen &) = delete;

    void moveTo(PenPoint p) override;
    void lineTo(PenPoint p) override;

private:
    HDC dc_;
    HPEN pen_;
    HGDIOBJ previous_ = nullptr;
};

}  // namespace dravik
