// What the drawing-context tests draw on here: a black 200 x 200 cairo
// image surface whose context is translated by (origin, origin), so that
// with the default 100 user positions -100 .. 99 show.
#pragma once

#include <cairo.h>

#include <cstdint>

class Canvas {
public:
    explicit Canvas(int origin = 100)
        : origin_(origin),
          surface_(cairo_image_surface_create(CAIRO_FORMAT_RGB24, 200, 200)),
          cr_(cairo_create(surface_))
    {
        cairo_set_source_rgb(cr_, 0, 0, 0);
        cairo_paint(cr_);
        cairo_translate(cr_, origin, origin);
    }
    ~Canvas()
    {
        cairo_destroy(cr_);
        cairo_surface_destroy(surface_);
    }
    Canvas(const Canvas &) = delete;
    Canvas &operator=(const Canvas &) = delete;
    cairo_t *dc() const { return cr_; }

    // The 0xRRGGBB at user position (x, y).
    uint32_t at(int x, int y) const
    {
        cairo_surface_flush(surface_);
        const uint8_t *row = cairo_image_surface_get_data(surface_) +
                             (y + origin_) * cairo_image_surface_get_stride(surface_);
        return reinterpret_cast<const uint32_t *>(row)[x + origin_] & 0xFFFFFF;
    }
    bool painted(int x, int y) const { return at(x, y) != 0; }
    int paintedCount() const
    {
        int n = 0;
        for (int y = -origin_; y < 200 - origin_; ++y)
            for (int x = -origin_; x < 200 - origin_; ++x)
                n += painted(x, y);
        return n;
    }

private:
    int origin_;
    cairo_surface_t *surface_;
    cairo_t *cr_;
};
