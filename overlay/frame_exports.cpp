// The frame shape exports: argument checks and fraction-to-pixel conversion
// around the rasterisers.
#include "Dravik.h"
#include "raster.h"

#include <cmath>

using namespace dravik;

// Hosts lay the descriptor out themselves: four plane pointers and six
// int32 fields, ten 32-bit fields in a 32-bit build.
static_assert(sizeof(DravikFrame) ==
              4 * sizeof(uint8_t *) + 6 * sizeof(int32_t));

namespace {

bool toPoint(const Planes &p, float x, float y, Point *out)
{
    return toPixel(x, p.width, &out->x) && toPixel(y, p.height, &out->y);
}

// What every two-point shape does first: the frame checked, both points
// converted to pixels.
int twoPoints(const DravikFrame *frame, float x1, float y1, float x2, float y2,
              Planes *p, Point *a, Point *b)
{
    if (int rc = checkFrame(frame, p))
        return rc;
    if (!toPoint(*p, x1, y1, a) || !toPoint(*p, x2, y2, b))
        return DRAVIK_E_PARAM;
    return DRAVIK_OK;
}

}  // namespace

extern "C" {

DRAVIK_API int DRAVIK_CALL Dravik_DrawLine(float x1, float y1, float x2,
                                           float y2, uint32_t thickness,
                                           uint32_t color, DravikFrame *frame,
                                           uint32_t)
{
    Planes p;
    Point a, b;
    if (int rc = twoPoints(frame, x1, y1, x2, y2, &p, &a, &b))
        return rc;
    if (!p.empty())
        drawLine(p, a, b, thickness, yuvFromColor(color));
    return DRAVIK_OK;
}

DRAVIK_API int DRAVIK_CALL Dravik_DrawRectangle(float x1, float y1, float x2,
                                                float y2, uint32_t thickness,
                                                uint32_t color, uint32_t,
                                                int32_t fill,
                                                DravikFrame *frame, uint32_t)
{
    Planes p;
    Point a, b;
    if (int rc = twoPoints(frame, x1, y1, x2, y2, &p, &a, &b))
        return rc;
    if (!p.empty())
        drawRectangle(p, a, b, thickness, fill == 1, yuvFromColor(color));
    return DRAVIK_OK;
}

DRAVIK_API int DRAVIK_CALL Dravik_DrawPloygon(
    uint32_t count, const float *points, uint32_t thickness, uint32_t color,
    uint32_t, uint32_t, DravikFrame *frame, uint32_t)
{
    Planes p;
    if (int rc = checkFrame(frame, &p))
        return rc;
    if (count > 0 && !points)
        return DRAVIK_E_PARAM;
    // Every point is checked before anything is drawn.
    for (uint64_t i = 0; i < uint64_t{count} * 2; ++i)
        if (std::isnan(points[i]))
            return DRAVIK_E_PARAM;
    if (count < 2 || p.empty())
        return DRAVIK_OK;
    const Yuv colour = yuvFromColor(color);
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t j = (i + 1) % count;
        Point a, b;
        toPoint(p, points[2 * i], points[2 * i + 1], &a);
        toPoint(p, points[2 * j], points[2 * j + 1], &b);
        drawLine(p, a, b, thickness, colour);
    }
    return DRAVIK_OK;
}

}  // extern "C"
