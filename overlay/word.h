// Word contexts: a text rendered once, converted to YUV and kept for copying
// into frame after frame.
#pragma once

#include "Dravik.h"
#include "text_bitmap.h"

#include <cstdint>
#include <memory>

namespace dravik {

// Largest text surface, in pixels per side and in all: the box is cut to
// the frame anyway, and this keeps a 255-byte text at 255 pixels from
// asking for gigabytes.
inline constexpr int kMaxSurfaceSide = 16384;
inline constexpr int64_t kMaxSurfacePixels = int64_t{1} << 24;

// The off-screen surface: the platform's bitmap the text is drawn on
// (text_bitmap.h in the platform folder), which hands its image to the
// converter as bottom-up BGR rows, and the converted YUV planes.
struct WordSurface {
    TextBitmap bitmap;
    std::unique_ptr<uint8_t[]> yuv;     // Y width x height, then U, then V
    int width = 0, height = 0;          // multiples of four

    WordSurface() = default;
    WordSurface(const WordSurface &) = delete;
    WordSurface &operator=(const WordSurface &) = delete;
    ~WordSurface() { release(); }

    void release();
    // Makes room for a w x h text box: grows to exactly the size needed when
    // the box does not fit, else keeps the surface. Returns DRAVIK_OK,
    // DRAVIK_E_NOMEM or DRAVIK_E_BITMAP (the surface is empty then).
    int fit(int w, int h);
};

// Bits of the change mask: which attributes a call changed.
enum ChangeBit : unsigned {
    kBackColorChanged = 1,
    kLineWidthChanged = 2,
    kTextChanged = 4,
    kFontSizeChanged = 8,
    kFontNameChanged = 16,
    kTextColorChanged = 32,
};

// The rendered text box on the surface; x and y are always 0.
struct TextRect {
    int32_t x = 0, y = 0, width = 0, height = 0;
};

struct WordAttributes {
    uint32_t backColor, lineWidth, fontSize, textColor;
    const char *fontName, *text;  // checked to fit their fields
};

}  // namespace dravik

struct DravikWordContext {
    uint32_t posX = 0, posY = 0;  // ten-thousandths of the frame, 0..9999
    uint32_t backColor = 0, lineWidth = 0, fontSize = 0, textColor = 0;
    char fontName[32] = {};
    char text[256] = {};
    dravik::TextRect textRect;
    bool rendered = false;     // false until a rendering succeeded, and again
                               // after one failed: render on next use
    dravik::WordSurface surface;

    // Stores the attributes that differ and returns their change mask.
    unsigned update(const dravik::WordAttributes &a);
};
