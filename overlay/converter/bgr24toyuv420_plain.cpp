// The converter module without libyuv (the Windows build's).
#include "bgr24toyuv420.h"
#include "plain_conversion.h"

extern "C" int DSP_bgr24toyuv420(const uint8_t *bgr, int width, int height,
                                 uint8_t *y, int yStride, uint8_t *u,
                                 int uStride, uint8_t *v, int vStride)
{
    return dravik::plainBgr24ToJ420(bgr, width, height, y, yStride, u, uStride,
                                    v, vStride);
}
