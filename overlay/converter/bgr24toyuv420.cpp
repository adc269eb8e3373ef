#include "bgr24toyuv420.h"

#include <libyuv/convert.h>

// Full-range BT.601 (libyuv's J420), the same matrix the shape calls use for
// their colours, so a text box and a rectangle of one colour match. libyuv's
// "RGB24" is B, G, R in memory; a negative height reads the rows bottom-up.
extern "C" int DSP_bgr24toyuv420(const uint8_t *bgr, int width, int height,
                                 uint8_t *y, int yStride, uint8_t *u,
                                 int uStride, uint8_t *v, int vStride)
{
    return libyuv::RGB24ToJ420(bgr, width * 3, y, yStride, u, uStride, v,
                               vStride, width, -height);
}
