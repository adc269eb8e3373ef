// The text engine: Pango on Cairo with fontconfig, shared by all word
// contexts of the process.
#pragma once

#include <pango/pangocairo.h>

#include <atomic>
#include <cstdint>
#include <mutex>

namespace dravik {

// Live word contexts, counting the one a call without a context slot uses
// for its duration. The engine (font map and installed family names) runs
// while it is above zero: the first acquire starts it, the last release
// stops it.
extern std::atomic<uint32_t> engineRefCount;
void engineAcquire();
void engineRelease();

enum class FontWeight { Regular, Bold };
// What a font name that names no installed family draws in.
enum class Fallback { SansSerif, Nothing };

// One line (or a few, at line breaks) of text laid out with the running
// engine. Holds the engine's lock for its lifetime: the font map is shared
// and not thread-safe, so measuring and drawing are serialised.
class TextLayout {
public:
    // `fontName` names an installed family, matched case-insensitively in
    // ASCII; otherwise the generic sans-serif family is used, or with
    // Fallback::Nothing the layout is not valid. `text` is UTF-8; invalid
    // bytes become replacement characters.
    TextLayout(const char *text, const char *fontName, uint32_t pixelSize,
               FontWeight weight = FontWeight::Bold,
               Fallback fallback = Fallback::SansSerif);
    ~TextLayout();
    TextLayout(const TextLayout &) = delete;
    TextLayout &operator=(const TextLayout &) = delete;

    // False while the engine is stopped, or for an unknown family without
    // fallback: there is nothing to measure or draw then.
    bool valid() const { return layout_ != nullptr; }
    // The box from the layout origin to the far edge of the logical extent.
    int width() const { return width_; }
    int height() const { return height_; }

    // Fills the box (0, 0, width, height) with `backColor` and draws the
    // text over it in `textColor`, both opaque COLORREFs.
    void draw(cairo_t *cr, uint32_t backColor, uint32_t textColor) const;
    // Draws the text with the context's source, its layout origin at (x, y).
    void show(cairo_t *cr, double x, double y) const;

private:
    std::lock_guard<std::mutex> lock_;
    PangoLayout *layout_ = nullptr;
    int width_ = 0, height_ = 0;
};

}  // namespace dravik
