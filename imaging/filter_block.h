// The parameter block of the built-in filters, set afresh by every
// dispatch and kept until the next.
#pragma once

#include <array>
#include <cstdint>

namespace imaging {

struct FilterBlock {
    std::array<double, 6> q = {};   // q1..q6: the six int32 arguments * 0.001
    std::array<int32_t, 8> o = {};  // o1..o8: integer options
    int32_t left = 0, top = 0, right = 0, bottom = 0;  // (0, 0) to (W - 1, H - 1)
    // Set: every read comes from iplDst32 instead of iplSrc32.
    uint8_t inPlace = 0;
};

}  // namespace imaging
