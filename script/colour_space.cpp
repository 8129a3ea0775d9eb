#include "script/colour_space.h"

#include <algorithm>
#include <cmath>

namespace colour_space {

namespace {

constexpr double kLabEpsilon = 0.008856;
constexpr double kLabSlope = 7.787;
constexpr double kLabOffset = 16.0 / 116.0;

struct Fractions {
    double r, g, b, max, min;
};

Fractions fractions(int32_t r, int32_t g, int32_t b) {
    const double fr = r / 255.0, fg = g / 255.0, fb = b / 255.0;
    return {fr, fg, fb, std::max({fr, fg, fb}), std::min({fr, fg, fb})};
}

// sRGB companding, both ways.
double linearise(double u) { return u > 0.04045 ? std::pow((u + 0.055) / 1.055, 2.4) : u / 12.92; }
double compand(double u) { return u > 0.0031308 ? 1.055 * std::pow(u, 1.0 / 2.4) - 0.055 : 12.92 * u; }

double lab_f(double t) { return t > kLabEpsilon ? std::pow(t, 1.0 / 3.0) : kLabSlope * t + kLabOffset; }
double lab_f_inverse(double f) {
    const double cube = f * f * f;
    return cube > kLabEpsilon ? cube : (f - kLabOffset) / kLabSlope;
}

// One channel of HSL to RGB: x is the channel's hue in degrees, wrapped once.
uint8_t hsl_channel(double lo, double hi, double x) {
    if (x > 360.0) x -= 360.0;
    if (x < 0.0) x += 360.0;
    double v;
    if (x < 60.0)
        v = lo + (hi - lo) * x / 60.0;
    else if (x < 180.0)
        v = hi;
    else if (x < 240.0)
        v = lo + (hi - lo) * (240.0 - x) / 60.0;
    else
        v = lo;
    return to_byte(v);
}

}  // namespace

uint8_t to_byte(double x) {
    // trunc(v) is 0 for every v below 1 (NaN included) and 255 from 255 up.
    const double v = x * 255.0;
    if (!(v >= 1.0)) return 0;
    if (v >= 255.0) return 255;
    return static_cast<uint8_t>(v);
}

Hsv rgb_to_hsv(int32_t r, int32_t g, int32_t b) {
    const Fractions c = fractions(r, g, b);
    const double delta = c.max - c.min;
    if (delta == 0.0) return {-1.0, 0.0, c.max};
    double sixths;
    if (c.r == c.max)
        sixths = (c.g - c.b) / delta;
    else if (c.g == c.max)
        sixths = 2.0 + (c.b - c.r) / delta;
    else
        sixths = 4.0 + (c.r - c.g) / delta;
    double h = sixths * 60.0;
    if (h < 0.0) h += 360.0;
    return {h, delta / c.max, c.max};
}

Rgb8 hsv_to_rgb(const Hsv& hsv) {
    const double s = hsv.s, v = hsv.v;
    if (s == 0.0) {
        const uint8_t grey = to_byte(v);
        return {grey, grey, grey};
    }
    // Hue is cyclic: a hue outside [0, 360) is read modulo 360, which
    // leaves every hue inside that range exactly as it is.
    double hh = (hsv.h == 360.0 ? 0.0 : hsv.h) / 60.0;
    if (!std::isfinite(hh)) hh = 0.0;
    hh = std::fmod(hh, 6.0);
    if (hh < 0.0) hh += 6.0;
    int sector = static_cast<int>(std::floor(hh));
    const double f = hh - sector;
    if (sector > 5) sector = 0;
    const double p = v * (1.0 - s);
    const double q = v * (1.0 - s * f);
    const double t = v * (1.0 - s * (1.0 - f));
    double cr, cg, cb;
    switch (sector) {
        case 0: cr = v, cg = t, cb = p; break;
        case 1: cr = q, cg = v, cb = p; break;
        case 2: cr = p, cg = v, cb = t; break;
        case 3: cr = p, cg = q, cb = v; break;
        case 4: cr = t, cg = p, cb = v; break;
        default: cr = v, cg = p, cb = q; break;
    }
    return {to_byte(cr), to_byte(cg), to_byte(cb)};
}

Hsl rgb_to_hsl(int32_t r, int32_t g, int32_t b) {
    const Fractions c = fractions(r, g, b);
    const double l = (c.max + c.min) / 2.0;
    const double delta = c.max - c.min;
    if (delta == 0.0) return {0.0, 0.0, l};
    const double s = l < 0.5 ? delta / (c.max + c.min) : delta / (2.0 - c.max - c.min);
    const auto d = [&](double channel) { return ((c.max - channel) / 6.0 + delta / 2.0) / delta; };
    const double dr = d(c.r), dg = d(c.g), db = d(c.b);
    double fraction;
    if (c.r == c.max)
        fraction = db - dg;
    else if (c.g == c.max)
        fraction = 1.0 / 3.0 + dr - db;
    else
        fraction = 2.0 / 3.0 + dg - dr;
    if (fraction < 0.0) fraction += 1.0;
    if (fraction > 1.0) fraction -= 1.0;
    return {fraction * 360.0, s, l};
}

Rgb8 hsl_to_rgb(const Hsl& hsl) {
    const double h = hsl.h, s = hsl.s, l = hsl.l;
    if (s == 0.0) {
        const uint8_t grey = to_byte(l);
        return {grey, grey, grey};
    }
    const double hi = l < 0.5 ? l * (1.0 + s) : (l + s) - s * l;
    const double lo = 2.0 * l - hi;
    return {hsl_channel(lo, hi, h + 120.0), hsl_channel(lo, hi, h), hsl_channel(lo, hi, h - 120.0)};
}

Xyz rgb_to_xyz(int32_t r, int32_t g, int32_t b) {
    const double lr = linearise(r / 255.0) * 100.0;
    const double lg = linearise(g / 255.0) * 100.0;
    const double lb = linearise(b / 255.0) * 100.0;
    const double x = 0.4124 * lr + 0.3576 * lg + 0.1805 * lb;
    const double y = 0.2126 * lr + 0.7152 * lg + 0.0722 * lb;
    const double z = 0.0193 * lr + 0.1192 * lg + 0.9505 * lb;
    return {std::max(x, 0.0), std::max(y, 0.0), std::max(z, 0.0)};
}

Rgb8 xyz_to_rgb(const Xyz& xyz) {
    const double x = xyz.x / 100.0, y = xyz.y / 100.0, z = xyz.z / 100.0;
    const double r = 3.2406 * x - 1.5372 * y - 0.4986 * z;
    const double g = -0.9689 * x + 1.8758 * y + 0.0415 * z;
    const double b = 0.0557 * x - 0.2040 * y + 1.0570 * z;
    return {to_byte(compand(r)), to_byte(compand(g)), to_byte(compand(b))};
}

Lab xyz_to_lab(const Xyz& xyz) {
    const double fx = lab_f(xyz.x / kD65White.x);
    const double fy = lab_f(xyz.y / kD65White.y);
    const double fz = lab_f(xyz.z / kD65White.z);
    return {116.0 * fy - 16.0, 500.0 * (fx - fy), 200.0 * (fy - fz)};
}

Xyz lab_to_xyz(const Lab& lab) { return lab_to_xyz(lab, kD65White); }

Xyz lab_to_xyz(const Lab& lab, const Xyz& white) {
    const double fy = (lab.l + 16.0) / 116.0;
    const double fx = fy + lab.a / 500.0;
    const double fz = fy - lab.b / 200.0;
    return {std::max(lab_f_inverse(fx) * white.x, 0.0), std::max(lab_f_inverse(fy) * white.y, 0.0),
            std::max(lab_f_inverse(fz) * white.z, 0.0)};
}

Xyz d50_white() { return white_from_chromaticity(0.3457, 0.3585); }

Xyz white_from_chromaticity(double x, double y) {
    if (!std::isfinite(x) || !std::isfinite(y) || !(y > 0)) return d50_white();
    return {x / y * 100.0, 100.0, (1.0 - x - y) / y * 100.0};
}

Xyz adapt_to_d65(const Xyz& xyz, const Xyz& white) {
    // Bradford: XYZ to cone responses, each scaled by the ratio of the two
    // whites' responses, and back.
    static constexpr double kCone[3][3] = {
        {0.8951, 0.2664, -0.1614}, {-0.7502, 1.7135, 0.0367}, {0.0389, -0.0685, 1.0296}};
    static constexpr double kConeInverse[3][3] = {
        {0.9869929, -0.1470543, 0.1599627}, {0.4323053, 0.5183603, 0.0492912}, {-0.0085287, 0.0400428, 0.9684867}};
    const auto times = [](const double (&m)[3][3], const double (&v)[3], double (&out)[3]) {
        for (int i = 0; i < 3; ++i) out[i] = m[i][0] * v[0] + m[i][1] * v[1] + m[i][2] * v[2];
    };
    const double in[3] = {xyz.x, xyz.y, xyz.z}, from[3] = {white.x, white.y, white.z},
                 to[3] = {kD65White.x, kD65White.y, kD65White.z};
    double cone[3], fromCone[3], toCone[3], out[3];
    times(kCone, in, cone);
    times(kCone, from, fromCone);
    times(kCone, to, toCone);
    for (int i = 0; i < 3; ++i) cone[i] = fromCone[i] != 0.0 ? cone[i] * toCone[i] / fromCone[i] : cone[i];
    times(kConeInverse, cone, out);
    return {std::max(out[0], 0.0), std::max(out[1], 0.0), std::max(out[2], 0.0)};
}

Lab rgb_to_lab(int32_t r, int32_t g, int32_t b) { return xyz_to_lab(rgb_to_xyz(r, g, b)); }

Rgb8 lab_to_rgb(const Lab& lab) { return xyz_to_rgb(lab_to_xyz(lab)); }

Cmyk rgb_to_cmyk(int32_t r, int32_t g, int32_t b) {
    const double c = 1.0 - r / 255.0, m = 1.0 - g / 255.0, y = 1.0 - b / 255.0;
    const double k = std::min({1.0, c, m, y});
    if (k == 1.0) return {0.0, 0.0, 0.0, k};
    return {(c - k) / (1.0 - k), (m - k) / (1.0 - k), (y - k) / (1.0 - k), k};
}

Rgb8 cmyk_to_rgb(const Cmyk& cmyk) {
    const double k = cmyk.k;
    const auto channel = [k](double ink) { return to_byte(1.0 - (k + (1.0 - k) * ink)); };
    return {channel(cmyk.c), channel(cmyk.m), channel(cmyk.y)};
}

}  // namespace colour_space
