// What the Linux platform files share: the text layout as Pango holds it,
// and cairo helpers for colours and the context's scale.
#pragma once

#include "colour.h"
#include "text_engine.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace dravik {

struct TextLayout::Native {
    PangoLayout *layout;
    ~Native()
    {
        if (layout)
            g_object_unref(layout);
    }
};

inline void setSourceRgb(cairo_t *cr, uint32_t colorref)
{
    const Rgb c = rgbOf(colorref);
    cairo_set_source_rgb(cr, c.r / 255.0, c.g / 255.0, c.b / 255.0);
}

inline void setSourceArgb(cairo_t *cr, uint32_t argb)
{
    cairo_set_source_rgba(cr, ((argb >> 16) & 0xFF) / 255.0,
                          ((argb >> 8) & 0xFF) / 255.0, (argb & 0xFF) / 255.0,
                          (argb >> 24) / 255.0);
}

// How many device pixels one unit of the context's user space is at most:
// the larger scale of its transform.
inline double deviceScale(cairo_t *cr)
{
    cairo_matrix_t m;
    cairo_get_matrix(cr, &m);
    return std::max(std::hypot(m.xx, m.yx), std::hypot(m.xy, m.yy));
}

// Draws the text with the context's source, its layout origin at (x, y).
inline void showLayout(cairo_t *cr, const TextLayout &layout, double x, double y)
{
    if (!layout.valid())
        return;
    cairo_move_to(cr, x, y);
    pango_cairo_show_layout(cr, layout.native().layout);
}

}  // namespace dravik
