// What the engine needs from the system besides libmpv: text decoding, the
// X11 window check and a look for an audio output.
#ifndef TORMO_PLATFORM_H
#define TORMO_PLATFORM_H

#include <cstdint>
#include <optional>
#include <string>

namespace tormo {

// GBK (read as GB18030, its superset) to UTF-8; nothing for invalid input.
std::optional<std::string> gbkToUtf8(const std::string &gbk);

// True when `window` is an existing, drawable, non-root window on the X
// display named by DISPLAY. Qt's offscreen platform hands out made-up ids;
// embedding into one of those floods the player with BadWindow errors.
bool isX11Window(uintptr_t window);

// True when there is a sound server or an ALSA playback device. Without one
// the player would probe every audio back end, slowly and noisily.
bool hasAudioOutput();

}  // namespace tormo

#endif
