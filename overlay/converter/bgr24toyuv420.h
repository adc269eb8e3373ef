// The colour converter that renders text for the frames: a module of its own,
// libVelmo_dsp_video_mjpeg.so (Velmo_dsp_video_mjpeg.dll on Windows, where
// the call is cdecl), loaded by name for each conversion.
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// Converts width x height pixels of 24-bit blue-green-red, rows of width * 3
// bytes stored bottom row first, into Y, U and V planes written top row
// first (U and V width / 2 x height / 2). width and height are multiples of
// four. Returns 0, or a non-zero failure code of its own.
#if defined(_WIN32)
__declspec(dllexport)
#else
__attribute__((visibility("default")))
#endif
int DSP_bgr24toyuv420(
    const uint8_t *bgr, int width, int height, uint8_t *y, int yStride,
    uint8_t *u, int uStride, uint8_t *v, int vStride);

#ifdef __cplusplus
}
#endif
