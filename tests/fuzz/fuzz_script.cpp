// Effect-script files: the parser, then the effects of what it accepts,
// rendered small so that every value a file can give meets the effects.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/imglib/script_file.h"

namespace {

// A few effects on a small picture keep every run well under a second.
constexpr int32_t kSide = 32;
constexpr size_t kEffectsRun = 3;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    imglib::detail::ScriptFile file;
    if (!imglib::detail::parse_script({data, size}, file)) return 0;
    if (file.effects.size() > kEffectsRun) file.effects.resize(kEffectsRun);
    const int32_t w = std::min(file.header.width, kSide), h = std::min(file.header.height, kSide);
    std::vector<uint8_t> out(size_t(w) * size_t(h) * 4);
    (void)imglib::detail::render_effects(file.effects, w, h, file.header.background, out.data());
    return 0;
}
