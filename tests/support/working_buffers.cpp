#include "support/working_buffers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "engine/engine_state.h"

void make_working_buffers(const std::vector<uint8_t>& picture, uint8_t dst_fill) {
    auto& s = engine::state();
    const uint64_t bytes = uint64_t(s.imageWidth) * uint64_t(s.imageHeight) * 4;
    ASSERT_EQ(picture.size(), bytes);
    ASSERT_TRUE(s.working.iplSrc32.allocate(bytes));
    ASSERT_TRUE(s.working.iplDst32.allocate(bytes));
    if (bytes != 0) std::memcpy(s.working.iplSrc32.data(), picture.data(), bytes);
    s.working.iplDst32.fill_bytes(dst_fill);
}

std::vector<uint8_t> working_src() {
    const auto& b = engine::state().working.iplSrc32;
    return {b.data(), b.data() + b.size()};
}

std::vector<uint8_t> working_dst() {
    const auto& b = engine::state().working.iplDst32;
    return {b.data(), b.data() + b.size()};
}

std::vector<uint8_t> random_picture(int32_t w, int32_t h, uint32_t seed) {
    std::mt19937 gen(seed);
    std::vector<uint8_t> p(size_t(w) * size_t(h) * 4);
    uint8_t run[4] = {};
    for (size_t i = 0; i < p.size(); i += 4) {
        if (gen() % 3 == 0)
            for (uint8_t& c : run) c = uint8_t(gen());
        for (int c = 0; c < 4; ++c) p[i + size_t(c)] = uint8_t(run[c] + gen() % 3);
    }
    return p;
}
