#include "engine/blend.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <tuple>
#include <type_traits>
#include <utility>

#include "engine/simd4.h"

namespace blend {

namespace {

// The group functions are small and run once per four pixels per layer:
// they are inlined into the span loops whatever the compiler's estimate.
#if defined(__GNUC__)
#define BLEND_INLINE inline __attribute__((always_inline))
#define BLEND_INLINE_LAMBDA __attribute__((always_inline))
#else
#define BLEND_INLINE inline
#define BLEND_INLINE_LAMBDA
#endif

constexpr int32_t kModeCount = 41;

// Layers are read a span at a time, one after the other. While a span of
// an entry is laid, the entry's pixels of the next span are fetched into
// the cache, a line for every 64 bytes read here, so that they are there
// when the other entries of this span are done. Forced inline: a function
// holding nothing but a prefetch counts as one without effects, and its
// calls are dropped.
BLEND_INLINE void fetch_ahead(const uint16_t* ahead, int32_t i, int32_t step) {
#if defined(__GNUC__)
    if (ahead == nullptr) return;
    // A group of four pixels spans 8 * step bytes.
    if (step > 4 || (i & 7) == 0) __builtin_prefetch(ahead + int64_t(i) * step);
#else
    (void)ahead, (void)i, (void)step;
#endif
}
static_assert(kSpan % 4 == 0, "the step runs four pixels at a time");

// ---- Preparing the source: mask weakening, opacity, alpha pre-step ----

// A source pixel ready for the colour rules: colour and alpha in 16-bit
// units, and k, the number whose rule lays it (the mode, or 18 where a
// shader mode hands the pixel to the Texturize2 rule).
struct Prepared {
    uint32_t r, g, b, a;
    int32_t k;
};

// Each pre-step receives the source colour and u (the alpha after the mask
// and the opacity) in p.a, and rewrites colour, alpha or k.
using PreStep = void (*)(Prepared&);

void keep(Prepared&) {}

void set_colour(Prepared& p, uint32_t v) { p.r = p.g = p.b = v; }

// 21: white, with the coverage inverted.
void alpha_filter(Prepared& p) {
    set_colour(p, 65535);
    p.a = 65535 - p.a;
}

// 22, 36: every partly covered pixel becomes opaque black.
void black_outline(Prepared& p) {
    if (p.a > 0 && p.a <= 65279) {
        set_colour(p, 0);
        p.a = 65535;
    }
}

// 23, 24: faint coverage inverted, the rest held at a fixed tint.
template <uint32_t Tint>
void outline_tint(Prepared& p) {
    if (p.a > 0) p.a = p.a < 12287 ? 65535 - p.a : Tint;
}

// 25
void alpha_invert(Prepared& p) {
    if (p.a > 0) p.a = 65535 - p.a;
}

// 26: the coverage itself as an opaque grey.
void shader(Prepared& p) {
    if (p.a == 0) return;
    set_colour(p, p.a);
    p.a = 65535;
}

// Below half coverage the colour darkens by twice the shortfall ...
void shade_darker(Prepared& p, uint32_t u) {
    const uint32_t d = 2 * (32767 - u);
    for (uint32_t* c : {&p.r, &p.g, &p.b}) *c = *c < d ? 0 : *c - d;
}

// ... at or above it, it brightens by twice the excess (u >= 32767, so the sum is not negative).
void shade_lighter(Prepared& p, uint32_t u) {
    for (uint32_t* c : {&p.r, &p.g, &p.b}) *c = std::min<uint32_t>(65535, *c + 2 * u - 65534);
}

// 27
void shader_color(Prepared& p) {
    const uint32_t u = p.a;
    if (u == 0) return;
    if (u < 32767) {
        shade_darker(p, u);
    } else {
        shade_lighter(p, u);
    }
    p.a = 65535;
}

// 28
void shader_texture2(Prepared& p) {
    if (p.a == 0) return;
    shader_color(p);
    p.k = 18;
}

// u - times * (32767 - u), or 0 where that is negative.
uint32_t fade_below_half(uint32_t u, int64_t times) {
    const int64_t v = int64_t(u) - times * (32767 - int64_t(u));
    return v > 0 ? uint32_t(v) : 0;
}

// 29
void highlight_texture2(Prepared& p) {
    const uint32_t u = p.a;
    if (u == 0) return;
    p.k = 18;
    if (u >= 32767) {
        shade_lighter(p, u);
        p.a = 65535;
    } else {
        p.a = fade_below_half(u, 2);
    }
}

// 30
void smooth(Prepared& p) {
    const uint32_t u = p.a;
    if (u > 0) p.a = u >= 32767 ? 65535 : fade_below_half(u, 4);
}

// A colour curve's value truncated toward zero and held to 16 bits: the
// brightening curves overshoot white by a unit or two at full coverage and
// the steepest darkening curve dips below black at low coverage, which would
// otherwise wrap around when the value is stored.
uint32_t channel_of(double v) {
    if (!(v > 0)) return 0;
    return v >= 65535 ? 65535 : uint32_t(v);
}

// 31 (darkening span 32767), 32 (65535), 35: darken toward black below the
// midpoint of coverage, brighten toward white above it.
template <int32_t DarkenSpan>
void smooth_colours(Prepared& p) {
    const double u = p.a;
    for (uint32_t* c : {&p.r, &p.g, &p.b}) {
        const double ch = *c;
        *c = u < 32768 ? channel_of(ch - ch * (32767 - u) / DarkenSpan)
                       : channel_of(ch + (u - 32767) / 32767 * (65535 - ch));
    }
}

// 33, 34: the same with the midpoint moved to 36863.
void smooth_colours_late(Prepared& p) {
    const double u = p.a;
    for (uint32_t* c : {&p.r, &p.g, &p.b}) {
        const double ch = *c;
        *c = u < 36863 ? channel_of(ch - ch * (36862 - u) / 30000)
                       : channel_of(ch + (65535 - ch) * (u - 36862) / 28672);
    }
}

// Coverage thresholded: faint pixels vanish, the rest become opaque.
void threshold_alpha(Prepared& p) {
    if (p.a > 0) p.a = p.a < 8191 ? 0 : 65535;
}

// As threshold_alpha with a short ramp from 8191 to 9215.
void ramp_alpha(Prepared& p) {
    const uint32_t u = p.a;
    if (u == 0) return;
    if (u < 8191) {
        p.a = 0;
    } else if (u < 9215) {
        p.a = 65535 - std::min<uint32_t>(65535, (9215 - u) * 64);
    } else {
        p.a = 65535;
    }
}

void smooth_lum(Prepared& p) {
    smooth_colours<32767>(p);
    threshold_alpha(p);
}
void smooth_lum2(Prepared& p) {
    smooth_colours<65535>(p);
    threshold_alpha(p);
}
void smooth_lum3(Prepared& p) {
    smooth_colours_late(p);
    threshold_alpha(p);
}
void smooth_lum4(Prepared& p) {
    smooth_colours_late(p);
    ramp_alpha(p);
}
void smooth_lum5(Prepared& p) {
    smooth_colours<32767>(p);
    ramp_alpha(p);
}

// 37
void highlight(Prepared& p) {
    if (p.a > 32512) p.a = 0;
}

// 38: a mask layer is never shown itself.
void layer_mask(Prepared& p) { p.a = 0; }

uint32_t luminance(const Prepared& p) { return (p.r + p.g + p.b) / 3; }

// 39
void luminance_alpha(Prepared& p) {
    p.a = luminance(p);
    set_colour(p, 65535);
}

// 40
void luminance_alpha_invert(Prepared& p) {
    p.a = 65535 - luminance(p);
    set_colour(p, 0);
}

// Index = mode number. Modes 0..20 keep the source as it is.
constexpr PreStep kPreSteps[kModeCount] = {
    keep, keep, keep, keep, keep, keep, keep, keep, keep, keep, keep,  // 0..10
    keep, keep, keep, keep, keep, keep, keep, keep, keep, keep,        // 11..20
    alpha_filter,                                                      // 21 "Alpha Filter"
    black_outline,                                                     // 22 "Alpha Black Outline"
    outline_tint<12287>,                                               // 23 "Alpha Outline Tint 1"
    outline_tint<32767>,                                               // 24 "Alpha Outline Tint 2"
    alpha_invert,                                                      // 25 "Alpha Invert"
    shader,                                                            // 26 "Alpha Shader"
    shader_color,                                                      // 27 "Alpha Shader Color"
    shader_texture2,                                                   // 28 "Alpha Shader Texture2"
    highlight_texture2,                                                // 29 "Alpha Highlight Texture2"
    smooth,                                                            // 30 "Alpha Smooth"
    smooth_lum,                                                        // 31 "Alpha Smooth Lum"
    smooth_lum2,                                                       // 32 "Alpha Smooth Lum2"
    smooth_lum3,                                                       // 33 "Alpha Smooth Lum3"
    smooth_lum4,                                                       // 34 "Alpha Smooth Lum4"
    smooth_lum5,                                                       // 35 "Alpha Smooth Lum5"
    black_outline,                                                     // 36 "Alpha Overlay Outline"
    highlight,                                                         // 37 "Alpha Highlight"
    layer_mask,                                                        // 38 "Layer Mask"
    luminance_alpha,                                                   // 39 "Luminance Alpha"
    luminance_alpha_invert,                                            // 40 "Luminance Alpha Invert"
};

// Steps 1..4 of the blend step for source pixel s whose alpha is a (the
// compositor passes 65535 for the background), with mask pixel m or null.
// False when the source leaves the destination as it is.
template <int32_t Mode>
inline bool prepare(const uint16_t* s, uint32_t a, const uint16_t* m, uint32_t opacity, Prepared& p) {
    if (Mode <= 20 && a == 0) return false;
    // A mask pixel weakens the source by its luminance where it has any alpha.
    if (m != nullptr && m[3] > 0) a = (((uint32_t(m[0]) + m[1] + m[2]) / 3) * a) >> 16;
    p = Prepared{s[0], s[1], s[2], (a * opacity) >> 8, Mode};
    constexpr PreStep pre_step = kPreSteps[Mode];
    pre_step(p);
    return true;
}

// ---- The colour rules ----

// Red, green and blue of one kind of value.
template <class F>
struct Rgb {
    F r, g, b;
};

// op applied to red, green and blue of its arguments, one channel at a time.
template <class F, class Op, class... A>
BLEND_INLINE Rgb<F> each(Op op, const A&... a) {
    return {op(a.r...), op(a.g...), op(a.b...)};
}

// What a rule reads, as fractions: premultiplied colour Sc = r * Sa / 65280
// and Dc = D * Da / 65280, Sa = a' / 65535, Da = D.alpha / 65535, and the
// sum of the prepared source colour in 16-bit units for the texturize rules.
template <class F>
struct Inputs {
    Rgb<F> sc;
    Rgb<F> dc;
    F sa;
    F da;
    F colour_sum;
    // Da is exactly 1 in every lane. Then Sc * (1 - Da) is exactly 0, so
    // the terms it weighs drop out without changing a bit, and every rule's
    // alpha is 1 once clamped (1 + 0 * Sa, or Sa + 1 for Add and Subtract,
    // or Da itself).
    bool opaque = false;
};

// Da + (1 - Da) * Sa
template <class F>
F standard_alpha(const Inputs<F>& x) {
    if (x.opaque) return 1.0f;
    return x.da + (1.0f - x.da) * x.sa;
}

// T = Sc * (1 - Da) + Dc * (1 - Sa): what each side shows where the other is absent.
template <class F>
F outside(F sc, F dc, const Inputs<F>& x) {
    if (x.opaque) return dc * (1.0f - x.sa);
    return sc * (1.0f - x.da) + dc * (1.0f - x.sa);
}

// A rule that treats red, green and blue alike, with the standard alpha.
template <class Channel>
struct Separable {
    template <class F>
    static void lay(const Inputs<F>& x, Rgb<F>& rc, F& ra) {
        rc = each<F>([&](F sc, F dc) { return Channel::channel(sc, dc, x); }, x.sc, x.dc);
        ra = standard_alpha(x);
    }
};

// Sc + Dc * (1 - Sa)
struct NormalChannel {
    template <class F>
    static F channel(F sc, F dc, const Inputs<F>& x) {
        return sc + dc * (1.0f - x.sa);
    }
};

// T + Sc * Dc
struct MultiplyChannel {
    template <class F>
    static F channel(F sc, F dc, const Inputs<F>& x) {
        return outside(sc, dc, x) + sc * dc;
    }
};

// Sc + Dc - Sc * Dc
struct ScreenChannel {
    template <class F>
    static F channel(F sc, F dc, const Inputs<F>&) {
        return sc + dc - sc * dc;
    }
};

// The darker of the two: Sc over Dc where Dc * Sa > Sc * Da, else Dc over Sc.
struct DarkenChannel {
    template <class F>
    static F channel(F sc, F dc, const Inputs<F>& x) {
        return select(dc * x.sa > sc * x.da, sc + dc * (1.0f - x.sa), dc + sc * (1.0f - x.da));
    }
};

struct LightenChannel {
    template <class F>
    static F channel(F sc, F dc, const Inputs<F>& x) {
        return select(dc * x.sa < sc * x.da, sc + dc * (1.0f - x.sa), dc + sc * (1.0f - x.da));
    }
};

// Sc + Dc - 2 * min(Sc * Da, Dc * Sa)
struct DifferenceChannel {
    template <class F>
    static F channel(F sc, F dc, const Inputs<F>& x) {
        return sc + dc - 2.0f * min_of(sc * x.da, dc * x.sa);
    }
};

// T + Sc * Da + Dc * Sa - 2 * Sc * Dc (Negation and Exclusion alike)
struct ExclusionChannel {
    template <class F>
    static F channel(F sc, F dc, const Inputs<F>& x) {
        return outside(sc, dc, x) + sc * x.da + dc * x.sa - 2.0f * sc * dc;
    }
};

// Sa * Da - 2 * (Da - Dc) * (Sa - Sc): the screen half of overlay and hard light.
template <class F>
F screen_half(F sc, F dc, const Inputs<F>& x) {
    return x.sa * x.da - 2.0f * (x.da - dc) * (x.sa - sc);
}

// Multiplies where the destination is dark, screens where it is light.
struct OverlayChannel {
    template <class F>
    static F channel(F sc, F dc, const Inputs<F>& x) {
        return outside(sc, dc, x) + select(x.da > 2.0f * dc, 2.0f * sc * dc, screen_half(sc, dc, x));
    }
};

// The same decided by the source.
struct HardLightChannel {
    template <class F>
    static F channel(F sc, F dc, const Inputs<F>& x) {
        return outside(sc, dc, x) + select(x.sa > 2.0f * sc, 2.0f * sc * dc, screen_half(sc, dc, x));
    }
};

// With m = Dc / Da: a dark source darkens along (1 - m); a light one
// lightens along (3 - 8 Dc / Da) where Da >= 8 Dc, along sqrt(m) elsewhere.
struct SoftLightChannel {
    template <class F>
    static F channel(F sc, F dc, const Inputs<F>& x) {
        const F t = outside(sc, dc, x);
        const F m = dc / x.da;
        const F dark = t + dc * (x.sa + (1.0f - m) * (2.0f * sc - x.sa));
        const F light_low = t + dc * (x.sa + (1.0f - m) * (3.0f - 8.0f * dc / x.da) * (2.0f * sc - x.sa));
        const F light_high = t + dc * x.sa + (2.0f * sc - x.sa) * (x.da * sqrt_of(m) - dc);
        return select(x.sa > 2.0f * sc, dark, select(x.da >= 8.0f * dc, light_low, light_high));
    }
};

struct DodgeChannel {
    template <class F>
    static F channel(F sc, F dc, const Inputs<F>& x) {
        const F t = outside(sc, dc, x);
        const F sada = x.sa * x.da;
        return select(sc * x.da + dc * x.sa >= sada, t + sada, t + dc * x.sa / (1.0f - sc / x.sa));
    }
};

struct BurnChannel {
    template <class F>
    static F channel(F sc, F dc, const Inputs<F>& x) {
        const F t = outside(sc, dc, x);
        const F sada = x.sa * x.da;
        return select(sc * x.da + dc * x.sa <= sada, t, t + x.sa * (sc * x.da + dc * x.sa - sada) / sc);
    }
};

// Add and Subtract sum the alphas.
struct Add {
    template <class F>
    static void lay(const Inputs<F>& x, Rgb<F>& rc, F& ra) {
        rc = each<F>([](F sc, F dc) { return sc + dc; }, x.sc, x.dc);
        ra = x.sa + x.da;
    }
};

struct Subtract {
    template <class F>
    static void lay(const Inputs<F>& x, Rgb<F>& rc, F& ra) {
        rc = each<F>([&](F sc, F dc) { return sc + dc - x.sa * x.da; }, x.sc, x.dc);
        ra = x.sa + x.da;
    }
};

// Brightness of the prepared source colour, 0..1 (slightly above for colour above 65280).
template <class F>
F brightness(const Inputs<F>& x) {
    return x.colour_sum / (3.0f * 65280.0f);
}

// e -/+ Sa * |level - 0.5| * 1.75: moves every channel by one grain amount.
template <class F>
BLEND_INLINE Rgb<F> grain(const Rgb<F>& e, F level, F sa) {
    const auto dark = level < 0.5f;
    const F g2 = select(dark, sa * (0.5f - level) * 1.75f, sa * (level - 0.5f) * 1.75f);
    return each<F>([&](F v) { return select(dark, v - g2, v + g2); }, e);
}

// The destination's own colour e = Dc / Da, moved by the source's brightness.
struct Texturize2 {
    template <class F>
    static void lay(const Inputs<F>& x, Rgb<F>& rc, F& ra) {
        const Rgb<F> e = each<F>([&](F dc) { return dc / x.da; }, x.dc);
        rc = grain(e, brightness(x), x.sa);
        ra = x.da;
    }
};

// As Texturize2, with the grain level taken from the destination moved once first.
struct Texturize {
    template <class F>
    static void lay(const Inputs<F>& x, Rgb<F>& rc, F& ra) {
        const F beta = brightness(x);
        const auto dark = beta < 0.5f;
        const Rgb<F> e = each<F>([&](F dc) { return dc / x.da; }, x.dc);
        const Rgb<F> t =
            each<F>([&](F v) { return select(dark, v - x.sa * (0.5f - beta), v + x.sa * (beta - 0.5f)); }, e);
        rc = grain(e, (t.r + t.g + t.b) / 3.0f, x.sa);
        ra = x.da;
    }
};

// The destination stays as it is.
struct Texturize3 {
    template <class F>
    static void lay(const Inputs<F>& x, Rgb<F>& rc, F& ra) {
        rc = x.dc;
        ra = x.da;
    }
};

// Index = rule number k; 13 ("Reflect") and 14 ("Glow") lay as "Normal",
// and so do 20 and every alpha mode (rule_of).
using Rules = std::tuple<Separable<NormalChannel>,      // 0
                         Separable<MultiplyChannel>,    // 1
                         Separable<ScreenChannel>,      // 2
                         Separable<DarkenChannel>,      // 3
                         Separable<LightenChannel>,     // 4
                         Separable<DifferenceChannel>,  // 5
                         Separable<ExclusionChannel>,   // 6 Negation
                         Separable<ExclusionChannel>,   // 7 Exclusion
                         Separable<OverlayChannel>,     // 8
                         Separable<HardLightChannel>,   // 9
                         Separable<SoftLightChannel>,   // 10
                         Separable<DodgeChannel>,       // 11
                         Separable<BurnChannel>,        // 12
                         Separable<NormalChannel>,      // 13 Reflect
                         Separable<NormalChannel>,      // 14 Glow
                         Add,                           // 15
                         Subtract,                      // 16
                         Texturize,                     // 17
                         Texturize2,                    // 18
                         Texturize3>;                   // 19

constexpr int32_t rule_of(int32_t k) { return k < 20 ? k : 0; }
template <int32_t K>
using Rule = std::tuple_element_t<rule_of(K), Rules>;

// The shader texture modes hand covered pixels to the Texturize2 rule (k =
// 18) and lay the rest with their own; every other mode has one rule.
constexpr bool has_second_rule(int32_t mode) { return mode == 28 || mode == 29; }
constexpr int32_t kSecondRule = 18;

// ---- Four pixels at a time ----

using simd::Float4;
using simd::Mask4;
using simd::Pixels4;
using simd::Quad;

// Four prepared sources: red, green, blue and a' as 16-bit words (a
// prepared value never exceeds 65535).
struct Sources4 {
    Quad px;
    Mask4 active;  // pixels inside the span that step 1 lets through
    Mask4 second;  // pixels handed to the second rule
};

// Steps 1..4 for up to four sources `step` values apart (mask pixels
// alike). With Lanes clear (modes without a pre-step, no mask) they run on
// whole quads; otherwise pixel by pixel. The two are separate loops so that
// neither pays for the other.
template <int32_t Mode, bool Lanes>
BLEND_INLINE Sources4 prepare4(const uint16_t* s, const uint16_t* m, int32_t step, int32_t count, uint32_t opacity,
                               bool base) {
    if constexpr (!Lanes) {
        (void)m;
        const Quad q = step == 4 && count == 4 ? simd::load_quad(s) : simd::gather_quad(s, step, count);
        if (base) return {simd::with_alpha(q, uint16_t((65535 * opacity) >> 8)), simd::first_lanes(count), simd::no_lanes()};
        // Pixels past the count are gathered as 0, so step 1 leaves them out.
        const Mask4 active = simd::and_not(simd::all_lanes(), simd::alpha_zero(q));
        if (opacity == 256) return {q, active, simd::no_lanes()};
        return {simd::with_alpha(q, simd::scale_words(q, uint16_t(opacity))), active, simd::no_lanes()};
    } else {
        alignas(16) uint16_t quad[16] = {};
        alignas(16) uint32_t active[4] = {}, second[4] = {};
        for (int32_t i = 0; i < count; ++i) {
            const uint16_t* si = s + int64_t(i) * step;
            Prepared p;
            if (!prepare<Mode>(si, base ? 65535u : si[3], m != nullptr ? m + int64_t(i) * step : nullptr, opacity,
                               p))
                continue;
            const uint16_t prepared[4] = {uint16_t(p.r), uint16_t(p.g), uint16_t(p.b), uint16_t(p.a)};
            std::memcpy(quad + i * 4, prepared, sizeof prepared);
            active[i] = ~0u;
            second[i] = p.k != Mode ? ~0u : 0u;
        }
        return {simd::load_quad(quad), Mask4::load(active), Mask4::load(second)};
    }
}

// Whether sources of this mode with or without a mask go pixel by pixel.
template <int32_t Mode>
constexpr bool by_lanes(bool masked) {
    return Mode > 20 || masked;
}

// What a rule reads of four destinations: Da and the premultiplied Dc.
struct Dest4 {
    Rgb<Float4> dc;
    Float4 da;
    bool opaque;  // Da is exactly 1 in every lane
};

// 16-bit destinations: Da = alpha / 65535, Dc = D * Da / 65280. Where
// every alpha is 65535, Da is 1 and D * Da is D, exactly.
BLEND_INLINE Dest4 dest_of_words(const Quad& px) {
    const Pixels4 d = simd::to_floats(px);
    if (simd::all(simd::alpha_whole(px))) return {each<Float4>([](Float4 v) { return v / 65280.0f; }, d), 1.0f, true};
    const Float4 da = d.a / 65535.0f;
    return {each<Float4>([&](Float4 v) { return v * da / 65280.0f; }, d), da, false};
}

// The compositor's fractions: Dc = D * Da.
BLEND_INLINE Dest4 dest_of_fractions(const Pixels4& f) {
    if (!simd::any(f.a != 1.0f)) return {{f.r, f.g, f.b}, 1.0f, true};
    return {each<Float4>([&](Float4 v) { return v * f.a; }, f), f.a, false};
}

// Some of each, chosen by is_float.
BLEND_INLINE Dest4 dest_of_either(const Quad& px, const Pixels4& f, Mask4 is_float) {
    const Dest4 w = dest_of_words(px);
    const Dest4 x = dest_of_fractions(f);
    return {each<Float4>([&](Float4 a, Float4 b) { return select(is_float, a, b); }, x.dc, w.dc),
            select(is_float, x.da, w.da), w.opaque && x.opaque};
}

// Steps 6 and 7 for the given lanes: the result as fractions.
template <int32_t Mode, bool Opaque>
BLEND_INLINE Pixels4 apply_rules(const Dest4& d, const Sources4& s, Mask4 lanes) {
    const Pixels4 source = simd::to_floats(s.px);
    Inputs<Float4> x;
    x.sa = source.a / 65535.0f;
    x.sc = each<Float4>([&](Float4 v) { return v * x.sa / 65280.0f; }, source);
    x.colour_sum = source.r + source.g + source.b;
    x.dc = d.dc;
    x.da = Opaque ? Float4(1.0f) : d.da;
    x.opaque = Opaque;

    Rgb<Float4> rc;
    Float4 ra;
    Rule<Mode>::lay(x, rc, ra);
    if constexpr (has_second_rule(Mode)) {
        if (simd::any(lanes & s.second)) {
            Rgb<Float4> rc2;
            Float4 ra2;
            Rule<kSecondRule>::lay(x, rc2, ra2);
            rc = each<Float4>([&](Float4 other, Float4 own) { return select(s.second, other, own); }, rc2, rc);
            ra = select(s.second, ra2, ra);
        }
    } else {
        (void)lanes;
    }
    // Step 7: clamp the alpha, divide it out of the colour (nothing to divide
    // where it is 1, as it is over opaque pixels), clamp the colour.
    if constexpr (Opaque) {
        ra = 1.0f;
    } else {
        ra = simd::clamp01(ra);
        if (simd::any(ra != 1.0f)) rc = each<Float4>([&](Float4 v) { return v / ra; }, rc);
    }
    return {simd::clamp01(rc.r), simd::clamp01(rc.g), simd::clamp01(rc.b), ra};
}

template <int32_t Mode>
BLEND_INLINE Pixels4 run_rules(const Dest4& d, const Sources4& s, Mask4 lanes) {
    return d.opaque ? apply_rules<Mode, true>(d, s, lanes) : apply_rules<Mode, false>(d, s, lanes);
}

// Fractions as 16-bit values: colour * 65280 and alpha * 65535, truncated
// (by the conversion to a quad).
BLEND_INLINE Quad quad16(const Pixels4& f) {
    return simd::to_quad({f.r * 65280.0f, f.g * 65280.0f, f.b * 65280.0f, f.a * 65535.0f});
}

// What a transparent destination takes: the source unscaled; the texturize
// rules leave it transparent black.
template <int32_t Mode>
BLEND_INLINE Quad taken_over_nothing(const Sources4& s) {
    if constexpr (Mode >= 17 && Mode <= 19) return simd::zero_quad();
    if constexpr (has_second_rule(Mode)) return select(simd::widen(s.second), simd::zero_quad(), s.px);
    return s.px;
}

// ---- Merges: 16-bit over 16-bit ----

// Steps 5..7 over four 16-bit destinations.
template <int32_t Mode>
BLEND_INLINE Quad blend4(const Quad& dst, const Sources4& s) {
    const Mask4 transparent = simd::alpha_zero(dst);
    const Mask4 take = s.active & transparent;
    const Mask4 lanes = simd::and_not(s.active, transparent);
    Quad out = dst;
    if (simd::any(take)) out = select(simd::widen(take), taken_over_nothing<Mode>(s), out);
    if (!simd::any(lanes)) return out;
    return select(simd::widen(lanes), quad16(run_rules<Mode>(dest_of_words(dst), s, lanes)), out);
}

template <int32_t Mode, bool Lanes>
void blend_groups(uint16_t* dst, const uint16_t* src, const uint16_t* mask, int32_t n, uint32_t opacity,
                  bool keepAlpha) {
    for (int32_t i = 0; i < n; i += 4) {
        const int32_t count = std::min(4, n - i);
        const int64_t at = int64_t(i) * 4;
        const Sources4 s =
            prepare4<Mode, Lanes>(src + at, mask != nullptr ? mask + at : nullptr, 4, count, opacity, false);
        if (!simd::any(s.active)) continue;
        const Quad before = count == 4 ? simd::load_quad(dst + at) : simd::gather_quad(dst + at, 4, count);
        const Quad after = blend4<Mode>(before, s);
        simd::put_quad(dst + at, count, keepAlpha ? simd::with_alpha(after, before) : after);
    }
}

template <int32_t Mode>
void blend_span_mode(uint16_t* dst, const uint16_t* src, const uint16_t* mask, int32_t n, uint32_t opacity,
                     bool keepAlpha) {
    if (by_lanes<Mode>(mask != nullptr)) return blend_groups<Mode, true>(dst, src, mask, n, opacity, keepAlpha);
    blend_groups<Mode, false>(dst, src, mask, n, opacity, keepAlpha);
}

// ---- The compositor: over the running composite ----

// The fractions of pixels i .. i + 3 of the composite.
BLEND_INLINE Pixels4 fractions_of(const Composite& p, int32_t i) {
    return {Float4::load(p.r + i), Float4::load(p.g + i), Float4::load(p.b + i), Float4::load(p.a + i)};
}

// Pixels i .. i + 3 of the composite as 16-bit values.
BLEND_INLINE Quad quad_of(const Composite& p, int32_t i) {
    const Mask4 is = Mask4::load(p.is_float + i);
    const Quad words = simd::load_quad(p.px[i]);
    if (!simd::any(is)) return words;
    return select(simd::widen(is), quad16(fractions_of(p, i)), words);
}

// The first entry over a composite that is transparent everywhere: each
// pixel becomes what a transparent destination takes, or stays transparent.
template <int32_t Mode>
BLEND_INLINE void composite_first4(Composite& p, int32_t i, const Sources4& s) {
    const Quad taken = taken_over_nothing<Mode>(s);
    simd::store_quad(p.px[i], simd::all(s.active) ? taken : select(simd::widen(s.active), taken, simd::zero_quad()));
    simd::no_lanes().store(p.is_float + i);
}

// Steps 5..7 over four pixels of the composite from i on, with the
// compositor's shortcuts: an opaque "Normal" source replaces the composite,
// and Texturize3 counts as opaque at the current layer's index and as
// nothing elsewhere. Over a covered composite no pixel is transparent, so
// the composite need not be read to find them.
//
// Lean (sources laid pixel by pixel, rarer) keeps one copy of the rule;
// otherwise each form of destination gets its own, and opaque ones skip
// the terms that vanish.
template <int32_t Mode, Below Under, bool Lean>
BLEND_INLINE void composite4(Composite& p, int32_t i, const Sources4& s, bool at_current_index) {
    static_assert(Under != Below::Nothing, "the first entry is laid by composite_first4");
    Mask4 is_float = Mask4::load(p.is_float + i);
    Mask4 take = simd::no_lanes();
    Mask4 lanes = s.active;
    Quad taken = s.px;
    if constexpr (Under == Below::Unknown) {
        const Mask4 transparent = simd::and_not(simd::alpha_zero(simd::load_quad(p.px[i])), is_float);
        take = s.active & transparent;
        lanes = simd::and_not(s.active, transparent);
        taken = taken_over_nothing<Mode>(s);
    }
    if constexpr (Mode == 0 || Mode == 19) {
        const Mask4 whole = Mode == 0 ? lanes & simd::alpha_opaque(s.px) : at_current_index ? lanes : simd::no_lanes();
        if (simd::any(whole)) {
            const Quad opaque = simd::with_alpha(s.px, 65535);
            taken = simd::any(take) ? select(simd::widen(whole), opaque, taken) : opaque;
            take = take | whole;
            lanes = simd::and_not(lanes, whole);
        }
        if constexpr (Mode == 19) lanes = simd::no_lanes();
    }
    if (simd::any(take)) {
        simd::store_quad(p.px[i], simd::all(take) ? taken : select(simd::widen(take), taken, simd::load_quad(p.px[i])));
        is_float = simd::and_not(is_float, take);
    }
    if (simd::any(lanes)) {
        // Pixels that hold fractions already need no conversion.
        const bool some_words = simd::any(simd::and_not(lanes, is_float));
        const bool some_fractions = simd::any(lanes & is_float);
        // `maybe_opaque`: whether d may be opaque, so that the rule's opaque form is worth a copy.
        const auto lay = [&](const Dest4& d, auto maybe_opaque) BLEND_INLINE_LAMBDA {
            Pixels4 result;
            if constexpr (decltype(maybe_opaque)::value) {
                result = run_rules<Mode>(d, s, lanes);
            } else {
                result = apply_rules<Mode, false>(d, s, lanes);
            }
            if (!simd::all(lanes)) result = simd::select(lanes, result, fractions_of(p, i));
            result.r.store(p.r + i);
            result.g.store(p.g + i);
            result.b.store(p.b + i);
            result.a.store(p.a + i);
        };
        if constexpr (Lean) {
            Dest4 d;
            if (!some_words) {
                d = dest_of_fractions(fractions_of(p, i));
            } else if (!some_fractions) {
                d = dest_of_words(simd::load_quad(p.px[i]));
            } else {
                d = dest_of_either(simd::load_quad(p.px[i]), fractions_of(p, i), is_float);
            }
            lay(d, std::false_type{});
        } else if (!some_words) {
            lay(dest_of_fractions(fractions_of(p, i)), std::true_type{});
        } else if (!some_fractions) {
            lay(dest_of_words(simd::load_quad(p.px[i])), std::true_type{});
        } else {
            lay(dest_of_either(simd::load_quad(p.px[i]), fractions_of(p, i), is_float), std::false_type{});
        }
        is_float = is_float | lanes;
    }
    is_float.store(p.is_float + i);
}

// The background as the first entry, in a mode whose source a transparent
// composite takes as it is: its colour with alpha (65535 * opacity) >> 8
// at every pixel.
void composite_background(Composite& p, int32_t n, const CompositeLayer& layer) {
    const uint16_t* const pixels = layer.pixels;
    const int32_t step = layer.step;
    const uint16_t alpha = uint16_t((65535 * layer.opacity) >> 8);
    const int8_t* const first_entry = layer.first_entry;
    for (int32_t i = 0; i < n; i += 4) {
        if (first_entry != nullptr && first_entry[i / 4] > 0) continue;
        const int32_t count = std::min(4, n - i);
        const uint16_t* s = pixels + int64_t(i) * step;
        fetch_ahead(layer.ahead, i, step);
        if (step == 4 && count == 4) {
            simd::store_quad(p.px[i], simd::with_alpha(simd::load_quad(s), alpha));
        } else {
            const Quad q = simd::with_alpha(simd::gather_quad(s, step, count), alpha);
            simd::store_quad(p.px[i], count == 4 ? q : select(simd::widen(simd::first_lanes(count)), q, simd::zero_quad()));
        }
        simd::no_lanes().store(p.is_float + i);
    }
}

// One group of four (fewer at the end of a span) of entry l.
template <int32_t Mode, bool Lanes, Below Under>
BLEND_INLINE void composite_group(Composite& p, const CompositeLayer& l, const uint16_t* mask, int32_t i,
                                  int32_t count) {
    const int64_t at = int64_t(i) * l.step;
    if constexpr (Lanes) {
        static_assert(Under != Below::Nothing, "the composite is cleared for sources laid pixel by pixel");
        const Sources4 s = prepare4<Mode, true>(l.pixels + at, mask != nullptr ? mask + at : nullptr, l.step, count,
                                                l.opacity, l.base);
        if (simd::any(s.active)) composite4<Mode, Under, true>(p, i, s, l.at_current_index);
    } else {
        // Steps 1..4 without a pre-step or a mask. The background needs none
        // of its own here: a texturize rule leaves the composite transparent
        // under it whatever its alpha, and the other modes go to
        // composite_background.
        const uint16_t* src = l.pixels + at;
        const Quad q = l.step == 4 && count == 4 ? simd::load_quad(src) : simd::gather_quad(src, l.step, count);
        // Pixels past the count are gathered as 0, so step 1 leaves them out.
        Sources4 s{q, simd::and_not(simd::all_lanes(), simd::alpha_zero(q)), simd::no_lanes()};
        if constexpr (Under != Below::Nothing) {
            if (!simd::any(s.active)) return;
        }
        if (l.opacity != 256) s.px = simd::with_alpha(q, simd::scale_words(q, uint16_t(l.opacity)));
        if constexpr (Under == Below::Nothing) {
            composite_first4<Mode>(p, i, s);
        } else {
            composite4<Mode, Under, false>(p, i, s, l.at_current_index);
        }
    }
}

template <int32_t Mode, bool Lanes, Below Under>
void composite_groups(Composite& p, int32_t n, const CompositeLayer& layer, const uint16_t* mask) {
    // A copy the compiler keeps in registers: stores into the composite cannot change it.
    const CompositeLayer l = layer;
    const auto skipped = [&](int32_t i) { return l.first_entry != nullptr && l.first_entry[i / 4] > l.index; };
    int32_t i = 0;
    for (; i + 4 <= n; i += 4) {
        if (skipped(i)) continue;
        fetch_ahead(l.ahead, i, l.step);
        composite_group<Mode, Lanes, Under>(p, l, mask, i, 4);
    }
    if (i < n && !skipped(i)) composite_group<Mode, Lanes, Under>(p, l, mask, i, n - i);
}

template <int32_t Mode>
void composite_span_mode(Composite& p, int32_t n, const CompositeLayer& layer) {
    // The background's alpha counts as whole, whatever a mask says.
    const uint16_t* mask = layer.base ? nullptr : layer.mask;
    if (by_lanes<Mode>(mask != nullptr)) {
        // Pixel by pixel, one form serves every composite below.
        if (layer.below == Below::Nothing) p.clear(n);
        return composite_groups<Mode, true, Below::Unknown>(p, n, layer, mask);
    }
    if constexpr (Mode <= 20) {
        switch (layer.below) {
            case Below::Nothing:
                if (Mode < 17 || Mode > 19) {
                    if (layer.base) return composite_background(p, n, layer);
                }
                return composite_groups<Mode, false, Below::Nothing>(p, n, layer, mask);
            case Below::Covered: return composite_groups<Mode, false, Below::Covered>(p, n, layer, mask);
            case Below::Unknown: break;
        }
        composite_groups<Mode, false, Below::Unknown>(p, n, layer, mask);
    }
}

// Pixels i .. i + 3 as 16 bits in px.
BLEND_INLINE void group_to16(Composite& p, int32_t i) {
    if (!simd::any(Mask4::load(p.is_float + i))) return;
    simd::store_quad(p.px[i], quad_of(p, i));
    simd::no_lanes().store(p.is_float + i);
}

// Writes the display bytes of pixels i .. i + 3 when all four are opaque
// as 16-bit values.
BLEND_INLINE bool put_opaque_group(const Composite& p, int32_t i, uint8_t* out, bool scratch) {
    const Mask4 is = Mask4::load(p.is_float + i);
    if (simd::all(is)) {
        // Straight from the fractions: the high byte of colour * 65280, truncated.
        const Pixels4 f = fractions_of(p, i);
        if (!simd::all(simd::truncated_is(f.a * 65535.0f, 65535))) return false;
        simd::store_bgr(out, simd::bgr_high_bytes(f.r * 65280.0f, f.g * 65280.0f, f.b * 65280.0f), scratch);
        return true;
    }
    const Quad q = quad_of(p, i);
    if (!simd::all(simd::alpha_whole(q))) return false;
    simd::store_bgr(out, q, scratch);
    return true;
}

// ---- Tables by mode ----

using BlendSpan = void (*)(uint16_t*, const uint16_t*, const uint16_t*, int32_t, uint32_t, bool);
using CompositeSpan = void (*)(Composite&, int32_t, const CompositeLayer&);

template <size_t... I>
constexpr std::array<BlendSpan, kModeCount> make_blend_spans(std::index_sequence<I...>) {
    return {blend_span_mode<int32_t(I)>...};
}
template <size_t... I>
constexpr std::array<CompositeSpan, kModeCount> make_composite_spans(std::index_sequence<I...>) {
    return {composite_span_mode<int32_t(I)>...};
}

constexpr auto kBlendSpans = make_blend_spans(std::make_index_sequence<kModeCount>{});
constexpr auto kCompositeSpans = make_composite_spans(std::make_index_sequence<kModeCount>{});

int32_t mode_index(int32_t mode) { return mode >= 0 && mode < kModeCount ? mode : 0; }
uint32_t opacity_of(uint32_t opacity) { return std::min<uint32_t>(opacity, 256); }

// Lanes of the running composite, rounded up to whole groups of four.
int32_t whole_groups(int32_t n) { return (std::clamp(n, 0, kSpan) + 3) & ~3; }

}  // namespace

void blend_span(uint16_t* dst, const uint16_t* src, const uint16_t* mask, int32_t n, const Params& p) {
    if (dst == nullptr || src == nullptr || n <= 0) return;
    kBlendSpans[mode_index(p.mode)](dst, src, mask, n, opacity_of(p.opacity), p.keepAlpha);
}

Composite::Composite() {
    // Fractions are read only where is_float is set; they start as numbers
    // all the same.
    std::fill(std::begin(r), std::end(r), 0.0f);
    std::fill(std::begin(g), std::end(g), 0.0f);
    std::fill(std::begin(b), std::end(b), 0.0f);
    std::fill(std::begin(a), std::end(a), 0.0f);
}

void Composite::clear(int32_t n) {
    const int32_t end = whole_groups(n);
    std::memset(px, 0, size_t(end) * sizeof px[0]);
    std::fill(is_float, is_float + end, 0u);
}

void Composite::to16(int32_t n) {
    const int32_t end = whole_groups(n);
    for (int32_t i = 0; i < end; i += 4) group_to16(*this, i);
}

bool Composite::put_opaque_bgr(uint8_t* out, int32_t n, const bool* shown, bool* unwritten) {
    std::fill(unwritten, unwritten + (n + 3) / 4, false);
    bool any = false;
    const auto put = [&](auto some_shown) BLEND_INLINE_LAMBDA {
        const auto skipped = [&](int32_t i) BLEND_INLINE_LAMBDA { return decltype(some_shown)::value && shown[i / 4]; };
        const auto leave = [&](int32_t i) BLEND_INLINE_LAMBDA {
            unwritten[i / 4] = true;
            group_to16(*this, i);
            any = true;
        };
        int32_t i = 0;
        // Up to the last whole group, the next group is written after this one either way.
        for (; i + 8 <= n; i += 4)
            if (!skipped(i) && !put_opaque_group(*this, i, out + i * 3, true)) leave(i);
        for (; i < n; i += 4)
            if (!skipped(i) && (i + 4 > n || !put_opaque_group(*this, i, out + i * 3, false))) leave(i);
    };
    if (shown != nullptr) {
        put(std::true_type{});
    } else {
        put(std::false_type{});
    }
    return any;
}

int32_t mark_opaque_groups(const uint16_t* pixels, int32_t step, int32_t n, uint32_t opacity, int32_t index,
                           int8_t* first_entry) {
    n = std::min(n, kSpan);
    int32_t left = 0;
    // (alpha * opacity) >> 8 >= 65280 where alpha * opacity >= 65280 * 256.
    const uint32_t least = opacity == 0 ? 65536 : (65280u * 256 + opacity - 1) / opacity;
    const auto mark = [&](int32_t i, bool opaque) BLEND_INLINE_LAMBDA {
        if (opaque) {
            first_entry[i / 4] = int8_t(index);
        } else {
            ++left;
        }
    };
    int32_t i = 0;
    for (; i + 4 <= n; i += 4) {
        if (first_entry[i / 4] != 0) continue;
        const uint16_t* p = pixels + int64_t(i) * step;
        const Quad q = step == 4 ? simd::load_quad(p) : simd::gather_quad(p, step, 4);
        mark(i, least <= 65535 && simd::all(simd::alpha_at_least(q, least)));
    }
    if (i < n && first_entry[i / 4] == 0) {
        const Mask4 inside = simd::first_lanes(n - i);
        const Quad q = simd::gather_quad(pixels + int64_t(i) * step, step, n - i);
        mark(i, least <= 65535 && !simd::any(simd::and_not(inside, simd::alpha_at_least(q, least))));
    }
    return left;
}

void composite_span(Composite& p, int32_t n, const CompositeLayer& layer) {
    if (layer.pixels == nullptr || n <= 0) return;
    CompositeLayer l = layer;
    l.opacity = opacity_of(layer.opacity);
    kCompositeSpans[mode_index(layer.mode)](p, std::min(n, kSpan), l);
}

}  // namespace blend
