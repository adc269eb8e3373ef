// What the Windows platform files share: the text layout as GDI+ holds it,
// and helpers for its brushes.
#pragma once

#include "text_engine.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <gdiplus.h>

#include <cstdint>
#include <string>

namespace dravik {

// GDI+ takes UTF-16 as WCHAR, which is 16 bits on Windows.
static_assert(sizeof(WCHAR) == sizeof(char16_t));

struct TextLayout::Native {
    std::u16string text;
    Gdiplus::GpFontFamily *family = nullptr;
    Gdiplus::GpFont *font = nullptr;

    const WCHAR *wide() const { return reinterpret_cast<const WCHAR *>(text.c_str()); }
    ~Native()
    {
        if (font)
            Gdiplus::DllExports::GdipDeleteFont(font);
        if (family)
            Gdiplus::DllExports::GdipDeleteFontFamily(family);
    }
};

// Fills the integer rectangle with an ARGB colour.
inline void fillRectangle(Gdiplus::GpGraphics *g, int x, int y, int width,
                          int height, uint32_t argb)
{
    using namespace Gdiplus::DllExports;
    Gdiplus::GpSolidFill *brush = nullptr;
    if (GdipCreateSolidFill(argb, &brush) != Gdiplus::Ok)
        return;
    GdipFillRectangleI(g, brush, x, y, width, height);
    GdipDeleteBrush(brush);
}

// Draws the text in an ARGB colour with its layout origin at (x, y), with
// no layout size (no wrapping, no cut) and the default string format.
inline void showLayout(Gdiplus::GpGraphics *g, const TextLayout &layout, float x,
                       float y, uint32_t argb)
{
    using namespace Gdiplus::DllExports;
    if (!layout.valid() || !g)
        return;
    Gdiplus::GpSolidFill *brush = nullptr;
    if (GdipCreateSolidFill(argb, &brush) != Gdiplus::Ok)
        return;
    const TextLayout::Native &n = layout.native();
    const Gdiplus::RectF origin(x, y, 0, 0);
    GdipDrawString(g, n.wide(), static_cast<INT>(n.text.size()), n.font, &origin,
                   nullptr, brush);
    GdipDeleteBrush(brush);
}

}  // namespace dravik
