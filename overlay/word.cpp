// The frame text exports: word contexts, rendering on change, and the copy
// of the cached text box into frames.
#include "word.h"

#include "converter.h"
#include "raster.h"
#include "text_engine.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

using namespace dravik;

namespace {

constexpr uint32_t kPositionScale = 10000;

// Fraction to ten-thousandths: truncated to 64 bits, low 32 bits taken as
// unsigned, modulo 10000 (so 1.0 wraps to 0 and -0.25 gives 4796). False
// when the fraction has no 64-bit value (NaN, infinite, huge).
bool toTenThousandths(float fraction, uint32_t *out)
{
    const double t = static_cast<double>(fraction) * 10000.0;
    if (!(std::fabs(t) < 9.2e18))
        return false;
    *out = static_cast<uint32_t>(static_cast<int64_t>(t)) % kPositionScale;
    return true;
}

bool fits(const char *s, size_t field)
{
    return s && s[0] && strnlen(s, field) < field;
}

template <size_t N>
bool storeString(char (&field)[N], const char *value)
{
    if (strcmp(field, value) == 0)
        return false;
    memset(field, 0, N);
    memcpy(field, value, strlen(value));
    return true;
}

int render(DravikWordContext *ctx)
{
    ctx->rendered = false;
    WordSurface &s = ctx->surface;
    try {
        // 255 bytes are never more than 255 UTF-16 code units: no cut.
        TextLayout layout(decodeText(ctx->text), decodeText(ctx->fontName),
                          ctx->fontSize, FontWeight::Bold, Fallback::SansSerif);
        if (int rc = s.fit(layout.width(), layout.height()))
            return rc;
        ctx->textRect.width = layout.width();
        ctx->textRect.height = layout.height();
        s.bitmap.draw(layout, ctx->backColor, ctx->textColor);
    } catch (const std::bad_alloc &) {
        return DRAVIK_E_NOMEM;  // no exception leaves the library
    }
    if (int rc = convertBgrToYuv(s.bitmap.bgr(), s.width, s.height, s.yuv.get()))
        return rc;
    ctx->rendered = true;
    return DRAVIK_OK;
}

// Copies the text box into the frame, moved up or left until it fits and
// cut only where it is larger than the frame.
int copyInto(const DravikWordContext *ctx, const DravikFrame *frame)
{
    const WordSurface &s = ctx->surface;
    if (!ctx->rendered || !s.yuv)
        return DRAVIK_E_NO_IMAGE;
    const int64_t fw = frame->width, fh = frame->height;
    int64_t row0 = ctx->posY * fh / kPositionScale;
    int64_t col0 = ctx->posX * fw / kPositionScale;
    if (row0 > fh || col0 > fw)
        return DRAVIK_E_POSITION;
    int64_t h = ctx->textRect.height, w = ctx->textRect.width;
    if (row0 + h > fh) {
        h = std::min(h, fh);
        row0 = fh - h;
    }
    if (col0 + w > fw) {
        w = std::min(w, fw);
        col0 = fw - w;
    }
    if (w <= 0 || h <= 0)
        return DRAVIK_OK;

    const int64_t sw = s.width, cw = s.width / 2;
    const uint8_t *sy = s.yuv.get();
    const uint8_t *su = sy + sw * s.height;
    const uint8_t *sv = su + cw * (s.height / 2);
    for (int64_t i = 0; i < h; ++i)
        memcpy(frame->plane[0] + (row0 + i) * frame->stride[0] + col0,
               sy + i * sw, w);
    for (int64_t i = 0; i < h / 2; ++i) {
        const int64_t row = row0 / 2 + i;
        memcpy(frame->plane[1] + row * frame->stride[1] + col0 / 2,
               su + i * cw, w / 2);
        memcpy(frame->plane[2] + row * frame->stride[2] + col0 / 2,
               sv + i * cw, w / 2);
    }
    return DRAVIK_OK;
}

DravikWordContext *newContext()
{
    auto *ctx = new (std::nothrow) DravikWordContext;
    if (ctx)
        engineAcquire();
    return ctx;
}

void releaseContext(DravikWordContext *ctx)
{
    delete ctx;
    engineRelease();
}

}  // namespace

namespace dravik {

void WordSurface::release()
{
    bitmap.release();
    yuv.reset();
    width = height = 0;
}

int WordSurface::fit(int w, int h)
{
    // Always larger than the box: w = 3 gives 4, w = 4 gives 8.
    const int newWidth = (w + 4) & ~3, newHeight = (h + 4) & ~3;
    if (newWidth <= width && newHeight <= height)
        return DRAVIK_OK;
    release();
    const int64_t area = int64_t{newWidth} * newHeight;
    if (newWidth > kMaxSurfaceSide || newHeight > kMaxSurfaceSide ||
        area > kMaxSurfacePixels)
        return DRAVIK_E_BITMAP;
    yuv.reset(new (std::nothrow) uint8_t[area * 3 / 2]);
    if (!yuv)
        return DRAVIK_E_NOMEM;
    if (int rc = bitmap.create(newWidth, newHeight)) {
        release();
        return rc;
    }
    width = newWidth;
    height = newHeight;
    return DRAVIK_OK;
}

}  // namespace dravik

unsigned DravikWordContext::update(const WordAttributes &a)
{
    unsigned mask = 0;
    auto store = [&mask](uint32_t &field, uint32_t value, unsigned bit) {
        if (field != value) {
            field = value;
            mask |= bit;
        }
    };
    store(backColor, a.backColor, kBackColorChanged);
    store(lineWidth, a.lineWidth, kLineWidthChanged);
    store(fontSize, a.fontSize, kFontSizeChanged);
    store(textColor, a.textColor, kTextColorChanged);
    if (storeString(text, a.text))
        mask |= kTextChanged;
    if (storeString(fontName, a.fontName))
        mask |= kFontNameChanged;
    return mask;
}

extern "C" {

DRAVIK_API int DRAVIK_CALL
Dravik_DrawWord(float x, float y, uint32_t, uint32_t, uint32_t lineWidth,
                uint32_t backColor, const char *text, uint32_t fontSize,
                uint32_t, const char *fontName, uint32_t textColor,
                DravikFrame *frame, DravikWordContext **slot, uint32_t)
{
    const WordAttributes attributes{backColor, lineWidth, fontSize & 0xFF,
                                    textColor, fontName, text};
    Planes planes;
    uint32_t posX, posY;
    if (!fits(text, sizeof DravikWordContext::text) || attributes.fontSize == 0 ||
        !fits(fontName, sizeof DravikWordContext::fontName) ||
        checkFrame(frame, &planes) != DRAVIK_OK || !toTenThousandths(x, &posX) ||
        !toTenThousandths(y, &posY))
        return DRAVIK_E_PARAM;

    DravikWordContext *ctx = slot ? *slot : nullptr;
    const bool fresh = !ctx;
    if (fresh && !(ctx = newContext()))
        return DRAVIK_E_CONTEXT;
    const unsigned changes = ctx->update(attributes);
    ctx->posX = posX;
    ctx->posY = posY;

    int rc = DRAVIK_OK;
    if (changes != 0 || !ctx->rendered)
        rc = render(ctx);
    // A new context that could not be rendered is not handed over: the slot
    // stays empty and nothing leaks.
    const bool keep = slot && !(fresh && !ctx->rendered);
    if (rc == DRAVIK_OK)
        rc = copyInto(ctx, frame);
    if (keep)
        *slot = ctx;
    else
        releaseContext(ctx);
    return rc;
}

DRAVIK_API void DRAVIK_CALL Dravik_DrawEnd(DravikWordContext **slot)
{
    if (!slot || !*slot)
        return;
    releaseContext(*slot);
    *slot = nullptr;
}

}  // extern "C"
