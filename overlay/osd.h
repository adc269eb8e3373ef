// On-screen text of the drawing-context family: what the export (with the
// rules every platform shares applied) hands to the platform, which draws
// it with its text engine (linux/osd.cpp with Pango on cairo,
// windows/osd.cpp with GDI+ on the HDC).
#pragma once

#include "Dravik.h"

#include <cstdint>
#include <string>

namespace dravik {

// Texts and font names are cut to this many UTF-16 code units.
inline constexpr size_t kOsdMaxUnits = 512;

struct OsdText {
    double x, y;                        // the layout origin
    std::u16string text, fontName;      // cut to kOsdMaxUnits
    uint32_t fontSize;                  // pixels, not 0
    uint32_t textArgb, boxArgb;         // alpha in the top byte, then R, G, B
    bool drawText, drawBox;
};

// Draws the box (when asked) and then the text, in the named family with no
// fallback, regular weight; nothing while the text engine is stopped. The
// context's state, path and current point are left as they were.
void drawOsd(DravikDC dc, const OsdText &osd);

}  // namespace dravik
