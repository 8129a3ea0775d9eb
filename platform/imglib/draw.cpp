#include "platform/imglib/draw.h"

#include <algorithm>
#include <cmath>
#include <opencv2/core.hpp>

#include "platform/imglib/coverage.h"
#include "platform/imglib/picture.h"
#include "platform/imglib/render2d.h"

namespace imglib {

namespace detail {

namespace {

cv::Scalar colour_scalar(const PixelColour& c) {
    return cv::Scalar(c.bytes[0], c.bytes[1], c.bytes[2], c.bytes[3]);
}

// NaN draws nothing; opacity is held to 0..1.
bool usable_opacity(double& opacity) {
    if (!(opacity == opacity)) return false;
    opacity = std::clamp(opacity, 0.0, 1.0);
    return true;
}

// The rectangle's corners clipped to the picture; empty when x0 > x1 or y0 > y1.
struct Clipped {
    int64_t x0, y0, x1, y1;
    bool empty() const { return x0 > x1 || y0 > y1; }
};
Clipped clip_rect(int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t width, uint32_t height) {
    return {std::max<int64_t>(left, 0), std::max<int64_t>(top, 0), std::min<int64_t>(right, int64_t(width) - 1),
            std::min<int64_t>(bottom, int64_t(height) - 1)};
}

// The largest dx with (dx / rx)^2 + (dy / ry)^2 <= 1, or -1 where the row
// misses the ellipse; exact, in 128-bit integers.
int64_t half_span(int64_t rx, int64_t ry, int64_t dy) {
    if (dy < 0) dy = -dy;
    if (dy > ry) return -1;
    if (ry == 0) return rx;
    using Wide = unsigned __int128;
    const Wide rx2 = Wide(rx) * Wide(rx), ry2 = Wide(ry) * Wide(ry), dy2 = Wide(dy) * Wide(dy);
    const auto fits = [&](int64_t dx) { return Wide(dx) * Wide(dx) * ry2 + dy2 * rx2 <= rx2 * ry2; };
    const double t = double(dy) / double(ry);
    int64_t d = int64_t(std::floor(double(rx) * std::sqrt(std::max(0.0, 1.0 - t * t))));
    while (d < rx && fits(d + 1)) ++d;
    while (d > 0 && !fits(d)) --d;
    return d;
}

struct Ellipse {
    int64_t cx, cy, rx, ry;
    int64_t pen;  // 0 when filled
    bool hole() const { return pen > 0 && rx - pen >= 0 && ry - pen >= 0; }
};

void draw_aliased(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t stride,
                  const PixelColour& colour, const Ellipse& e, double opacity) {
    const int64_t y0 = std::max<int64_t>(e.cy - e.ry, 0);
    const int64_t y1 = std::min<int64_t>(e.cy + e.ry, int64_t(height) - 1);
    const int64_t last = int64_t(width) - 1;
    for (int64_t y = y0; y <= y1; ++y) {
        const int64_t dy = y - e.cy;
        const int64_t half = half_span(e.rx, e.ry, dy);
        if (half < 0) continue;
        uint8_t* row = image + y * int64_t(stride);
        const int64_t inner = e.hole() ? half_span(e.rx - e.pen, e.ry - e.pen, dy) : -1;
        // One span, or with a hole in this row the two either side of it.
        int64_t spans[2][2] = {{e.cx - half, e.cx + half}, {1, 0}};
        if (inner >= 0) {
            spans[0][1] = e.cx - inner - 1;
            spans[1][0] = e.cx + inner + 1;
            spans[1][1] = e.cx + half;
        }
        for (const auto& span : spans) {
            const int64_t a = std::max<int64_t>(span[0], 0), b = std::min(span[1], last);
            if (a <= b) lay_span(row, a, b, bytesPerPixel, colour, opacity);
        }
    }
}

// Smooth edges: the aliased ellipse's pixels grown by half a pixel all
// round, so both cover the same pixels in full. False when it cannot be
// rendered; `laid` tells whether any pixel was drawn before that.
bool draw_smooth(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t stride,
                 const PixelColour& colour, const Ellipse& e, double opacity, bool& laid) {
    const render2d::Rect clip = render2d::Rect{e.cx - e.rx, e.cy - e.ry, e.cx + e.rx + 1, e.cy + e.ry + 1}.intersect(
        render2d::Rect{0, 0, int64_t(width), int64_t(height)});
    const double cx = double(e.cx) + 0.5, cy = double(e.cy) + 0.5;
    const double innerRx = e.hole() ? double(e.rx - e.pen) + 0.5 : 0.0;
    const double innerRy = e.hole() ? double(e.ry - e.pen) + 0.5 : 0.0;
    return render2d::smooth_ellipse(clip, cx, cy, double(e.rx) + 0.5, double(e.ry) + 0.5, innerRx, innerRy,
                                    [&](const render2d::CoverageTile& tile) {
                                        laid = true;
                                        lay_coverage(image, bytesPerPixel, stride, tile, colour, opacity);
                                    });
}

}  // namespace

BOOL draw_ellipse(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t stride,
                  const PixelColour& colour, int32_t centreX, int32_t centreY, int32_t radiusX, int32_t radiusY,
                  int32_t filled, int32_t penWidth, double opacity, int32_t quality) {
    if (!valid_byte_picture(image, width, height, stride, bytesPerPixel)) return 0;
    if (radiusX < 0 || radiusY < 0 || !usable_opacity(opacity)) return 0;
    const Ellipse e{centreX, centreY, radiusX, radiusY, filled ? 0 : std::max(1, penWidth)};
    if (width == 0 || height == 0) return 1;
    try {
        // An ellipse too far out for the smooth renderer (it refuses before
        // drawing anything) is drawn aliased instead.
        if (quality == kSmoothEdges) {
            bool laid = false;
            if (draw_smooth(image, width, height, bytesPerPixel, stride, colour, e, opacity, laid)) return 1;
            if (laid) return 0;
        }
        draw_aliased(image, width, height, bytesPerPixel, stride, colour, e, opacity);
        return 1;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

BOOL lay_rect(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t stride,
              int32_t left, int32_t top, int32_t right, int32_t bottom, const PixelColour& colour, double opacity) {
    if (!valid_byte_picture(image, width, height, stride, bytesPerPixel) || !usable_opacity(opacity)) return 0;
    const Clipped r = clip_rect(left, top, right, bottom, width, height);
    for (int64_t y = r.y0; y <= r.y1; ++y) lay_span(image + y * int64_t(stride), r.x0, r.x1, bytesPerPixel, colour, opacity);
    return 1;
}

}  // namespace detail

BOOL IS3FillSolidRect(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t stride,
                      int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t colour) {
    using namespace detail;
    if (!valid_byte_picture(image, width, height, stride, bytesPerPixel)) return 0;
    const Clipped r = clip_rect(left, top, right, bottom, width, height);
    if (r.empty()) return 1;
    try {
        keep_to_caller_thread();
        cv::Mat picture = wrap(image, width, height, stride, bytesPerPixel);
        picture(cv::Rect(int(r.x0), int(r.y0), int(r.x1 - r.x0 + 1), int(r.y1 - r.y0 + 1)))
            .setTo(colour_scalar(colour_in_pixel_order(colour)));
        return 1;
    } catch (const cv::Exception&) {
        return 0;
    }
}

BOOL IS3FillTransparentRectOnImage(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                                   uint32_t stride, int32_t left, int32_t top, int32_t right, int32_t bottom,
                                   uint32_t colour, double opacity, int32_t) {
    return detail::lay_rect(image, width, height, bytesPerPixel, stride, left, top, right, bottom,
                            detail::colour_in_pixel_order(colour), opacity);
}

BOOL IS3DrawEllipseOnImage(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                           uint32_t stride, uint32_t colour, int32_t centreX, int32_t centreY, int32_t radiusX,
                           int32_t radiusY, int32_t filled, int32_t penWidth, double opacity, int32_t, int32_t,
                           int32_t quality) {
    return detail::draw_ellipse(image, width, height, bytesPerPixel, stride,
                                detail::colour_from_argb(colour, bytesPerPixel), centreX, centreY, radiusX, radiusY,
                                filled, penWidth, opacity, quality);
}

}  // namespace imglib
