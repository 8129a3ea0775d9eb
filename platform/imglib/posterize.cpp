// Posterize: each channel cut to a few evenly spaced levels.
#include "platform/imglib/tone.h"
#include "platform/imglib/tone_support.h"

namespace imglib {

BOOL ISE3PosterizeRGB(uint8_t* image, uint32_t width, uint32_t height, uint32_t stride, int32_t levels) {
    if (levels < 2) levels = 4;
    levels = std::min(levels, 256);
    detail::ByteTable t{};
    for (int v = 0; v < 256; ++v) t[size_t(v)] = uint8_t(v * levels / 256 * 255 / (levels - 1));
    return detail::apply_table(image, width, height, 3, stride, t, 7);
}

}  // namespace imglib
