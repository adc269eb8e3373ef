// The bitmap a word context's text is drawn on: a 24-bit bottom-up DIB
// section selected into a memory DC, with a GDI+ graphics object on it.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdint>

namespace Gdiplus {
class GpGraphics;
}

namespace dravik {

class TextBitmap {
public:
    TextBitmap() = default;
    TextBitmap(const TextBitmap &) = delete;
    TextBitmap &operator=(const TextBitmap &) = delete;
    ~TextBitmap();

    // A width x height bitmap in place of any earlier one (width a multiple
    // of four, so its rows need no padding). Returns DRAVIK_OK,
    // DRAVIK_E_NOMEM or DRAVIK_E_BITMAP (nothing is kept then).
    int create(int width, int height);
    void release();

    // What TextLayout::draw draws on.
    Gdiplus::GpGraphics *graphics() const { return graphics_; }
    // The drawn image as the converter takes it: the DIB's own memory,
    // width * 3 bytes a row of B, G, R, bottom row first.
    const uint8_t *bgr();

private:
    HDC dc_ = nullptr;  // made with the first bitmap, kept until the end
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    void *bits_ = nullptr;
    Gdiplus::GpGraphics *graphics_ = nullptr;
};

}  // namespace dravik
