#include "platform/imglib/draw40.h"

#include "platform/imglib/picture.h"

#include <algorithm>
#include <cmath>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

namespace imglib {

namespace {

constexpr double kMaxRadius = 1000.0;

// Drawing works on pictures of one to four byte channels.
bool byte_picture(const void* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t stride) {
    return bytesPerPixel >= 1 && bytesPerPixel <= 4 &&
           detail::valid_picture(image, width, height, stride, bytesPerPixel);
}

cv::Scalar colour_scalar(uint32_t colour) {
    return cv::Scalar(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF, (colour >> 24) & 0xFF);
}

uint8_t colour_byte(uint32_t colour, uint32_t c) { return uint8_t(colour >> (8 * c)); }

// Lays the colour over the pixels from x0 to x1 (included) of one row.
void blend_span(uint8_t* row, int64_t x0, int64_t x1, uint32_t bytesPerPixel, uint32_t colour, double opacity) {
    for (int64_t x = x0; x <= x1; ++x) {
        uint8_t* p = row + x * bytesPerPixel;
        for (uint32_t c = 0; c < bytesPerPixel; ++c) {
            const double v = p[c] * (1.0 - opacity) + colour_byte(colour, c) * opacity;
            p[c] = uint8_t(std::clamp(std::trunc(v), 0.0, 255.0));
        }
    }
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

}  // namespace

BOOL IS40_FillSolidRect(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t stride,
                        int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t colour) {
    if (!byte_picture(image, width, height, bytesPerPixel, stride)) return 0;
    const int64_t x0 = std::max<int64_t>(left, 0), y0 = std::max<int64_t>(top, 0);
    const int64_t x1 = std::min<int64_t>(right, int64_t(width) - 1);
    const int64_t y1 = std::min<int64_t>(bottom, int64_t(height) - 1);
    if (x0 > x1 || y0 > y1) return 1;
    try {
        detail::match_pool_threads();
        cv::Mat picture(int(height), int(width), CV_8UC(int(bytesPerPixel)), image, stride);
        picture(cv::Rect(int(x0), int(y0), int(x1 - x0 + 1), int(y1 - y0 + 1))).setTo(colour_scalar(colour));
        return 1;
    } catch (const cv::Exception&) {
        return 0;
    }
}

BOOL IS40_DrawEllipseOnImage(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                             uint32_t stride, int32_t centreX, int32_t centreY, int32_t radiusX, int32_t radiusY,
                             uint32_t colour, int32_t filled, int32_t penWidth, double opacity, int32_t,
                             int32_t, int32_t) {
    if (!byte_picture(image, width, height, bytesPerPixel, stride)) return 0;
    if (radiusX < 0 || radiusY < 0 || !(opacity == opacity)) return 0;
    opacity = std::clamp(opacity, 0.0, 1.0);
    const int64_t pen = filled ? 0 : std::max(1, penWidth);
    // A ring keeps the pixels outside the ellipse shrunk by the pen.
    const int64_t irx = int64_t(radiusX) - pen, iry = int64_t(radiusY) - pen;
    const bool hole = !filled && irx >= 0 && iry >= 0;
    const int64_t y0 = std::max<int64_t>(int64_t(centreY) - radiusY, 0);
    const int64_t y1 = std::min<int64_t>(int64_t(centreY) + radiusY, int64_t(height) - 1);
    const int64_t last = int64_t(width) - 1;
    for (int64_t y = y0; y <= y1; ++y) {
        const int64_t dy = y - centreY;
        const int64_t half = half_span(radiusX, radiusY, dy);
        if (half < 0) continue;
        uint8_t* row = image + y * int64_t(stride);
        const int64_t inner = hole ? half_span(irx, iry, dy) : -1;
        // One span, or with a hole in this row the two either side of it.
        int64_t spans[2][2] = {{centreX - half, centreX + half}, {1, 0}};
        if (inner >= 0) {
            spans[0][1] = centreX - inner - 1;
            spans[1][0] = centreX + inner + 1;
            spans[1][1] = centreX + half;
        }
        for (const auto& span : spans) {
            const int64_t a = std::max<int64_t>(span[0], 0), b = std::min(span[1], last);
            if (a <= b) blend_span(row, a, b, bytesPerPixel, colour, opacity);
        }
    }
    return 1;
}

BOOL IS40_GaussianBlurImage(const uint8_t* src, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                            uint32_t srcStride, uint8_t* dst, uint32_t dstStride, double radius,
                            uint32_t channelMask) {
    if (!byte_picture(src, width, height, bytesPerPixel, srcStride) ||
        !byte_picture(dst, width, height, bytesPerPixel, dstStride))
        return 0;
    if (!(radius > 0.0) || radius > kMaxRadius) return 0;
    if (width == 0 || height == 0) return 1;
    try {
        detail::match_pool_threads();
        const int type = CV_8UC(int(bytesPerPixel));
        const cv::Mat in(int(height), int(width), type, const_cast<uint8_t*>(src), srcStride);
        cv::Mat out(int(height), int(width), type, dst, dstStride);
        const int k = 2 * int(std::ceil(3.0 * radius)) + 1;
        cv::Mat blurred;
        cv::GaussianBlur(in, blurred, cv::Size(k, k), radius, radius, cv::BORDER_REPLICATE);
        detail::lay_blurred(in, blurred, out, bytesPerPixel, channelMask, 100);
        return 1;
    } catch (const cv::Exception&) {
        return 0;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

}  // namespace imglib
