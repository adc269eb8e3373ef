// On-screen text of the drawing-context family: what the export hands to
// the platform's text engine (linux/osd.cpp draws it with Pango on cairo,
// windows/osd.cpp with GDI+ on the HDC).
#pragma once

#include "Dravik.h"

#include <cstdint>

namespace dravik {

// Texts and font names are cut to this many UTF-16 code units.
inline constexpr int kOsdMaxUnits = 512;

struct OsdText {
    double x, y;                 // the layout origin
    const char *text, *fontName;  // non-null
    uint32_t fontSize;           // pixels
    uint32_t textArgb, boxArgb;  // alpha in the top byte, then R, G, B
    bool drawText, drawBox;
};

// Draws the box (when asked) and then the text, in the named family with no
// fallback, regular weight; nothing while the text engine is stopped. The
// context's state, path and current point are left as they were.
void drawOsd(DravikDC dc, const OsdText &osd);

}  // namespace dravik
