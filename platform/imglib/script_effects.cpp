#include "platform/imglib/script_effects.h"

#include <algorithm>
#include <iterator>

namespace imglib::detail {

namespace {

// Values an effect starts with, where 0 would not do: generators draw in
// white in "Normal" (script mode 12) unless told otherwise.
constexpr EffectKind kEffects[] = {
    {1, "lines", {{{4, 50}, {5, 100}, {7, 2}, {8, 255}, {9, 255}, {10, 255}, {14, 12}}}, lines},
    {2, "circles", {{{4, 50}, {5, 20}, {8, 255}, {9, 255}, {10, 255}, {14, 12}}}, circles},
    {3, "rectangles", {{{4, 50}, {5, 40}, {6, 30}, {8, 255}, {9, 255}, {10, 255}, {14, 12}}}, rectangles},
    {4, "splines", {{{4, 10}, {5, 6}, {7, 60}, {8, 2}, {9, 255}, {10, 255}, {11, 255}, {15, 12}}}, splines},
    {5, "plasma", {{{4, 250}, {5, 255}, {6, 255}, {7, 255}, {11, 12}}}, plasma},
    {6, "twirl", {{{3, 90}, {4, 100}, {5, 100}}}, twirl, true},
    {11, "perlin noise", {{{4, 50}, {5, 50}, {6, 255}, {7, 255}, {8, 255}, {12, 12}}}, perlin_noise},
    {13, "sine distortion", {{{3, 50}, {4, 50}, {5, 5}, {6, 5}}}, sine_distortion, true},
    {16, "waves", {{{3, 50}, {4, 40}}}, waves, true},
    {17, "divider", {{{3, 2}, {4, 2}}}, divider, true},
    {18, "carpet", {{{3, 64}, {4, 64}}}, carpet, true},
    {19, "edges", {}, edge},
    {20, "blobs", {{{4, 20}, {5, 30}, {7, 255}, {8, 255}, {9, 255}, {13, 12}}}, blobs},
    {21, "noise", {{{4, 50}, {5, 1}, {6, 50}, {7, 255}, {8, 255}, {9, 255}, {13, 12}}}, grain_noise},
    {22, "voxel", {{{3, 8}}}, voxel},
    {23, "emboss", {{{3, 64}, {4, 135}, {5, 45}}}, emboss},
    {24, "sine plasma", {{{3, 3}, {4, 2}, {5, 20}, {6, 30}, {7, 255}, {8, 255}, {9, 255}, {13, 12}}}, sine_plasma},
    {25, "maximum", {{{3, 1}}}, maximum},
    {26, "minimum", {{{3, 1}}}, minimum},
    {27, "bump", {{{3, 64}, {4, 2}}}, bump},
    {28, "colorize", {{{3, 255}, {4, 160}, {5, 64}}}, colorize},
    {37, "worms", {{{4, 20}, {5, 200}, {6, 60}, {7, 4}, {8, 255}, {9, 255}, {10, 255}, {14, 12}}}, worms},
    {39, "glass", {{{4, 100}, {5, 10}}}, glass, true},
    {42, "pattern", {{{3, 16}, {4, 16}, {5, 1}, {11, 100}, {10, 12}}}, pattern},
    {43, "points", {{{4, 200}, {5, 2}, {6, 255}, {7, 255}, {8, 255}, {12, 12}}}, points},
    {49, "kaleidoscope", {{{3, -1}, {4, -1}, {5, 3}}}, kaleidoscope, true},
    {50, "zoom", {{{3, 100}}}, zoom, true},
    {51, "rotation", {{{kRotateScaleValue, 100}}}, rotate, true},
    {52, "seamless", {{{3, 16}}}, seamless},
    {54, "tilt", {}, tilt, true},
    {55, "fractal plasma", {{{4, 255}, {5, 255}, {6, 255}, {10, 12}}}, fractal_plasma},
    {56, "scratches", {{{4, 20}, {5, 100}}}, scratch},
    {58, "trees", {{{4, 3}, {19, 50}, {5, 60}, {6, 6}, {8, 4}, {9, 255}, {10, 255}, {11, 255}, {15, 12}}}, trees},
    {59, "fibers", {{{4, 20}, {5, 150}, {6, 1}, {12, 30}, {8, 255}, {9, 255}, {10, 255}, {16, 12}}}, fibers},
};

constexpr bool sorted_by_number() {
    for (size_t i = 1; i < std::size(kEffects); ++i)
        if (kEffects[i - 1].number >= kEffects[i].number) return false;
    return true;
}
static_assert(sorted_by_number());

}  // namespace

const EffectKind* find_effect(int32_t number) {
    const auto it = std::lower_bound(std::begin(kEffects), std::end(kEffects), number,
                                     [](const EffectKind& k, int32_t n) { return k.number < n; });
    return it != std::end(kEffects) && it->number == number ? &*it : nullptr;
}

const EffectKind* effects_begin() { return std::begin(kEffects); }
const EffectKind* effects_end() { return std::end(kEffects); }

}  // namespace imglib::detail
