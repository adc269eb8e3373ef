// The word surface's bitmap on Windows: a 24-bit bottom-up DIB section
// selected into a memory DC, with a GDI+ graphics object on it.
#include "text_bitmap.h"

#include "Dravik.h"
#include "colour.h"
#include "gdiplus_text.h"

#include <new>

namespace dravik {

using namespace Gdiplus::DllExports;

struct TextBitmap::Native {
    HDC dc = nullptr;  // made with the first bitmap, kept until the end
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    void *bits = nullptr;
    Gdiplus::GpGraphics *graphics = nullptr;

    void release()
    {
        if (graphics)
            GdipDeleteGraphics(graphics);
        graphics = nullptr;
        if (bitmap) {
            SelectObject(dc, previous);
            DeleteObject(bitmap);
        }
        bitmap = nullptr;
        previous = nullptr;
        bits = nullptr;
    }
    ~Native()
    {
        release();
        if (dc)
            DeleteDC(dc);
    }
};

TextBitmap::TextBitmap() = default;
TextBitmap::~TextBitmap() = default;

int TextBitmap::create(int width, int height)
{
    release();
    if (!native_)
        native_.reset(new (std::nothrow) Native);
    if (!native_)
        return DRAVIK_E_NOMEM;
    Native &n = *native_;
    if (!n.dc && !(n.dc = CreateCompatibleDC(nullptr)))
        return DRAVIK_E_BITMAP;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // positive: bottom row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    n.bitmap = CreateDIBSection(n.dc, &info, DIB_RGB_COLORS, &n.bits, nullptr, 0);
    if (!n.bitmap) {
        n.bits = nullptr;
        return DRAVIK_E_BITMAP;
    }
    n.previous = SelectObject(n.dc, n.bitmap);
    if (GdipCreateFromHDC(n.dc, &n.graphics) != Gdiplus::Ok) {
        n.graphics = nullptr;
        release();
        return DRAVIK_E_NOMEM;
    }
    return DRAVIK_OK;
}

void TextBitmap::release()
{
    if (native_)
        native_->release();
}

void TextBitmap::draw(const TextLayout &layout, uint32_t backColor,
                      uint32_t textColor)
{
    if (!native_ || !native_->graphics)
        return;
    fillRectangle(native_->graphics, 0, 0, layout.width(), layout.height(),
                  opaqueArgb(backColor));
    showLayout(native_->graphics, layout, 0, 0, opaqueArgb(textColor));
}

const uint8_t *TextBitmap::bgr()
{
    if (!native_)
        return nullptr;
    // GDI+ and GDI may batch their drawing; the memory must hold it all.
    if (native_->graphics)
        GdipFlush(native_->graphics, Gdiplus::FlushIntentionSync);
    GdiFlush();
    return static_cast<const uint8_t *>(native_->bits);
}

}  // namespace dravik
