// Internal to the imaging library: PNG's row filters, chosen per row.
#pragma once

#include <cstddef>
#include <cstdint>

namespace imglib::detail {

// The filters a writer may choose from, as bits of a mask (the bit values
// PNG libraries take): none, sub, up, average, Paeth.
inline constexpr uint32_t kPngFilterNone = 0x08, kPngFilterSub = 0x10, kPngFilterUp = 0x20,
                          kPngFilterAverage = 0x40, kPngFilterPaeth = 0x80;
inline constexpr uint32_t kPngAllFilters = 0xF8;

// Filters one row of `bytes` bytes, bpp bytes a pixel, against the row
// above it (all zeros above the first row): writes the filter's type byte
// and the filtered bytes to out (1 + bytes). With one filter allowed it is
// used; with several, the one whose filtered bytes, read as signed, have
// the least sum of magnitudes, the earlier in the order above on a tie.
// `scratch` has room for 1 + bytes. An empty mask allows every filter.
void filter_png_row(const uint8_t* row, const uint8_t* above, size_t bytes, uint32_t bpp, uint32_t allowed,
                    uint8_t* out, uint8_t* scratch);

// Turns the SSE2 filters off (false) or on again; they give the same bytes
// and the same choice, and the tests compare the two.
void set_png_filter_fast_paths(bool enabled);

}  // namespace imglib::detail
