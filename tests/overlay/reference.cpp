#include "reference.h"

#include <algorithm>

namespace reference {

namespace {

using i64 = long long;

struct Pen {
    TestFrame &f;
    Yuv c;

    void luma(i64 r, i64 col, i64 n)
    {
        for (i64 i = 0; i < n; ++i)
            if (r >= 0 && r < f.height && col + i >= 0 && col + i < f.width)
                f.y(int(r), int(col + i)) = uint8_t(c.y);
    }
    void chroma(i64 r, i64 k, i64 m)
    {
        if (r % 2 != 0)
            return;
        const i64 cw = (f.width + 1) / 2;
        for (i64 i = 0; i < m; ++i)
            if (r >= 0 && r < f.height && k + i >= 0 && k + i < cw) {
                f.u(int(r / 2), int(k + i)) = uint8_t(c.u);
                f.v(int(r / 2), int(k + i)) = uint8_t(c.v);
            }
    }
};

i64 px(float fraction, int size) { return i64(double(fraction) * size); }

void drawLine(Pen &pen, i64 x1, i64 y1, i64 x2, i64 y2, i64 t)
{
    const i64 xmin = std::min(x1, x2), xmax = std::max(x1, x2);
    const i64 ymin = std::min(y1, y2), ymax = std::max(y1, y2);
    const i64 dx = xmax - xmin, dy = ymax - ymin;
    const i64 yend = std::min<i64>(ymax + t, pen.f.height);
    const bool falling = (x1 > x2 && y1 > y2) || (x1 < x2 && y1 < y2);
    if (dx == 0 && dy == 0)
        return;
    if (dx == 0) {
        for (i64 r = ymin; r < yend; ++r) {
            pen.luma(r, xmin, t);
            pen.chroma(r, xmin / 2, t / 2);
        }
    } else if (dy == 0) {
        for (i64 r = ymin; r < ymin + t; ++r) {
            pen.luma(r, xmin, dx);
            pen.chroma(r, xmin / 2, dx / 2);
        }
    } else if (dx >= dy) {
        if (t == 0)
            return;
        const i64 seg = dx / dy + 1, step = dx * 1000 / dy;
        for (i64 k = 0; k < t; ++k) {
            i64 n = seg;
            if (falling) {
                i64 acc = xmin * 1000;
                for (i64 r = ymin + k; r < yend; ++r) {
                    const i64 x = acc / 1000;
                    if (xmax - x <= 0)
                        break;
                    n = std::min(n, xmax - x);
                    pen.luma(r, x, n);
                    pen.chroma(r, x / 2, n / 2 + 1);
                    acc += step;
                }
            } else {
                i64 acc = xmax * 1000, cut = 0;
                for (i64 r = ymin + k; r < yend; ++r) {
                    const i64 x = acc / 1000;
                    if (x - n < xmin) {
                        cut = xmin + n - x;
                        if (cut > n)
                            break;
                    }
                    pen.luma(r, x - (n - cut), n - cut);
                    pen.chroma(r, x / 2 - (n - cut) / 2, (n - cut) / 2 + 1);
                    acc -= step;
                }
            }
        }
    } else {
        const i64 step = dx * 1000 / dy;
        i64 acc = falling ? xmin * 1000 : xmax * 1000;
        for (i64 r = ymin; r < yend; ++r) {
            const i64 x = acc / 1000;
            pen.luma(r, x, t);
            pen.chroma(r, x / 2, t / 2);
            acc += falling ? step : -step;
        }
    }
}

}  // namespace

Yuv colour(uint32_t colorref)
{
    const double r = colorref & 0xFF, g = (colorref >> 8) & 0xFF,
                 b = (colorref >> 16) & 0xFF;
    return {int((0.587 * g + 0.299 * r) + 0.114 * b),
            int((-0.1687 * r - 0.3313 * g) + 0.5 * b + 128),
            int((0.5 * r - 0.4187 * g) - 0.0813 * b + 128)};
}

void line(TestFrame &f, float x1, float y1, float x2, float y2, uint32_t t,
          uint32_t colorref)
{
    Pen pen{f, colour(colorref)};
    drawLine(pen, px(x1, f.width), px(y1, f.height), px(x2, f.width),
             px(y2, f.height), t);
}

void rectangle(TestFrame &f, float x1, float y1, float x2, float y2,
               uint32_t t, uint32_t colorref, int32_t fill)
{
    Pen pen{f, colour(colorref)};
    const i64 ax = px(x1, f.width), ay = px(y1, f.height);
    const i64 bx = px(x2, f.width), by = px(y2, f.height);
    const i64 xmin = std::min(ax, bx), xmax = std::max(ax, bx);
    const i64 ymin = std::min(ay, by), ymax = std::max(ay, by);
    const i64 n = xmax - xmin;
    const i64 bottom = std::min<i64>(ymax + t, f.height);
    for (i64 r = ymin; r < ymin + t; ++r) {
        pen.luma(r, xmin, n);
        pen.chroma(r, xmin / 2, n / 2);
    }
    for (i64 r = ymin + t; fill == 1 && r < ymax; ++r)
        if (r % 2 == 0) {
            pen.luma(r, xmin, n);
            pen.chroma(r, xmin / 2, n / 2);
        }
    for (i64 r = ymax; r < bottom; ++r) {
        pen.luma(r, xmin, n);
        pen.chroma(r, xmin / 2, n / 2);
    }
    for (i64 r = ymin; r < bottom; ++r) {
        pen.luma(r, xmin, t);
        pen.luma(r, xmax, t);
        pen.chroma(r, xmin / 2, t / 2);
        pen.chroma(r, xmax / 2, t / 2);
    }
}

void polygon(TestFrame &f, const std::vector<float> &points, uint32_t t,
             uint32_t colorref)
{
    const size_t count = points.size() / 2;
    if (count < 2)
        return;
    for (size_t i = 0; i < count; ++i) {
        const size_t j = (i + 1) % count;
        line(f, points[2 * i], points[2 * i + 1], points[2 * j],
             points[2 * j + 1], t, colorref);
    }
}

}  // namespace reference
