#include "platform/imglib/orientation.h"

#include <utility>

#include "platform/imglib/geometry.h"

namespace imglib::detail {

uint8_t* orient_upright(uint8_t* rgba, uint32_t& width, uint32_t& height, uint32_t orientation) {
    if (rgba == nullptr || orientation < 2 || orientation > 8) return rgba;
    const uint32_t stride = width * 4;  // the readers' pictures are within 2^16 pixels a side
    switch (orientation) {
        case 2: IS3HorizontalFlipImage(rgba, width, height, 4, stride); return rgba;
        case 3:
            IS3HorizontalFlipImage(rgba, width, height, 4, stride);
            IS3VerticalFlipImage(rgba, stride, height);
            return rgba;
        case 4: IS3VerticalFlipImage(rgba, stride, height); return rgba;
        default: break;
    }
    auto* turned = static_cast<uint8_t*>(GlobalAlloc(uint64_t(width) * height * 4));
    if (turned == nullptr) {
        GlobalFree(rgba);
        return nullptr;
    }
    // Transposed and transverse pictures are the quarter turns mirrored.
    const bool right = orientation == 5 || orientation == 6;
    IS3QuickRotateImage(rgba, width, height, stride, turned, height * 4, 4, right ? kRotateRight : kRotateLeft);
    GlobalFree(rgba);
    std::swap(width, height);
    if (orientation == 5 || orientation == 7) IS3HorizontalFlipImage(turned, width, height, 4, width * 4);
    return turned;
}

}  // namespace imglib::detail
