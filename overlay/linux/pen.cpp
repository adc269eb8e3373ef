// The drawing-context family's pen on cairo.
#include "pen.h"

#include "cairo_text.h"

#include <new>

namespace dravik {

namespace {

// Pens wider than this many device pixels are drawn this wide, which still
// covers any surface they pass: cairo's coordinates end 2^23 pixels either
// side of the origin, a pen reaching out farther drew nothing at all, and
// far wider ones made cairo run out of memory, a failure it then keeps on
// the host's context for good.
constexpr double kMaxDeviceWidth = 1 << 23;

// The pen width in the context's user space.
double userWidth(cairo_t *cr, uint32_t width)
{
    const double w = width == 0 ? 1.0 : static_cast<double>(width);
    const double scale = deviceScale(cr);
    return scale > 0 && w * scale > kMaxDeviceWidth ? kMaxDeviceWidth / scale : w;
}

}  // namespace

struct Pen::Native {
    cairo_t *cr;
    double offset;  // puts odd widths on the pixel row, not between two
    PenPoint last{};
    bool moved = false;
};

Pen::Pen(DravikDC cr, uint32_t width, uint32_t colorref)
{
    // Without antialiasing an odd width centred on a pixel edge would paint
    // the row above: half a pixel in puts it on the row the number names.
    native_.reset(new (std::nothrow)
                      Native{cr, width % 2 == 0 && width != 0 ? 0.0 : 0.5});
    if (!native_)
        return;
    const double w = userWidth(cr, width);
    cairo_save(cr);
    // Whatever path the host had is not ours to stroke.
    cairo_new_path(cr);
    setSourceRgb(cr, colorref);
    cairo_set_line_width(cr, w);
    const bool round = width > 1;
    cairo_set_line_cap(cr, round ? CAIRO_LINE_CAP_ROUND : CAIRO_LINE_CAP_BUTT);
    cairo_set_line_join(cr, round ? CAIRO_LINE_JOIN_ROUND : CAIRO_LINE_JOIN_MITER);
    cairo_set_dash(cr, nullptr, 0, 0);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
}

Pen::~Pen()
{
    if (!native_)
        return;
    const Native &n = *native_;
    cairo_stroke(n.cr);
    cairo_restore(n.cr);
    // The stroke used up the path; the current point is the last one drawn
    // to, where the host's next line from the current point starts.
    if (n.moved)
        cairo_move_to(n.cr, n.last.x, n.last.y);
}

void Pen::moveTo(PenPoint p)
{
    if (!native_)
        return;
    cairo_move_to(native_->cr, p.x + native_->offset, p.y + native_->offset);
    native_->last = p;
    native_->moved = true;
}

void Pen::lineTo(PenPoint p)
{
    if (!native_)
        return;
    cairo_line_to(native_->cr, p.x + native_->offset, p.y + native_->offset);
    native_->last = p;
    native_->moved = true;
}

}  // namespace dravik
