// A plain reference of the frame shapes: every sample set one by one, every
// row walked from the shape's first row, no clipping beyond a bounds check
// per sample. The library's row-run rasterisers must match it exactly.
#pragma once

#include "test_frame.h"

#include <cstdint>
#include <vector>

namespace reference {

struct Yuv {
    int y, u, v;
};

Yuv colour(uint32_t colorref);
void line(TestFrame &f, float x1, float y1, float x2, float y2, uint32_t t,
          uint32_t colorref);
void rectangle(TestFrame &f, float x1, float y1, float x2, float y2,
               uint32_t t, uint32_t colorref, int32_t fill);
void polygon(TestFrame &f, const std::vector<float> &points, uint32_t t,
             uint32_t colorref);

}  // namespace reference
