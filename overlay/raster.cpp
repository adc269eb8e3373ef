#include "raster.h"

#include "colour.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace dravik {

namespace {

// Positions are pulled in to this many frame sizes around the frame.
constexpr double kFarFrames = 8.0;
// Sloped lines advance their x in thousandths of a pixel per row, in
// integers: no floating point inside the row loops.
constexpr int64_t kSubpixels = 1000;

int64_t firstRow(int64_t from) { return std::max<int64_t>(from, 0); }

struct Span {
    int64_t lo, hi;  // [lo, hi[ within [0, size[, maybe empty
};

Span clip(int64_t start, int64_t length, int64_t size)
{
    return {std::max<int64_t>(start, 0), std::min(start + length, size)};
}

// n samples of value v from d. Most runs are short (the sides of boxes,
// thin lines, their chroma): those are written with two overlapping stores
// inside the run, cheaper than a call to memset.
inline void fill(uint8_t *d, uint8_t v, int64_t n)
{
    if (n >= 16) {
        std::memset(d, v, n);
        return;
    }
    const uint64_t pattern = 0x0101010101010101u * v;
    if (n >= 8) {
        std::memcpy(d, &pattern, 8);
        std::memcpy(d + n - 8, &pattern, 8);
    } else if (n >= 4) {
        std::memcpy(d, &pattern, 4);
        std::memcpy(d + n - 4, &pattern, 4);
    } else if (n >= 2) {
        std::memcpy(d, &pattern, 2);
        std::memcpy(d + n - 2, &pattern, 2);
    } else if (n == 1) {
        *d = v;
    }
}

// A line wider than tall, as drawLine has measured it.
struct ShallowLine {
    int64_t xmin, xmax, ymin;
    int64_t dx, dy;  // dx >= dy > 0
    int64_t yend;    // first row not drawn
    uint32_t t;      // thickness: copies, each one row lower
    bool falling;    // y grows with x
};

void shallowLine(const Planes &p, const ShallowLine &line, Yuv c)
{
    const auto [xmin, xmax, ymin, dx, dy, yend, t, falling] = line;
    const int64_t seg = dx / dy + 1;
    const int64_t step = dx * kSubpixels / dy;
    // A copy is done within 3 dy + 2 rows of its start (x has crossed the
    // line's far end by then), so copies starting further above the frame
    // never reach it.
    const int64_t span = 3 * dy + 2;
    const int64_t kEnd = std::min<int64_t>(t, yend - ymin);
    for (int64_t k = std::max<int64_t>(0, -ymin - span); k < kEnd; ++k) {
        const int64_t s = ymin + k;
        const int64_t r0 = firstRow(s);
        const int64_t j0 = r0 - s;  // rows of this copy above the frame
        if (j0 > span)
            continue;
        int64_t n = seg;
        if (falling) {
            int64_t acc = xmin * kSubpixels + j0 * step;
            for (int64_t r = r0; r < yend; ++r, acc += step) {
                const int64_t x = acc / kSubpixels;
                if (xmax - x <= 0)
                    break;
                n = std::min(n, xmax - x);
                lumaRun(p, r, x, n, c.y);
                chromaRun(p, r, x / 2, n / 2 + 1, c);
            }
        } else {
            int64_t acc = xmax * kSubpixels - j0 * step;
            for (int64_t r = r0; r < yend; ++r, acc -= step) {
                const int64_t x = acc / kSubpixels;
                // The run ends just before x and never starts left of xmin.
                int64_t cut = 0;
                if (x - n < xmin) {
                    cut = xmin + n - x;
                    if (cut > n)
                        break;
                }
                const int64_t len = n - cut;
                lumaRun(p, r, x - len, len, c.y);
                chromaRun(p, r, x / 2 - len / 2, len / 2 + 1, c);
            }
        }
    }
}

}  // namespace

Yuv yuvFromColor(uint32_t colorref)
{
    const Rgb c = rgbOf(colorref);
    const double r = c.r, g = c.g, b = c.b;
    const double y = (0.587 * g + 0.299 * r) + 0.114 * b;
    const double u = (-0.1687 * r - 0.3313 * g) + 0.5 * b + 128;
    const double v = (0.5 * r - 0.4187 * g) - 0.0813 * b + 128;
    return {static_cast<uint8_t>(y), static_cast<uint8_t>(u),
            static_cast<uint8_t>(v)};
}

int checkFrame(const DravikFrame *frame, Planes *out)
{
    if (!frame)
        return DRAVIK_E_PARAM;
    *out = Planes();
    if (frame->width <= 0 || frame->height <= 0)
        return DRAVIK_OK;
    const int64_t cw = (int64_t{frame->width} + 1) / 2;
    if (!frame->plane[0] || !frame->plane[1] || !frame->plane[2] ||
        std::llabs(frame->stride[0]) < frame->width ||
        std::llabs(frame->stride[1]) < cw || std::llabs(frame->stride[2]) < cw)
        return DRAVIK_E_PARAM;
    out->y = frame->plane[0];
    out->u = frame->plane[1];
    out->v = frame->plane[2];
    out->yStride = frame->stride[0];
    out->uStride = frame->stride[1];
    out->vStride = frame->stride[2];
    out->width = frame->width;
    out->height = frame->height;
    out->chromaWidth = cw;
    return DRAVIK_OK;
}

bool toPixel(float fraction, int64_t size, int64_t *pixel)
{
    if (std::isnan(fraction))
        return false;
    if (size <= 0) {  // an empty frame: infinity times 0 has no pixel
        *pixel = 0;
        return true;
    }
    const double far = kFarFrames * static_cast<double>(size);
    const double px = std::clamp(static_cast<double>(fraction) * size, -far,
                                 far + size);
    *pixel = static_cast<int64_t>(px);
    return true;
}

void lumaRun(const Planes &p, int64_t r, int64_t c, int64_t n, uint8_t y)
{
    if (r < 0 || r >= p.height)
        return;
    const Span s = clip(c, n, p.width);
    if (s.lo < s.hi)
        fill(p.y + r * p.yStride + s.lo, y, s.hi - s.lo);
}

void chromaRun(const Planes &p, int64_t r, int64_t k, int64_t m, Yuv colour)
{
    if (r < 0 || r >= p.height || r % 2 != 0)
        return;
    const Span s = clip(k, m, p.chromaWidth);
    if (s.lo >= s.hi)
        return;
    const int64_t row = r / 2;
    fill(p.u + row * p.uStride + s.lo, colour.u, s.hi - s.lo);
    fill(p.v + row * p.vStride + s.lo, colour.v, s.hi - s.lo);
}

void lumaRows(const Planes &p, int64_t from, int64_t to, int64_t c, int64_t n,
              uint8_t y, int64_t every)
{
    const Span s = clip(c, n, p.width);
    if (s.lo >= s.hi)
        return;
    from = std::max<int64_t>(from, 0);
    if (every == 2)
        from += from % 2;
    to = std::min(to, p.height);
    for (int64_t r = from; r < to; r += every)
        fill(p.y + r * p.yStride + s.lo, y, s.hi - s.lo);
}

void chromaRows(const Planes &p, int64_t from, int64_t to, int64_t k, int64_t m,
                Yuv colour)
{
    const Span s = clip(k, m, p.chromaWidth);
    if (s.lo >= s.hi)
        return;
    from = std::max<int64_t>(from, 0);
    to = std::min(to, p.height);
    for (int64_t row = (from + 1) / 2; 2 * row < to; ++row) {
        fill(p.u + row * p.uStride + s.lo, colour.u, s.hi - s.lo);
        fill(p.v + row * p.vStride + s.lo, colour.v, s.hi - s.lo);
    }
}

void drawLine(const Planes &p, Point a, Point b, uint32_t t, Yuv c)
{
    const int64_t xmin = std::min(a.x, b.x), xmax = std::max(a.x, b.x);
    const int64_t ymin = std::min(a.y, b.y), ymax = std::max(a.y, b.y);
    const int64_t dx = xmax - xmin, dy = ymax - ymin;
    const int64_t yend = std::min<int64_t>(ymax + t, p.height);
    // Falling: y grows with x on the screen.
    const bool falling = (a.x > b.x && a.y > b.y) || (a.x < b.x && a.y < b.y);

    if (dx == 0 && dy == 0)
        return;
    if (dx == 0) {
        // Reaches t rows below its lower end, t columns right of xmin.
        lumaRows(p, ymin, yend, xmin, t, c.y);
        chromaRows(p, ymin, yend, xmin / 2, t / 2, c);
    } else if (dy == 0) {
        // Column xmax itself is not covered.
        lumaRows(p, ymin, ymin + t, xmin, dx, c.y);
        chromaRows(p, ymin, ymin + t, xmin / 2, dx / 2, c);
    } else if (dx >= dy) {
        if (t > 0)
            shallowLine(p, {xmin, xmax, ymin, dx, dy, yend, t, falling}, c);
    } else {
        // Steep: one run of t per row, in thousandths of a pixel; like the
        // vertical line it runs on for t rows past its lower end.
        const int64_t step = dx * kSubpixels / dy;
        for (int64_t r = firstRow(ymin); r < yend; ++r) {
            const int64_t j = r - ymin;
            const int64_t acc = falling ? xmin * kSubpixels + j * step
                                        : xmax * kSubpixels - j * step;
            const int64_t x = acc / kSubpixels;
            lumaRun(p, r, x, t, c.y);
            chromaRun(p, r, x / 2, t / 2, c);
        }
    }
}

void drawRectangle(const Planes &p, Point a, Point b, uint32_t t, bool fill,
                   Yuv c)
{
    const int64_t xmin = std::min(a.x, b.x), xmax = std::max(a.x, b.x);
    const int64_t ymin = std::min(a.y, b.y), ymax = std::max(a.y, b.y);
    const int64_t n = xmax - xmin;
    const int64_t bottom = std::min<int64_t>(ymax + t, p.height);

    lumaRows(p, ymin, ymin + t, xmin, n, c.y);
    chromaRows(p, ymin, ymin + t, xmin / 2, n / 2, c);
    // Even rows only: a striped, see-through fill whose chroma (written from
    // even rows anyway) still covers the whole inside.
    if (fill) {
        lumaRows(p, ymin + t, ymax, xmin, n, c.y, 2);
        chromaRows(p, ymin + t, ymax, xmin / 2, n / 2, c);
    }
    lumaRows(p, ymax, bottom, xmin, n, c.y);
    chromaRows(p, ymax, bottom, xmin / 2, n / 2, c);
    for (int64_t x : {xmin, xmax}) {
        lumaRows(p, ymin, bottom, x, t, c.y);
        chromaRows(p, ymin, bottom, x / 2, t / 2, c);
    }
}

}  // namespace dravik
