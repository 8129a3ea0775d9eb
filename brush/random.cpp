#include "brush/random.h"

#include <new>

#include "engine/engine_state.h"

namespace brush {

void build_byte_table(engine::EngineState& s, RandomByteTable& table, int32_t modulus, int32_t length) {
    const int32_t seed = s.brush.randomSeed;
    if (table.data && table.length == length && table.modulus == modulus && table.seed == seed) return;
    table.data.release();
    s.brush.random.seed(seed);
    if (length < 0 || modulus == 0) throw std::bad_alloc();
    table.data.allocate_or_throw(uint64_t(length));
    for (int32_t i = 0; i < length; ++i) table.data[size_t(i)] = uint8_t(s.brush.random.next() % modulus);
    table.length = length;
    table.modulus = modulus;
    table.seed = seed;
}

void build_byte_table_reporting(engine::EngineState& s, RandomByteTable& table, int32_t modulus, int32_t length) {
    try {
        build_byte_table(s, table, modulus, length);
    } catch (...) {
        engine::set_last_error(s, "MakeRandArrayByte Excpt");
    }
}

void build_large_tables(engine::EngineState& s) {
    build_byte_table_reporting(s, s.brush.randomTableA, 255, kLargeTableLength);
    build_byte_table_reporting(s, s.brush.randomTableB, 254, kLargeTableLength);
}

}  // namespace brush
