// Brightness and contrast: a linear map of every colour byte about a pivot.
#include "platform/imglib/tone.h"
#include "platform/imglib/tone_support.h"

namespace imglib {

BOOL IS3AdjustBrightnessContrast(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                                 uint32_t stride, double brightness, double contrast, int32_t midGreyPivot) {
    if (!detail::effect_picture(image, width, height, stride, bytesPerPixel)) return 0;
    if (!std::isfinite(brightness) || !std::isfinite(contrast)) return 0;
    if (width == 0 || height == 0) return 1;
    brightness = std::clamp(brightness, -1.0, 1.0);
    contrast = std::clamp(contrast, -1.0, 1.0);
    double pivot = 127.5;
    if (midGreyPivot != 1) {
        const detail::Histogram h = detail::luma_histogram(image, width, height, bytesPerPixel, stride);
        double sum = 0;
        for (int v = 0; v < 256; ++v) sum += double(v) * double(h[size_t(v)]);
        pivot = sum / (double(width) * double(height));
    }
    // Contrast 1 would be an infinite gain: a threshold at the pivot.
    const double gain = contrast < 0 ? 1.0 + contrast : contrast >= 1.0 ? 1e9 : 1.0 / (1.0 - contrast);
    detail::ByteTable t{};
    for (int v = 0; v < 256; ++v)
        t[size_t(v)] = detail::round_byte((v - pivot) * gain + pivot + brightness * 255.0);
    return detail::apply_table(image, width, height, bytesPerPixel, stride, t, detail::colour_channels(bytesPerPixel));
}

}  // namespace imglib
