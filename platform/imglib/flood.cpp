#include "platform/imglib/flood.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "platform/imglib/picture.h"
#include "platform/large_pages.h"

namespace imglib {

namespace {

// Pixels are read as words whose lowest byte is the first.
static_assert(std::endian::native == std::endian::little);

// The region's pixels in the region plane; the others hold 255 (they match
// the seed but are not connected to it) or 0.
constexpr uint8_t kInRegion = 1;

bool region_picture(const void* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t stride) {
    return (bytesPerPixel == 1 || bytesPerPixel == 3 || bytesPerPixel == 4) &&
           detail::valid_picture(image, width, height, stride, bytesPerPixel);
}

bool inside(int32_t x, int32_t y, uint32_t width, uint32_t height) {
    return x >= 0 && y >= 0 && int64_t(x) < int64_t(width) && int64_t(y) < int64_t(height);
}

// The most a channel may differ by under a tolerance, or -1 for a negative one.
int32_t channel_range(int32_t tolerance) {
    if (tolerance < 0) return -1;
    return std::min(tolerance / 765, 255);
}

// Colour channels of a pixel: alpha is the fourth byte of four.
uint32_t colour_channels(uint32_t bytesPerPixel) { return bytesPerPixel == 4 ? 3 : bytesPerPixel; }

// Channels matched per pixel: every channel the word selects by a nonzero byte.
bool selected(uint32_t channels, uint32_t c) { return ((channels >> (8 * c)) & 0xFF) != 0; }

// A one-byte plane of the picture's size, the call's own.
class RegionPlane {
public:
    RegionPlane(uint32_t width, uint32_t height) {
        const size_t bytes = size_t(width) * height;
        block_.reset(static_cast<uint8_t*>(std::malloc(bytes == 0 ? 1 : bytes)));
        if (!block_) throw std::bad_alloc();
        platform::advise_large_pages(block_.get(), bytes);
        mat_ = cv::Mat(int(height), int(width), CV_8UC1, block_.get());
    }
    cv::Mat& mat() { return mat_; }

private:
    struct Free {
        void operator()(uint8_t* p) const noexcept { std::free(p); }
    };
    std::unique_ptr<uint8_t, Free> block_;
    cv::Mat mat_;
};

// The pixels around `seed` matching it in the selected channels within
// `range`, connected to it through matching pixels: marked kInRegion in
// `plane` (one byte a pixel). The
// range is applied to every channel at once (OpenCV's flood fill compares
// at most three), and OpenCV's flood fill then grows the region over the
// matching pixels. Returns the region's bounds.
cv::Rect mark_region(const cv::Mat& picture, uint32_t bytesPerPixel, cv::Point seed, uint32_t channels,
                     int32_t range, bool fourConnected, cv::Mat& plane) {
    const uint8_t* s = picture.ptr<uint8_t>(seed.y) + size_t(seed.x) * bytesPerPixel;
    cv::Scalar low(0, 0, 0, 0), high(255, 255, 255, 255);
    for (uint32_t c = 0; c < bytesPerPixel; ++c)
        if (selected(channels, c)) {
            low[int(c)] = std::max(0, s[c] - range);
            high[int(c)] = std::min(255, s[c] + range);
        }
    cv::inRange(picture, low, high, plane);
    cv::Rect bounds;
    cv::floodFill(plane, seed, cv::Scalar(kInRegion), &bounds, cv::Scalar(0), cv::Scalar(0), fourConnected ? 4 : 8);
    return bounds;
}

// Writes the colour's bytes into a pixel: all of them, or the colour channels only.
inline void write_pixel(uint8_t* p, const uint8_t* colour, uint32_t count) { std::memcpy(p, colour, count); }

uint32_t bytes_written(uint32_t bytesPerPixel, int32_t mode) {
    return mode == kWriteAll ? bytesPerPixel : colour_channels(bytesPerPixel);
}

// Whether any of eight plane bytes is kInRegion (a zero byte of block ^ that).
inline bool has_region_byte(uint64_t block) {
    constexpr uint64_t kOnes = 0x0101010101010101ull, kHighs = 0x8080808080808080ull;
    const uint64_t x = block ^ (kOnes * kInRegion);
    return ((x - kOnes) & ~x & kHighs) != 0;
}

// Writes the colour into every pixel of the region within its bounds.
void fill_region(uint8_t* image, uint32_t stride, uint32_t bytesPerPixel, const cv::Mat& plane, const cv::Rect& r,
                 uint32_t colour, uint32_t count) {
    if (bytesPerPixel == 4) {
        const uint32_t kept = count == 4 ? 0 : 0xFF000000u, put = colour & ~kept;
        const auto fill = [&](uint8_t* p) {
            uint32_t word;
            std::memcpy(&word, p, 4);
            word = (word & kept) | put;
            std::memcpy(p, &word, 4);
        };
        constexpr uint64_t kAllInside = 0x0101010101010101ull * kInRegion;
        for (int row = r.y; row < r.y + r.height; ++row) {
            const uint8_t* in = plane.ptr<uint8_t>(row) + r.x;
            uint8_t* p = image + size_t(row) * stride + size_t(r.x) * 4;
            int i = 0;
            // Eight plane bytes at a time: a run wholly inside is written
            // without a test per pixel, one wholly outside is skipped.
            for (; i + 8 <= r.width; i += 8) {
                uint64_t block;
                std::memcpy(&block, in + i, 8);
                if (block == kAllInside) {
                    for (int k = 0; k < 8; ++k) fill(p + size_t(i + k) * 4);
                } else if (!has_region_byte(block)) {
                    continue;
                } else {
                    for (int k = 0; k < 8; ++k)
                        if (in[i + k] == kInRegion) fill(p + size_t(i + k) * 4);
                }
            }
            for (; i < r.width; ++i)
                if (in[i] == kInRegion) fill(p + size_t(i) * 4);
        }
        return;
    }
    uint8_t bytes[4];
    std::memcpy(bytes, &colour, 4);
    for (int row = r.y; row < r.y + r.height; ++row) {
        const uint8_t* in = plane.ptr<uint8_t>(row);
        uint8_t* p = image + size_t(row) * stride;
        for (int col = r.x; col < r.x + r.width; ++col)
            if (in[col] == kInRegion) write_pixel(p + size_t(col) * bytesPerPixel, bytes, count);
    }
}

// Exact replacement in RGBA32: the colour channels compared as one word.
void replace_exact_rgba32(uint8_t* image, uint32_t width, uint32_t height, uint32_t stride, uint32_t colour,
                          const uint8_t* with, uint32_t count) {
    const uint32_t key = colour & 0xFFFFFF;
    for (uint32_t y = 0; y < height; ++y) {
        uint8_t* p = image + size_t(y) * stride;
        for (uint32_t x = 0; x < width; ++x, p += 4) {
            uint32_t word;
            std::memcpy(&word, p, 4);
            if ((word & 0xFFFFFF) == key) write_pixel(p, with, count);
        }
    }
}

}  // namespace

BOOL IS3FloodFillImage(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t stride,
                       int32_t x, int32_t y, uint32_t colour, int32_t fourConnected, int32_t tolerance,
                       int32_t mode) {
    const int32_t range = channel_range(tolerance);
    if (!region_picture(image, width, height, bytesPerPixel, stride) || !inside(x, y, width, height) || range < 0)
        return 0;
    try {
        detail::keep_to_caller_thread();
        const cv::Mat picture = detail::wrap(image, width, height, stride, bytesPerPixel);
        RegionPlane plane(width, height);
        const cv::Rect r =
            mark_region(picture, bytesPerPixel, {x, y}, 0xFFFFFFFFu, range, fourConnected != 0, plane.mat());
        fill_region(image, stride, bytesPerPixel, plane.mat(), r, colour, bytes_written(bytesPerPixel, mode));
        return 1;
    } catch (...) {
        return 0;
    }
}

BOOL IS3ColorReplaceImage(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t stride,
                          uint32_t colour, uint32_t newColour, int32_t tolerance, int32_t mode) {
    const int32_t range = channel_range(tolerance);
    if (!region_picture(image, width, height, bytesPerPixel, stride) || range < 0) return 0;
    uint8_t from[4], to[4];
    std::memcpy(from, &colour, 4);
    std::memcpy(to, &newColour, 4);
    const uint32_t count = bytes_written(bytesPerPixel, mode);
    if (range == 0 && bytesPerPixel == 4) {
        replace_exact_rgba32(image, width, height, stride, colour, to, count);
        return 1;
    }
    const uint32_t compared = colour_channels(bytesPerPixel);
    for (uint32_t y = 0; y < height; ++y) {
        uint8_t* p = image + size_t(y) * stride;
        for (uint32_t x = 0; x < width; ++x, p += bytesPerPixel) {
            bool match = true;
            for (uint32_t c = 0; c < compared; ++c) match &= std::abs(int32_t(p[c]) - int32_t(from[c])) <= range;
            if (match) write_pixel(p, to, count);
        }
    }
    return 1;
}

BOOL IS3GetColorMatchMaskFromImage(const uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                                   uint32_t stride, uint8_t* map, uint32_t mapStride, int32_t x, int32_t y,
                                   uint32_t channels, int32_t fourConnected, int32_t tolerance, int32_t) {
    const int32_t range = channel_range(tolerance);
    if (!region_picture(image, width, height, bytesPerPixel, stride) || !detail::valid_picture(map, width, height, mapStride, 1) ||
        !inside(x, y, width, height) || range < 0)
        return 0;
    try {
        detail::keep_to_caller_thread();
        const cv::Mat picture = detail::wrap(image, width, height, stride, bytesPerPixel);
        RegionPlane plane(width, height);
        mark_region(picture, bytesPerPixel, {x, y}, channels, range, fourConnected != 0, plane.mat());
        for (uint32_t row = 0; row < height; ++row) {
            const uint8_t* in = plane.mat().ptr<uint8_t>(int(row));
            uint8_t* out = map + size_t(row) * mapStride;
            for (uint32_t col = 0; col < width; ++col) out[col] = in[col] == kInRegion ? 1 : 0;
        }
        return 1;
    } catch (...) {
        return 0;
    }
}

}  // namespace imglib
