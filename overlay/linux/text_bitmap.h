// The bitmap a word context's text is drawn on: a cairo image surface.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <memory>

namespace dravik {

class TextBitmap {
public:
    TextBitmap() = default;
    TextBitmap(const TextBitmap &) = delete;
    TextBitmap &operator=(const TextBitmap &) = delete;
    ~TextBitmap() { release(); }

    // A width x height bitmap in place of any earlier one. Returns
    // DRAVIK_OK, DRAVIK_E_NOMEM or DRAVIK_E_BITMAP (nothing is kept then).
    int create(int width, int height);
    void release();

    // What TextLayout::draw draws on.
    cairo_t *graphics() const { return graphics_; }
    // The drawn image as the converter takes it: width * 3 bytes a row of
    // B, G, R, bottom row first.
    const uint8_t *bgr();

private:
    cairo_surface_t *surface_ = nullptr;
    cairo_t *graphics_ = nullptr;
    std::unique_ptr<uint8_t[]> pixels_;
    int width_ = 0, height_ = 0;
};

}  // namespace dravik
