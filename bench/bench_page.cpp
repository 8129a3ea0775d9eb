// Saving the page of a four-layer 4096 x 4096 image as PNG: the engine's
// page saver (each row composited, converted and handed to the row
// writer), beside libpng called directly on the finished composite (the
// same pixels, the same settings), and beside the way without rows:
// flattening the whole image first, then libpng.
//
// Each run also reports the peak memory it added: the kernel's peak
// resident size is reset before the save (/proc/self/clear_refs) and read
// after it, less the resident size before. The page saver must stay far
// below one picture of the image (64 MiB as RGBA32).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/engine_state.h"
#include "libpng_direct.h"
#include "engine/pixels.h"
#include "paintcore.h"
#include "thread_counts.h"

namespace {

constexpr int32_t kSide = 4096;
constexpr int kLayers = 4;  // the background and three above it

std::string file(const char* name) { return "/tmp/paintcore_bench_page_" + std::to_string(getpid()) + name; }

// Smooth ramps with a little noise per layer, alpha falling across the
// upper layers, in "Normal", "Multiply", "Screen" and "Overlay".
void make_page() {
    static bool made = false;
    if (made) return;
    made = true;
    PTE_CreateImage(nullptr, kSide, kSide, 64, 0);
    const char* modes[kLayers] = {"Normal", "Multiply", "Screen", "Overlay"};
    engine::EngineState& s = engine::state();
    for (int i = 0; i < kLayers; ++i) {
        const int index = 1 + i;
        PTE_CreateLayer(index, kSide, kSide);
        PTE_SetLayerOptions(index, 1, 0, 100 - 10 * i, modes[i]);
        uint16_t* p = s.layers[index].pixels.data();
        uint32_t noise = 12345u + uint32_t(i);
        for (int32_t y = 0; y < kSide; ++y)
            for (int32_t x = 0; x < kSide; ++x, p += 4) {
                noise = noise * 1103515245u + 12345u;
                const uint32_t n = (noise >> 16) & 0x7FF;
                p[0] = uint16_t(((x + i * 700) * 16 + n) & 0xFFFF);
                p[1] = uint16_t(((y + i * 300) * 16 + n) & 0xFFFF);
                p[2] = uint16_t((((x + y) >> 1) * 16 * (i + 1) + n) & 0xFFFF);
                p[3] = i == 0 ? 65535 : uint16_t(65535 - ((x * 16 * i) & 0xFFFF) / 2);
            }
    }
}

long status_kb(const char* key) {
    std::ifstream in("/proc/self/status");
    std::string line;
    const size_t n = std::strlen(key);
    while (std::getline(in, line))
        if (line.compare(0, n, key) == 0) return std::stol(line.substr(n + 1));
    return -1;
}

// Peak memory a call adds, in MiB; negative when it cannot be measured.
template <class Call>
double peak_extra_mib(Call call) {
    std::ofstream reset("/proc/self/clear_refs");
    reset << "5" << std::flush;
    const bool measured = bool(reset);
    const long before = status_kb("VmRSS:");
    call();
    const long peak = status_kb("VmHWM:");
    return measured && before >= 0 && peak >= 0 ? double(peak - before) / 1024.0 : -1.0;
}

// The composite as RGBA32, made once for the direct writer.
const std::vector<uint8_t>& composite_rgba32() {
    static std::vector<uint8_t> rgba;
    if (rgba.empty()) {
        std::vector<uint16_t> wide(size_t(kSide) * kSide * 4);
        PTE_Merge(wide.data());
        rgba.resize(wide.size());
        pixels::rgba64_to_rgba32(rgba.data(), kSide * 4, wide.data(), kSide * 8, kSide, kSide);
    }
    return rgba;
}

template <class Save>
void run(benchmark::State& state, const char* name, Save save) {
    make_page();
    const std::string path = file(name);
    double peak = 0;
    for (auto _ : state) {
        bool ok = true;
        peak = std::max(peak, peak_extra_mib([&] { ok = save(path.c_str()); }));
        if (!ok) state.SkipWithError("save failed");
    }
    state.counters["peak_extra_MiB"] = peak;
    std::error_code error;
    state.counters["file_bytes"] = double(std::filesystem::file_size(path, error));
    state.SetItemsProcessed(int64_t(state.iterations()) * kSide * kSide);
    state.SetLabel("4 layers, 4096x4096, RGBA PNG");
    std::remove(path.c_str());
}

void BM_PageSavePng_Ours(benchmark::State& state) {
    bench::use_threads(state, 0);
    run(state, ".png", [](const char* path) {
        PTE_SetLastError("");
        PTE_SavePageToFileRGB32(path, ".png", 96);
        return PTE_GetLastError()[0] == '\0';
    });
}

void BM_PageSavePng_LibpngDirectOnComposite(benchmark::State& state) {
    make_page();
    const uint8_t* rgba = composite_rgba32().data();
    run(state, "_direct.png", [&](const char* path) { return bench::png_write_direct(path, rgba, kSide, kSide, 3779); });
}

// Without rows: the whole image flattened into an RGBA64 picture,
// converted to RGBA32, then written by libpng.
void BM_PageSavePng_WholeImageThenLibpng(benchmark::State& state) {
    run(state, "_whole.png", [](const char* path) {
        std::vector<uint16_t> wide(size_t(kSide) * kSide * 4);
        PTE_Merge(wide.data());
        std::vector<uint8_t> rgba(wide.size());
        pixels::rgba64_to_rgba32(rgba.data(), kSide * 4, wide.data(), kSide * 8, kSide, kSide);
        return bench::png_write_direct(path, rgba.data(), kSide, kSide, 3779);
    });
}

// The flatten of the four layers into one RGBA64 picture (PTE_Merge).
void BM_Flatten4Layers(benchmark::State& state) {
    bench::use_threads(state, 0);
    make_page();
    std::vector<uint16_t> wide(size_t(kSide) * kSide * 4);
    for (auto _ : state) {
        PTE_Merge(wide.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kSide * kSide);
    state.SetLabel("4 layers, 4096x4096");
}

BENCHMARK(BM_Flatten4Layers)->Apply(bench::one_and_all_threads)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_PageSavePng_Ours)->Apply(bench::one_and_all_threads)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PageSavePng_LibpngDirectOnComposite)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PageSavePng_WholeImageThenLibpng)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
