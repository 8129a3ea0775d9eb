// Solarize: the upper half of the tones turned over, as film exposed to
// light while developing.
#include "platform/imglib/tone.h"
#include "platform/imglib/tone_support.h"

namespace imglib {

BOOL ISE3SolarizeImage(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t stride,
                       uint32_t) {
    detail::ByteTable t{};
    for (int v = 0; v < 256; ++v) t[size_t(v)] = uint8_t(v >= 128 ? 255 - v : v);
    return detail::apply_table(image, width, height, bytesPerPixel, stride, t, detail::colour_channels(bytesPerPixel));
}

}  // namespace imglib
