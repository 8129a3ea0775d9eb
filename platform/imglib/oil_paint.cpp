// Oil paint: each pixel takes the mean colour of the most frequent
// intensity level in the brush around it. The level counts slide along each
// row, a column of the brush in and one out per pixel.
#include "platform/imglib/artistic.h"
#include "platform/imglib/effect_support.h"

namespace imglib {

namespace {

// The counts of one row's brush: for every bin its pixels and their
// channel sums (per channel when binning each channel on its own).
struct Bins {
    std::vector<int32_t> count;  // [channel][bin] in per-channel mode, else [bin]
    std::vector<int64_t> sum;    // [channel][bin]
    int32_t levels;
    bool perChannel;

    Bins(int32_t l, bool each) : count(size_t(each ? 3 : 1) * size_t(l)), sum(size_t(3) * size_t(l)), levels(l), perChannel(each) {}

    void add(const uint8_t* p, int sign) {
        if (perChannel) {
            for (int c = 0; c < 3; ++c) {
                const size_t b = size_t(c) * size_t(levels) + size_t(p[c] * levels / 256);
                count[b] += sign;
                sum[b] += sign * p[c];
            }
            return;
        }
        const size_t b = size_t((p[0] + p[1] + p[2]) / 3 * levels / 256);
        count[b] += sign;
        for (int c = 0; c < 3; ++c) sum[size_t(c) * size_t(levels) + b] += sign * p[c];
    }

    // The fullest bin of counts [from, from + levels): the first of equals.
    size_t fullest(size_t from) const {
        size_t best = from;
        for (size_t b = from + 1; b < from + size_t(levels); ++b)
            if (count[b] > count[best]) best = b;
        return best;
    }

    void paint(uint8_t* out) const {
        if (perChannel) {
            for (int c = 0; c < 3; ++c) {
                const size_t b = fullest(size_t(c) * size_t(levels));
                out[c] = uint8_t(sum[b] / count[b]);
            }
            return;
        }
        const size_t b = fullest(0);
        for (int c = 0; c < 3; ++c) out[c] = uint8_t(sum[size_t(c) * size_t(levels) + b] / count[b]);
    }
};

}  // namespace

BOOL ISE3OilPaintRGB(const uint8_t* src, uint32_t width, uint32_t height, uint32_t srcStride, uint8_t* dst,
                     uint32_t dstStride, int32_t radius, int32_t levels, uint32_t flags) {
    if (!detail::effect_picture(src, width, height, srcStride, 3) ||
        !detail::effect_picture(dst, width, height, dstStride, 3) || radius < 0 || radius > 100)
        return 0;
    if (width == 0 || height == 0) return 1;
    if (detail::overlapping(src, srcStride, dst, dstStride, height)) return 0;
    levels = std::clamp(levels, 1, 256);
    // Half the brush's width on each row offset dy = -radius..radius.
    std::vector<int32_t> half(size_t(2 * radius + 1));
    for (int32_t dy = -radius; dy <= radius; ++dy)
        half[size_t(dy + radius)] = (flags & kOilPaintRound) ? int32_t(std::sqrt(double(radius) * radius - double(dy) * dy))
                                                              : radius;
    const int64_t w = width, h = height;
    const auto pixel = [&](int64_t x, int64_t y) { return src + size_t(y) * srcStride + size_t(x) * 3; };
    detail::for_rows(height, [&](uint32_t row) {
        Bins bins(levels, (flags & kOilPaintPerChannel) != 0);
        const int64_t y = row;
        uint8_t* out = dst + size_t(row) * dstStride;
        for (int64_t dy = -radius; dy <= radius; ++dy) {
            const int64_t sy = y + dy;
            if (sy < 0 || sy >= h) continue;
            for (int64_t sx = 0; sx <= std::min<int64_t>(half[size_t(dy + radius)], w - 1); ++sx) bins.add(pixel(sx, sy), 1);
        }
        bins.paint(out);
        for (int64_t x = 1; x < w; ++x) {
            for (int64_t dy = -radius; dy <= radius; ++dy) {
                const int64_t sy = y + dy;
                if (sy < 0 || sy >= h) continue;
                const int64_t reach = half[size_t(dy + radius)];
                if (x - 1 - reach >= 0) bins.add(pixel(x - 1 - reach, sy), -1);
                if (x + reach < w) bins.add(pixel(x + reach, sy), 1);
            }
            bins.paint(out + x * 3);
        }
    });
    return 1;
}

}  // namespace imglib
