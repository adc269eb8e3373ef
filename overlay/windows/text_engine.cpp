#include "text_engine.h"

#include <gdiplus.h>

#include <algorithm>
#include <new>

namespace dravik {

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

EngineCount engineRefCount;

namespace {

// Guards starting and stopping the engine and every use of the graphics
// object that texts are measured with.
SRWLOCK engineLock = SRWLOCK_INIT;
ULONG_PTR engineToken = 0;
// Texts are measured before their bitmap exists, on a memory DC of the
// engine's own.
HDC measureDC = nullptr;
GpGraphics *measureGraphics = nullptr;

void startEngine()
{
    GdiplusStartupInput input;  // version 1, no debug callback
    if (GdiplusStartup(&engineToken, &input, nullptr) != Ok) {
        engineToken = 0;
        return;
    }
    measureDC = CreateCompatibleDC(nullptr);
    if (measureDC && GdipCreateFromHDC(measureDC, &measureGraphics) != Ok)
        measureGraphics = nullptr;
}

void stopEngine()
{
    if (measureGraphics)
        GdipDeleteGraphics(measureGraphics);
    if (measureDC)
        DeleteDC(measureDC);
    measureGraphics = nullptr;
    measureDC = nullptr;
    if (engineToken)
        GdiplusShutdown(engineToken);
    engineToken = 0;
}

// The family of that name, or the generic sans-serif one, with a font of
// it; both null when neither can be had.
void makeFont(const std::wstring &name, uint32_t pixelSize, FontWeight weight,
              Fallback fallback, GpFontFamily **family, GpFont **font)
{
    const INT style = weight == FontWeight::Bold ? FontStyleBold : FontStyleRegular;
    const REAL size = static_cast<REAL>(pixelSize);
    *family = nullptr;
    *font = nullptr;
    if (GdipCreateFontFamilyFromName(name.c_str(), nullptr, family) == Ok &&
        GdipCreateFont(*family, size, style, UnitPixel, font) == Ok)
        return;
    if (*family)
        GdipDeleteFontFamily(*family);
    *family = nullptr;
    *font = nullptr;
    if (fallback == Fallback::Nothing)
        return;
    if (GdipGetGenericFontFamilySansSerif(family) == Ok &&
        GdipCreateFont(*family, size, style, UnitPixel, font) == Ok)
        return;
    if (*family)
        GdipDeleteFontFamily(*family);
    *family = nullptr;
    *font = nullptr;
}

}  // namespace

void engineAcquire()
{
    AcquireSRWLockExclusive(&engineLock);
    if (engineRefCount.increment() == 1)
        startEngine();
    ReleaseSRWLockExclusive(&engineLock);
}

void engineRelease()
{
    AcquireSRWLockExclusive(&engineLock);
    if (engineRefCount.decrement() == 0)
        stopEngine();
    ReleaseSRWLockExclusive(&engineLock);
}

std::wstring wideFromAnsi(const char *text, size_t maxUnits)
{
    const int units = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (units <= 1)
        return {};
    try {
        std::wstring wide(static_cast<size_t>(units), L'\0');
        MultiByteToWideChar(CP_ACP, 0, text, -1, &wide[0], units);
        wide.resize(static_cast<size_t>(units) - 1);  // the terminator
        if (wide.size() > maxUnits) {
            size_t cut = maxUnits;
            if (cut > 0 && IS_HIGH_SURROGATE(wide[cut - 1]))
                --cut;
            wide.resize(cut);
        }
        return wide;
    } catch (const std::bad_alloc &) {
        return {};  // no exception leaves the library: nothing is drawn
    }
}

TextLayout::TextLayout(const char *text, const char *fontName,
                       uint32_t pixelSize, FontWeight weight, Fallback fallback,
                       size_t maxUnits)
{
    AcquireSRWLockExclusive(&engineLock);
    if (!measureGraphics)
        return;
    makeFont(wideFromAnsi(fontName, maxUnits), pixelSize, weight, fallback,
             &family_, &font_);
    if (!font_)
        return;
    text_ = wideFromAnsi(text, maxUnits);
    const RectF origin(0, 0, 0, 0);  // no layout size: no wrapping, no cut
    RectF box;
    if (GdipMeasureString(measureGraphics, text_.c_str(),
                          static_cast<INT>(text_.size()), font_, &origin,
                          nullptr, &box, nullptr, nullptr) != Ok)
        return;
    box_[0] = box.X;
    box_[1] = box.Y;
    box_[2] = box.Width;
    box_[3] = box.Height;
    width_ = std::max(0, static_cast<int>(box.X + box.Width));
    height_ = std::max(0, static_cast<int>(box.Y + box.Height));
}

TextLayout::~TextLayout()
{
    if (font_)
        GdipDeleteFont(font_);
    if (family_)
        GdipDeleteFontFamily(family_);
    ReleaseSRWLockExclusive(&engineLock);
}

uint32_t opaqueArgb(uint32_t colorref)
{
    return 0xFF000000u | (colorref & 0xFF) << 16 | (colorref & 0xFF00) |
           ((colorref >> 16) & 0xFF);
}

void fillRectangle(GpGraphics *g, int x, int y, int width, int height,
                   uint32_t argb)
{
    GpSolidFill *brush = nullptr;
    if (GdipCreateSolidFill(argb, &brush) != Ok)
        return;
    GdipFillRectangleI(g, brush, x, y, width, height);
    GdipDeleteBrush(brush);
}

void TextLayout::draw(GpGraphics *g, uint32_t backColor, uint32_t textColor) const
{
    if (!g)
        return;
    fillRectangle(g, 0, 0, width_, height_, opaqueArgb(backColor));
    show(g, 0, 0, opaqueArgb(textColor));
}

void TextLayout::show(GpGraphics *g, float x, float y, uint32_t argb) const
{
    if (!font_ || !g)
        return;
    GpSolidFill *brush = nullptr;
    if (GdipCreateSolidFill(argb, &brush) != Ok)
        return;
    const RectF origin(x, y, 0, 0);
    GdipDrawString(g, text_.c_str(), static_cast<INT>(text_.size()), font_,
                   &origin, nullptr, brush);
    GdipDeleteBrush(brush);
}

}  // namespace dravik
