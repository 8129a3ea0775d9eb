// The engine's one random generator and the random byte tables built from it.
//
// One seed reproduces a stroke: every draw of tips, grit choices and
// variations comes from this generator in a fixed order.
#pragma once

#include <cstdint>

#include "engine/buffer.h"

namespace engine { struct EngineState; }

namespace brush {

// Linear congruential generator: state * 214013 + 2531011 (mod 2^32),
// result (state >> 16) & 0x7FFF.
struct RandomGenerator {
    uint32_t state = 0;

    void seed(int32_t s) { state = static_cast<uint32_t>(s); }
    int32_t next() {
        state = state * 214013u + 2531011u;
        return static_cast<int32_t>((state >> 16) & 0x7FFF);
    }
};

// Random bytes kept until their modulus, length or seed changes.
struct RandomByteTable {
    engine::OwnedBuffer<uint8_t> data;
    int32_t modulus = 0;
    int32_t seed = 0;
    int32_t length = 0;
};

inline constexpr int32_t kLargeTableLength = 1000000;

// Fills `table` with `length` draws modulo `modulus` from the generator
// reseeded with `randomSeed`, unless it already holds exactly that. Throws
// std::bad_alloc when the bytes cannot be had; the table's figures are then
// left as they were so the next call tries again.
void build_byte_table(engine::EngineState& s, RandomByteTable& table, int32_t modulus, int32_t length);

// As build_byte_table, but a failure is recorded as "MakeRandArrayByte Excpt"
// instead of thrown.
void build_byte_table_reporting(engine::EngineState& s, RandomByteTable& table, int32_t modulus,
                                int32_t length);

// The two large tables of the image: values 0..254 and 0..253.
void build_large_tables(engine::EngineState& s);

}  // namespace brush
