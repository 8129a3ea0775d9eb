// Running the engine's named effects over host pictures, as a host does:
// the picture becomes the background of an image of its size, the effect
// runs through the working buffers, and the layer comes back.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace pte {

// What PTE_IPLImageProcess receives besides the name.
struct EffectSettings {
    std::array<int32_t, 8> p = {500, 500, 500, 500, 500, 500, 0, 0};  // p1..p6 in tenths, options p7 and p8
    std::array<int32_t, 6> f = {};                                    // flags f1..f6
    std::array<int32_t, 3> colour = {200, 60, 40};
    int32_t seed = 1;
    std::string text;  // a script path
};

// The catalogue's names and how each is carried out, in dispatch order.
struct CatalogueEntry {
    std::string name, route;
};
std::vector<CatalogueEntry> catalogue();

// Applies the effect to a packed RGBA32 picture in place. False, with the
// reason in `error`, when the name is not in the catalogue or the engine
// reports a failure.
bool apply_effect(const std::string& name, const EffectSettings& settings, std::vector<uint8_t>& rgba, int width,
                  int height, std::string& error);

}  // namespace pte
