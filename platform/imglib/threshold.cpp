// Threshold: white inside a band of levels, black outside it.
#include "platform/imglib/tone.h"
#include "platform/imglib/tone_support.h"

namespace imglib {

BOOL ISE3ThresholdFilter(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t stride,
                         int32_t low, int32_t high, uint32_t channelMask) {
    detail::ByteTable t{};
    for (int v = 0; v < 256; ++v) t[size_t(v)] = low <= v && v <= high ? 255 : 0;
    return detail::apply_table(image, width, height, bytesPerPixel, stride, t, channelMask);
}

}  // namespace imglib
