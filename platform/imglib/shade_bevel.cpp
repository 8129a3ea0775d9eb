// A shaded bevel round the picture's border, as on a raised button: the
// border slopes toward each edge and is lit from one side.
#include "platform/imglib/artistic.h"
#include "platform/imglib/effect_support.h"

namespace imglib {

namespace {

constexpr double kPi = 3.14159265358979323846;

// The slope's steepness at t (0 at the edge, 1 at the face) for a profile:
// a chamfer is 1 throughout, a quarter round steep at the edge and flat at
// the face; profiles 1 and 2 lie between.
double steepness(double t, int32_t profile) {
    const double u = 1.0 - t;
    const double round = std::min(4.0, u / std::sqrt(std::max(1e-6, 1.0 - u * u)));
    const double mix = std::clamp(profile, 0, 3) / 3.0;
    return (1 - mix) * 1.0 + mix * round;
}

}  // namespace

BOOL ISE3ShadeBevelEdge(uint8_t* image, uint32_t width, uint32_t height, uint32_t stride, int32_t bevelWidth,
                        int32_t profile, int32_t flags, int32_t highlight, int32_t shadow, int32_t lightAngle,
                        int32_t opacity, int32_t softness) {
    if (!detail::effect_picture(image, width, height, stride, 3)) return 0;
    if (width == 0 || height == 0 || bevelWidth <= 0) return 1;
    const double bevel = std::min<double>(bevelWidth, std::max(width, height));
    const double up = std::clamp(highlight, 0, 255) / 255.0, down = std::clamp(shadow, 0, 255) / 255.0;
    const double laid = std::clamp(opacity, 0, 255) / 255.0;
    const double soft = std::clamp(softness, 0, 500) / 500.0 * bevel;
    const double a = (lightAngle & 255) / 256.0 * 2 * kPi;
    // Toward the light, from the left and turning counter-clockwise as seen
    // (y grows downward), 45 degrees above the picture.
    const double lx = -std::cos(a) * std::sqrt(0.5), ly = std::sin(a) * std::sqrt(0.5), lz = std::sqrt(0.5);
    const double sign = (flags & kBevelSunken) ? -1.0 : 1.0;
    detail::for_rows(height, [&](uint32_t y) {
        uint8_t* p = image + size_t(y) * stride;
        for (uint32_t x = 0; x < width; ++x, p += 3) {
            const double left = x, right = double(width) - 1 - x, top = y, bottom = double(height) - 1 - y;
            const double d = std::min({left, right, top, bottom});
            if (d >= bevel) continue;
            // Outward from the nearest edge.
            double ox = 0, oy = 0;
            if (d == left) ox = -1;
            else if (d == right) ox = 1;
            else if (d == top) oy = -1;
            else oy = 1;
            double s = steepness(d / bevel, profile) * sign;
            if (soft > 0) s *= std::min(1.0, (d + 1) / soft);
            const double n = std::sqrt(s * s + 1);
            const double lit = (ox * s * lx + oy * s * ly + lz) / n - lz;
            const double amount = std::clamp(lit / lz, -1.0, 1.0);
            for (int c = 0; c < 3; ++c) {
                const double v = p[c];
                const double shaded = amount >= 0 ? v + (255 - v) * amount * up : v * (1 + amount * down);
                p[c] = detail::round_byte(v + (shaded - v) * laid);
            }
        }
    });
    return 1;
}

}  // namespace imglib
