// Internal to the imaging library: checking the pictures a call is given and
// seeing them as OpenCV matrices without copying.
//
// A pixel of 1, 3 or 4 bytes holds 8-bit channels; one of 2, 6 or 8 bytes
// holds 16-bit channels (8 bytes is RGBA64), which must then start on an
// even address and have an even stride.
#pragma once

#include <cstdint>
#include <limits>
#include <opencv2/core.hpp>

namespace imglib::detail {

// The OpenCV element type of a pixel size, or -1 when the size is not one
// the library works with.
inline int cv_type(uint32_t bytesPerPixel) {
    switch (bytesPerPixel) {
        case 1: return CV_8UC1;
        case 3: return CV_8UC3;
        case 4: return CV_8UC4;
        case 2: return CV_16UC1;
        case 6: return CV_16UC3;
        case 8: return CV_16UC4;
        default: return -1;
    }
}

inline bool sixteen_bit(uint32_t bytesPerPixel) {
    return bytesPerPixel == 2 || bytesPerPixel == 6 || bytesPerPixel == 8;
}

// A picture the library can address: a pointer, a pixel size it knows, a
// width whose row fits in the stride, sides OpenCV can hold, and for 16-bit
// channels an even address and stride. Empty pictures (a side of 0) pass.
inline bool valid_picture(const void* data, uint32_t width, uint32_t height, uint32_t stride, uint32_t bytesPerPixel) {
    if (data == nullptr || cv_type(bytesPerPixel) < 0) return false;
    constexpr uint32_t kMaxSide = uint32_t(std::numeric_limits<int32_t>::max());
    if (width > kMaxSide / bytesPerPixel || height > kMaxSide) return false;
    if (stride < width * bytesPerPixel) return false;
    if (sixteen_bit(bytesPerPixel) && ((reinterpret_cast<uintptr_t>(data) | stride) & 1u) != 0) return false;
    return true;
}

// A valid picture of one to four byte channels, as drawing and blurring take.
inline bool valid_byte_picture(const void* data, uint32_t width, uint32_t height, uint32_t stride,
                               uint32_t bytesPerPixel) {
    return bytesPerPixel >= 1 && bytesPerPixel <= 4 && valid_picture(data, width, height, stride, bytesPerPixel);
}

// A matrix header over caller memory; no pixel is copied.
inline cv::Mat wrap(const void* data, uint32_t width, uint32_t height, uint32_t stride, uint32_t bytesPerPixel) {
    return cv::Mat(int(height), int(width), cv_type(bytesPerPixel), const_cast<void*>(data), size_t(stride));
}

// A blur's result laid into out: each selected channel (bit c of
// channelMask for channel c) takes share percent (0..100) of the blurred
// byte and the rest of the source; every other channel keeps the source.
void lay_blurred(const cv::Mat& in, const cv::Mat& blurred, cv::Mat& out, uint32_t bytesPerPixel,
                 uint32_t channelMask, uint32_t share);

// OpenCV runs every call on the caller's thread: the engine starts no thread
// of its own, and the library keeps to that. Called before any OpenCV work.
void keep_to_caller_thread() noexcept;

// Runs an OpenCV body into the caller's destination; any OpenCV failure, or
// a body that would have replaced the destination's memory instead of
// writing into it, reports 0.
template <class Body>
int32_t run_opencv(const cv::Mat& destination, Body&& body) noexcept {
    try {
        keep_to_caller_thread();
        const uchar* before = destination.data;
        cv::Mat out = destination;
        body(out);
        return out.data == before ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

}  // namespace imglib::detail
