// What the drawing-context tests draw on here: a black 200 x 200 top-down
// DIB section in a memory DC whose viewport origin is (origin, origin), so
// that with the default 100 positions -100 .. 99 show.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdint>
#include <cstring>

class Canvas {
public:
    explicit Canvas(int origin = 100) : origin_(origin), dc_(CreateCompatibleDC(nullptr))
    {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = 200;
        info.bmiHeader.biHeight = -200;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        info.bmiHeader.biCompression = BI_RGB;
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
        previous_ = SelectObject(dc_, bitmap_);
        memset(bits_, 0, kStride * 200);
        SetViewportOrgEx(dc_, origin, origin, nullptr);
    }
    ~Canvas()
    {
        SelectObject(dc_, previous_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    Canvas(const Canvas &) = delete;
    Canvas &operator=(const Canvas &) = delete;
    HDC dc() const { return dc_; }

    // The 0xRRGGBB at position (x, y).
    uint32_t at(int x, int y) const
    {
        GdiFlush();
        const auto *p = static_cast<const uint8_t *>(bits_) +
                        (y + origin_) * kStride + (x + origin_) * 3;
        return uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
    }
    bool painted(int x, int y) const { return at(x, y) != 0; }
    int paintedCount() const
    {
        int n = 0;
        for (int y = -origin_; y < 200 - origin_; ++y)
            for (int x = -origin_; x < 200 - origin_; ++x)
                n += painted(x, y);
        return n;
    }

private:
    static constexpr int kStride = 600;  // 200 pixels of 3 bytes, no padding
    int origin_;
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ previous_;
    void *bits_ = nullptr;
};
