#include "engine/blend_modes.h"

#include <cstring>

namespace engine {

namespace {
// Index = mode number. 0..19 colour modes, 21..40 alpha modes.
constexpr const char* kNames[kBlendModeCount] = {
    "Normal",        "Multiply",     "Screen",         "Darken",
    "Lighten",       "Difference",   "Negation",       "Exclusion",
    "Overlay",       "Hard Light",   "Soft Light",     "Dodge",
    "Burn",          "Reflect",      "Glow",           "Add",
    "Subtract",      "Texturize",    "Texturize2",     "Texturize3",
    "",  // 20: no name, blends as Normal
    "Alpha Filter",  "Alpha Black Outline", "Alpha Outline Tint 1", "Alpha Outline Tint 2",
    "Alpha Invert",  "Alpha Shader", "Alpha Shader Color", "Alpha Shader Texture2",
    "Alpha Highlight Texture2", "Alpha Smooth", "Alpha Smooth Lum", "Alpha Smooth Lum2",
    "Alpha Smooth Lum3", "Alpha Smooth Lum4", "Alpha Smooth Lum5", "Alpha Overlay Outline",
    "Alpha Highlight", "Layer Mask", "Luminance Alpha", "Luminance Alpha Invert",
};
}  // namespace

const char* blend_mode_name(int32_t mode) {
    return (mode >= 0 && mode < kBlendModeCount) ? kNames[mode] : "";
}

int32_t blend_mode_from_name(const char* name) {
    if (name == nullptr || name[0] == '\0') return kModeNormal;
    for (int32_t mode = 0; mode < kBlendModeCount; ++mode) {
        if (std::strcmp(name, kNames[mode]) == 0) return mode;
    }
    return kModeNormal;
}

bool is_blend_mode_name(const char* name) {
    if (name == nullptr || name[0] == '\0') return false;
    return blend_mode_from_name(name) != kModeNormal || std::strcmp(name, kNames[kModeNormal]) == 0;
}

}  // namespace engine
