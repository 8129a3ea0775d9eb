// A plain, one-pixel-at-a-time transcription of the blend step and the
// compositor, written for the tests from the rules alone. It shares no code
// with the engine: where the engine runs four pixels at a time, with
// shortcuts and tables, this follows the steps in order with a switch.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace ref {

// The source after steps 1..4.
struct Source {
    int64_t r, g, b, a;
    int k;
};

inline int64_t clamp16(double v) {
    if (!(v > 0)) return 0;
    return v >= 65535 ? 65535 : int64_t(v);
}

// Steps 1..4. False when step 1 leaves the destination unchanged. `a` is
// the source alpha to use (the compositor's background passes 65535).
inline bool prepare(const uint16_t* s, int64_t a, const uint16_t* m, int64_t opacity, int mode, Source& out) {
    if (mode <= 20 && a == 0) return false;
    if (m != nullptr && m[3] > 0) a = (((int64_t(m[0]) + m[1] + m[2]) / 3) * a) >> 16;
    const int64_t u = (a * opacity) >> 8;
    int64_t r = s[0], g = s[1], b = s[2], ap = u;
    int k = mode;
    int64_t* ch[3] = {&r, &g, &b};
    const auto lum31 = [&](double darken_span) {
        for (int64_t* c : ch) {
            const double v = double(*c);
            *c = u < 32768 ? clamp16(v - v * (32767.0 - u) / darken_span)
                           : clamp16(v + (u - 32767.0) / 32767.0 * (65535.0 - v));
        }
    };
    const auto lum33 = [&] {
        for (int64_t* c : ch) {
            const double v = double(*c);
            *c = u < 36863 ? clamp16(v - v * (36862.0 - u) / 30000.0)
                           : clamp16(v + (65535.0 - v) * (u - 36862.0) / 28672.0);
        }
    };
    const auto alpha31 = [&] {
        if (u > 0) ap = u < 8191 ? 0 : 65535;
    };
    const auto alpha34 = [&] {
        if (u > 0) ap = u < 8191 ? 0 : (u < 9215 ? 65535 - std::min<int64_t>(65535, (9215 - u) * 64) : 65535);
    };
    const auto brighten = [&] {
        for (int64_t* c : ch) *c = std::min<int64_t>(65535, *c + 2 * u - 65534);
    };
    const auto shade = [&] {
        if (u < 32767) {
            const int64_t d = 2 * (32767 - u);
            for (int64_t* c : ch) *c = *c < d ? 0 : *c - d;
        } else {
            brighten();
        }
        ap = 65535;
    };
    switch (mode) {
        case 21: r = g = b = 65535; ap = 65535 - u; break;
        case 22:
        case 36:
            if (u > 0 && u <= 65279) {
                r = g = b = 0;
                ap = 65535;
            }
            break;
        case 23: if (u > 0) ap = u < 12287 ? 65535 - u : 12287; break;
        case 24: if (u > 0) ap = u < 12287 ? 65535 - u : 32767; break;
        case 25: if (u > 0) ap = 65535 - u; break;
        case 26:
            if (u > 0) {
                r = g = b = u;
                ap = 65535;
            }
            break;
        case 27: if (u > 0) shade(); break;
        case 28:
            if (u > 0) {
                shade();
                k = 18;
            }
            break;
        case 29:
            if (u > 0) {
                k = 18;
                if (u >= 32767) {
                    brighten();
                    ap = 65535;
                } else {
                    ap = std::max<int64_t>(0, u - 2 * (32767 - u));
                }
            }
            break;
        case 30: if (u > 0) ap = u >= 32767 ? 65535 : std::max<int64_t>(0, u - 4 * (32767 - u)); break;
        case 31: lum31(32767.0); alpha31(); break;
        case 32: lum31(65535.0); alpha31(); break;
        case 33: lum33(); alpha31(); break;
        case 34: lum33(); alpha34(); break;
        case 35: lum31(32767.0); alpha34(); break;
        case 37: if (u > 32512) ap = 0; break;
        case 38: ap = 0; break;
        case 39: ap = (r + g + b) / 3; r = g = b = 65535; break;
        case 40: ap = 65535 - (r + g + b) / 3; r = g = b = 0; break;
        default: break;
    }
    out = {r, g, b, ap, k};
    return true;
}

inline bool texturizes(int k) { return k == 17 || k == 18 || k == 19; }

inline float unit(float v) { return v > 0 ? (v < 1 ? v : 1) : 0; }

// Steps 6 and 7 in single precision. d holds premultiplied colour and alpha
// (Dc, Da); the result is straight colour and alpha as fractions.
inline void combine(const Source& s, const float dc[3], float da, float out[4]) {
    const float sa = float(s.a) / 65535.0f;
    const float src[3] = {float(s.r), float(s.g), float(s.b)};
    float sc[3];
    for (int i = 0; i < 3; ++i) sc[i] = src[i] * sa / 65280.0f;
    const float beta = float(s.r + s.g + s.b) / (3 * 65280.0f);
    float ra = da + (1 - da) * sa;
    float rc[3];
    int rule = s.k;
    if (rule == 13 || rule == 14 || rule >= 20) rule = 0;
    for (int i = 0; i < 3; ++i) {
        const float S = sc[i], D = dc[i];
        const float t = S * (1 - da) + D * (1 - sa);
        switch (rule) {
            case 0: rc[i] = S + D * (1 - sa); break;
            case 1: rc[i] = t + S * D; break;
            case 2: rc[i] = S + D - S * D; break;
            case 3: rc[i] = D * sa > S * da ? S + D * (1 - sa) : D + S * (1 - da); break;
            case 4: rc[i] = D * sa < S * da ? S + D * (1 - sa) : D + S * (1 - da); break;
            case 5: rc[i] = S + D - 2 * std::min(S * da, D * sa); break;
            case 6:
            case 7: rc[i] = t + S * da + D * sa - 2 * S * D; break;
            case 8: rc[i] = t + (da > 2 * D ? 2 * S * D : sa * da - 2 * (da - D) * (sa - S)); break;
            case 9: rc[i] = t + (sa > 2 * S ? 2 * S * D : sa * da - 2 * (da - D) * (sa - S)); break;
            case 10: {
                const float m = D / da;
                if (sa > 2 * S)
                    rc[i] = t + D * (sa + (1 - m) * (2 * S - sa));
                else if (da >= 8 * D)
                    rc[i] = t + D * (sa + (1 - m) * (3 - 8 * D / da) * (2 * S - sa));
                else
                    rc[i] = t + D * sa + (2 * S - sa) * (da * std::sqrt(m) - D);
                break;
            }
            case 11: rc[i] = S * da + D * sa >= sa * da ? t + sa * da : t + D * sa / (1 - S / sa); break;
            case 12: rc[i] = S * da + D * sa <= sa * da ? t : t + sa * (S * da + D * sa - sa * da) / S; break;
            case 15: rc[i] = S + D; break;
            case 16: rc[i] = S + D - sa * da; break;
            case 19: rc[i] = D; break;
            default: break;
        }
    }
    if (rule == 15 || rule == 16) ra = sa + da;
    if (rule == 17 || rule == 18 || rule == 19) ra = da;
    if (rule == 17 || rule == 18) {
        float e[3];
        for (int i = 0; i < 3; ++i) e[i] = dc[i] / da;
        float level = beta;
        if (rule == 17) {
            float t[3];
            for (int i = 0; i < 3; ++i) t[i] = beta < 0.5f ? e[i] - sa * (0.5f - beta) : e[i] + sa * (beta - 0.5f);
            level = (t[0] + t[1] + t[2]) / 3;
        }
        for (int i = 0; i < 3; ++i) {
            if (level < 0.5f)
                rc[i] = e[i] - sa * (0.5f - level) * 1.75f;
            else
                rc[i] = e[i] + sa * (level - 0.5f) * 1.75f;
        }
    }
    ra = unit(ra);
    for (int i = 0; i < 3; ++i) out[i] = unit(rc[i] / ra);
    out[3] = ra;
}

// The whole blend step over a 16-bit destination.
inline void blend(uint16_t* d, const uint16_t* s, const uint16_t* m, int mode, int64_t opacity, bool keepAlpha) {
    Source p;
    if (!prepare(s, s[3], m, opacity, mode, p)) return;
    if (d[3] == 0) {
        const bool black = texturizes(p.k);
        d[0] = uint16_t(black ? 0 : p.r);
        d[1] = uint16_t(black ? 0 : p.g);
        d[2] = uint16_t(black ? 0 : p.b);
        if (!keepAlpha) d[3] = uint16_t(black ? 0 : p.a);
        return;
    }
    const float da = float(d[3]) / 65535.0f;
    float dc[3];
    for (int i = 0; i < 3; ++i) dc[i] = float(d[i]) * da / 65280.0f;
    float out[4];
    combine(p, dc, da, out);
    for (int i = 0; i < 3; ++i) d[i] = uint16_t(int32_t(out[i] * 65280.0f));
    if (!keepAlpha) d[3] = uint16_t(int32_t(out[3] * 65535.0f));
}

// The compositor's running value: 16-bit, or fractions once a rule ran.
struct Running {
    bool fractions = false;
    int64_t v[4] = {0, 0, 0, 0};
    float f[4] = {0, 0, 0, 0};

    bool transparent() const { return fractions ? f[3] == 0 : v[3] == 0; }
    void set(int64_t r, int64_t g, int64_t b, int64_t a) {
        fractions = false;
        v[0] = r;
        v[1] = g;
        v[2] = b;
        v[3] = a;
    }
    // One entry laid over this value (the compositor's branch of step 2).
    void lay(const uint16_t* s, const uint16_t* m, int mode, int64_t opacity, bool base, bool at_current) {
        Source p;
        if (!prepare(s, base ? 65535 : s[3], base ? nullptr : m, opacity, mode, p)) return;
        if (transparent()) {
            if (texturizes(p.k))
                set(0, 0, 0, 0);
            else
                set(p.r, p.g, p.b, p.a);
        } else if (p.k == 0 && p.a >= 65280) {
            set(p.r, p.g, p.b, 65535);
        } else if (p.k == 19) {
            if (at_current) set(p.r, p.g, p.b, 65535);
        } else {
            float da, dc[3];
            if (fractions) {
                da = f[3];
                for (int i = 0; i < 3; ++i) dc[i] = f[i] * da;
            } else {
                da = float(v[3]) / 65535.0f;
                for (int i = 0; i < 3; ++i) dc[i] = float(v[i]) * da / 65280.0f;
            }
            combine(p, dc, da, f);
            fractions = true;
        }
    }
    void to16(uint16_t out[4]) const {
        for (int i = 0; i < 4; ++i)
            out[i] = fractions ? uint16_t(int32_t(f[i] * (i == 3 ? 65535.0f : 65280.0f))) : uint16_t(v[i]);
    }
};

}  // namespace ref
