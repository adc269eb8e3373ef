// A stand-in for libVelmo_dsp_video_mjpeg.so that converts like the real one
// and counts its calls. Tests keep it loaded themselves so that its counter
// survives the library's unloading after each conversion.
#include "converter/bgr24toyuv420.h"

#if defined(_WIN32)
#include "converter/plain_conversion.h"
#define TEST_EXPORT __declspec(dllexport)
#else
#include <libyuv/convert.h>
#define TEST_EXPORT __attribute__((visibility("default")))
#endif

#include <atomic>

namespace {
// Contexts on several threads convert at once.
std::atomic<int> calls{0};
std::atomic<int> failWith{0};
}  // namespace

extern "C" {

int DSP_bgr24toyuv420(const uint8_t *bgr, int width, int height, uint8_t *y,
                      int yStride, uint8_t *u, int uStride, uint8_t *v,
                      int vStride)
{
    ++calls;
    if (const int rc = failWith.load())
        return rc;
#if defined(_WIN32)
    return dravik::plainBgr24ToJ420(bgr, width, height, y, yStride, u, uStride,
                                    v, vStride);
#else
    return libyuv::RGB24ToJ420(bgr, width * 3, y, yStride, u, uStride, v,
                               vStride, width, -height);
#endif
}

TEST_EXPORT int countingConverterCalls()
{
    return calls;
}

// From now on, conversions return `rc` (0: convert again).
TEST_EXPORT void countingConverterFailWith(int rc)
{
    failWith = rc;
}

}  // extern "C"
