// Gaussian blur of 8-bit pictures in bands on the task pool.
//
// OpenCV blurs 8-bit samples with a fixed-point kernel: weights of eight
// fractional bits that sum to exactly 256, a rows pass summing weight times
// sample (at most 255 * 256, so 16 bits hold it), then a columns pass
// summing weight times rows-pass value, rounded off sixteen bits. Both are
// exact integer sums, so any order of work gives the same bytes. OpenCV's
// own split recomputes the rows pass where its stripes meet; here each pass
// is split on its own and no row is made twice.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace imglib::detail {

// The fixed-point weights OpenCV's GaussianBlur uses for a kernel `side`
// wide (odd) with deviation `sigma`, read back from OpenCV's blur of one
// bright sample; empty when they cannot be read.
std::vector<uint16_t> fixed_point_gaussian(int side, double sigma);

// The blur of a picture of `channels` samples a pixel with edges replicated,
// the same bytes as cv::GaussianBlur(src, dst, {side, side}, sigma, sigma,
// BORDER_REPLICATE) of the whole picture. Source and destination may be the
// same picture. False (nothing written) when the kernel cannot be read: the
// caller then blurs with OpenCV.
bool gaussian_blur8(const uint8_t* src, size_t srcStride, uint8_t* dst, size_t dstStride, uint32_t width,
                    uint32_t height, uint32_t channels, int side, double sigma);

// Whether the passes use SSE2 where the build has it (the default); the
// tests compare both ways.
void set_gaussian_fast_paths(bool on);

}  // namespace imglib::detail
