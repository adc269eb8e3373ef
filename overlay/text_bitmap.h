// The bitmap a word context's text is drawn on, one contract for every
// platform: a cairo image surface on Linux, a 24-bit bottom-up DIB section
// in a memory DC with a GDI+ graphics object on Windows.
#pragma once

#include "text_engine.h"

#include <cstdint>
#include <memory>

namespace dravik {

class TextBitmap {
public:
    TextBitmap();
    ~TextBitmap();
    TextBitmap(const TextBitmap &) = delete;
    TextBitmap &operator=(const TextBitmap &) = delete;

    // A width x height bitmap (width a multiple of four) in place of any
    // earlier one. Returns DRAVIK_OK, DRAVIK_E_NOMEM or DRAVIK_E_BITMAP
    // (nothing is kept then).
    int create(int width, int height);
    void release();

    // Fills (0, 0, layout.width(), layout.height()) with `backColor` and
    // draws the text over it in `textColor`, both opaque COLORREFs.
    void draw(const TextLayout &layout, uint32_t backColor, uint32_t textColor);
    // The drawn image as the converter takes it: width * 3 bytes a row of
    // B, G, R, bottom row first.
    const uint8_t *bgr();

    struct Native;

private:
    std::unique_ptr<Native> native_;
};

}  // namespace dravik
