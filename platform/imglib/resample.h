// Resampling a picture to another size.
//
// Every call takes the source (pixels, width, height, stride in bytes), the
// destination (pixels, new width, new height, stride in bytes) and the bytes
// per pixel: 1, 3 or 4 for 8-bit channels, 2, 6 or 8 for 16-bit channels
// (8 is RGBA64). Source and destination must not overlap. Resampling to the
// same size copies the picture unchanged. A side of 0 on either picture, an
// unknown pixel size or filter, or a stride too small for its row reports 0
// and leaves the destination untouched.
#pragma once

#include "platform/imglib/imglib.h"

namespace imglib {

// Filter numbers of IS3ResizeFilterImage.
enum ResizeFilter : uint32_t {
    kFilterBox = 0,
    kFilterTriangle = 1,
    kFilterHamming = 2,
    kFilterGaussian = 3,
    kFilterBell = 4,
    kFilterBSpline = 5,
    kFilterCubic1 = 6,
    kFilterCubic2 = 7,
    kFilterLanczos3 = 8,
    kFilterMitchell = 9,
    kFilterSinc = 10,
    kFilterHermite = 11,
    kFilterHanning = 12,
    kFilterCatrom = 13,
    kFilterCount = 14,
};

// Decimation modes of IS3DecimateImage.
enum DecimateMode : uint32_t {
    kDecimateNearest = 0,  // one source pixel for each destination pixel
    kDecimateAverage = 1,  // the mean of the source area a pixel covers
};

// Reduces a picture (and, if asked, enlarges it) by the given mode.
BOOL IS3DecimateImage(const uint8_t* src, uint32_t width, uint32_t height, uint32_t srcStride, uint8_t* dst,
                      uint32_t newWidth, uint32_t newHeight, uint32_t dstStride, uint32_t bytesPerPixel, uint32_t mode);

// Nearest neighbour: each destination pixel takes the source pixel under its
// centre.
BOOL IS3SimpleResampleImage(const uint8_t* src, uint32_t width, uint32_t height, uint32_t srcStride, uint8_t* dst,
                            uint32_t newWidth, uint32_t newHeight, uint32_t dstStride, uint32_t bytesPerPixel);

// Bilinear interpolation between the four nearest source pixels.
BOOL IS3ResizeImage(const uint8_t* src, uint32_t width, uint32_t height, uint32_t srcStride, uint8_t* dst,
                    uint32_t newWidth, uint32_t newHeight, uint32_t dstStride, uint32_t bytesPerPixel);

// Bicubic interpolation over the sixteen nearest source pixels.
BOOL IS3ResizeImageBicubic(const uint8_t* src, uint32_t width, uint32_t height, uint32_t srcStride, uint8_t* dst,
                           uint32_t newWidth, uint32_t newHeight, uint32_t dstStride, uint32_t bytesPerPixel);

// Filtered resampling with one of the named kernels (ResizeFilter), applied
// separably: rows first, then columns. When reducing, the kernel is widened
// by the reduction factor so that every source pixel contributes. Weights
// are normalised so a flat picture stays flat, and results are clamped to
// the channel's range.
BOOL IS3ResizeFilterImage(const uint8_t* src, uint32_t width, uint32_t height, uint32_t srcStride, uint8_t* dst,
                          uint32_t newWidth, uint32_t newHeight, uint32_t dstStride, uint32_t bytesPerPixel,
                          uint32_t filter);

}  // namespace imglib
