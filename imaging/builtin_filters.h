// The engine's own filters on the RGBA32 working buffers: they read
// iplSrc32 (iplDst32 when working in place) and write iplDst32, carrying
// alpha unless a filter says otherwise.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "engine/engine_state.h"

namespace imaging {

// The names, in the order the dispatcher tests them.
inline constexpr std::array<std::string_view, 12> kBuiltinFilterNames = {
    "Anti Alias", "Adaptive Blur",  "Line Art Cleaner", "Basic Threshold", "Adjust Lab", "Detail Blur",
    "Value Blur", "Hyper Contrast", "Bas Relief",       "Grayscale",       "Invert",     "Vignette"};

// Runs the filter called `name` (exact, whole, case-sensitive). Returns 0
// at once when iplSrc32 or iplDst32 is missing (or smaller than the
// image). Otherwise it stores the parameter block (q = a * 0.001, the
// options, the whole image as the rectangle, inPlace), copies iplSrc32 into
// iplDst32 unless inPlace is set, runs the filter and returns 1; an unknown
// name runs nothing and returns 0.
int32_t run_builtin_filter(engine::EngineState& s, std::string_view name, uint8_t inPlace,
                           const std::array<int32_t, 6>& a, const std::array<int32_t, 8>& o);

}  // namespace imaging
