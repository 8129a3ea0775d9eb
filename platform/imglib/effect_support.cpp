#include "platform/imglib/effect_support.h"

namespace imglib::detail {

const double* Random::normal_quantiles() {
    // Quantiles at (k + 0.5) / 4097, found by bisection on the normal
    // distribution 0.5 * erfc(-x / sqrt 2).
    static const std::vector<double> q = [] {
        std::vector<double> t(4097);
        for (size_t k = 0; k < t.size(); ++k) {
            const double p = (double(k) + 0.5) / 4097.0;
            double lo = -10, hi = 10;
            for (int step = 0; step < 80; ++step) {
                const double mid = (lo + hi) / 2;
                (0.5 * std::erfc(-mid / std::sqrt(2.0)) < p ? lo : hi) = mid;
            }
            t[k] = (lo + hi) / 2;
        }
        return t;
    }();
    return q.data();
}

void copy_picture(const uint8_t* src, uint32_t srcStride, uint8_t* dst, uint32_t dstStride, uint32_t rowBytes,
                  uint32_t height) {
    if (src == dst) return;
    for (uint32_t y = 0; y < height; ++y)
        std::memmove(dst + size_t(y) * dstStride, src + size_t(y) * srcStride, rowBytes);
}

bool overlapping(const uint8_t* a, uint32_t aStride, const uint8_t* b, uint32_t bStride, uint32_t height) {
    if (height == 0) return false;
    const uint8_t* aEnd = a + size_t(aStride) * height;
    const uint8_t* bEnd = b + size_t(bStride) * height;
    return a < bEnd && b < aEnd;
}

}  // namespace imglib::detail
