// Blend modes by name.
#pragma once

#include <cstdint>

namespace engine {

inline constexpr int32_t kBlendModeCount = 41;

// Mode numbers with roles outside the blend step.
inline constexpr int32_t kModeNormal = 0;
inline constexpr int32_t kModeTexturize3 = 19;  // a visible layer in this mode feeds the brush texture
inline constexpr int32_t kModeLayerMask = 38;   // masks the layer directly below

// The name of a mode number; 20 has none (""), and so has any number outside 0..40.
const char* blend_mode_name(int32_t mode);

// Exact, case-sensitive lookup of a whole name; anything else (the empty
// text and null included) is 0, "Normal".
int32_t blend_mode_from_name(const char* name);
// True when the text is one of the 40 names (exactly).
bool is_blend_mode_name(const char* name);

}  // namespace engine
