// Full-range BT.601 from 24-bit BGR to I420 (libyuv's J420), the matrix of
// the libyuv converter module and of the shape calls' colours, in plain
// integer arithmetic for the platforms without libyuv: within 1 of libyuv
// on every sample. Luma per pixel; chroma from the mean of each 2 x 2
// block. The source is bottom-up, rows of width * 3 bytes; the planes are
// written top row first.
#pragma once

#include <cstdint>

namespace dravik {

namespace plain {

inline uint8_t luma(int b, int g, int r)
{
    return static_cast<uint8_t>((77 * r + 150 * g + 29 * b + 128) >> 8);
}

// The weights of each row sum to zero; 127 rather than 128 keeps the
// largest value at 255.
inline uint8_t blueDifference(int b, int g, int r)
{
    return static_cast<uint8_t>((127 * b - 84 * g - 43 * r + 0x8080) >> 8);
}

inline uint8_t redDifference(int b, int g, int r)
{
    return static_cast<uint8_t>((127 * r - 107 * g - 20 * b + 0x8080) >> 8);
}

}  // namespace plain

// Returns 0, or -1 for missing planes and sizes that are not positive and
// even.
inline int plainBgr24ToJ420(const uint8_t *bgr, int width, int height,
                            uint8_t *y, int yStride, uint8_t *u, int uStride,
                            uint8_t *v, int vStride)
{
    if (!bgr || !y || !u || !v || width <= 0 || height <= 0 ||
        width % 2 != 0 || height % 2 != 0)
        return -1;
    const int64_t rowBytes = int64_t{width} * 3;
    auto sourceRow = [&](int r) { return bgr + (height - 1 - r) * rowBytes; };
    for (int r = 0; r < height; ++r) {
        const uint8_t *s = sourceRow(r);
        uint8_t *out = y + int64_t{r} * yStride;
        for (int c = 0; c < width; ++c, s += 3)
            out[c] = plain::luma(s[0], s[1], s[2]);
    }
    for (int r = 0; r < height / 2; ++r) {
        const uint8_t *s0 = sourceRow(2 * r), *s1 = sourceRow(2 * r + 1);
        uint8_t *uRow = u + int64_t{r} * uStride;
        uint8_t *vRow = v + int64_t{r} * vStride;
        for (int c = 0; c < width / 2; ++c, s0 += 6, s1 += 6) {
            const int b = (s0[0] + s0[3] + s1[0] + s1[3] + 2) >> 2;
            const int g = (s0[1] + s0[4] + s1[1] + s1[4] + 2) >> 2;
            const int rd = (s0[2] + s0[5] + s1[2] + s1[5] + 2) >> 2;
            uRow[c] = plain::blueDifference(b, g, rd);
            vRow[c] = plain::redDifference(b, g, rd);
        }
    }
    return 0;
}

}  // namespace dravik
