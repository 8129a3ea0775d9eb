// Emboss with a height map: the map is read as a relief, its normals lit
// by a distant light, and the colour picture shaded by that light.
#include "platform/imglib/artistic.h"
#include "platform/imglib/effect_support.h"

namespace imglib {

BOOL IS3EmbossRGB(const uint8_t* heights, uint32_t width, uint32_t height, uint32_t heightStride,
                  const uint8_t* colour, uint32_t colourStride, uint8_t* dst, uint32_t dstStride, double azimuth,
                  double elevation, int32_t depth) {
    if (!detail::effect_picture(heights, width, height, heightStride, 1) ||
        !detail::effect_picture(colour, width, height, colourStride, 3) ||
        !detail::effect_picture(dst, width, height, dstStride, 3))
        return 0;
    if (!std::isfinite(azimuth) || !std::isfinite(elevation)) return 0;
    if (width == 0 || height == 0) return 1;
    if (detail::overlapping(colour, colourStride, dst, dstStride, height)) return 0;
    const double k = std::clamp(depth, 0, 100) / (2.0 * 255.0);
    // Toward the light; y grows downward, so counter-clockwise as seen is -y.
    const double lx = std::cos(azimuth) * std::cos(elevation), ly = -std::sin(azimuth) * std::cos(elevation);
    const double lz = std::sin(elevation);
    const auto h = [&](int64_t x, int64_t y) {
        x = std::clamp<int64_t>(x, 0, int64_t(width) - 1);
        y = std::clamp<int64_t>(y, 0, int64_t(height) - 1);
        return double(heights[size_t(y) * heightStride + size_t(x)]);
    };
    detail::for_rows(height, [&](uint32_t y) {
        const uint8_t* c = colour + size_t(y) * colourStride;
        uint8_t* d = dst + size_t(y) * dstStride;
        for (uint32_t x = 0; x < width; ++x) {
            // The relief z = k * height: its normal is (-dz/dx, -dz/dy, 1).
            const double nx = -k * (h(int64_t(x) + 1, y) - h(int64_t(x) - 1, y));
            const double ny = -k * (h(x, int64_t(y) + 1) - h(x, int64_t(y) - 1));
            const double light = std::max(0.0, (nx * lx + ny * ly + lz) / std::sqrt(nx * nx + ny * ny + 1));
            for (int ch = 0; ch < 3; ++ch) d[x * 3 + ch] = detail::round_byte(c[x * 3 + ch] * light);
        }
    });
    return 1;
}

}  // namespace imglib
