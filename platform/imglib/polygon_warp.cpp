// The quadrilateral warp and the point push of the transform module.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <opencv2/imgproc.hpp>

#include "platform/imglib/picture.h"
#include "platform/imglib/transform.h"
#include "platform/imglib/warp_map.h"

namespace imglib {

namespace {

// A plane homography, applied in double precision.
struct Homography {
    double m[9] = {};

    static Homography of(const cv::Mat& h) {
        Homography r;
        for (int i = 0; i < 9; ++i) r.m[i] = h.at<double>(i / 3, i % 3);
        return r;
    }
};

bool three_on_a_line(const cv::Point2f* q) {
    for (int skip = 0; skip < 4; ++skip) {
        cv::Point2d p[3];
        for (int i = 0, k = 0; i < 4; ++i)
            if (i != skip) p[k++] = q[i];
        const double cross = (p[1].x - p[0].x) * (p[2].y - p[0].y) - (p[1].y - p[0].y) * (p[2].x - p[0].x);
        if (cross == 0.0) return true;
    }
    return false;
}

// A pixel's cover follows its signed distance, in destination pixels, from
// the warped quadrilateral's border: whole from half a pixel outside
// inwards (a pixel whose centre lies on the border shows the edge pixel of
// the source whole, so corners land exactly), none from one and a half
// pixels outside; `hard` takes whole or none at one pixel outside.
uint8_t cover_of(double inside, bool hard) {
    if (hard) return inside >= -0.5 ? 255 : 0;
    if (inside >= 0.0) return 255;
    if (inside <= -1.0) return 0;
    return uint8_t(std::lround((1.0 + inside) * 255.0));
}

// Destination pixels map to the source by `source`; the target, convex,
// is the region inside its four edges, whose signed distances are exact
// and linear along a row.
class QuadMap final : public detail::RowMap {
public:
    QuadMap(const cv::Point2f* target, const Homography& source, bool hard) : h_(source), hard_(hard) {
        // Edge i runs from corner i to corner i + 1; its inward normal,
        // scaled to unit length, gives a signed distance.
        const double turn = orientation(target);
        for (int i = 0; i < 4; ++i) {
            const cv::Point2d a = target[i], b = target[(i + 1) % 4];
            double nx = -(b.y - a.y) * turn, ny = (b.x - a.x) * turn;
            const double len = std::sqrt(nx * nx + ny * ny);
            nx /= len;
            ny /= len;
            edges_[i] = {nx, ny, -(nx * a.x + ny * a.y)};
        }
    }

    bool row(int32_t y, int32_t width, float* xy, uint8_t* cover) const override {
        const double* h = h_.m;
        const double py = y;
        // Along the row the homography's three sums and the distances grow
        // by fixed steps.
        const double sx = h[1] * py + h[2], sy = h[4] * py + h[5], sw = h[7] * py + h[8];
        double d[4];
        for (int i = 0; i < 4; ++i) d[i] = edges_[i].b * py + edges_[i].c;
        bool lowered = false;
        for (int32_t x = 0; x < width; ++x) {
            const double w = sw + h[6] * x;
            xy[2 * x] = float((sx + h[0] * x) / w);
            xy[2 * x + 1] = float((sy + h[3] * x) / w);
            const double inside = std::min(std::min(d[0] + edges_[0].a * x, d[1] + edges_[1].a * x),
                                           std::min(d[2] + edges_[2].a * x, d[3] + edges_[3].a * x));
            const uint8_t c = cover_of(inside, hard_);
            if (c != 255) {
                cover[x] = c;
                lowered = true;
            }
        }
        return lowered;
    }

private:
    struct Line {
        double a = 0, b = 0, c = 0;  // a x + b y + c: signed distance
    };

    // +1 when the corners run one way round, -1 the other.
    static double orientation(const cv::Point2f* q) {
        double area = 0;
        for (int i = 0; i < 4; ++i) area += double(q[i].x) * q[(i + 1) % 4].y - double(q[(i + 1) % 4].x) * q[i].y;
        return area > 0 ? 1.0 : -1.0;
    }

    Homography h_;
    bool hard_;
    Line edges_[4];
};

// Every corner turns the same way: a convex quadrilateral, the only kind a
// perspective map takes a convex one onto (a dart or a bow tie would need
// the map to pass through infinity).
bool convex(const cv::Point2f* q) {
    int sign = 0;
    for (int i = 0; i < 4; ++i) {
        const cv::Point2d o = q[i], a = q[(i + 1) % 4], b = q[(i + 2) % 4];
        const double c = (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
        const int s = c > 0 ? 1 : -1;
        if (sign != 0 && s != sign) return false;
        sign = s;
    }
    return true;
}

}  // namespace

BOOL IS3PolygonWarpImage(const uint8_t* src, uint32_t srcWidth, uint32_t srcHeight, uint32_t srcStride, uint8_t* dst,
                         uint32_t dstWidth, uint32_t dstHeight, uint32_t dstStride, const ISPoint* srcQuad,
                         const ISPoint* dstQuad, uint32_t bitsPerPixel, int32_t, int32_t, int32_t sampling) {
    if (bitsPerPixel != 24 && bitsPerPixel != 32) return 0;
    if (srcQuad == nullptr || dstQuad == nullptr || sampling < kWarpNearest || sampling > kWarpSmooth) return 0;
    const uint32_t bpp = bitsPerPixel / 8;
    if (!detail::valid_picture(src, srcWidth, srcHeight, srcStride, bpp) ||
        !detail::valid_picture(dst, dstWidth, dstHeight, dstStride, bpp) || srcWidth == 0 || srcHeight == 0)
        return 0;
    cv::Point2f from[4], to[4];
    for (int i = 0; i < 4; ++i) {
        from[i] = cv::Point2f(float(srcQuad[i].x), float(srcQuad[i].y));
        to[i] = cv::Point2f(float(dstQuad[i].x), float(dstQuad[i].y));
    }
    if (three_on_a_line(from) || three_on_a_line(to) || !convex(from) || !convex(to)) return 0;
    if (dstWidth == 0 || dstHeight == 0) return 1;
    try {
        detail::match_pool_threads();
        const cv::Mat source = cv::getPerspectiveTransform(to, from, cv::DECOMP_LU);
        const QuadMap map(to, Homography::of(source), sampling != kWarpSmooth);
        detail::Sampling how;
        how.interpolation = sampling == kWarpNearest ? cv::INTER_NEAREST : cv::INTER_LINEAR;
        how.border = cv::BORDER_REPLICATE;
        how.keepUncovered = true;
        const cv::Mat in = detail::wrap(src, srcWidth, srcHeight, srcStride, bpp);
        cv::Mat out = detail::wrap(dst, dstWidth, dstHeight, dstStride, bpp);
        return detail::remap_rows(in, out, map, how) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

namespace {

// The push: destination point p shows the source at p - v * f(|p - end| /
// radius) with f(s) = (1 - s^2)^2, which is 1 at the end point and falls
// to 0 with no slope at the radius.
class PushMap final : public detail::RowMap {
public:
    PushMap(double ex, double ey, double vx, double vy, double radius, int32_t left, int32_t top)
        : ex_(ex), ey_(ey), vx_(vx), vy_(vy), r2_(radius * radius), left_(left), top_(top) {}
    bool row(int32_t y, int32_t width, float* xy, uint8_t*) const override {
        const double py = double(y + top_);
        for (int32_t x = 0; x < width; ++x) {
            const double px = double(x + left_);
            const double d2 = (px - ex_) * (px - ex_) + (py - ey_) * (py - ey_);
            double f = 0.0;
            if (d2 < r2_) {
                const double s = 1.0 - d2 / r2_;
                f = s * s;
            }
            xy[2 * x] = float(px - vx_ * f);
            xy[2 * x + 1] = float(py - vy_ * f);
        }
        return false;
    }

private:
    double ex_, ey_, vx_, vy_, r2_;
    int32_t left_, top_;
};

// The steepest slope of (1 - s^2)^2 is 8 / (3 * sqrt(3)), about 1.54: a
// radius above that many push lengths keeps the map from folding.
constexpr double kLeastRadiusPerLength = 1.6;

}  // namespace

BOOL ISE3PushImage(const uint8_t* src, uint8_t* dst, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                   int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t radius) {
    if (bytesPerPixel != 1 && bytesPerPixel != 3 && bytesPerPixel != 4) return 0;
    const uint32_t stride = width * bytesPerPixel;
    if (!detail::valid_picture(src, width, height, stride, bytesPerPixel) ||
        !detail::valid_picture(dst, width, height, stride, bytesPerPixel))
        return 0;
    if (width == 0 || height == 0) return 1;
    std::memcpy(dst, src, size_t(stride) * height);
    const double vx = double(x2) - x1, vy = double(y2) - y1;
    const double length = std::hypot(vx, vy);
    if (length == 0.0) return 1;
    const double r = std::max({radius > 0 ? double(radius) : 2.0 * length, kLeastRadiusPerLength * length, 4.0});
    // Only the disc about the end point changes.
    const double left = std::max(0.0, std::floor(x2 - r)), top = std::max(0.0, std::floor(y2 - r));
    const double right = std::min(double(width), std::ceil(x2 + r) + 1), bottom = std::min(double(height), std::ceil(y2 + r) + 1);
    if (left >= right || top >= bottom) return 1;
    try {
        const cv::Mat in = detail::wrap(src, width, height, stride, bytesPerPixel);
        cv::Mat out = detail::wrap(dst, width, height, stride, bytesPerPixel);
        cv::Mat region = out(cv::Rect(int(left), int(top), int(right - left), int(bottom - top)));
        const PushMap map(x2, y2, vx, vy, r, int32_t(left), int32_t(top));
        detail::Sampling how;
        how.border = cv::BORDER_REPLICATE;
        return detail::remap_rows(in, region, map, how) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

}  // namespace imglib
