#include "platform/imglib/effect_support.h"

namespace imglib::detail {

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
