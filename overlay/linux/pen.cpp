// The drawing-context family's pen on cairo.
#include "pen.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

namespace dravik {

namespace {

// Pens wider than this many device pixels are drawn this wide, which still
// covers any surface they pass: cairo's coordinates end 2^23 pixels either
// side of the origin, a pen reaching out farther drew nothing at all, and
// far wider ones made cairo run out of memory, a failure it then keeps on
// the host's context for good.
constexpr double kMaxDeviceWidth = 1 << 23;

// The pen width in the context's user space.
double userWidth(DravikDC dc, uint32_t width)
{
    const double w = width == 0 ? 1.0 : static_cast<double>(width);
    cairo_matrix_t m;
    cairo_get_matrix(dc, &m);
    const double scale = std::max(std::hypot(m.xx, m.yx), std::hypot(m.xy, m.yy));
    return scale > 0 && w * scale > kMaxDeviceWidth ? kMaxDeviceWidth / scale : w;
}

}  // namespace

Pen::Pen(DravikDC dc, uint32_t width, uint32_t colorref) : dc_(dc)
{
    const double w = userWidth(dc, width);
    // Without antialiasing an odd width centred on a pixel edge would paint
    // the row above: half a pixel in puts it on the row the number names.
    offset_ = width % 2 == 0 && width != 0 ? 0.0 : 0.5;
    cairo_save(dc_);
    // Whatever path the host had is not ours to stroke.
    cairo_new_path(dc_);
    cairo_set_source_rgb(dc_, (colorref & 0xFF) / 255.0,
                         ((colorref >> 8) & 0xFF) / 255.0,
                         ((colorref >> 16) & 0xFF) / 255.0);
    cairo_set_line_width(dc_, w);
    const bool round = width > 1;
    cairo_set_line_cap(dc_, round ? CAIRO_LINE_CAP_ROUND : CAIRO_LINE_CAP_BUTT);
    cairo_set_line_join(dc_, round ? CAIRO_LINE_JOIN_ROUND : CAIRO_LINE_JOIN_MITER);
    cairo_set_dash(dc_, nullptr, 0, 0);
    cairo_set_antialias(dc_, CAIRO_ANTIALIAS_NONE);
}

Pen::~Pen()
{
    cairo_stroke(dc_);
    cairo_restore(dc_);
    // The stroke used up the path; the current point is the last one drawn
    // to, where the host's next line from the current point starts.
    if (moved_)
        cairo_move_to(dc_, last_.x, last_.y);
}

void Pen::moveTo(PenPoint p)
{
    cairo_move_to(dc_, p.x + offset_, p.y + offset_);
    last_ = p;
    moved_ = true;
}

void Pen::lineTo(PenPoint p)
{
    cairo_line_to(dc_, p.x + offset_, p.y + offset_);
    last_ = p;
    moved_ = true;
}

}  // namespace dravik
