#include "text_bitmap.h"

#include "Dravik.h"

#include <gdiplus.h>

namespace dravik {

using namespace Gdiplus::DllExports;

TextBitmap::~TextBitmap()
{
    release();
    if (dc_)
        DeleteDC(dc_);
}

int TextBitmap::create(int width, int height)
{
    release();
    if (!dc_ && !(dc_ = CreateCompatibleDC(nullptr)))
        return DRAVIK_E_BITMAP;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // positive: bottom row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
    if (!bitmap_) {
        bits_ = nullptr;
        return DRAVIK_E_BITMAP;
    }
    previous_ = SelectObject(dc_, bitmap_);
    if (GdipCreateFromHDC(dc_, &graphics_) != Gdiplus::Ok) {
        graphics_ = nullptr;
        release();
        return DRAVIK_E_NOMEM;
    }
    return DRAVIK_OK;
}

void TextBitmap::release()
{
    if (graphics_)
        GdipDeleteGraphics(graphics_);
    graphics_ = nullptr;
    if (bitmap_) {
        SelectObject(dc_, previous_);
        DeleteObject(bitmap_);
    }
    bitmap_ = nullptr;
    previous_ = nullptr;
    bits_ = nullptr;
}

const uint8_t *TextBitmap::bgr()
{
    // GDI+ and GDI may batch their drawing; the memory must hold it all.
    if (graphics_)
        GdipFlush(graphics_, Gdiplus::FlushIntentionSync);
    GdiFlush();
    return static_cast<const uint8_t *>(bits_);
}

}  // namespace dravik
