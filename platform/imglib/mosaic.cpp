// Mosaic (pixelate): square blocks filled with their mean colour.
#include "platform/imglib/artistic.h"
#include "platform/imglib/effect_support.h"

namespace imglib {

BOOL ISE3MosaicImage(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t stride,
                     int32_t cellSize) {
    const uint32_t bpp = bytesPerPixel;
    if (!detail::effect_picture(image, width, height, stride, bpp) || cellSize < 1) return 0;
    const uint32_t cell = uint32_t(std::min<int64_t>(cellSize, std::max(width, height)));
    if (cell <= 1) return 1;
    const uint32_t rows = (height + cell - 1) / cell;
    detail::for_rows(rows, [&](uint32_t band) {
        const uint32_t y0 = band * cell, y1 = std::min(height, y0 + cell);
        for (uint32_t x0 = 0; x0 < width; x0 += cell) {
            const uint32_t x1 = std::min(width, x0 + cell);
            uint64_t sum[4] = {};
            for (uint32_t y = y0; y < y1; ++y) {
                const uint8_t* p = image + size_t(y) * stride + size_t(x0) * bpp;
                for (uint32_t x = x0; x < x1; ++x, p += bpp)
                    for (uint32_t c = 0; c < bpp; ++c) sum[c] += p[c];
            }
            const uint64_t n = uint64_t(y1 - y0) * (x1 - x0);
            uint8_t mean[4];
            for (uint32_t c = 0; c < bpp; ++c) mean[c] = uint8_t((sum[c] * 2 + n) / (2 * n));
            for (uint32_t y = y0; y < y1; ++y) {
                uint8_t* p = image + size_t(y) * stride + size_t(x0) * bpp;
                for (uint32_t x = x0; x < x1; ++x, p += bpp) std::memcpy(p, mean, bpp);
            }
        }
    });
    return 1;
}

}  // namespace imglib
