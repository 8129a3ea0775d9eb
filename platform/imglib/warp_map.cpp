#include "platform/imglib/warp_map.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <opencv2/imgproc.hpp>
#include <vector>

#include "platform/imglib/picture.h"

namespace imglib::detail {

namespace {

// Rows mapped and sampled at a time: a band's map (16 rows of a 10000-wide
// picture take 1.3 MB) stays in the cache between building and sampling.
constexpr int32_t kBandRows = 16;

// OpenCV turns float points into 16-bit whole parts; points are held well
// inside that, where every picture of up to 10000 pixels a side still sees
// them as outside.
constexpr float kFarthest = 30000.0f;

// Holds the row's points to the sampler's range; a point that is not a
// number is sent far outside and not covered.
bool tame_points(float* xy, uint8_t* cover, int32_t width) {
    bool lowered = false;
    for (int32_t i = 0; i < 2 * width; ++i) {
        const float v = xy[i];
        if (v >= -kFarthest && v <= kFarthest) continue;
        if (!(v == v)) {
            cover[i / 2] = 0;
            lowered = true;
            xy[i] = -kFarthest;
        } else {
            xy[i] = v < 0 ? -kFarthest : kFarthest;
        }
    }
    return lowered;
}

// Lays a sampled row over the destination row by each pixel's cover: runs
// of whole cover are copied, runs of none left (or, with a background,
// filled), and pixels between laid over the base (what the pixel held, or
// the background), rounding to nearest.
void lay_row(const uint8_t* sampled, uint8_t* out, const uint8_t* cover, int32_t width, int channels,
             const uint8_t* background) {
    const size_t px = size_t(channels);
    int32_t x = 0;
    while (x < width) {
        const uint8_t c = cover[x];
        int32_t end = x + 1;
        if (c == 255 || c == 0)
            while (end < width && cover[end] == c) ++end;
        if (c == 255) {
            std::memcpy(out + size_t(x) * px, sampled + size_t(x) * px, size_t(end - x) * px);
        } else if (c == 0) {
            if (background != nullptr)
                for (int32_t i = x; i < end; ++i) std::memcpy(out + size_t(i) * px, background, px);
        } else {
            for (size_t k = 0; k < px; ++k) {
                uint8_t& o = out[size_t(x) * px + k];
                const uint32_t base = background != nullptr ? background[k] : o;
                o = uint8_t((sampled[size_t(x) * px + k] * uint32_t(c) + base * (255u - c) + 127) / 255);
            }
        }
        x = end;
    }
}

}  // namespace

bool remap_rows(const cv::Mat& src, cv::Mat& dst, const RowMap& map, const Sampling& sampling) {
    if (dst.empty()) return true;
    try {
        match_pool_threads();
        const int32_t width = dst.cols;
        const int channels = dst.channels();
        uint8_t background[4] = {};
        for (int c = 0; c < channels && c < 4; ++c) background[c] = cv::saturate_cast<uint8_t>(sampling.background[c]);
        cv::Mat points(kBandRows, width, CV_32FC2), cover(kBandRows, width, CV_8UC1), sampled;
        for (int32_t y0 = 0; y0 < dst.rows; y0 += kBandRows) {
            const int32_t rows = std::min(kBandRows, dst.rows - y0);
            bool partial = false;
            cover.setTo(255);
            for (int32_t r = 0; r < rows; ++r) {
                float* xy = points.ptr<float>(r);
                uint8_t* c = cover.ptr<uint8_t>(r);
                partial |= map.row(y0 + r, width, xy, c);
                partial |= tame_points(xy, c, width);
            }
            cv::Mat band = dst.rowRange(y0, y0 + rows);
            const cv::Mat bandPoints = points.rowRange(0, rows);
            if (!partial) {
                const uchar* before = band.data;
                cv::remap(src, band, bandPoints, cv::noArray(), sampling.interpolation, sampling.border,
                          sampling.background);
                if (band.data != before) return false;
                continue;
            }
            cv::remap(src, sampled, bandPoints, cv::noArray(), sampling.interpolation, sampling.border,
                      sampling.background);
            for (int32_t r = 0; r < rows; ++r)
                lay_row(sampled.ptr<uint8_t>(r), band.ptr<uint8_t>(r), cover.ptr<uint8_t>(r), width, channels,
                        sampling.keepUncovered ? nullptr : background);
        }
        return true;
    } catch (...) {
        return false;
    }
}

int border_of_edge_mode(int32_t edgeMode) {
    switch (edgeMode) {
        case 1: return cv::BORDER_WRAP;
        case 2: return cv::BORDER_REPLICATE;
        default: return cv::BORDER_CONSTANT;
    }
}

cv::Scalar background_scalar(uint32_t colour) {
    return cv::Scalar(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF, (colour >> 24) & 0xFF);
}

}  // namespace imglib::detail
