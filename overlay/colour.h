// Colours as the exports take them (COLORREF, 0x00BBGGRR) split into what
// the rasterisers and the platforms' pens and text engines take.
#pragma once

#include <cstdint>

namespace dravik {

struct Rgb {
    uint8_t r, g, b;
};

// Bytes 0 to 2; the top byte is not read.
inline Rgb rgbOf(uint32_t colorref)
{
    return {uint8_t(colorref & 0xFF), uint8_t((colorref >> 8) & 0xFF),
            uint8_t((colorref >> 16) & 0xFF)};
}

// The text engines' colour: alpha in the top byte, then R, G and B.
inline uint32_t argbOf(uint32_t colorref, uint8_t alpha)
{
    const Rgb c = rgbOf(colorref);
    return uint32_t{alpha} << 24 | uint32_t{c.r} << 16 | uint32_t{c.g} << 8 | c.b;
}

inline uint32_t opaqueArgb(uint32_t colorref) { return argbOf(colorref, 0xFF); }

// An opacity in percent as an alpha byte: opacity * 255 / 100 in unsigned
// 32-bit arithmetic, the low byte taken (50 gives 127).
inline uint8_t alphaOf(uint32_t opacity) { return uint8_t(opacity * 255u / 100u); }

}  // namespace dravik
