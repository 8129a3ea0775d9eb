// The filter effects of the effect-script module: edges, emboss, bump,
// maximum, minimum and colorize. They keep the picture's geometry and,
// except maximum and minimum, its alpha.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <opencv2/imgproc.hpp>

#include "platform/imglib/picture.h"
#include "platform/imglib/script_effects.h"

namespace imglib::detail {

namespace {

constexpr double kPi = std::numbers::pi;

cv::Mat as_mat(const Bgra& p) { return wrap(p.px, uint32_t(p.width), uint32_t(p.height), uint32_t(p.width) * 4, 4); }

// The grey level of the blue, green, red bytes, as float.
cv::Mat grey_of(const Bgra& p) {
    cv::Mat grey;
    cv::cvtColor(as_mat(p), grey, cv::COLOR_BGRA2GRAY);
    cv::Mat f;
    grey.convertTo(f, CV_32F);
    return f;
}

// The slopes of a height field along x and y, in height units per pixel
// (Sobel divided by 8), edges repeated.
void slopes(const cv::Mat& height, cv::Mat& sx, cv::Mat& sy) {
    cv::Sobel(height, sx, CV_32F, 1, 0, 3, 1.0 / 8.0, 0, cv::BORDER_REPLICATE);
    cv::Sobel(height, sy, CV_32F, 0, 1, 3, 1.0 / 8.0, 0, cv::BORDER_REPLICATE);
}

// Lambert shading of the field lit from `azimuth` (counter-clockwise as
// seen from the right) and `elevation`, the slopes scaled by depth: the
// cosine between the surface normal and the light, 0..1.
template <class Each>
void shade(const cv::Mat& sx, const cv::Mat& sy, double depth, double azimuth, double elevation, Each each) {
    const float lx = float(std::cos(elevation) * std::cos(azimuth)), ly = float(-std::cos(elevation) * std::sin(azimuth));
    const float lz = float(std::sin(elevation)), k = float(depth);
    for (int y = 0; y < sx.rows; ++y) {
        const float* gx = sx.ptr<float>(y);
        const float* gy = sy.ptr<float>(y);
        for (int x = 0; x < sx.cols; ++x) {
            // The normal of z = k * h(x, y) is (-k hx, -k hy, 1).
            const float nx = -k * gx[x], ny = -k * gy[x];
            const float s = (nx * lx + ny * ly + lz) / std::sqrt(nx * nx + ny * ny + 1.0f);
            each(x, y, std::max(s, 0.0f));
        }
    }
}

uint8_t byte_of(float v) { return uint8_t(std::clamp(v + 0.5f, 0.0f, 255.0f)); }

}  // namespace

// Edges: the Sobel gradient of each colour channel, 0..255 (the length of
// the gradient divided by 4). 3 threshold: weaker edges are black; 4 gain
// (percent / 25 more); 5 share of the picture kept beneath (percent).
bool edge(Bgra& picture, const EffectValues& v) {
    const float threshold = float(held(v[3], 0, 255)), gain = 1.0f + float(held(v[4], 0, 1000)) / 25.0f;
    const float keep = float(held(v[5], 0, 100)) / 100.0f;
    const cv::Mat in = as_mat(picture);
    cv::Mat f, gx, gy;
    in.convertTo(f, CV_32F);
    cv::Sobel(f, gx, CV_32F, 1, 0, 3, 1.0, 0, cv::BORDER_REPLICATE);
    cv::Sobel(f, gy, CV_32F, 0, 1, 3, 1.0, 0, cv::BORDER_REPLICATE);
    for (int32_t y = 0; y < picture.height; ++y) {
        uint8_t* p = picture.row(y);
        const float* a = gx.ptr<float>(y);
        const float* b = gy.ptr<float>(y);
        for (int32_t i = 0; i < picture.width * 4; ++i) {
            if (i % 4 == 3) continue;
            float m = std::sqrt(a[i] * a[i] + b[i] * b[i]) * 0.25f;
            m = m < threshold ? 0.0f : std::min(m * gain, 255.0f);
            p[i] = byte_of(m * (1.0f - keep) + float(p[i]) * keep);
        }
    }
    return true;
}

// Emboss: the picture's grey level as relief. 3 depth (1..256, slopes times
// depth / 32), 4 light direction (degrees), 5 light elevation (degrees,
// 0..90), 7 colour kept (percent): 0 gives the grey relief (flat ground at
// 255 * sin(elevation)), 100 the picture's colour shaded by it.
bool emboss(Bgra& picture, const EffectValues& v) {
    const double depth = held(v[3], 1, 256) / 32.0, azimuth = (v[4] % 360) * kPi / 180.0;
    const double elevation = held(v[5], 0, 90) * kPi / 180.0;
    const float colour = float(held(v[7], 0, 100)) / 100.0f;
    const float flat = std::max(float(std::sin(elevation)), 0.1f);
    cv::Mat sx, sy;
    slopes(grey_of(picture), sx, sy);
    shade(sx, sy, depth, azimuth, elevation, [&](int x, int y, float s) {
        uint8_t* p = picture.row(y) + x * 4;
        for (int c = 0; c < 3; ++c) p[c] = byte_of(s * 255.0f * (1.0f - colour) + float(p[c]) * s / flat * colour);
    });
    return true;
}

// Bump: the picture shaded by its own grey level as a height field, lit
// from the top left at 45 degrees. 3 depth (1..256, slopes times
// depth / 32), 4 softness (the height field blurred by this many pixels),
// 5 brightness (-100..100, added twice over to every channel). Flat ground
// keeps its colour.
bool bump(Bgra& picture, const EffectValues& v) {
    const double depth = held(v[3], 1, 256) / 32.0;
    const double softness = held(v[4], 0, 1000);
    const float brighter = float(held(v[5], -100, 100)) * 2.0f;
    cv::Mat height = grey_of(picture);
    if (softness > 0) cv::GaussianBlur(height, height, cv::Size(0, 0), softness * 0.5, 0, cv::BORDER_REPLICATE);
    cv::Mat sx, sy;
    slopes(height, sx, sy);
    const double elevation = kPi / 4;
    const float flat = float(std::sin(elevation));
    shade(sx, sy, depth, 3 * kPi / 4, elevation, [&](int x, int y, float s) {
        uint8_t* p = picture.row(y) + x * 4;
        for (int c = 0; c < 3; ++c) p[c] = byte_of(float(p[c]) * s / flat + brighter);
    });
    return true;
}

namespace {

// Grey-scale morphology over a (2r + 1)-square of all four channels.
bool morphology(Bgra& picture, int32_t radius, bool grow) {
    cv::Mat out = as_mat(picture);
    return run_opencv(out, [&](cv::Mat& o) {
        const cv::Mat kernel = cv::getStructuringElement(cv::MORPH_RECT, cv::Size(2 * radius + 1, 2 * radius + 1));
        const cv::Mat in = o.clone();
        if (grow) cv::dilate(in, o, kernel, cv::Point(-1, -1), 1, cv::BORDER_REPLICATE);
        else cv::erode(in, o, kernel, cv::Point(-1, -1), 1, cv::BORDER_REPLICATE);
    }) != 0;
}

}  // namespace

// Maximum: 3 radius (1..100): every channel takes the largest value within
// the square of that radius.
bool maximum(Bgra& picture, const EffectValues& v) { return morphology(picture, held(v[3], 1, 100), true); }

// Minimum: the same with the smallest value.
bool minimum(Bgra& picture, const EffectValues& v) { return morphology(picture, held(v[3], 1, 100), false); }

namespace {

float hue_channel(float p, float q, float t) {
    if (t < 0) t += 1;
    if (t > 1) t -= 1;
    if (t < 1.0f / 6) return p + (q - p) * 6 * t;
    if (t < 0.5f) return q;
    if (t < 2.0f / 3) return p + (q - p) * (2.0f / 3 - t) * 6;
    return p;
}

}  // namespace

// Colorize: 3 red, 4 green, 5 blue (0..255): every pixel takes the hue and
// saturation of that colour and keeps its own lightness (HSL).
bool colorize(Bgra& picture, const EffectValues& v) {
    const float r = float(held(v[3], 0, 255)) / 255, g = float(held(v[4], 0, 255)) / 255, b = float(held(v[5], 0, 255)) / 255;
    const float hi = std::max({r, g, b}), lo = std::min({r, g, b}), l = (hi + lo) / 2;
    float hue = 0, sat = 0;
    if (hi > lo) {
        const float d = hi - lo;
        sat = l > 0.5f ? d / (2 - hi - lo) : d / (hi + lo);
        hue = hi == r ? (g - b) / d + (g < b ? 6.0f : 0.0f) : hi == g ? (b - r) / d + 2 : (r - g) / d + 4;
        hue /= 6;
    }
    for (int32_t y = 0; y < picture.height; ++y) {
        uint8_t* p = picture.row(y);
        for (int32_t x = 0; x < picture.width; ++x, p += 4) {
            const float light = (float(std::max({p[0], p[1], p[2]})) + float(std::min({p[0], p[1], p[2]}))) / 510.0f;
            const float q = light < 0.5f ? light * (1 + sat) : light + sat - light * sat, m = 2 * light - q;
            p[2] = byte_of(hue_channel(m, q, hue + 1.0f / 3) * 255);
            p[1] = byte_of(hue_channel(m, q, hue) * 255);
            p[0] = byte_of(hue_channel(m, q, hue - 1.0f / 3) * 255);
        }
    }
    return true;
}

}  // namespace imglib::detail
