// The text engine, one contract for every platform: the core (text.cpp)
// counts its users, starts and stops it and keeps the rules every platform
// shares; the platform (linux/: Pango on cairo with fontconfig, windows/:
// GDI+) decodes texts, lays them out and draws them.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace dravik {

// Live word contexts and host starts, counting the one a call without a
// context slot uses for its duration. The engine runs while it is above
// zero: the acquire that brings it to 1 starts it, the release that brings
// it to 0 stops it.
extern std::atomic<uint32_t> engineRefCount;
void engineAcquire();
void engineRelease();

// Held while the engine starts or stops, and by every text layout for its
// lifetime: what the platform's engine holds is shared and not thread-safe,
// so measuring and drawing are serialised.
extern std::mutex engineMutex;

// The platform's start and stop, called with engineMutex held.
void startTextEngine();
void stopTextEngine();

// A text in the library's encoding (UTF-8 on Linux, the ANSI code page on
// Windows) as UTF-16; bytes that are no character become replacement
// characters. Empty when there is no memory for it.
std::u16string decodeText(const char *text);

// Cuts `text` to at most `units` code units, never inside a surrogate pair.
void cutToUnits(std::u16string &text, size_t units);

enum class FontWeight { Regular, Bold };
// What a font name that names no installed family draws in.
enum class Fallback { SansSerif, Nothing };

// A text's box in pixels, from its layout origin, as the engine measured it.
struct TextBox {
    float x = 0, y = 0, width = 0, height = 0;
};

// One line of text (or a few, at line breaks) laid out with the running
// engine, holding engineMutex for its lifetime. Not valid while the engine
// is stopped, or for a font name that names no installed family with
// Fallback::Nothing (names are matched as the platform's engine finds
// families: on Linux case-insensitively in ASCII, localised names too).
class TextLayout {
public:
    TextLayout(const std::u16string &text, const std::u16string &fontName,
               double pixelSize, FontWeight weight, Fallback fallback);
    ~TextLayout();
    TextLayout(const TextLayout &) = delete;
    TextLayout &operator=(const TextLayout &) = delete;

    bool valid() const { return native_ != nullptr; }
    const TextBox &box() const { return box_; }
    // The box's far edges from the origin, truncated (the sums in float):
    // the width and height the text takes from its origin.
    int width() const { return farEdge(box_.x, box_.width); }
    int height() const { return farEdge(box_.y, box_.height); }

    // What the platform made; only its own files know it.
    struct Native;
    const Native &native() const { return *native_; }

private:
    static int farEdge(float offset, float size)
    {
        const float edge = offset + size;
        return edge > 0 ? static_cast<int>(edge) : 0;
    }

    std::lock_guard<std::mutex> lock_{engineMutex};
    std::unique_ptr<Native> native_;
    TextBox box_;
};

}  // namespace dravik
