// On-screen text on an HDC, with GDI+ while the text engine runs.
#include "osd.h"

#include "gdiplus_text.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace dravik {

using namespace Gdiplus::DllExports;

namespace {

// A device coordinate for GDI+'s integer calls, truncated; origins up to
// 2^32 - 1 lie beyond what an int holds, and off every device anyway.
int truncatedInt(float v)
{
    return static_cast<int>(std::clamp(std::trunc(double(v)), double(INT_MIN),
                                       double(INT_MAX)));
}

}  // namespace

void drawOsd(DravikDC dc, const OsdText &osd)
{
    TextLayout layout(osd.text, osd.fontName, osd.fontSize, FontWeight::Regular,
                      Fallback::Nothing);
    if (!layout.valid())
        return;
    Gdiplus::GpGraphics *g = nullptr;
    if (GdipCreateFromHDC(dc, &g) != Gdiplus::Ok)
        return;
    const float x = static_cast<float>(osd.x), y = static_cast<float>(osd.y);
    if (osd.drawBox) {
        // The measured box moved to the origin; its far edges, taken from
        // the origin, give the size.
        const TextBox &box = layout.box();
        fillRectangle(g, truncatedInt(x + box.x), truncatedInt(y + box.y),
                      layout.width(), layout.height(), osd.boxArgb);
    }
    if (osd.drawText)
        showLayout(g, layout, x, y, osd.textArgb);
    GdipDeleteGraphics(g);
}

}  // namespace dravik
