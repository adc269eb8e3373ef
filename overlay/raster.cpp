#include "raster.h"

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
    const double r = colorref & 0xFF;
    const double g = (colorref >> 8) & 0xFF;
    const double b = (colorref >> 16) & 0xFF;
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
        std::memset(p.y + r * p.yStride + s.lo, y, s.hi - s.lo);
}

void chromaRun(const Planes &p, int64_t r, int64_t k, int64_t m, Yuv colour)
{
    if (r < 0 || r >= p.height || r % 2 != 0)
        return;
    const Span s = clip(k, m, p.chromaWidth);
    if (s.lo >= s.hi)
        return;
    const int64_t row = r / 2;
    std::memset(p.u + row * p.uStride + s.lo, colour.u, s.hi - s.lo);
    std::memset(p.v + row * p.vStride + s.lo, colour.v, s.hi - s.lo);
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
        for (int64_t r = firstRow(ymin); r < yend; ++r) {
            lumaRun(p, r, xmin, t, c.y);
            chromaRun(p, r, xmin / 2, t / 2, c);
        }
    } else if (dy == 0) {
        // Column xmax itself is not covered.
        const int64_t end = std::min<int64_t>(ymin + t, p.height);
        for (int64_t r = firstRow(ymin); r < end; ++r) {
            lumaRun(p, r, xmin, dx, c.y);
            chromaRun(p, r, xmin / 2, dx / 2, c);
        }
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
    auto band = [&](int64_t from, int64_t to, int64_t every) {
        to = std::min(to, p.height);
        for (int64_t r = firstRow(from); r < to; ++r) {
            if (r % every != 0)
                continue;
            lumaRun(p, r, xmin, n, c.y);
            chromaRun(p, r, xmin / 2, n / 2, c);
        }
    };

    band(ymin, ymin + t, 1);
    // Even rows only: a striped, see-through fill whose chroma still covers
    // the whole inside.
    if (fill)
        band(ymin + t, ymax, 2);
    band(ymax, bottom, 1);
    for (int64_t r = firstRow(ymin); r < bottom; ++r) {
        lumaRun(p, r, xmin, t, c.y);
        lumaRun(p, r, xmax, t, c.y);
        chromaRun(p, r, xmin / 2, t / 2, c);
        chromaRun(p, r, xmax / 2, t / 2, c);
    }
}

}  // namespace dravik
