// The compositor, the opaque-stack shortcut and the blend step, beside
// pixman compositing the same layers and memcpy of the same bytes.
//
// Scene: a 3840 x 2160 image of four layers: an opaque background and three
// partly transparent layers in "Normal", "Multiply" and "Screen" at opacity
// 100, each with soft-edged alpha (see the coverage counters). The view is
// always 1920 x 1080 display pixels: at 1:1 it shows the top-left quarter
// of the image, at 3:1 a 640 x 360 part enlarged, at 1:2 the whole image
// sampled. pixman composites the same three layers (top-left 1920 x 1080,
// premultiplied a8r8g8b8) over a copy of the background with OVER.
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "engine/blend.h"
#include "engine/blend_modes.h"
#include "paintcore.h"
#include "thread_counts.h"

namespace {

constexpr int kViewWidth = 1920;
constexpr int kViewHeight = 1080;
constexpr int kImageWidth = 3840;
constexpr int kImageHeight = 2160;
constexpr int kDisplayPixels = kViewWidth * kViewHeight;

struct Rgba32 {
    int width, height;
    std::vector<uint8_t> bytes;
};

// Colour ramps, with alpha from an interference pattern of soft blobs:
// about a quarter of each layer transparent, a sixth opaque, the rest partial.
Rgba32 layer_picture(int layer, bool opaque) {
    Rgba32 p{kImageWidth, kImageHeight, std::vector<uint8_t>(size_t(kImageWidth) * kImageHeight * 4)};
    const double fx = 0.004 + 0.0013 * layer, fy = 0.005 + 0.0009 * layer, phase = 0.7 * layer;
    for (int y = 0; y < kImageHeight; ++y) {
        uint8_t* px = &p.bytes[size_t(y) * kImageWidth * 4];
        for (int x = 0; x < kImageWidth; ++x, px += 4) {
            px[0] = uint8_t((x * 255 / kImageWidth + 60 * layer) & 255);
            px[1] = uint8_t((y * 255 / kImageHeight + 90 * layer) & 255);
            px[2] = uint8_t(((x + y) * 255 / (kImageWidth + kImageHeight) + 30 * layer) & 255);
            const double v = 0.5 + 0.5 * std::sin(x * fx + phase) * std::cos(y * fy - phase);
            px[3] = opaque ? 255 : uint8_t(255 * std::clamp((v - 0.3) * 2.2, 0.0, 1.0));
        }
    }
    return p;
}

// Builds the image through the exports: background plus the given modes above it.
void make_scene(const std::vector<const char*>& modes, bool opaque_uppers) {
    PTE_DeleteImage();
    PTE_CreateImage(nullptr, kImageWidth, kImageHeight, 64, 0);
    for (int i = 0; i <= int(modes.size()); ++i) {
        const int index = 1 + i;
        PTE_CreateLayer(index, kImageWidth, kImageHeight);
        PTE_SetLayerOptions(index, 1, 0, 100, i == 0 ? "Normal" : modes[size_t(i - 1)]);
        const Rgba32 p = layer_picture(i, i == 0 || opaque_uppers);
        PTE_LoadRGBA32Layer(p.bytes.data(), p.width * 4, index, 0, 0, p.width, p.height, 0);
    }
    PTE_SetLayer(1);
    PTE_SetViewSize(kViewWidth, kViewHeight);
}

// Share of the 1:1 view's pixels of each upper layer that are transparent, partial, opaque.
void count_coverage(benchmark::State& st, int layers) {
    double transparent = 0, opaque = 0, total = 0;
    std::vector<uint8_t> row(size_t(kImageWidth) * kImageHeight * 4);
    for (int index = 2; index < 2 + layers; ++index) {
        PTE_GetRGBA32Layer(row.data(), kImageWidth * 4, index);
        for (int y = 0; y < kViewHeight; ++y)
            for (int x = 0; x < kViewWidth; ++x) {
                const uint8_t a = row[(size_t(y) * kImageWidth + x) * 4 + 3];
                transparent += a == 0;
                opaque += a == 255;
                ++total;
            }
    }
    st.counters["transparent"] = transparent / total;
    st.counters["opaque"] = opaque / total;
    st.counters["partial"] = 1 - (transparent + opaque) / total;
}

std::vector<uint8_t> display() { return std::vector<uint8_t>(size_t(kDisplayPixels) * 3); }

// Arguments: numerator, denominator, threads; the request covers what
// fills the view.
void BM_Render4Layers(benchmark::State& st) {
    bench::use_threads(st, 2);
    make_scene({"Normal", "Multiply", "Screen"}, false);
    const int num = int(st.range(0)), den = int(st.range(1));
    PTE_SetScale(num, den);
    const int width = num >= den ? kViewWidth / num : kViewWidth * den;
    const int height = num >= den ? kViewHeight / num : kViewHeight * den;
    auto out = display();
    for (auto _ : st) {
        PTE_Render(out.data(), kViewWidth * 3, 0, 0, width, height);
        benchmark::ClobberMemory();
    }
    if (num == 1 && den == 1) count_coverage(st, 3);
    st.SetItemsProcessed(st.iterations() * kDisplayPixels);
    PTE_DeleteImage();
}

void BM_RenderOpaqueNormalStack(benchmark::State& st) {
    bench::use_threads(st, 0);
    make_scene({"Normal", "Normal", "Normal"}, true);
    PTE_SetScale(1, 1);
    auto out = display();
    for (auto _ : st) {
        PTE_Render(out.data(), kViewWidth * 3, 0, 0, kViewWidth, kViewHeight);
        benchmark::ClobberMemory();
    }
    st.SetItemsProcessed(st.iterations() * kDisplayPixels);
    PTE_DeleteImage();
}

// What the opaque stack reads (four layer rows of 1920 RGBA64 pixels per
// display row) copied into a one-row scratch, plus the display bytes written.
void BM_MemcpySameBytes(benchmark::State& st) {
    std::vector<std::vector<uint16_t>> layers(4, std::vector<uint16_t>(size_t(kImageWidth) * kImageHeight * 4, 1));
    std::vector<uint16_t> scratch(size_t(kViewWidth) * 4);
    std::vector<uint8_t> bytes(size_t(kViewWidth) * 3, 7);
    auto out = display();
    for (auto _ : st) {
        for (int y = 0; y < kViewHeight; ++y) {
            for (const auto& layer : layers)
                std::memcpy(scratch.data(), layer.data() + size_t(y) * kImageWidth * 4, size_t(kViewWidth) * 8);
            std::memcpy(out.data() + size_t(y) * kViewWidth * 3, bytes.data(), bytes.size());
            benchmark::ClobberMemory();
        }
    }
    st.SetItemsProcessed(st.iterations() * kDisplayPixels);
}

// ---- pixman ----

struct PixmanScene {
    std::vector<std::vector<uint32_t>> bits;  // background, then three layers
    std::vector<pixman_image_t*> images;
    std::vector<uint32_t> dst_bits;
    pixman_image_t* dst = nullptr;

    PixmanScene() : bits(4), dst_bits(size_t(kDisplayPixels)) {
        for (int i = 0; i < 4; ++i) {
            const Rgba32 p = layer_picture(i, i == 0);
            bits[i].resize(size_t(kDisplayPixels));
            for (int y = 0; y < kViewHeight; ++y)
                for (int x = 0; x < kViewWidth; ++x) {
                    const uint8_t* s = &p.bytes[(size_t(y) * kImageWidth + x) * 4];
                    const uint32_t a = s[3];
                    const auto pm = [a](uint32_t c) { return (c * a + 127) / 255; };
                    bits[i][size_t(y) * kViewWidth + x] = a << 24 | pm(s[0]) << 16 | pm(s[1]) << 8 | pm(s[2]);
                }
            images.push_back(pixman_image_create_bits(PIXMAN_a8r8g8b8, kViewWidth, kViewHeight, bits[i].data(),
                                                      kViewWidth * 4));
        }
        dst = pixman_image_create_bits(PIXMAN_a8r8g8b8, kViewWidth, kViewHeight, dst_bits.data(), kViewWidth * 4);
    }
    ~PixmanScene() {
        for (pixman_image_t* image : images) pixman_image_unref(image);
        pixman_image_unref(dst);
    }
    void composite(pixman_op_t op, pixman_image_t* src) {
        pixman_image_composite32(op, src, nullptr, dst, 0, 0, 0, 0, 0, 0, kViewWidth, kViewHeight);
    }
};

void BM_PixmanOver3Layers(benchmark::State& st) {
    PixmanScene scene;
    for (auto _ : st) {
        scene.composite(PIXMAN_OP_SRC, scene.images[0]);
        for (int i = 1; i < 4; ++i) scene.composite(PIXMAN_OP_OVER, scene.images[size_t(i)]);
        benchmark::ClobberMemory();
    }
    st.SetItemsProcessed(st.iterations() * kDisplayPixels);
}

// The same layers with the separable operators of their own modes.
void BM_PixmanOverMultiplyScreen(benchmark::State& st) {
    PixmanScene scene;
    for (auto _ : st) {
        scene.composite(PIXMAN_OP_SRC, scene.images[0]);
        scene.composite(PIXMAN_OP_OVER, scene.images[1]);
        scene.composite(PIXMAN_OP_MULTIPLY, scene.images[2]);
        scene.composite(PIXMAN_OP_SCREEN, scene.images[3]);
        benchmark::ClobberMemory();
    }
    st.SetItemsProcessed(st.iterations() * kDisplayPixels);
}

// ---- The blend step per mode ----

// One row of sources and destinations: random colour, alpha 0, 65535 or any.
std::vector<uint16_t> random_row(std::mt19937& rng, int pixels) {
    std::vector<uint16_t> row(size_t(pixels) * 4);
    for (size_t i = 0; i < row.size(); i += 4) {
        for (int c = 0; c < 3; ++c) row[i + size_t(c)] = uint16_t(rng() % 65281);
        const uint32_t kind = rng() % 4;
        row[i + 3] = kind == 0 ? 0 : kind == 1 ? 65535 : uint16_t(rng());
    }
    return row;
}

// The row is restored before each pass (a 15 KB copy) so every pass blends the same pixels.
void BM_BlendStep(benchmark::State& st) {
    constexpr int kPixels = 1920;
    const int32_t mode = int32_t(st.range(0));
    std::mt19937 rng(11);
    const auto src = random_row(rng, kPixels);
    const auto original = random_row(rng, kPixels);
    auto dst = original;
    const blend::Params params{mode, 200, false};
    for (auto _ : st) {
        std::memcpy(dst.data(), original.data(), dst.size() * 2);
        blend::blend_span(dst.data(), src.data(), nullptr, kPixels, params);
        benchmark::ClobberMemory();
    }
    st.SetLabel(mode == 20 ? "(20)" : engine::blend_mode_name(mode));
    st.SetItemsProcessed(st.iterations() * kPixels);
}

}  // namespace

BENCHMARK(BM_Render4Layers)
    ->ArgNames({"num", "den", "threads"})
    ->Args({1, 1, 1})
    ->Args({1, 1, 0})
    ->Args({3, 1, 1})
    ->Args({3, 1, 0})
    ->Args({1, 2, 1})
    ->Args({1, 2, 0})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PixmanOver3Layers)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PixmanOverMultiplyScreen)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderOpaqueNormalStack)->Apply(bench::one_and_all_threads)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemcpySameBytes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BlendStep)->DenseRange(0, 40)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
