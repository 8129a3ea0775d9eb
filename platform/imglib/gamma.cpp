// Gamma correction of the colour bytes through one table.
#include "platform/imglib/tone.h"
#include "platform/imglib/tone_support.h"

namespace imglib {

BOOL IS3AdjustGamma(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t stride,
                    double gamma, uint32_t) {
    if (!detail::effect_picture(image, width, height, stride, bytesPerPixel)) return 0;
    if (!(gamma > 0.0) || !std::isfinite(gamma)) return 0;
    detail::ByteTable t{};
    for (int v = 0; v < 256; ++v) t[size_t(v)] = detail::round_byte(255.0 * std::pow(v / 255.0, 1.0 / gamma));
    return detail::apply_table(image, width, height, bytesPerPixel, stride, t, detail::colour_channels(bytesPerPixel));
}

}  // namespace imglib
