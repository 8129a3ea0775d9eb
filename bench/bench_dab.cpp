// Dabs per second beside libmypaint drawing round dabs of the same diameter,
// hardness and opacity on its fixed-size tiled surface, along the same
// stroke path. Both run on one thread.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

extern "C" {
#include <mypaint-fixed-tiled-surface.h>
#include <mypaint-surface.h>
void omp_set_num_threads(int);
}

#include "paintcore.h"

namespace {

constexpr int kSide = 1024;
constexpr int kTipCapacity = 256;
// A disc whose flat centre reaches half its radius and falls off linearly
// to the rim: hardness 0.5, softness 128 of 255.
constexpr float kHardness = 0.5f;
constexpr uint8_t kSoftness = 128;

// Dab centres along a stroke: a diagonal zigzag at a quarter of the
// diameter apart, kept inside the surface.
std::vector<std::pair<int, int>> stroke(int diameter) {
    std::vector<std::pair<int, int>> points;
    const int step = std::max(1, diameter / 4);
    const int margin = diameter;
    int x = margin, y = margin, dx = step, dy = step / 2 + 1;
    for (int i = 0; i < 4096; ++i) {
        points.emplace_back(x, y);
        x += dx;
        y += dy;
        if (x < margin || x > kSide - margin) dx = -dx, x += 2 * dx;
        if (y < margin || y > kSide - margin) dy = -dy, y += 2 * dy;
    }
    return points;
}

void set_up_engine(int diameter, bool paintLayer, bool blending) {
    PTE_DeleteImage();
    PTE_CreateImage(nullptr, kSide, kSide, kTipCapacity, 0);
    PTE_CreateLayer(1, kSide, kSide);
    PTE_CreateLayer(2, kSide, kSide);
    PTE_SetLayerOptions(1, 1, 0, 100, "Normal");
    PTE_SetLayerOptions(2, 1, 0, 100, "Normal");
    PTE_SetLayer(2);
    PTE_SetSize(diameter);
    PTE_SetAlpha(100);
    PTE_SetTool(1.0f, 0, 0, 0, kSoftness, 0, 0, blending ? 128 : 0, 0, blending ? 1 : 0, 0, 0, 0, "", "", 0);
    if (paintLayer) PTE_CreatePaintLayer(100, "Normal");
    if (blending) {
        PTE_Clear(200, 120, 40, 255);
        PTE_CopyBlendBufferSurface(kSide / 2, kSide / 2, 64, 0);
    }
}

void run_engine(benchmark::State& state, bool paintLayer, bool blending) {
    const int diameter = int(state.range(0));
    set_up_engine(diameter, paintLayer, blending);
    const auto points = stroke(diameter);
    size_t i = 0;
    for (auto _ : state) {
        const auto [x, y] = points[i++ % points.size()];
        PTE_DrawDabGrit(x, y, 0x2000, 0x6000, 0xC000);
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["dabs/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    PTE_DeleteImage();
}

void BM_Dab_PaintLayer(benchmark::State& state) { run_engine(state, true, false); }
void BM_Dab_LayerBlendRemix(benchmark::State& state) { run_engine(state, false, true); }

// The peer: one dab per atomic section, so every dab is rendered into the
// tiles before the next, as ours is.
void BM_Dab_Libmypaint(benchmark::State& state) {
    omp_set_num_threads(1);
    const int diameter = int(state.range(0));
    MyPaintFixedTiledSurface* fixed = mypaint_fixed_tiled_surface_new(kSide, kSide);
    MyPaintSurface* surface = mypaint_fixed_tiled_surface_interface(fixed);
    const auto points = stroke(diameter);
    size_t i = 0;
    MyPaintRectangle roi;
    for (auto _ : state) {
        const auto [x, y] = points[i++ % points.size()];
        mypaint_surface_begin_atomic(surface);
        mypaint_surface_draw_dab(surface, float(x), float(y), diameter * 0.5f, 0x20 / 255.0f, 0x60 / 255.0f,
                                 0xC0 / 255.0f, 1.0f, kHardness, 1.0f, 1.0f, 0.0f, 0.0f, 0.0f);
        mypaint_surface_end_atomic(surface, &roi);
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["dabs/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    mypaint_surface_unref(surface);
}

}  // namespace

BENCHMARK(BM_Dab_PaintLayer)->Arg(8)->Arg(32)->Arg(128);
BENCHMARK(BM_Dab_LayerBlendRemix)->Arg(8)->Arg(32)->Arg(128);
BENCHMARK(BM_Dab_Libmypaint)->Arg(8)->Arg(32)->Arg(128);
BENCHMARK_MAIN();
