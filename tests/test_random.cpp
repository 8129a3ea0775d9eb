#include <set>

#include "brush/random.h"
#include "support/engine_fixture.h"

using RandomTables = EngineTest;

TEST(RandomGenerator, SequenceOfTheLinearCongruence) {
    brush::RandomGenerator g;
    g.seed(1);
    // state * 214013 + 2531011, result (state >> 16) & 0x7FFF
    EXPECT_EQ(g.next(), 41);
    EXPECT_EQ(g.next(), 18467);
    EXPECT_EQ(g.next(), 6334);
    g.seed(0);
    EXPECT_EQ(g.next(), 38);
    EXPECT_EQ(g.next(), 7719);
    // The state wraps modulo 2^32 and results never leave 0..32767.
    g.seed(-1);
    for (int i = 0; i < 10000; ++i) {
        const int32_t v = g.next();
        ASSERT_GE(v, 0);
        ASSERT_LE(v, 32767);
    }
}

TEST_F(RandomTables, TablesHoldDrawsModuloAndAreReusedWhenUnchanged) {
    st().brush.randomSeed = 7;
    brush::RandomByteTable t;
    brush::build_byte_table(st(), t, 1000, 300);
    ASSERT_EQ(t.length, 300);
    brush::RandomGenerator ref;
    ref.seed(7);
    for (int i = 0; i < 300; ++i) ASSERT_EQ(t.data[size_t(i)], uint8_t(ref.next() % 1000)) << i;
    // The same modulus, length and seed: no rebuild, the generator is untouched.
    st().brush.random.seed(12345);
    brush::build_byte_table(st(), t, 1000, 300);
    EXPECT_EQ(st().brush.random.state, 12345u);
    // Another seed rebuilds and reseeds.
    st().brush.randomSeed = 8;
    brush::build_byte_table(st(), t, 1000, 300);
    EXPECT_EQ(t.seed, 8);
    EXPECT_NE(st().brush.random.state, 12345u);
}

TEST_F(RandomTables, LargeTablesOfTheImage) {
    PTE_CreateImage(nullptr, 4, 4, 8, 0);
    const auto& a = st().brush.randomTableA;
    const auto& b = st().brush.randomTableB;
    std::set<int> seen_a, seen_b;
    for (int i = 0; i < 1000000; ++i) {
        seen_a.insert(a.data[size_t(i)]);
        seen_b.insert(b.data[size_t(i)]);
    }
    EXPECT_EQ(*seen_a.rbegin(), 254);
    EXPECT_EQ(*seen_b.rbegin(), 253);
    EXPECT_EQ(seen_a.size(), 255u);
    EXPECT_EQ(seen_b.size(), 254u);
}

TEST_F(RandomTables, FailureIsReportedAndRetried) {
    brush::RandomByteTable t;
    PTE_SetLastError("");
    brush::build_byte_table_reporting(st(), t, 0, 10);
    EXPECT_STREQ(PTE_GetLastError(), "MakeRandArrayByte Excpt");
    EXPECT_EQ(t.length, 0) << "figures not updated, so the next call tries again";
    brush::build_byte_table_reporting(st(), t, 5, 10);
    EXPECT_EQ(t.length, 10);
}
