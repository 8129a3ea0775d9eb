// The font the text call draws with: one logical-font record, kept by the
// engine from load to unload (not per image), zeroed at load.
#pragma once

#include <array>
#include <cstdint>

namespace imaging {

inline constexpr size_t kFontRecordBytes = 60;

struct FontState {
    std::array<uint8_t, kFontRecordBytes> record = {};
    uint32_t textColour = 0;  // the colour a font dialog starts from
};

}  // namespace imaging
