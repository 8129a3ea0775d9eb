// Dabs per second beside libmypaint drawing round dabs of the same diameter,
// hardness and opacity on its fixed-size tiled surface, along the same
// stroke path. Both run on one thread. And the end of a stroke: merging a
// 512 x 512 stroke into its layer beside pixman laying a 512 x 512 picture
// OVER another.
#include <benchmark/benchmark.h>

#include <pixman.h>

#include <cmath>
#include <cstring>
#include <vector>

extern "C" {
#include <mypaint-fixed-tiled-surface.h>
#include <mypaint-surface.h>
void omp_set_num_threads(int);
}

#include "engine/engine_state.h"
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

constexpr int kStroke = 512;

// A stroke of 48-pixel dabs filling a 512 x 512 square of the paint layer,
// merged at 80 % into a layer that already holds paint. The merge clears
// the paint layer, so the stroke and its changed area are put back outside
// the timing before every merge.
void BM_MergeStroke512(benchmark::State& state) {
    set_up_engine(48, true, false);
    PTE_Clear(40, 90, 160, 200);
    PTE_CreatePaintLayer(80, "Normal");
    for (int y = 24; y <= kStroke - 24; y += 12)
        for (int x = 24; x <= kStroke - 24; x += 12) PTE_DrawDabGrit(x, y, 0xD000, 0x8000, 0x3000);
    engine::LayerSlot& paint = engine::state().paintLayer;
    const engine::LayerSlot area = {{}, 0, 0, 0, 0, 0, 0, {}, 0, paint.changedLeft, paint.changedTop,
                                    paint.changedRight, paint.changedBottom};
    const std::vector<uint16_t> stroke(paint.pixels.data(), paint.pixels.data() + paint.pixels.size());
    const size_t row = size_t(kSide) * 4, width = size_t(area.changedRight - area.changedLeft) * 4;
    for (auto _ : state) {
        state.PauseTiming();
        for (int y = area.changedTop; y < area.changedBottom; ++y) {
            const size_t at = size_t(y) * row + size_t(area.changedLeft) * 4;
            std::memcpy(paint.pixels.data() + at, stroke.data() + at, width * 2);
        }
        paint.changedLeft = area.changedLeft, paint.changedTop = area.changedTop;
        paint.changedRight = area.changedRight, paint.changedBottom = area.changedBottom;
        state.ResumeTiming();
        PTE_MergePaintLayer(2);
    }
    state.SetItemsProcessed(state.iterations() * (area.changedRight - area.changedLeft) *
                            (area.changedBottom - area.changedTop));
    PTE_DeleteImage();
}

// The peer: a 512 x 512 premultiplied 8-bit picture OVER a 1024 x 1024 one.
void BM_MergeStroke512_PixmanOver(benchmark::State& state) {
    std::vector<uint32_t> top(size_t(kStroke) * kStroke), bottom(size_t(kSide) * kSide);
    for (size_t i = 0; i < top.size(); ++i) top[i] = (i % 7 == 0) ? 0 : 0xCCA86830u;  // alpha 0xCC, premultiplied
    for (auto& p : bottom) p = 0xC8204678u;
    pixman_image_t* src = pixman_image_create_bits(PIXMAN_a8r8g8b8, kStroke, kStroke, top.data(), kStroke * 4);
    pixman_image_t* dst = pixman_image_create_bits(PIXMAN_a8r8g8b8, kSide, kSide, bottom.data(), kSide * 4);
    for (auto _ : state) {
        pixman_image_composite32(PIXMAN_OP_OVER, src, nullptr, dst, 0, 0, 0, 0, 0, 0, kStroke, kStroke);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kStroke * kStroke);
    pixman_image_unref(src);
    pixman_image_unref(dst);
}

}  // namespace

BENCHMARK(BM_Dab_PaintLayer)->Arg(8)->Arg(32)->Arg(128);
BENCHMARK(BM_Dab_LayerBlendRemix)->Arg(8)->Arg(32)->Arg(128);
BENCHMARK(BM_Dab_Libmypaint)->Arg(8)->Arg(32)->Arg(128);
BENCHMARK(BM_MergeStroke512)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MergeStroke512_PixmanOver)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
