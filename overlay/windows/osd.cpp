// On-screen text on an HDC, with GDI+ while the text engine runs.
#include "osd.h"

#include "text_engine.h"

#include <gdiplus.h>

namespace dravik {

using namespace Gdiplus::DllExports;

void drawOsd(DravikDC dc, const OsdText &osd)
{
    TextLayout layout(osd.text, osd.fontName, osd.fontSize,
                      FontWeight::Regular, Fallback::Nothing, kOsdMaxUnits);
    if (!layout.valid())
        return;
    Gdiplus::GpGraphics *g = nullptr;
    if (GdipCreateFromHDC(dc, &g) != Gdiplus::Ok)
        return;
    const float x = static_cast<float>(osd.x), y = static_cast<float>(osd.y);
    if (osd.drawBox) {
        // The measured box moved to the origin; its far edges, taken from
        // the origin, give the size.
        const float width = layout.boxX() + layout.boxWidth();
        const float height = layout.boxY() + layout.boxHeight();
        fillRectangle(g, static_cast<int>(x + layout.boxX()),
                      static_cast<int>(y + layout.boxY()),
                      static_cast<int>(width), static_cast<int>(height),
                      osd.boxArgb);
    }
    if (osd.drawText)
        layout.show(g, x, y, osd.textArgb);
    GdipDeleteGraphics(g);
}

}  // namespace dravik
