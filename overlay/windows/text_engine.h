// The text engine: GDI+ through its flat interface, shared by all word
// contexts of the process.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace Gdiplus {
class GpFont;
class GpFontFamily;
class GpGraphics;
}  // namespace Gdiplus

namespace dravik {

// Live word contexts and host starts, counting the one a call without a
// context slot uses for its duration, changed with InterlockedIncrement and
// InterlockedDecrement. GDI+ runs while it is above zero: the acquire that
// brings it to 1 starts it, the release that brings it to 0 shuts it down.
class EngineCount {
public:
    uint32_t load() const
    {
        return static_cast<uint32_t>(InterlockedCompareExchange(&value_, 0, 0));
    }
    LONG increment() { return InterlockedIncrement(&value_); }
    LONG decrement() { return InterlockedDecrement(&value_); }

private:
    mutable volatile LONG value_ = 0;
};

extern EngineCount engineRefCount;
void engineAcquire();
void engineRelease();

enum class FontWeight { Regular, Bold };
// What a font name that names no installed family draws in.
enum class Fallback { SansSerif, Nothing };

// A word context's text and font name, at most 255 bytes, never need more
// UTF-16 code units than this.
inline constexpr size_t kWordMaxUnits = 255;

// `text` in the ANSI code page as UTF-16, cut to at most `maxUnits` code
// units (never inside a surrogate pair). Bytes that are no character of the
// code page become the system's replacement character.
std::wstring wideFromAnsi(const char *text, size_t maxUnits);

// One line of text laid out with the running engine. Holds the engine's
// lock for its lifetime: starting and stopping GDI+ and the graphics object
// everything is measured with are shared, so measuring and drawing are
// serialised.
class TextLayout {
public:
    // `fontName` names an installed family (as GDI+ finds it); otherwise
    // the generic sans-serif family is used, or with Fallback::Nothing the
    // layout is not valid. Text and name are in the ANSI code page and are
    // cut to `maxUnits` UTF-16 code units.
    TextLayout(const char *text, const char *fontName, uint32_t pixelSize,
               FontWeight weight = FontWeight::Bold,
               Fallback fallback = Fallback::SansSerif,
               size_t maxUnits = kWordMaxUnits);
    ~TextLayout();
    TextLayout(const TextLayout &) = delete;
    TextLayout &operator=(const TextLayout &) = delete;

    // False while the engine is stopped, or for an unknown family without
    // fallback: there is nothing to measure or draw then.
    bool valid() const { return font_ != nullptr; }
    // The box from the layout origin to the far edge of the measured
    // bounding box, truncated.
    int width() const { return width_; }
    int height() const { return height_; }
    // The bounding box GdipMeasureString gave for the origin (0, 0).
    float boxX() const { return box_[0]; }
    float boxY() const { return box_[1]; }
    float boxWidth() const { return box_[2]; }
    float boxHeight() const { return box_[3]; }

    // Fills the box (0, 0, width, height) with `backColor` and draws the
    // text over it in `textColor`, both opaque COLORREFs.
    void draw(Gdiplus::GpGraphics *g, uint32_t backColor,
              uint32_t textColor) const;
    // Draws the text in an ARGB colour with its layout origin at (x, y).
    void show(Gdiplus::GpGraphics *g, float x, float y, uint32_t argb) const;

private:
    std::wstring text_;
    Gdiplus::GpFontFamily *family_ = nullptr;
    Gdiplus::GpFont *font_ = nullptr;
    float box_[4] = {};
    int width_ = 0, height_ = 0;
};

// Fills the integer rectangle with an ARGB colour.
void fillRectangle(Gdiplus::GpGraphics *g, int x, int y, int width, int height,
                   uint32_t argb);

// An opaque ARGB colour from a COLORREF: alpha 255, then R, G, B.
uint32_t opaqueArgb(uint32_t colorref);

}  // namespace dravik
