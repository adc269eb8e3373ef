// The text engine on Windows: GDI+ through its flat interface.
#include "gdiplus_text.h"

#include <new>

namespace dravik {

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

namespace {

// All with engineMutex held.
ULONG_PTR engineToken = 0;
// Texts are measured before their bitmap exists, on a memory DC of the
// engine's own.
HDC measureDC = nullptr;
GpGraphics *measureGraphics = nullptr;

// The family of that name, or the generic sans-serif one, with a font of
// it; false when neither can be had.
bool makeFont(const std::u16string &name, double pixelSize, FontWeight weight,
              Fallback fallback, TextLayout::Native &n)
{
    const INT style = weight == FontWeight::Bold ? FontStyleBold : FontStyleRegular;
    const REAL size = static_cast<REAL>(pixelSize);
    auto fontOf = [&](GpFontFamily *family) {
        n.family = family;
        return GdipCreateFont(family, size, style, UnitPixel, &n.font) == Ok;
    };
    GpFontFamily *family = nullptr;
    if (GdipCreateFontFamilyFromName(reinterpret_cast<const WCHAR *>(name.c_str()),
                                     nullptr, &family) == Ok &&
        fontOf(family))
        return true;
    if (n.family)
        GdipDeleteFontFamily(n.family);
    n.family = nullptr;
    if (fallback == Fallback::Nothing)
        return false;
    family = nullptr;
    return GdipGetGenericFontFamilySansSerif(&family) == Ok && fontOf(family);
}

}  // namespace

void startTextEngine()
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

void stopTextEngine()
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

std::u16string decodeText(const char *text)
{
    const int units = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (units <= 1)
        return {};
    try {
        std::u16string wide(static_cast<size_t>(units), u'\0');
        MultiByteToWideChar(CP_ACP, 0, text, -1, reinterpret_cast<WCHAR *>(&wide[0]),
                            units);
        wide.resize(static_cast<size_t>(units) - 1);  // the terminator
        return wide;
    } catch (const std::bad_alloc &) {
        return {};
    }
}

TextLayout::TextLayout(const std::u16string &text, const std::u16string &fontName,
                       double pixelSize, FontWeight weight, Fallback fallback)
{
    if (!measureGraphics)
        return;
    native_.reset(new (std::nothrow) Native);
    if (!native_ || !makeFont(fontName, pixelSize, weight, fallback, *native_)) {
        native_.reset();
        return;
    }
    native_->text = text;
    const RectF origin(0, 0, 0, 0);  // no layout size: no wrapping, no cut
    RectF box;
    if (GdipMeasureString(measureGraphics, native_->wide(),
                          static_cast<INT>(native_->text.size()), native_->font,
                          &origin, nullptr, &box, nullptr, nullptr) == Ok)
        box_ = {box.X, box.Y, box.Width, box.Height};
}

TextLayout::~TextLayout() = default;

}  // namespace dravik
