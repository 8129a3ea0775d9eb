#include "platform/imglib/gradient.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/imglib/picture.h"
#include "platform/imglib/render2d.h"

namespace imglib {

namespace {

// More stops than any gradient needs: a count beyond it is not a list.
constexpr int32_t kMaxStops = 1024;

bool read_stops(const uint8_t* stops, const double* positions, int32_t count, render2d::Gradient& g) {
    if (stops == nullptr || positions == nullptr || count < 1 || count > kMaxStops) return false;
    for (int32_t i = 0; i < count; ++i) {
        const uint8_t* s = stops + size_t(i) * 4;
        if (!std::isfinite(positions[i])) return false;
        g.stops.push_back({positions[i] / 100.0, s[2], s[1], s[0], s[3]});
    }
    return true;
}

// Renders the gradient and lays it over the picture.
BOOL fill(uint8_t* image, uint32_t width, uint32_t height, uint32_t stride, const render2d::Gradient& g,
          double opacity) {
    if (!detail::valid_picture(image, width, height, stride, 4) || !(opacity == opacity)) return 0;
    opacity = std::clamp(opacity, 0.0, 1.0);
    try {
        if (opacity == 1.0) return render2d::fill_gradient(image, width, height, stride, g) ? 1 : 0;
        std::vector<uint8_t> rendered(size_t(width) * height * 4);
        if (!render2d::fill_gradient(rendered.data(), width, height, width * 4, g)) return 0;
        for (uint32_t y = 0; y < height; ++y) {
            uint8_t* row = image + size_t(y) * stride;
            const uint8_t* in = rendered.data() + size_t(y) * width * 4;
            for (size_t i = 0; i < size_t(width) * 4; ++i)
                row[i] = uint8_t(std::trunc(row[i] * (1.0 - opacity) + in[i] * opacity));
        }
        return 1;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

}  // namespace

BOOL ISE3GradientFillImageLinear(uint8_t* image, uint32_t width, uint32_t height, uint32_t stride, int32_t x1,
                                 int32_t y1, int32_t x2, int32_t y2, const uint8_t* stops, const double* positions,
                                 int32_t count, int32_t, int32_t, double opacity) {
    render2d::Gradient g;
    g.x0 = x1 + 0.5, g.y0 = y1 + 0.5, g.x1 = x2 + 0.5, g.y1 = y2 + 0.5;
    if (!read_stops(stops, positions, count, g)) return 0;
    return fill(image, width, height, stride, g, opacity);
}

BOOL ISE3GradientFillImageRadial(uint8_t* image, uint32_t width, uint32_t height, uint32_t stride, int32_t radius,
                                 int32_t centreX, int32_t centreY, const uint8_t* stops, const double* positions,
                                 int32_t count, int32_t, int32_t, double opacity) {
    render2d::Gradient g;
    g.radial = true;
    g.x0 = centreX + 0.5, g.y0 = centreY + 0.5, g.radius = radius;
    if (!read_stops(stops, positions, count, g)) return 0;
    return fill(image, width, height, stride, g, opacity);
}

}  // namespace imglib
