// Lua filters and the built-in blurs, beside peers of the same shape: the
// interpreter calling standard-library C functions as often as the filter
// calls the engine, and OpenCV's 3 x 3 box blur of the same picture.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <lua.hpp>
#include <opencv2/imgproc.hpp>
#include <random>
#include <string>
#include <vector>

#include "engine/engine_state.h"
#include "imaging/builtin_filters.h"
#include "paintcore.h"
#include "thread_counts.h"

namespace {

// A picture of runs of similar colours, as photographs and paintings have.
std::vector<uint8_t> picture(int w, int h) {
    std::mt19937 gen(3);
    std::vector<uint8_t> p(size_t(w) * size_t(h) * 4);
    uint8_t run[4] = {};
    for (size_t i = 0; i < p.size(); i += 4) {
        if (gen() % 8 == 0)
            for (uint8_t& c : run) c = uint8_t(gen());
        for (int c = 0; c < 4; ++c) p[i + size_t(c)] = uint8_t(run[c] + gen() % 4);
    }
    return p;
}

// An image of w x h whose background and working buffers hold the picture.
void make_image(int w, int h) {
    PTE_CreateImage(nullptr, w, h, 64, 0);
    PTE_CreateLayer(1, w, h);
    PTE_SetLayer(1);
    const auto p = picture(w, h);
    auto& s = engine::state();
    s.working.iplSrc32.allocate(p.size());
    s.working.iplDst32.allocate(p.size());
    std::memcpy(s.working.iplSrc32.data(), p.data(), p.size());
}

std::string script_file(const char* name, const char* text) {
    const std::string path = "/tmp/paintcore-bench-" + std::to_string(getpid()) + "-" + name;
    std::ofstream(path) << text;
    return path;
}

constexpr int kLuaSide = 1024;

const char* kInvertScript = R"lua(
for y = bound_y0, bound_y1 do
  for x = bound_x0, bound_x1 do
    local r, g, b = get_rgb(x, y)
    set_rgb(x, y, 1 - r, 1 - g, 1 - b)
  end
end
)lua";

// The same loop and arithmetic, two standard-library C calls a pixel.
const char* kPeerScript = R"lua(
local min, max = math.min, math.max
for y = 0, height - 1 do
  for x = 0, width - 1 do
    local r = min(x, y)
    max(x, y, 1 - r, 1 - r, 1 - r)
  end
end
)lua";

void run_lua(benchmark::State& state, const char* name, const char* text) {
    make_image(kLuaSide, kLuaSide);
    const std::string path = script_file(name, text);
    for (auto _ : state) PTE_LuaFilterRun(path.c_str(), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    std::remove(path.c_str());
    // Items: calls from the script, two a pixel.
    state.SetItemsProcessed(state.iterations() * 2 * kLuaSide * kLuaSide);
    PTE_DeleteImage();
}

void BM_LuaInvertGetSetRgb(benchmark::State& state) { run_lua(state, "invert.lua", kInvertScript); }
void BM_LuaPeerStandardCalls(benchmark::State& state) { run_lua(state, "peer.lua", kPeerScript); }

constexpr int kWidth = 1920, kHeight = 1080;

void run_builtin(benchmark::State& state, const char* name, std::array<int32_t, 6> a) {
    make_image(kWidth, kHeight);
    for (auto _ : state) benchmark::DoNotOptimize(imaging::run_builtin_filter(engine::state(), name, 0, a, {}));
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
    PTE_DeleteImage();
}

void BM_BuiltinValueBlur(benchmark::State& state) { run_builtin(state, "Value Blur", {300, 300}); }
void BM_BuiltinDetailBlur(benchmark::State& state) {
    bench::use_threads(state, 0);
    run_builtin(state, "Detail Blur", {50});
}
// Whole-layer filters of independent pixels, one per kind of arithmetic:
// HSL lightness, Lab both ways.
void BM_BuiltinHyperContrast(benchmark::State& state) {
    bench::use_threads(state, 0);
    run_builtin(state, "Hyper Contrast", {300});
}
void BM_BuiltinAdjustLab(benchmark::State& state) {
    bench::use_threads(state, 0);
    run_builtin(state, "Adjust Lab", {550, 450, 520});
}

void BM_PeerOpenCvBoxBlur3x3(benchmark::State& state) {
    auto p = picture(kWidth, kHeight);
    std::vector<uint8_t> out(p.size());
    const cv::Mat in(kHeight, kWidth, CV_8UC4, p.data());
    cv::Mat dst(kHeight, kWidth, CV_8UC4, out.data());
    for (auto _ : state) {
        cv::blur(in, dst, cv::Size(3, 3));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

}  // namespace

BENCHMARK(BM_LuaInvertGetSetRgb)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LuaPeerStandardCalls)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuiltinValueBlur)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuiltinDetailBlur)->Apply(bench::one_and_all_threads)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuiltinHyperContrast)->Apply(bench::one_and_all_threads)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuiltinAdjustLab)->Apply(bench::one_and_all_threads)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PeerOpenCvBoxBlur3x3)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
