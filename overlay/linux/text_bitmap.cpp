// The word surface's bitmap on Linux: a cairo image surface.
#include "text_bitmap.h"

#include "Dravik.h"
#include "cairo_text.h"

#include <new>

namespace dravik {

struct TextBitmap::Native {
    cairo_surface_t *surface = nullptr;
    cairo_t *graphics = nullptr;
    std::unique_ptr<uint8_t[]> pixels;  // the converter's copy
    int width = 0, height = 0;

    ~Native()
    {
        if (graphics)
            cairo_destroy(graphics);
        if (surface)
            cairo_surface_destroy(surface);
    }
};

TextBitmap::TextBitmap() = default;
TextBitmap::~TextBitmap() = default;

int TextBitmap::create(int width, int height)
{
    release();
    native_.reset(new (std::nothrow) Native);
    if (!native_)
        return DRAVIK_E_NOMEM;
    Native &n = *native_;
    n.pixels.reset(new (std::nothrow) uint8_t[int64_t{width} * height * 3]);
    if (!n.pixels) {
        release();
        return DRAVIK_E_NOMEM;
    }
    n.surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    if (cairo_surface_status(n.surface) != CAIRO_STATUS_SUCCESS) {
        release();
        return DRAVIK_E_BITMAP;
    }
    n.graphics = cairo_create(n.surface);
    if (cairo_status(n.graphics) != CAIRO_STATUS_SUCCESS) {
        release();
        return DRAVIK_E_NOMEM;
    }
    n.width = width;
    n.height = height;
    return DRAVIK_OK;
}

void TextBitmap::release() { native_.reset(); }

void TextBitmap::draw(const TextLayout &layout, uint32_t backColor,
                      uint32_t textColor)
{
    if (!native_)
        return;
    cairo_t *cr = native_->graphics;
    setSourceRgb(cr, backColor);
    cairo_rectangle(cr, 0, 0, layout.width(), layout.height());
    cairo_fill(cr);
    setSourceRgb(cr, textColor);
    showLayout(cr, layout, 0, 0);
}

const uint8_t *TextBitmap::bgr()
{
    if (!native_)
        return nullptr;
    Native &n = *native_;
    cairo_surface_flush(n.surface);
    const uint8_t *data = cairo_image_surface_get_data(n.surface);
    const int stride = cairo_image_surface_get_stride(n.surface);
    // RGB24 keeps native-endian xRGB words; the converter wants B, G, R
    // bytes, bottom row first.
    for (int r = 0; r < n.height; ++r) {
        const auto *src =
            reinterpret_cast<const uint32_t *>(data + int64_t{r} * stride);
        uint8_t *dst = n.pixels.get() + int64_t{n.height - 1 - r} * n.width * 3;
        for (int c = 0; c < n.width; ++c) {
            dst[3 * c] = src[c] & 0xFF;
            dst[3 * c + 1] = (src[c] >> 8) & 0xFF;
            dst[3 * c + 2] = (src[c] >> 16) & 0xFF;
        }
    }
    return n.pixels.get();
}

}  // namespace dravik
