// Conversions between 8-bit RGB and the HSV, HSL, XYZ, Lab and CMYK colour
// models, shared by the script bindings, the hue-range mask and the
// built-in filters.
//
// Plain functions of their arguments, in double precision. RGB comes in as
// integers 0..255 and is read as a fraction of 255; every conversion back
// to bytes computes trunc(x * 255), truncating toward zero, never rounding,
// so HSV (0, 0, 0.999) gives 254. Results outside 0..255 (inputs outside
// their models' ranges) are held to 0..255.
#pragma once

#include <cstdint>
#include <limits>

namespace colour_space {

struct Rgb8 {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb8&) const = default;
};

// h in degrees [0, 360), -1 for a grey; s and v 0..1.
struct Hsv {
    double h = 0, s = 0, v = 0;
};

// h in degrees [0, 360), 0 for a grey; s and l 0..1.
struct Hsl {
    double h = 0, s = 0, l = 0;
};

// sRGB under D65 on the 0..100 scale (Y = 100 for white).
struct Xyz {
    double x = 0, y = 0, z = 0;
};

// CIE L*a*b* against the white X = 95.047, Y = 100, Z = 108.883.
struct Lab {
    double l = 0, a = 0, b = 0;
};

// Each 0..1.
struct Cmyk {
    double c = 0, m = 0, y = 0, k = 0;
};

// A fraction as a byte: trunc(x * 255) held to 0..255; NaN gives 0.
uint8_t to_byte(double x);

// trunc(v) as an integer, held to the int32 range; NaN gives 0.
inline int32_t trunc_int(double v) {
    if (!(v == v)) return 0;
    if (v >= double(std::numeric_limits<int32_t>::max())) return std::numeric_limits<int32_t>::max();
    if (v <= double(std::numeric_limits<int32_t>::min())) return std::numeric_limits<int32_t>::min();
    return int32_t(v);
}

Hsv rgb_to_hsv(int32_t r, int32_t g, int32_t b);
Rgb8 hsv_to_rgb(const Hsv& hsv);

Hsl rgb_to_hsl(int32_t r, int32_t g, int32_t b);
Rgb8 hsl_to_rgb(const Hsl& hsl);

Xyz rgb_to_xyz(int32_t r, int32_t g, int32_t b);
Rgb8 xyz_to_rgb(const Xyz& xyz);

Lab xyz_to_lab(const Xyz& xyz);
Xyz lab_to_xyz(const Lab& lab);

// The white of the conversions above (D65), and the D50 white that
// colour-managed files assume when they name none, as the chromaticity
// x = 0.3457, y = 0.3585.
inline constexpr Xyz kD65White{95.047, 100.0, 108.883};
Xyz d50_white();
// The XYZ of a white given by its chromaticity, with Y = 100; D50 for a
// chromaticity that cannot be a white (y not above 0, x or y not finite).
Xyz white_from_chromaticity(double x, double y);
// Lab against another white: the same steps with that white's X, Y, Z.
Xyz lab_to_xyz(const Lab& lab, const Xyz& white);
// A colour seen under `white` as it looks under D65, by the Bradford cone
// transform, so that the white itself becomes D65's.
Xyz adapt_to_d65(const Xyz& xyz, const Xyz& white);

// RGB to XYZ to Lab, and back the same way.
Lab rgb_to_lab(int32_t r, int32_t g, int32_t b);
Rgb8 lab_to_rgb(const Lab& lab);

Cmyk rgb_to_cmyk(int32_t r, int32_t g, int32_t b);
Rgb8 cmyk_to_rgb(const Cmyk& cmyk);

}  // namespace colour_space
