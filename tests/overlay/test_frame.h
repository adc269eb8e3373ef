// An I420 frame for tests: planes with row padding and guard bytes around
// them, all filled with a pattern, so that any write outside the samples
// shows up when two frames are compared.
#pragma once

#include "Dravik.h"

#include <cstdint>
#include <random>
#include <vector>

struct TestFrame {
    static constexpr int kGuard = 64;

    // pad: extra bytes per row; bottomUp: negative strides, plane pointers
    // at the last row of their buffers.
    TestFrame(int width, int height, int pad = 0, bool bottomUp = false,
              uint32_t seed = 1)
        : width(width), height(height)
    {
        const int cw = (width + 1) / 2, ch = (height + 1) / 2;
        const int widths[3] = {width, cw, cw}, heights[3] = {height, ch, ch};
        std::mt19937 rng(seed);
        for (int i = 0; i < 3; ++i) {
            const int stride = widths[i] + pad;
            buffers[i].resize(2 * kGuard + size_t(stride) * heights[i]);
            for (auto &b : buffers[i])
                b = uint8_t(rng());
            uint8_t *first = buffers[i].data() + kGuard;
            frame.plane[i] =
                bottomUp ? first + size_t(stride) * (heights[i] - 1) : first;
            frame.stride[i] = bottomUp ? -stride : stride;
        }
        frame.width = width;
        frame.height = height;
    }
    TestFrame(const TestFrame &other) : TestFrame(other.width, other.height)
    {
        *this = other;
    }
    TestFrame &operator=(const TestFrame &other)
    {
        width = other.width;
        height = other.height;
        frame = other.frame;
        for (int i = 0; i < 3; ++i) {
            buffers[i] = other.buffers[i];
            frame.plane[i] =
                buffers[i].data() + (other.frame.plane[i] - other.buffers[i].data());
        }
        return *this;
    }

    uint8_t &y(int r, int c) { return frame.plane[0][r * frame.stride[0] + c]; }
    uint8_t &u(int r, int c) { return frame.plane[1][r * frame.stride[1] + c]; }
    uint8_t &v(int r, int c) { return frame.plane[2][r * frame.stride[2] + c]; }

    // Number of bytes, guards and padding included, that differ.
    size_t diff(const TestFrame &other) const
    {
        size_t n = 0;
        for (int i = 0; i < 3; ++i) {
            if (buffers[i].size() != other.buffers[i].size())
                return SIZE_MAX;
            for (size_t k = 0; k < buffers[i].size(); ++k)
                n += buffers[i][k] != other.buffers[i][k];
        }
        return n;
    }

    int width, height;
    DravikFrame frame{};
    std::vector<uint8_t> buffers[3];
};
