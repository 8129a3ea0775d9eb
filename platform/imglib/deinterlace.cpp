// Deinterlacing: one field of rows rebuilt from the other, by copying the
// row above or by interpolating between the rows above and below.
#include "platform/imglib/effect_support.h"
#include "platform/imglib/filters.h"

namespace imglib {

BOOL IS3Deinterlace(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t stride,
                    int32_t mode) {
    const uint32_t bpp = bytesPerPixel;
    if (!detail::effect_picture(image, width, height, stride, bpp)) return 0;
    if (width == 0 || height < 2) return 1;
    const uint32_t first = (mode & kDeinterlaceOddRows) ? 1u : 0u;
    const bool interpolate = (mode & kDeinterlaceInterpolate) != 0;
    const size_t rowBytes = size_t(width) * bpp;
    // Rebuilt rows read only rows of the other field, which stay as they are.
    for (uint32_t y = first; y < height; y += 2) {
        uint8_t* row = image + size_t(y) * stride;
        const uint8_t* above = y > 0 ? row - stride : nullptr;
        const uint8_t* below = y + 1 < height ? row + stride : nullptr;
        if (!interpolate || above == nullptr || below == nullptr) {
            const uint8_t* from = above != nullptr ? above : below;
            std::memcpy(row, from, rowBytes);
            continue;
        }
        for (size_t i = 0; i < rowBytes; ++i) row[i] = uint8_t((above[i] + below[i] + 1) / 2);
    }
    return 1;
}

}  // namespace imglib
