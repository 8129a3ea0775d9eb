#include "engine/blend.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <tuple>
#include <utility>

#include "engine/simd4.h"

namespace blend {

namespace {

// The group functions are small and run once per four pixels per layer:
// they are inlined into the span loops whatever the compiler's estimate.
#if defined(__GNUC__)
#define BLEND_INLINE inline __attribute__((always_inline))
#else
#define BLEND_INLINE inline
#endif

constexpr int32_t kModeCount = 41;

// Layers are read a span at a time, one after the other, so their rows are
// fetched ahead of the group being laid.
constexpr int32_t kPrefetchAhead = 64;  // pixels

inline void prefetch_ahead(const uint16_t* pixels, int32_t i, int32_t n, int32_t step) {
#if defined(__GNUC__)
    if ((i & 7) == 0 && i + kPrefetchAhead < n) __builtin_prefetch(pixels + int64_t(i + kPrefetchAhead) * step);
#else
    (void)pixels, (void)i, (void)n, (void)step;
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
};

// Da + (1 - Da) * Sa
template <class F>
F standard_alpha(const Inputs<F>& x) {
    return x.da + (1.0f - x.da) * x.sa;
}

// T = Sc * (1 - Da) + Dc * (1 - Sa): what each side shows where the other is absent.
template <class F>
F outside(F sc, F dc, const Inputs<F>& x) {
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
using simd::QuadMask;

// Four prepared sources: red, green, blue and a' as 16-bit words (a
// prepared value never exceeds 65535).
struct Sources4 {
    Quad px;
    QuadMask active;  // pixels inside the span that step 1 lets through
    QuadMask second;  // pixels handed to the second rule
};

// What four destination pixels hold: 16-bit pixels, and, in the compositor,
// fractions in the is_float pixels (merges have none).
struct Dest4 {
    Quad px;
    Mask4 is_float;
    Pixels4 f;
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
        const QuadMask inside = simd::first_pixels(count);
        if (base) return {simd::with_alpha(q, uint16_t((65535 * opacity) >> 8)), inside, simd::no_pixels()};
        const QuadMask active = simd::and_not(inside, simd::alpha_is(q, 0));
        if (opacity == 256) return {q, active, simd::no_pixels()};
        return {simd::with_alpha(q, simd::scale_words(q, uint16_t(opacity))), active, simd::no_pixels()};
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
        return {simd::load_quad(quad), simd::widen(Mask4::load(active)), simd::widen(Mask4::load(second))};
    }
}

// Whether sources of this mode with or without a mask go pixel by pixel.
template <int32_t Mode>
constexpr bool by_lanes(bool masked) {
    return Mode > 20 || masked;
}

// Steps 6 and 7 for the given lanes: the result as fractions.
template <int32_t Mode>
BLEND_INLINE Pixels4 run_rules(const Dest4& d, const Sources4& s, Mask4 lanes) {
    const Pixels4 source = simd::to_floats(s.px);
    Inputs<Float4> x;
    x.sa = source.a / 65535.0f;
    x.sc = each<Float4>([&](Float4 v) { return v * x.sa / 65280.0f; }, source);
    x.colour_sum = source.r + source.g + source.b;

    // 16-bit destinations: Da = alpha / 65535, Dc = D * Da / 65280;
    // the compositor's fractions: Dc = D * Da.
    if (!simd::any(simd::and_not(lanes, d.is_float))) {
        x.da = d.f.a;
        x.dc = each<Float4>([&](Float4 v) { return v * x.da; }, d.f);
    } else if (!simd::any(lanes & d.is_float)) {
        const Pixels4 dst = simd::to_floats(d.px);
        x.da = dst.a / 65535.0f;
        x.dc = each<Float4>([&](Float4 v) { return v * x.da / 65280.0f; }, dst);
    } else {
        const Pixels4 dst = simd::to_floats(d.px);
        x.da = select(d.is_float, d.f.a, dst.a / 65535.0f);
        x.dc = each<Float4>([&](Float4 f, Float4 v) { return select(d.is_float, f * x.da, v * x.da / 65280.0f); },
                            d.f, dst);
    }

    Rgb<Float4> rc;
    Float4 ra;
    Rule<Mode>::lay(x, rc, ra);
    if constexpr (has_second_rule(Mode)) {
        const Mask4 second = simd::narrow(s.second);
        if (simd::any(lanes & second)) {
            Rgb<Float4> rc2;
            Float4 ra2;
            Rule<kSecondRule>::lay(x, rc2, ra2);
            rc = each<Float4>([&](Float4 other, Float4 own) { return select(second, other, own); }, rc2, rc);
            ra = select(second, ra2, ra);
        }
    }
    // Step 7: clamp the alpha, divide it out of the colour (nothing to divide
    // where it is 1, as it is over opaque pixels), clamp the colour.
    ra = simd::clamp01(ra);
    if (simd::any(ra != 1.0f)) rc = each<Float4>([&](Float4 v) { return v / ra; }, rc);
    return {simd::clamp01(rc.r), simd::clamp01(rc.g), simd::clamp01(rc.b), ra};
}

// Fractions as 16-bit values: colour * 65280 and alpha * 65535, truncated
// (by the conversion to a quad).
BLEND_INLINE Quad quad16(const Pixels4& f) {
    return simd::to_quad({f.r * 65280.0f, f.g * 65280.0f, f.b * 65280.0f, f.a * 65535.0f});
}

// Steps 5..7 over four destinations; true when fractions were written. The
// compositor (Compositor set) adds its shortcuts: an opaque "Normal" source
// replaces the composite, and Texturize3 counts as opaque at the current
// layer's index and as nothing elsewhere. `covered` says that no destination
// is transparent.
template <int32_t Mode, bool Compositor>
BLEND_INLINE bool lay4(Dest4& d, const Sources4& s, bool at_current_index, bool covered = false) {
    const QuadMask transparent =
        covered ? simd::no_pixels() : simd::and_not(simd::alpha_is(d.px, 0), simd::widen(d.is_float));
    // A transparent destination takes the source unscaled; the texturize
    // rules leave it transparent black.
    QuadMask take = s.active & transparent;
    Quad taken = s.px;
    if constexpr (Mode >= 17 && Mode <= 19) taken = simd::zero_quad();
    if constexpr (has_second_rule(Mode)) taken = select(s.second, simd::zero_quad(), taken);
    QuadMask lanes = simd::and_not(s.active, transparent);
    if constexpr (Compositor && Mode == 0) {
        const QuadMask opaque = lanes & simd::alpha_at_least_65280(s.px);
        take = take | opaque;
        taken = select(opaque, simd::with_alpha(s.px, 65535), taken);
        lanes = simd::and_not(lanes, opaque);
    }
    if constexpr (Compositor && Mode == 19) {
        if (at_current_index) {
            take = take | lanes;
            taken = select(lanes, simd::with_alpha(s.px, 65535), taken);
        }
        lanes = simd::no_pixels();
    }
    if (simd::any(take)) {
        d.px = simd::all(take) ? taken : select(take, taken, d.px);
        if constexpr (Compositor) d.is_float = simd::and_not(d.is_float, simd::narrow(take));
    }
    if (!simd::any(lanes)) return false;
    const Mask4 rule_lanes = simd::narrow(lanes);
    const Pixels4 result = run_rules<Mode>(d, s, rule_lanes);
    if constexpr (Compositor) {
        d.f = simd::all(lanes) ? result : select(rule_lanes, result, d.f);
        d.is_float = d.is_float | rule_lanes;
        return true;
    }
    d.px = select(lanes, quad16(result), d.px);
    return false;
}

// ---- Merges: 16-bit over 16-bit ----

template <int32_t Mode, bool Lanes>
void blend_groups(uint16_t* dst, const uint16_t* src, const uint16_t* mask, int32_t n, uint32_t opacity,
                  bool keepAlpha) {
    for (int32_t i = 0; i < n; i += 4) {
        const int32_t count = std::min(4, n - i);
        const int64_t at = int64_t(i) * 4;
        const Sources4 s =
            prepare4<Mode, Lanes>(src + at, mask != nullptr ? mask + at : nullptr, 4, count, opacity, false);
        if (!simd::any(s.active)) continue;
        Dest4 d{count == 4 ? simd::load_quad(dst + at) : simd::gather_quad(dst + at, 4, count), simd::no_lanes(),
                {0.0f, 0.0f, 0.0f, 0.0f}};
        const Quad before = d.px;
        lay4<Mode, false>(d, s, false);
        simd::put_quad(dst + at, count, keepAlpha ? simd::with_alpha(d.px, before) : d.px);
    }
}

template <int32_t Mode>
void blend_span_mode(uint16_t* dst, const uint16_t* src, const uint16_t* mask, int32_t n, uint32_t opacity,
                     bool keepAlpha) {
    if (by_lanes<Mode>(mask != nullptr)) return blend_groups<Mode, true>(dst, src, mask, n, opacity, keepAlpha);
    blend_groups<Mode, false>(dst, src, mask, n, opacity, keepAlpha);
}

// ---- The compositor: over the running composite ----


template <int32_t Mode, bool Lanes>
void composite_groups(Composite& p, int32_t n, const CompositeLayer& layer, const uint16_t* mask) {
    const int32_t step = layer.step;
    for (int32_t i = 0; i < n; i += 4) {
        if (layer.first_entry != nullptr && layer.first_entry[i / 4] > layer.index) continue;
        const int32_t count = std::min(4, n - i);
        const int64_t at = int64_t(i) * step;
        prefetch_ahead(layer.pixels, i, n, step);
        const Sources4 s = prepare4<Mode, Lanes>(layer.pixels + at, mask != nullptr ? mask + at : nullptr, step,
                                                 count, layer.opacity, layer.base);
        if (!simd::any(s.active)) continue;
        Dest4 d{simd::load_quad(p.px[i]),
                Mask4::load(p.is_float + i),
                {Float4::load(p.r + i), Float4::load(p.g + i), Float4::load(p.b + i), Float4::load(p.a + i)}};
        if (lay4<Mode, true>(d, s, layer.at_current_index, layer.covered)) {
            d.f.r.store(p.r + i);
            d.f.g.store(p.g + i);
            d.f.b.store(p.b + i);
            d.f.a.store(p.a + i);
        }
        simd::store_quad(p.px[i], d.px);
        d.is_float.store(p.is_float + i);
    }
}

template <int32_t Mode>
void composite_span_mode(Composite& p, int32_t n, const CompositeLayer& layer) {
    // The background's alpha counts as whole, whatever a mask says.
    const uint16_t* mask = layer.base ? nullptr : layer.mask;
    if (by_lanes<Mode>(mask != nullptr)) return composite_groups<Mode, true>(p, n, layer, mask);
    composite_groups<Mode, false>(p, n, layer, mask);
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

void Composite::clear(int32_t n) {
    const int32_t end = whole_groups(n);
    std::memset(px, 0, size_t(end) * sizeof px[0]);
    std::fill(is_float, is_float + end, 0u);
    std::fill(r, r + end, 0.0f);
    std::fill(g, g + end, 0.0f);
    std::fill(b, b + end, 0.0f);
    std::fill(a, a + end, 0.0f);
}

void Composite::to16(int32_t n) {
    const int32_t end = whole_groups(n);
    for (int32_t i = 0; i < end; i += 4) {
        const Mask4 fractions = Mask4::load(is_float + i);
        if (!simd::any(fractions)) continue;
        const Pixels4 f{Float4::load(r + i), Float4::load(g + i), Float4::load(b + i), Float4::load(a + i)};
        const Quad converted = quad16(f);
        simd::store_quad(px[i], select(simd::widen(fractions), converted, simd::load_quad(px[i])));
        simd::no_lanes().store(is_float + i);
    }
}

void mark_opaque_groups(const uint16_t* pixels, int32_t step, int32_t n, uint32_t opacity, int32_t index,
                        int8_t* first_entry) {
    for (int32_t i = 0; i < std::min(n, kSpan); i += 4) {
        prefetch_ahead(pixels, i, n, step);
        if (first_entry[i / 4] != 0) continue;
        const int32_t count = std::min(4, n - i);
        const uint16_t* p = pixels + int64_t(i) * step;
        const Quad q = step == 4 && count == 4 ? simd::load_quad(p) : simd::gather_quad(p, step, count);
        const Quad u = opacity >= 256 ? q : simd::scale_words(q, uint16_t(opacity));
        if (!simd::any(simd::and_not(simd::first_pixels(count), simd::alpha_at_least_65280(u))))
            first_entry[i / 4] = int8_t(index);
    }
}

void composite_span(Composite& p, int32_t n, const CompositeLayer& layer) {
    if (layer.pixels == nullptr || n <= 0) return;
    CompositeLayer l = layer;
    l.opacity = opacity_of(layer.opacity);
    kCompositeSpans[mode_index(layer.mode)](p, std::min(n, kSpan), l);
}

}  // namespace blend
