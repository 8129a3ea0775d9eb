// Run-length line codecs and the layer row transfer beside memcpy of the
// same bytes.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "paintcore.h"

namespace {

constexpr int kWidth = 3840;

std::vector<uint16_t> stroke_row() {
    // Runs of a few dozen equal pixels, as painted rows have.
    std::vector<uint16_t> row;
    std::mt19937 rng(7);
    while (row.size() < size_t(kWidth) * 4) {
        const int run = 1 + int(rng() % 60);
        const uint16_t v = uint16_t((rng() % 256) << 8);
        for (int i = 0; i < run && row.size() < size_t(kWidth) * 4; ++i) row.insert(row.end(), {v, v, v, 0xFF00});
    }
    return row;
}

void BM_RleCompressRow(benchmark::State& state) {
    const auto row = stroke_row();
    std::vector<uint8_t> out(size_t(kWidth) * 5);
    for (auto _ : state) benchmark::DoNotOptimize(PTE_RLECompressRGBA64ToRGBA32(row.data(), out.data(), kWidth));
    state.SetItemsProcessed(state.iterations() * kWidth);
    state.SetBytesProcessed(state.iterations() * kWidth * 8);
}

void BM_RleUncompressRow(benchmark::State& state) {
    const auto row = stroke_row();
    std::vector<uint8_t> stream(size_t(kWidth) * 5);
    PTE_RLECompressRGBA64ToRGBA32(row.data(), stream.data(), kWidth);
    std::vector<uint16_t> back(row.size());
    for (auto _ : state) benchmark::DoNotOptimize(PTE_RLEUncompressRGBA32ToRGBA64(stream.data(), back.data(), kWidth));
    state.SetItemsProcessed(state.iterations() * kWidth);
    state.SetBytesProcessed(state.iterations() * kWidth * 8);
}

void BM_MemcpyRow(benchmark::State& state) {
    const auto row = stroke_row();
    std::vector<uint16_t> back(row.size());
    for (auto _ : state) {
        std::memcpy(back.data(), row.data(), row.size() * 2);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kWidth);
    state.SetBytesProcessed(state.iterations() * kWidth * 8);
}

}  // namespace

BENCHMARK(BM_RleCompressRow);
BENCHMARK(BM_RleUncompressRow);
BENCHMARK(BM_MemcpyRow);
BENCHMARK_MAIN();
