// Exact 128-bit products against the compiler's own 128-bit integers.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "platform/imglib/wide_product.h"

namespace {

using imglib::WideProduct;

unsigned __int128 value(WideProduct p) { return (static_cast<unsigned __int128>(p.high) << 64) | p.low; }

}  // namespace

TEST(WideProduct, ProductsSumsAndComparisonsAreExact) {
    const uint64_t edges[] = {0, 1, 2, 0xFFFFFFFFu, 0x100000000u, 0x7FFFFFFFu * 0x7FFFFFFFull, ~0ull, ~0ull - 1,
                              0x8000000000000000ull};
    std::mt19937_64 random(7);
    std::vector<uint64_t> values(std::begin(edges), std::end(edges));
    for (int i = 0; i < 200; ++i) values.push_back(random() >> (random() % 64));
    for (const uint64_t a : values) {
        for (const uint64_t b : values) {
            const unsigned __int128 exact = static_cast<unsigned __int128>(a) * b;
            const WideProduct p = imglib::multiply_wide(a, b);
            ASSERT_TRUE(value(p) == exact) << a << " * " << b;
            const WideProduct q = imglib::multiply_wide(b, a ^ 0x5555);
            const unsigned __int128 other = static_cast<unsigned __int128>(b) * (a ^ 0x5555);
            ASSERT_TRUE(value(imglib::add_wide(p, q)) == exact + other) << a << ", " << b;
            ASSERT_EQ(imglib::not_above(p, q), exact <= other) << a << ", " << b;
        }
    }
}
