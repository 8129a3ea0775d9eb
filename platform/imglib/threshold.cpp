// Threshold: black below a level, white above another, a ramp between.
#include "platform/imglib/tone.h"
#include "platform/imglib/tone_support.h"

namespace imglib {

BOOL ISE3ThresholdFilter(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t stride,
                         int32_t low, int32_t high, uint32_t channelMask) {
    if (low > high) std::swap(low, high);
    detail::ByteTable t{};
    for (int v = 0; v < 256; ++v) {
        if (v < low)
            t[size_t(v)] = 0;
        else if (v > high || low == high)
            t[size_t(v)] = 255;
        else
            t[size_t(v)] = detail::round_byte(double(v - low) * 255.0 / double(high - low));
    }
    return detail::apply_table(image, width, height, bytesPerPixel, stride, t, channelMask);
}

}  // namespace imglib
