#include "text_bitmap.h"

#include "Dravik.h"

#include <new>

namespace dravik {

int TextBitmap::create(int width, int height)
{
    release();
    pixels_.reset(new (std::nothrow) uint8_t[int64_t{width} * height * 3]);
    if (!pixels_)
        return DRAVIK_E_NOMEM;
    surface_ = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    if (cairo_surface_status(surface_) != CAIRO_STATUS_SUCCESS) {
        release();
        return DRAVIK_E_BITMAP;
    }
    graphics_ = cairo_create(surface_);
    if (cairo_status(graphics_) != CAIRO_STATUS_SUCCESS) {
        release();
        return DRAVIK_E_NOMEM;
    }
    width_ = width;
    height_ = height;
    return DRAVIK_OK;
}

void TextBitmap::release()
{
    if (graphics_)
        cairo_destroy(graphics_);
    if (surface_)
        cairo_surface_destroy(surface_);
    graphics_ = nullptr;
    surface_ = nullptr;
    pixels_.reset();
    width_ = height_ = 0;
}

const uint8_t *TextBitmap::bgr()
{
    cairo_surface_flush(surface_);
    const uint8_t *data = cairo_image_surface_get_data(surface_);
    const int stride = cairo_image_surface_get_stride(surface_);
    // RGB24 keeps native-endian xRGB words; the converter wants B, G, R
    // bytes, bottom row first.
    for (int r = 0; r < height_; ++r) {
        const auto *src =
            reinterpret_cast<const uint32_t *>(data + int64_t{r} * stride);
        uint8_t *dst = pixels_.get() + int64_t{height_ - 1 - r} * width_ * 3;
        for (int c = 0; c < width_; ++c) {
            dst[3 * c] = src[c] & 0xFF;
            dst[3 * c + 1] = (src[c] >> 8) & 0xFF;
            dst[3 * c + 2] = (src[c] >> 16) & 0xFF;
        }
    }
    return pixels_.get();
}

}  // namespace dravik
