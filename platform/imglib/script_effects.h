// Internal to the imaging library: the numbered effects of the effect-script
// module, one row each, and what they share.
//
// Effects work on the module's pictures: packed rows of 4 bytes a pixel in
// the order blue, green, red, alpha (callers holding RGBA swap red and blue
// around a run). Colours given as values are red, green, blue, as a user
// reads them. Every value an effect reads is held to the range the effect
// documents before use, so a script file can hand any number to any value.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/imglib/effect_script.h"

namespace imglib::detail {

using EffectValues = std::array<int32_t, kEffectValueCount>;

// A picture an effect changes in place. While `pending` is set the
// picture's pixels are those at `pending` and px holds nothing yet: a warp
// samples them from there straight into px, and any other effect has them
// copied in first (settle), so a script's first warp needs no copy.
struct Bgra {
    uint8_t* px = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    const uint8_t* pending = nullptr;

    uint8_t* row(int32_t y) const { return px + size_t(y) * size_t(width) * 4; }
    uint64_t pixels() const { return uint64_t(width) * uint64_t(height); }
    void settle() {
        if (pending != nullptr) std::memcpy(px, pending, size_t(pixels()) * 4);
        pending = nullptr;
    }
};

// One effect: its number, a name for the documentation and tools, the
// values it starts with (pairs of value number and value), and its body,
// which returns false (the picture may then be half changed; the module
// keeps the caller's picture apart) when it cannot run. A body that takes a
// pending picture as it is says so with `warps`.
struct EffectKind {
    int32_t number;
    const char* name;
    std::array<std::array<int32_t, 2>, 10> defaults;
    bool (*run)(Bgra& picture, const EffectValues& values);
    bool warps = false;
};

// The row of effect `number`, or null for a number the module does not know.
const EffectKind* find_effect(int32_t number);

// Every row, in order of number.
const EffectKind* effects_begin();
const EffectKind* effects_end();

// A value held to lo..hi.
inline int32_t held(int32_t v, int32_t lo, int32_t hi) { return v < lo ? lo : v > hi ? hi : v; }

// The bodies, by family.
bool lines(Bgra&, const EffectValues&);           // 1
bool circles(Bgra&, const EffectValues&);         // 2
bool rectangles(Bgra&, const EffectValues&);      // 3
bool splines(Bgra&, const EffectValues&);         // 4
bool plasma(Bgra&, const EffectValues&);          // 5
bool twirl(Bgra&, const EffectValues&);           // 6
bool perlin_noise(Bgra&, const EffectValues&);    // 11
bool sine_distortion(Bgra&, const EffectValues&); // 13
bool waves(Bgra&, const EffectValues&);           // 16
bool divider(Bgra&, const EffectValues&);         // 17
bool carpet(Bgra&, const EffectValues&);          // 18
bool edge(Bgra&, const EffectValues&);            // 19
bool blobs(Bgra&, const EffectValues&);           // 20
bool grain_noise(Bgra&, const EffectValues&);     // 21
bool voxel(Bgra&, const EffectValues&);           // 22
bool emboss(Bgra&, const EffectValues&);          // 23
bool sine_plasma(Bgra&, const EffectValues&);     // 24
bool maximum(Bgra&, const EffectValues&);         // 25
bool minimum(Bgra&, const EffectValues&);         // 26
bool bump(Bgra&, const EffectValues&);            // 27
bool colorize(Bgra&, const EffectValues&);        // 28
bool worms(Bgra&, const EffectValues&);           // 37
bool glass(Bgra&, const EffectValues&);           // 39
bool pattern(Bgra&, const EffectValues&);         // 42
bool points(Bgra&, const EffectValues&);          // 43
bool kaleidoscope(Bgra&, const EffectValues&);    // 49
bool zoom(Bgra&, const EffectValues&);            // 50
bool rotate(Bgra&, const EffectValues&);          // 51
bool seamless(Bgra&, const EffectValues&);        // 52
bool tilt(Bgra&, const EffectValues&);            // 54
bool fractal_plasma(Bgra&, const EffectValues&);  // 55
bool scratch(Bgra&, const EffectValues&);         // 56
bool trees(Bgra&, const EffectValues&);           // 58
bool fibers(Bgra&, const EffectValues&);          // 59

}  // namespace imglib::detail
