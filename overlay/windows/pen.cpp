// The drawing-context family's pen on GDI.
#include "pen.h"

#include <climits>

namespace dravik {

Pen::Pen(DravikDC dc, uint32_t width, uint32_t colorref)
    : dc_(dc),
      // GDI takes the width as an int; the whole COLORREF goes to the pen.
      pen_(CreatePen(PS_SOLID, width > INT_MAX ? INT_MAX : int(width), colorref))
{
    if (pen_)
        previous_ = SelectObject(dc_, pen_);
}

Pen::~Pen()
{
    if (!pen_)
        return;
    SelectObject(dc_, previous_);
    DeleteObject(pen_);
}

void Pen::moveTo(PenPoint p)
{
    if (pen_)
        MoveToEx(dc_, p.x, p.y, nullptr);
}

void Pen::lineTo(PenPoint p)
{
    if (pen_)
        LineTo(dc_, p.x, p.y);
}

}  // namespace dravik
