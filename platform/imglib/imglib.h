// Our imaging library: the resampling, geometry, effects and file coding the
// engine calls, kept to the call shapes the engine was written against.
//
// Conventions of every module: pictures are packed top-down rows of 8-bit
// channels (R, G, B and A where present) with an explicit stride in bytes;
// every call returns nonzero on success and 0 when it cannot do the work,
// leaving its output untouched then. Buffers the library hands out are
// released with GlobalFree.
//
// Each module has its own header; this one gathers the common pieces.
#pragma once

#include <cstdint>

namespace imglib {

using BOOL = int32_t;

// A block the library hands out (decoded pictures, renderings); null when
// the memory cannot be had.
void* GlobalAlloc(uint64_t bytes);
// Releases a block from GlobalAlloc; null is ignored.
void GlobalFree(void* block);

// Blurs a picture of 1 to 4 bytes a pixel with a 3 x 3 box, edges repeated.
// `level` (0..100) is the share of the blurred value in the result;
// `channelMask` selects channels (bit 0 = first byte of a pixel); the others
// are copied unchanged. Source and destination must not overlap.
BOOL IS3BlurImage(const uint8_t* src, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t srcStride,
                  uint8_t* dst, uint32_t dstStride, uint32_t level, uint32_t channelMask);

// Compresses srcLength bytes into a zlib stream in dst; `level` 1..9 picks
// the compression level, anything else the default. Returns the stream's
// length, or 0 when it does not fit in dstCapacity or cannot be made.
uint32_t IS3ZDeflateBuffer(const void* src, uint32_t srcLength, void* dst, uint32_t dstCapacity, int32_t level);

// Inflates a zlib stream into at most dstCapacity bytes; returns the bytes
// written, or 0 for a corrupt, truncated or oversized stream. `flags` is
// reserved (0).
uint32_t IS3ZInflateBuffer(const void* src, uint32_t srcLength, void* dst, uint32_t dstCapacity, int32_t flags);

}  // namespace imglib
