// Impulse removal: an impulse (the one largest or the one smallest value of its
// 3 x 3 block) is replaced by the block's median; all else is kept.
#include "platform/imglib/effect_support.h"
#include "platform/imglib/filters.h"

namespace imglib {

BOOL IS3DespeckleImage(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t stride,
                       uint32_t channelMask) {
    const uint32_t bpp = bytesPerPixel;
    if (!detail::effect_picture(image, width, height, stride, bpp)) return 0;
    if (width == 0 || height == 0) return 1;
    std::vector<uint8_t> source;
    try {
        source.resize(size_t(width) * bpp * height);
    } catch (...) {
        return 0;
    }
    const uint32_t row = width * bpp;
    detail::copy_picture(image, stride, source.data(), row, row, height);
    const auto at = [&](int64_t x, int64_t y, uint32_t c) {
        x = std::clamp<int64_t>(x, 0, int64_t(width) - 1);
        y = std::clamp<int64_t>(y, 0, int64_t(height) - 1);
        return source[size_t(y) * row + size_t(x) * bpp + c];
    };
    detail::for_rows(height, [&](uint32_t y) {
        uint8_t* out = image + size_t(y) * stride;
        for (uint32_t x = 0; x < width; ++x) {
            for (uint32_t c = 0; c < bpp; ++c) {
                if (!detail::selected(channelMask, c)) continue;
                uint8_t block[9];
                int k = 0;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) block[k++] = at(int64_t(x) + dx, int64_t(y) + dy, c);
                const uint8_t v = block[4];
                int above = 0, below = 0;
                for (const uint8_t b : block) {
                    above += b > v;
                    below += b < v;
                }
                // The single largest value has the other eight below it.
                if (below != 8 && above != 8) continue;
                std::nth_element(block, block + 4, block + 9);
                out[size_t(x) * bpp + c] = block[4];
            }
        }
    });
    return 1;
}

}  // namespace imglib
