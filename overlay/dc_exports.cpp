// The drawing-context exports: argument checks around the shared strokes,
// executed with the platform's pen, and the on-screen text.
#include "Dravik.h"
#include "colour.h"
#include "dc_strokes.h"
#include "osd.h"
#include "pen.h"
#include "text_engine.h"

#include <atomic>
#include <new>
#include <string>

using namespace dravik;

namespace {

// The host's own starts of the text engine, so that its stops can be told
// from stops without a start (ignored).
std::atomic<uint32_t> hostStarts{0};

// A text or font name as the engine takes it: UTF-16, at most 512 units.
std::u16string osdString(const char *s)
{
    std::u16string units = decodeText(s);
    cutToUnits(units, kOsdMaxUnits);
    return units;
}

}  // namespace

extern "C" {

DRAVIK_API int DRAVIK_CALL Dravik_GdiplusDrawLine(
    int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t penWidth,
    uint32_t color, uint32_t, uint32_t, uint32_t, DravikDC dc)
{
    if (!dc)
        return DRAVIK_E_PARAM;
    Pen pen(dc, penWidth, color);
    strokeLine(pen, {x1, y1}, {x2, y2});
    return DRAVIK_OK;
}

DRAVIK_API int DRAVIK_CALL
Dravik_GdiplusDrawRectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                            uint32_t penWidth, uint32_t color, uint32_t,
                            uint32_t, uint32_t, uint32_t, uint32_t, DravikDC dc)
{
    if (!dc)
        return DRAVIK_E_PARAM;
    Pen pen(dc, penWidth, color);
    strokeRectangle(pen, {x1, y1}, {x2, y2});
    return DRAVIK_OK;
}

DRAVIK_API int DRAVIK_CALL Dravik_GdiplusDrawRectangleWithType(
    int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t penWidth,
    uint32_t color, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t,
    int32_t style, DravikDC dc)
{
    if (!dc || (style != 0 && style != 1))
        return DRAVIK_E_PARAM;
    Pen pen(dc, penWidth, color);
    if (style == 1)
        strokeBrackets(pen, {x1, y1}, {x2, y2});
    else
        strokeRectangle(pen, {x1, y1}, {x2, y2});
    return DRAVIK_OK;
}

DRAVIK_API int DRAVIK_CALL Dravik_GdiplusDrawPloygon(
    uint32_t count, const int32_t *points, uint32_t penWidth, uint32_t color,
    uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, DravikDC dc)
{
    if (!dc || (count > 0 && !points))
        return DRAVIK_E_PARAM;
    if (count == 0)
        return DRAVIK_OK;
    Pen pen(dc, penWidth, color);
    strokePolygon(pen, points, count);
    return DRAVIK_OK;
}

DRAVIK_API int DRAVIK_CALL Dravik_GdiplusDrawBrokenLine(
    uint32_t count, const int32_t *points, uint32_t penWidth, uint32_t color,
    uint32_t, uint32_t, uint32_t, DravikDC dc)
{
    if (!dc || (count > 0 && !points))
        return DRAVIK_E_PARAM;
    if (count < 2)  // no pen is made at all
        return DRAVIK_OK;
    Pen pen(dc, penWidth, color);
    strokeBrokenLine(pen, points, count);
    return DRAVIK_OK;
}

DRAVIK_API int DRAVIK_CALL Dravik_GdiplusDrawLineLabelLine(
    int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t penWidth,
    uint32_t color, uint32_t, int32_t markType, DravikDC dc)
{
    if (!isMarkType(markType))
        return DRAVIK_OK;
    if (!dc)
        return DRAVIK_E_PARAM;
    Pen pen(dc, penWidth, color);
    strokeLabelMark(pen, lineLabelMark({x1, y1}, {x2, y2},
                                       static_cast<MarkType>(markType)));
    return DRAVIK_OK;
}

DRAVIK_API int DRAVIK_CALL Dravik_GdiplusDrawRectLabelLine(
    uint32_t count, const int32_t *points, uint32_t penWidth, uint32_t color,
    uint32_t, int32_t markType, DravikDC dc)
{
    if (!isMarkType(markType))
        return DRAVIK_OK;
    // A region needs a first edge: one point has none, and reading a second
    // would run past the array.
    if (!dc || !points || count < 2)
        return DRAVIK_E_PARAM;
    Pen pen(dc, penWidth, color);
    strokeLabelMark(pen, regionLabelMark(points, count,
                                         static_cast<MarkType>(markType)));
    return DRAVIK_OK;
}

DRAVIK_API int DRAVIK_CALL
Dravik_GdiplusOSD(uint32_t x, uint32_t y, const char *text, uint32_t fontSize,
                  const char *fontName, uint32_t textColor,
                  uint32_t textOpacity, uint32_t boxColor, uint32_t boxOpacity,
                  uint32_t, int32_t boxSwitch, DravikDC dc)
{
    if (!dc || !text || !fontName)
        return DRAVIK_E_PARAM;
    const bool drawText = textOpacity != 0;
    const bool drawBox = boxSwitch == 1 && boxOpacity != 0;
    // Size 0 draws nothing on every platform (GDI+ would make a font of it
    // and fill its box).
    if (fontSize == 0 || !(drawText || drawBox))
        return DRAVIK_OK;
    try {
        drawOsd(dc, {double(x), double(y), osdString(text), osdString(fontName),
                     fontSize, argbOf(textColor, alphaOf(textOpacity)),
                     argbOf(boxColor, alphaOf(boxOpacity)), drawText, drawBox});
    } catch (const std::bad_alloc &) {
        // No exception leaves the library: nothing is drawn.
    }
    return DRAVIK_OK;
}

DRAVIK_API int DRAVIK_CALL Dravik_StartTextEngine(void)
{
    // Counted as the host's only once the engine holds it: a stop on another
    // thread in between would otherwise release a start not yet made, and
    // take the engine away from a live word context.
    engineAcquire();
    hostStarts.fetch_add(1);
    return DRAVIK_OK;
}

DRAVIK_API void DRAVIK_CALL Dravik_StopTextEngine(void)
{
    uint32_t n = hostStarts.load();
    while (n > 0 && !hostStarts.compare_exchange_weak(n, n - 1)) {
    }
    if (n > 0)
        engineRelease();
}

}  // extern "C"
