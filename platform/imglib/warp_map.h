// Internal to the imaging library: inverse-mapped warps. A warp names, for
// every destination pixel, the point of the source it shows; OpenCV samples
// the source there. The map is built and sampled in bands of rows, so a warp
// never holds a map of the whole picture.
//
// Points are in source pixels with pixel centres on whole numbers: (0, 0) is
// the centre of the top-left pixel.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <opencv2/core.hpp>
#include <vector>

#include "engine/simd4.h"

namespace imglib::detail {

// The source points of one destination row.
class RowMap {
public:
    virtual ~RowMap() = default;
    // Writes the source point of each of the `width` pixels of destination
    // row y as xy[2x], xy[2x + 1], and may lower cover[x] (255 on entry)
    // for pixels the warp covers only in part or not at all; returns
    // whether it lowered any.
    virtual bool row(int32_t y, int32_t width, float* xy, uint8_t* cover) const = 0;
};

// How the source is sampled: an OpenCV interpolation (INTER_NEAREST or
// INTER_LINEAR), a border rule for points outside it, and the background
// colour (as the destination's channels) for BORDER_CONSTANT. A pixel of
// cover c shows c / 255 of the sample over (255 - c) / 255 of the
// background, or of what the destination held when keepUncovered is set.
struct Sampling {
    int interpolation = 1;  // cv::INTER_LINEAR
    int border = 0;         // cv::BORDER_CONSTANT
    cv::Scalar background = cv::Scalar::all(0);
    bool keepUncovered = false;
};

// Fills dst (same type as src, any size) with src sampled at the points of
// `map`. src and dst must not share memory. Points are held to a range
// OpenCV's fixed-point sampler can take; a point that is not a number is not
// covered. Returns false when OpenCV fails or memory cannot be had.
bool remap_rows(const cv::Mat& src, cv::Mat& dst, const RowMap& map, const Sampling& sampling);

// The OpenCV border rule of a library edge mode: 1 wraps around, 2 repeats
// the edge pixels, anything else shows the background.
int border_of_edge_mode(int32_t edgeMode);

// A background colour word (bytes, lowest first, are the pixel's bytes in
// order) as the channels of a pixel of `channels` bytes.
cv::Scalar background_scalar(uint32_t colour);

// Points of a whole picture mapped by a plain function of the point: the
// source point of destination (x, y) is f(x, y). For warps whose map is
// cheap to write per pixel.
template <class F>
class PointMap final : public RowMap {
public:
    explicit PointMap(F f) : f_(f) {}
    bool row(int32_t y, int32_t width, float* xy, uint8_t*) const override {
        for (int32_t x = 0; x < width; ++x) f_(float(x), float(y), xy[2 * x], xy[2 * x + 1]);
        return false;
    }

private:
    F f_;
};

// As PointMap, four points at a time: f(x, y, sx, sy) on simd::Float4 lanes.
// For warps whose map would cost more than the sampling one point at a time.
template <class F>
class LaneMap final : public RowMap {
public:
    explicit LaneMap(F f) : f_(f) {}
    bool row(int32_t y, int32_t width, float* xy, uint8_t*) const override {
        alignas(16) static constexpr float kLanes[4] = {0.0f, 1.0f, 2.0f, 3.0f};
        const simd::Float4 lanes = simd::Float4::load(kLanes), row = float(y);
        int32_t x = 0;
        for (; x + 4 <= width; x += 4) {
            simd::Float4 px, py;
            f_(lanes + simd::Float4(float(x)), row, px, py);
            simd::store_pairs(xy + 2 * x, px, py);
        }
        if (x < width) {
            alignas(16) float tail[8];
            simd::Float4 px, py;
            f_(lanes + simd::Float4(float(x)), row, px, py);
            simd::store_pairs(tail, px, py);
            for (int32_t i = 0; x + i < width; ++i) {
                xy[2 * (x + i)] = tail[2 * i];
                xy[2 * (x + i) + 1] = tail[2 * i + 1];
            }
        }
        return false;
    }

private:
    F f_;
};

// Radial profiles tabulated by distance: value(d) for 0 <= d <= limit, read
// back with linear interpolation. The warps whose displacement depends on
// the distance from a centre only (twirls, ripples, lenses) read two of
// these instead of calling trigonometric functions per pixel.
class RadialTable {
public:
    // Samples per pixel of distance: fine enough that the interpolation
    // error stays far below the sampler's 1/32 pixel.
    static constexpr int32_t kPerPixel = 4;

    template <class F>
    void fill(float limit, F value) {
        const int32_t n = int32_t(limit * kPerPixel) + 2;
        values_.assign(size_t(n) + 1, 0.0f);
        for (int32_t i = 0; i <= n; ++i) values_[size_t(i)] = float(value(double(i) / kPerPixel));
    }
    float at(float d) const {
        const float f = d * kPerPixel;
        const int32_t i = int32_t(f);
        const size_t last = values_.size() - 1;
        if (size_t(i) >= last) return values_[last];
        const float t = f - float(i);
        return values_[size_t(i)] + (values_[size_t(i) + 1] - values_[size_t(i)]) * t;
    }

private:
    std::vector<float> values_;
};

// One period of a wave tabulated at four samples a pixel and read back with
// linear interpolation, for warps that move pixels along waves.
class PeriodicTable {
public:
    static constexpr int32_t kPerPixel = 4;

    // wave(phase) for a phase of 0..1 periods; period in pixels, > 0.
    template <class F>
    void fill(double period, F wave) {
        n_ = int32_t(std::min(period * kPerPixel, double(1 << 22))) + 1;
        scale_ = float(n_ / period);
        values_.assign(size_t(n_) + 1, 0.0f);
        for (int32_t i = 0; i <= n_; ++i) values_[size_t(i)] = float(wave(double(i) / n_));
    }
    // The wave at t pixels from phase 0 (any t).
    float at(float t) const {
        float f = t * scale_;
        f -= std::floor(f / float(n_)) * float(n_);
        if (!(f >= 0.0f && f < float(n_))) f = 0.0f;
        const int32_t i = int32_t(f);
        return values_[size_t(i)] + (values_[size_t(i) + 1] - values_[size_t(i)]) * (f - float(i));
    }

private:
    int32_t n_ = 1;
    float scale_ = 1.0f;
    std::vector<float> values_;
};

}  // namespace imglib::detail
