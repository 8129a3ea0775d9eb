#include "effect_runs.h"

#include "paintcore.h"

namespace pte {

std::vector<CatalogueEntry> catalogue() {
    std::vector<CatalogueEntry> entries;
    for (int32_t i = 0; PTE_GetEffectName(i) != nullptr; ++i) entries.push_back({PTE_GetEffectName(i), PTE_GetEffectRoute(i)});
    return entries;
}

bool apply_effect(const std::string& name, const EffectSettings& settings, std::vector<uint8_t>& rgba, int width,
                  int height, std::string& error) {
    PTE_CreateImage(nullptr, width, height, 16, 0);
    if (PTE_CreateLayer(1, width, height) != 1) {
        error = PTE_GetLastError();
        PTE_DeleteImage();
        return false;
    }
    PTE_SetLayerOptions(1, 1, 0, 100, "Normal");
    PTE_SetLayer(1);
    PTE_LoadRGBA32(rgba.data(), width * 4, 0);
    PTE_IPLInit();
    PTE_IPLAllocSrcBuffer32();
    PTE_IPLAllocDstBuffer32();
    PTE_SetLastError("");
    const auto& p = settings.p;
    const auto& f = settings.f;
    const auto& c = settings.colour;
    const int32_t known = PTE_IPLImageProcess(0, name.c_str(), settings.seed, p[0], p[1], p[2], p[3], p[4], p[5], p[6],
                                              p[7], uint8_t(f[0]), uint8_t(f[1]), uint8_t(f[2]), uint8_t(f[3]),
                                              uint8_t(f[4]), uint8_t(f[5]), c[0], c[1], c[2], settings.text.c_str());
    error = PTE_GetLastError();
    if (known == 0 && error.empty()) error = "\"" + name + "\" is not an effect name (pte effects lists them)";
    const bool done = error.empty();
    if (done) PTE_GetRGBA32(rgba.data(), width * 4);
    PTE_IPLFreeSrcBuffer32();
    PTE_IPLFreeDstBuffer32();
    PTE_IPLExit();
    PTE_DeleteImage();
    return done;
}

}  // namespace pte
