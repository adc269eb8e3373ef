// Shapes rasterised straight into the planes of an I420 frame, with row runs.
#pragma once

#include "Dravik.h"

#include <cstddef>
#include <cstdint>

namespace dravik {

struct Yuv {
    uint8_t y, u, v;
};

// Full-range BT.601 from a COLORREF, truncated (never rounded or clamped).
Yuv yuvFromColor(uint32_t colorref);

// A frame whose geometry has been checked once; every run is clipped to it.
struct Planes {
    uint8_t *y = nullptr, *u = nullptr, *v = nullptr;
    std::ptrdiff_t yStride = 0, uStride = 0, vStride = 0;
    int64_t width = 0, height = 0;  // 0 x 0 for an empty frame
    int64_t chromaWidth = 0;        // (width + 1) / 2

    bool empty() const { return width <= 0 || height <= 0; }
};

// DRAVIK_OK and `out` filled in, or DRAVIK_E_PARAM for a null frame, null
// planes of a non-empty frame or strides smaller than their plane's width.
int checkFrame(const DravikFrame *frame, Planes *out);

struct Point {
    int64_t x, y;
};

// Fraction of `size` to a pixel: the product in double precision, truncated
// toward zero. Far-away positions are pulled in to within eight frame sizes
// of the frame, which keeps every shape's loops bounded by the frame's size
// (no visible pixel changes for any position nearer than that). False for NaN.
bool toPixel(float fraction, int64_t size, int64_t *pixel);

// The row kernels: n luma samples of row r from column c; m samples of U and
// V chroma row r / 2 from chroma column k, written only when r is even. Both
// clip to the planes, so any arguments are safe.
void lumaRun(const Planes &p, int64_t r, int64_t c, int64_t n, uint8_t y);
void chromaRun(const Planes &p, int64_t r, int64_t k, int64_t m, Yuv colour);
// The same runs on every row r of [from, to) (every other row from an even
// one for every == 2), clipped once: as lumaRun and chromaRun row by row.
void lumaRows(const Planes &p, int64_t from, int64_t to, int64_t c, int64_t n,
              uint8_t y, int64_t every = 1);
void chromaRows(const Planes &p, int64_t from, int64_t to, int64_t k, int64_t m,
                Yuv colour);

void drawLine(const Planes &p, Point a, Point b, uint32_t thickness, Yuv colour);
void drawRectangle(const Planes &p, Point a, Point b, uint32_t thickness,
                   bool fill, Yuv colour);

}  // namespace dravik
