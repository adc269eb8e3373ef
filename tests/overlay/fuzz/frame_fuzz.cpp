// Fuzz target for the frame shape calls: frame geometry (sizes, padding,
// bottom-up or bad strides) and shape arguments (fractions far outside the
// frame, NaN, infinities, huge thicknesses) come from the input. Every plane
// is allocated at exactly its size, so AddressSanitizer sees any write
// outside it.
#include "Dravik.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

class Input {
public:
    Input(const uint8_t *data, size_t size) : data_(data), size_(size) {}
    bool empty() const { return pos_ >= size_; }
    uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    uint32_t word()
    {
        uint32_t w = 0;
        for (int i = 0; i < 4; ++i)
            w |= uint32_t(byte()) << (8 * i);
        return w;
    }
    // Mostly fractions from -2 to 2 in steps of 1/32; now and then any float.
    float position()
    {
        const uint8_t b = byte();
        if (b == 0xFF) {
            const uint32_t w = word();
            float f;
            memcpy(&f, &w, sizeof f);
            return f;
        }
        return (int(b) - 64) / 32.0f;
    }
    uint32_t thickness()
    {
        const uint8_t b = byte();
        return b == 0xFF ? word() : b % 24;
    }

private:
    const uint8_t *data_;
    size_t size_, pos_ = 0;
};

struct Plane {
    std::vector<uint8_t> bytes;
    uint8_t *first;
    int32_t stride;
};

Plane makePlane(int width, int rows, int pad, bool bottomUp)
{
    Plane p;
    const int stride = width + pad;
    // Exactly the bytes the rows need: no slack after the last one.
    p.bytes.resize(size_t(stride) * (rows - 1) + width);
    p.first = bottomUp ? p.bytes.data() + size_t(stride) * (rows - 1)
                       : p.bytes.data();
    p.stride = bottomUp ? -stride : stride;
    return p;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Input in(data, size);
    const int width = in.byte() % 97, height = in.byte() % 97;
    const uint8_t layout = in.byte();
    const int pad = layout & 7;
    const bool bottomUp = layout & 8;

    DravikFrame frame{};
    frame.width = width;
    frame.height = height;
    Plane planes[3];
    if (width > 0 && height > 0) {
        const int cw = (width + 1) / 2, ch = (height + 1) / 2;
        planes[0] = makePlane(width, height, pad, bottomUp);
        planes[1] = makePlane(cw, ch, pad, bottomUp);
        planes[2] = makePlane(cw, ch, pad, bottomUp);
        for (int i = 0; i < 3; ++i) {
            frame.plane[i] = planes[i].first;
            frame.stride[i] = planes[i].stride;
        }
        if (layout & 16) {  // a stride too small for its rows: refused
            int32_t &stride = frame.stride[layout >> 6];
            stride += stride > 0 ? -1 - pad : 1 + pad;
        }
    }

    while (!in.empty()) {
        const uint8_t op = in.byte() % 3;
        if (op == 0) {
            const float x1 = in.position(), y1 = in.position();
            const float x2 = in.position(), y2 = in.position();
            Dravik_DrawLine(x1, y1, x2, y2, in.thickness(), in.word(), &frame, 0);
        } else if (op == 1) {
            const float x1 = in.position(), y1 = in.position();
            const float x2 = in.position(), y2 = in.position();
            const uint32_t t = in.thickness(), colour = in.word();
            Dravik_DrawRectangle(x1, y1, x2, y2, t, colour, 0, in.byte() % 3,
                                 &frame, 0);
        } else {
            std::vector<float> points(2 * (in.byte() % 8));
            for (float &p : points)
                p = in.position();
            Dravik_DrawPloygon(uint32_t(points.size() / 2), points.data(),
                               in.thickness(), in.word(), 0, 0, &frame, 0);
        }
    }
    return 0;
}
