// Run-length byte streams of RGBA64 pixels and G16 values.
//
// Each 16-bit channel is cut to its high byte and equal neighbours merge
// into runs of up to 255. A colour record is 5 bytes (length, then the high
// bytes of channels 0..3); a mask record is 2 bytes (length, high byte).
// There is no header: the reader knows how many pixels the stream holds.
#pragma once

#include <cstdint>

namespace rle {

inline constexpr int32_t kMaxRun = 255;
inline constexpr int32_t kColorRecordBytes = 5;
inline constexpr int32_t kMaskRecordBytes = 2;

// Writes the runs of `count` pixels (a count below 1 counts as 1) and
// returns the bytes written; 0 when either pointer is null. The destination
// holds the worst case, 5 * count or 2 * count bytes.
int32_t compress_rgba64(const uint16_t* src, uint8_t* dst, int32_t count);
int32_t compress_g16(const uint16_t* src, uint8_t* dst, int32_t count);

// Writes exactly `count` pixels (each byte b as b * 256), cutting a run that
// would pass it and skipping records of length 0. Returns the position just
// past the last pixel written.
uint16_t* uncompress_rgba64(const uint8_t* src, uint16_t* dst, int32_t count);
uint16_t* uncompress_g16(const uint8_t* src, uint16_t* dst, int32_t count);

}  // namespace rle
