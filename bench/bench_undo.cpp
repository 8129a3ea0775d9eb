// Undo steps beside memcpy of the same bytes.
//
// A save copies the rectangle twice (back copy into the step, layer into
// the back copy) and allocates the step's block; undo and redo copy it
// three times (step into layer, back copy into step, layer into back copy)
// and allocate nothing. The peers make the same number of memcpy calls of
// the same byte count between separate contiguous buffers, so the ratio
// shows what the rectangle walk and the bookkeeping cost over raw copying.
// Bytes processed count every byte copied.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/engine_state.h"
#include "paintcore.h"
#include "thread_counts.h"
#include "undo/history.h"

namespace {

constexpr int32_t kSide = 4096;
constexpr int32_t kStroke = 256;

// A 4096 x 4096 image with a painted background, levels and a budget.
void make_image(int32_t levels) {
    PTE_CreateImage(nullptr, kSide, kSide, 64, 0);
    PTE_CreateLayer(1, kSide, kSide);
    engine::LayerSlot& layer = engine::state().layers[1];
    for (size_t i = 0; i < layer.pixels.size(); ++i) layer.pixels[i] = uint16_t(i * 2654435761u >> 16);
    PTE_SetLayer(1);
    PTE_SetUndoLevels(levels);
    PTE_SetUndoMB(1 << 20);
}

// The dirty rectangle a stroke leaves: right and bottom one past its dabs.
void mark_stroke() {
    const int32_t x = 1000, y = 1200;
    undo::grow_dirty_rect(engine::state(), x, y, x + kStroke - 1, y + kStroke - 1);
}

int64_t bytes_of(int32_t side) { return int64_t(side) * side * 8; }

// Argument: the levels; with 2 the step's block is still in cache, with 500
// it comes back from a full history.
void BM_SaveStroke256(benchmark::State& state) {
    make_image(int32_t(state.range(0)));
    for (auto _ : state) {
        mark_stroke();
        PTE_SaveUndoBuffer(1, 0);
    }
    state.SetBytesProcessed(state.iterations() * 2 * bytes_of(kStroke));
    PTE_DeleteImage();
}

// Undo and redo alternate; each benchmark times only its own operation
// (the other runs with the timers paused, which adds about a microsecond).
template <bool TimeUndo>
void exchange_bench(benchmark::State& state, int32_t side) {
    make_image(2);
    if (side == kStroke) mark_stroke();
    PTE_SaveUndoBuffer(1, 0);
    if (!TimeUndo) PTE_Undo();
    for (auto _ : state) {
        TimeUndo ? PTE_Undo() : PTE_Redo();
        state.PauseTiming();
        TimeUndo ? PTE_Redo() : PTE_Undo();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * 3 * bytes_of(side));
    PTE_DeleteImage();
}

void BM_UndoStroke256(benchmark::State& state) { exchange_bench<true>(state, kStroke); }
void BM_RedoStroke256(benchmark::State& state) { exchange_bench<false>(state, kStroke); }

void BM_SaveLayer4096(benchmark::State& state) {
    bench::use_threads(state, 0);
    make_image(2);  // each save releases the older of two whole-layer steps
    for (auto _ : state) PTE_SaveUndoBuffer(1, 0);
    state.SetBytesProcessed(state.iterations() * 2 * bytes_of(kSide));
    PTE_DeleteImage();
}

void BM_UndoLayer4096(benchmark::State& state) {
    bench::use_threads(state, 0);
    exchange_bench<true>(state, kSide);
}
void BM_RedoLayer4096(benchmark::State& state) {
    bench::use_threads(state, 0);
    exchange_bench<false>(state, kSide);
}

// ---- memcpy of the same bytes ----

struct Blocks {
    explicit Blocks(int32_t side) : bytes(size_t(bytes_of(side))), a(bytes, 1), b(bytes, 2), c(bytes, 3) {}
    size_t bytes;
    std::vector<uint8_t> a, b, c;
};

// A save's two copies.
void memcpy_save(benchmark::State& state, int32_t side) {
    Blocks k(side);
    for (auto _ : state) {
        std::memcpy(k.a.data(), k.b.data(), k.bytes);
        std::memcpy(k.b.data(), k.c.data(), k.bytes);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * 2 * int64_t(k.bytes));
}

// A save's two copies into a freshly allocated block, as a save must have.
void memcpy_save_fresh(benchmark::State& state, int32_t side) {
    Blocks k(side);
    for (auto _ : state) {
        void* fresh = std::malloc(k.bytes);
        std::memcpy(fresh, k.b.data(), k.bytes);
        std::memcpy(k.b.data(), k.c.data(), k.bytes);
        benchmark::DoNotOptimize(fresh);
        benchmark::ClobberMemory();
        std::free(fresh);
    }
    state.SetBytesProcessed(state.iterations() * 2 * int64_t(k.bytes));
}

// A save's two copies, the first into the oldest of `blocks` rotating
// blocks: a history of 500 steps hands each save a block that has long
// left the cache, and this peer does the same.
void memcpy_save_rotating(benchmark::State& state, int32_t side, size_t blocks) {
    Blocks k(side);
    std::vector<std::vector<uint8_t>> pool(blocks, std::vector<uint8_t>(k.bytes, 4));
    size_t next = 0;
    for (auto _ : state) {
        std::memcpy(pool[next].data(), k.b.data(), k.bytes);
        std::memcpy(k.b.data(), k.c.data(), k.bytes);
        benchmark::ClobberMemory();
        next = (next + 1) % blocks;
    }
    state.SetBytesProcessed(state.iterations() * 2 * int64_t(k.bytes));
}

// An exchange's three copies.
void memcpy_exchange(benchmark::State& state, int32_t side) {
    Blocks k(side);
    for (auto _ : state) {
        std::memcpy(k.c.data(), k.a.data(), k.bytes);
        std::memcpy(k.a.data(), k.b.data(), k.bytes);
        std::memcpy(k.b.data(), k.c.data(), k.bytes);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * 3 * int64_t(k.bytes));
}

void BM_MemcpySave256(benchmark::State& state) { memcpy_save(state, kStroke); }
void BM_MemcpySaveFresh256(benchmark::State& state) { memcpy_save_fresh(state, kStroke); }
void BM_MemcpySaveRotating256(benchmark::State& state) { memcpy_save_rotating(state, kStroke, 500); }
void BM_MemcpyExchange256(benchmark::State& state) { memcpy_exchange(state, kStroke); }
void BM_MemcpySave4096(benchmark::State& state) { memcpy_save(state, kSide); }
void BM_MemcpySaveFresh4096(benchmark::State& state) { memcpy_save_fresh(state, kSide); }
void BM_MemcpyExchange4096(benchmark::State& state) { memcpy_exchange(state, kSide); }

}  // namespace

BENCHMARK(BM_SaveStroke256)->Arg(2)->Arg(500)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MemcpySave256)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MemcpySaveFresh256)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MemcpySaveRotating256)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_UndoStroke256)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RedoStroke256)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MemcpyExchange256)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SaveLayer4096)->Apply(bench::one_and_all_threads)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemcpySave4096)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemcpySaveFresh4096)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UndoLayer4096)->Apply(bench::one_and_all_threads)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedoLayer4096)->Apply(bench::one_and_all_threads)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemcpyExchange4096)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
