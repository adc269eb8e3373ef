// The drawing-context family's pen on GDI.
#include "pen.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <climits>
#include <new>

namespace dravik {

struct Pen::Native {
    HDC dc;
    HPEN pen;
    HGDIOBJ previous;
};

Pen::Pen(DravikDC dc, uint32_t width, uint32_t colorref)
{
    // GDI takes the width as an int; the whole COLORREF goes to the pen.
    HPEN pen = CreatePen(PS_SOLID, width > INT_MAX ? INT_MAX : int(width), colorref);
    if (!pen)
        return;
    native_.reset(new (std::nothrow) Native{dc, pen, nullptr});
    if (!native_) {
        DeleteObject(pen);
        return;
    }
    native_->previous = SelectObject(dc, pen);
}

Pen::~Pen()
{
    if (!native_)
        return;
    SelectObject(native_->dc, native_->previous);
    DeleteObject(native_->pen);
}

void Pen::moveTo(PenPoint p)
{
    if (native_)
        MoveToEx(native_->dc, p.x, p.y, nullptr);
}

void Pen::lineTo(PenPoint p)
{
    if (native_)
        LineTo(native_->dc, p.x, p.y);
}

}  // namespace dravik
