// Oil paint: each pixel takes the mean colour of the most frequent
// intensity level in the brush around it. The level counts slide along each
// row, a column of the brush in and one out per pixel.
#include "platform/imglib/artistic.h"
#include "platform/imglib/effect_support.h"

namespace imglib {

namespace {

// The counts of one row's brush: for every bin its pixels and their
// channel sums (per channel when binning each channel on its own), and the
// fullest bin of each histogram (the first of equals), kept as pixels come
// and rescanned only when a pixel leaves it.
struct Bins {
    std::vector<int32_t> count;  // [histogram][bin]: three histograms per channel, else one
    std::vector<int64_t> sum;    // [channel][bin]
    int32_t levels;
    bool perChannel;
    size_t best[3] = {};
    bool stale[3] = {true, true, true};

    Bins(int32_t l, bool each)
        : count(size_t(each ? 3 : 1) * size_t(l)), sum(size_t(3) * size_t(l)), levels(l), perChannel(each) {
        for (int h = 0; h < 3; ++h) best[h] = size_t(h) * size_t(perChannel ? levels : 0);
    }

    void count_in(int h, size_t b, int sign) {
        count[b] += sign;
        if (sign < 0) {
            if (b == best[h]) stale[h] = true;
        } else if (count[b] > count[best[h]] || (count[b] == count[best[h]] && b < best[h])) {
            best[h] = b;
        }
    }

    void add(const uint8_t* p, int sign) {
        if (perChannel) {
            for (int c = 0; c < 3; ++c) {
                const size_t b = size_t(c) * size_t(levels) + size_t(p[c] * levels / 256);
                count_in(c, b, sign);
                sum[b] += sign * p[c];
            }
            return;
        }
        const size_t b = size_t((p[0] + p[1] + p[2]) / 3 * levels / 256);
        count_in(0, b, sign);
        for (int c = 0; c < 3; ++c) sum[size_t(c) * size_t(levels) + b] += sign * p[c];
    }

    // The fullest bin of histogram h: the first of equals.
    size_t fullest(int h) {
        if (stale[h]) {
            const size_t from = size_t(h) * size_t(perChannel ? levels : 0);
            best[h] = from;
            for (size_t b = from + 1; b < from + size_t(levels); ++b)
                if (count[b] > count[best[h]]) best[h] = b;
            stale[h] = false;
        }
        return best[h];
    }

    // sum / n truncated, by a multiplication: the quotient's fraction is 0
    // or at least 1 / n, far above the reciprocal's rounding.
    static uint8_t mean(int64_t sum, int32_t n, const double* inverse) {
        return uint8_t(double(sum) * inverse[n] + 1e-9);
    }

    void paint(uint8_t* out, const double* inverse) {
        if (perChannel) {
            for (int c = 0; c < 3; ++c) {
                const size_t b = fullest(c);
                out[c] = mean(sum[b], count[b], inverse);
            }
            return;
        }
        const size_t b = fullest(0);
        for (int c = 0; c < 3; ++c) out[c] = mean(sum[size_t(c) * size_t(levels) + b], count[b], inverse);
    }
};

}  // namespace

BOOL ISE3OilPaintRGB(const uint8_t* src, uint32_t width, uint32_t height, uint32_t srcStride, uint8_t* dst,
                     uint32_t dstStride, int32_t radius, int32_t levels, uint32_t flags) {
    if (radius < 0 || radius > 100) return 0;
    if (const int32_t early = detail::separate_pair_result(src, srcStride, dst, dstStride, width, height, 3);
        early >= 0)
        return early;
    levels = std::clamp(levels, 1, 256);
    // Half the brush's width on each row offset dy = -radius..radius.
    std::vector<int32_t> half(size_t(2 * radius + 1));
    for (int32_t dy = -radius; dy <= radius; ++dy)
        half[size_t(dy + radius)] = (flags & kOilPaintRound) ? int32_t(std::sqrt(double(radius) * radius - double(dy) * dy))
                                                              : radius;
    const int64_t w = width, h = height;
    // 1 / n for every count a brush can hold.
    std::vector<double> inverse(size_t(2 * radius + 1) * size_t(2 * radius + 1) + 1, 0.0);
    for (size_t n = 1; n < inverse.size(); ++n) inverse[n] = 1.0 / double(n);
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
        bins.paint(out, inverse.data());
        for (int64_t x = 1; x < w; ++x) {
            for (int64_t dy = -radius; dy <= radius; ++dy) {
                const int64_t sy = y + dy;
                if (sy < 0 || sy >= h) continue;
                const int64_t reach = half[size_t(dy + radius)];
                if (x - 1 - reach >= 0) bins.add(pixel(x - 1 - reach, sy), -1);
                if (x + reach < w) bins.add(pixel(x + reach, sy), 1);
            }
            bins.paint(out + x * 3, inverse.data());
        }
    });
    return 1;
}

}  // namespace imglib
