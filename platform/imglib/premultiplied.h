// Premultiplied colour as vector renderers keep it: each colour byte
// scaled by alpha / 255, rounded to nearest, and divided out again on the
// way back. Kept apart from any renderer so the arithmetic is the same for
// all of them.
#pragma once

#include <cstdint>

namespace imglib::premultiplied {

// c * a / 255, rounded to nearest.
inline constexpr uint8_t scale(uint32_t c, uint32_t a) { return uint8_t((c * a + 127) / 255); }

// The straight byte back from a premultiplied one under alpha a > 0:
// c * 255 / a rounded to nearest, held to 255.
inline constexpr uint8_t unscale(uint32_t c, uint32_t a) {
    const uint32_t v = (c * 255 + a / 2) / a;
    return uint8_t(v > 255 ? 255 : v);
}

// The native-endian word 0xAARRGGBB of a straight pixel (red, green, blue,
// alpha bytes), premultiplied.
inline constexpr uint32_t argb_word(const uint8_t* rgba) {
    const uint32_t a = rgba[3];
    return a << 24 | uint32_t(scale(rgba[0], a)) << 16 | uint32_t(scale(rgba[1], a)) << 8 | scale(rgba[2], a);
}

// The straight pixel of a premultiplied word; alpha 0 gives (0, 0, 0, 0).
inline constexpr void straight_pixel(uint32_t word, uint8_t* rgba) {
    const uint32_t a = word >> 24;
    if (a == 0) {
        rgba[0] = rgba[1] = rgba[2] = rgba[3] = 0;
        return;
    }
    rgba[0] = unscale(word >> 16 & 0xFF, a);
    rgba[1] = unscale(word >> 8 & 0xFF, a);
    rgba[2] = unscale(word & 0xFF, a);
    rgba[3] = uint8_t(a);
}

}  // namespace imglib::premultiplied
