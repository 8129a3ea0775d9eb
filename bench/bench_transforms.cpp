// Transforms, warps and script effects of the imaging library on a
// 1920 x 1080 picture, beside OpenCV's remap with a map of the same size
// computed beforehand: the floor of any inverse-mapped warp, which must
// also build its map.
//
// Both sides run on one thread: the library keeps OpenCV on the caller's
// thread (the engine starts no thread), which holds for the peer calls in
// this process too.
#include <benchmark/benchmark.h>

#include <cmath>
#include <opencv2/imgproc.hpp>
#include <random>
#include <string>
#include <vector>

#include "platform/imglib/channels.h"
#include "platform/imglib/effect_script.h"
#include "platform/imglib/geometry.h"
#include "platform/imglib/init.h"
#include "platform/imglib/transform.h"

namespace {

constexpr int kW = 1920, kH = 1080;

// A photo-like RGBA32 picture: smooth gradients with noise on top.
std::vector<uint8_t> picture() {
    std::vector<uint8_t> p(size_t(kW) * kH * 4);
    std::mt19937 rng(7);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            uint8_t* px = &p[(size_t(y) * kW + x) * 4];
            px[0] = uint8_t((x * 255 / kW + rng() % 16) & 255);
            px[1] = uint8_t((y * 255 / kH + rng() % 16) & 255);
            px[2] = uint8_t(((x + y) / 8 + rng() % 16) & 255);
            px[3] = 255;
        }
    return p;
}

// The peer's map: every point displaced by a few pixels along waves, so
// that every sample falls between pixels, as a warp's do.
cv::Mat peer_map() {
    cv::Mat map(kH, kW, CV_32FC2);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
            map.at<cv::Vec2f>(y, x) = cv::Vec2f(float(x + 6 * std::sin(y * 0.02)), float(y + 6 * std::sin(x * 0.03)));
    return map;
}

void BM_Remap_PeerFloatMap(benchmark::State& st) {
    imglib::IS3Initialize();
    const auto src = picture();
    std::vector<uint8_t> dst(src.size());
    const cv::Mat in(kH, kW, CV_8UC4, const_cast<uint8_t*>(src.data())), map = peer_map();
    cv::Mat out(kH, kW, CV_8UC4, dst.data());
    for (auto _ : st) {
        cv::remap(in, out, map, cv::noArray(), cv::INTER_LINEAR, cv::BORDER_CONSTANT);
        benchmark::DoNotOptimize(dst.data());
    }
    st.SetItemsProcessed(st.iterations() * kW * kH);
}

// The same with the map turned beforehand into OpenCV's own fixed-point
// form, which remap otherwise makes band by band.
void BM_Remap_PeerFixedMap(benchmark::State& st) {
    imglib::IS3Initialize();
    const auto src = picture();
    std::vector<uint8_t> dst(src.size());
    const cv::Mat in(kH, kW, CV_8UC4, const_cast<uint8_t*>(src.data()));
    cv::Mat fixed, fractions;
    cv::convertMaps(peer_map(), cv::noArray(), fixed, fractions, CV_16SC2);
    cv::Mat out(kH, kW, CV_8UC4, dst.data());
    for (auto _ : st) {
        cv::remap(in, out, fixed, fractions, cv::INTER_LINEAR, cv::BORDER_CONSTANT);
        benchmark::DoNotOptimize(dst.data());
    }
    st.SetItemsProcessed(st.iterations() * kW * kH);
}

void BM_Ripple(benchmark::State& st) {
    imglib::IS3Initialize();
    const auto src = picture();
    std::vector<uint8_t> dst(src.size());
    for (auto _ : st) {
        imglib::ISE3ClearAllTransforms();
        imglib::ISE3AddRippleTransform(kW, kH, kW / 2, 50, 50, 0, 0, imglib::kEdgeBackground);
        imglib::ISE3TransformProcess(src.data(), dst.data(), kW, kH, 4, imglib::kTransformSmooth, 0);
        benchmark::DoNotOptimize(dst.data());
    }
    st.SetItemsProcessed(st.iterations() * kW * kH);
}

// "Perspective" with its sides pinched by 20, 10, 20 and 10 percent.
void BM_Perspective(benchmark::State& st) {
    imglib::IS3Initialize();
    const auto src = picture();
    std::vector<uint8_t> dst(src.size(), 0);
    const int h1 = kH / 5, w2 = kW / 10, h3 = kH / 5, w4 = kW / 10;
    const imglib::ISPoint from[4] = {{0, kH - 1}, {0, 0}, {kW - 1, 0}, {kW - 1, kH - 1}};
    const imglib::ISPoint to[4] = {{w4, kH - 1 - h1}, {w2, h1}, {kW - 1 - w2, h3}, {kW - 1 - w4, kH - 1 - h3}};
    for (auto _ : st) {
        imglib::IS3PolygonWarpImage(src.data(), kW, kH, kW * 4, dst.data(), kW, kH, kW * 4, from, to, 32, 0, 0,
                                    imglib::kWarpSmooth);
        benchmark::DoNotOptimize(dst.data());
    }
    st.SetItemsProcessed(st.iterations() * kW * kH);
}

// One script effect over the picture in place, as a caller runs it: the
// module copies the picture, runs the effect and takes the result back.
void run_effect(benchmark::State& st, int32_t effect, std::initializer_list<std::pair<int32_t, int32_t>> values) {
    imglib::IS3Initialize();
    const auto src = picture();
    std::vector<uint8_t> work(src.size());
    for (auto _ : st) {
        st.PauseTiming();
        work = src;
        st.ResumeTiming();
        imglib::ISL_Initialize();
        imglib::ISL_AddEffect(effect, 1);
        for (auto [k, v] : values) imglib::ISL_SetEffectValue(0, k, v);
        imglib::ISL_ExecuteScriptOnImage(work.data(), kW, kH);
        imglib::ISL_Finish();
        benchmark::DoNotOptimize(work.data());
    }
    st.SetItemsProcessed(st.iterations() * kW * kH);
}

void BM_Twirl(benchmark::State& st) { run_effect(st, 6, {{3, 200}, {4, 100}, {5, 100}, {7, 0}}); }
void BM_Kaleidoscope(benchmark::State& st) { run_effect(st, 49, {{3, kW / 2}, {4, kH / 2}, {5, 4}, {6, 0}}); }
void BM_Plasma(benchmark::State& st) { run_effect(st, 5, {{3, 1}, {4, 250}, {12, 1}, {11, 12}}); }

// A shipped background script rendered at its size, turned to RGBA and
// tiled over the picture, as the background effects do.
void BM_BackgroundsNature(benchmark::State& st) {
    imglib::IS3Initialize();
    const std::string path = std::string(PAINTCORE_SOURCE_DIR) + "/examples/scripts/nature/clouds.fxs";
    std::vector<uint8_t> dst(size_t(kW) * kH * 4);
    for (auto _ : st) {
        imglib::ISL_Initialize();
        imglib::ISLScriptHeader header{};
        if (imglib::ISL_LoadScriptFromFile(path.c_str()) && imglib::ISL_InitBuffers() &&
            imglib::ISL_ReadScriptHeaderFromFile(path.c_str(), &header)) {
            const uint32_t w = uint32_t(header.width), h = uint32_t(header.height);
            std::vector<uint8_t> tile(size_t(w) * h * 4);
            imglib::ISL_ExecuteScript(tile.data());
            imglib::IS3RGBAToBGRA(tile.data(), w, h, w * 4);
            for (uint32_t y = 0; y < uint32_t(kH); y += h)
                for (uint32_t x = 0; x < uint32_t(kW); x += w)
                    imglib::IS3OverlayImage(dst.data(), kW, kH, 4, kW * 4, tile.data(), w, h, w * 4, int32_t(x),
                                            int32_t(y), 1.0, 0);
        } else {
            st.SkipWithError("the script did not load");
        }
        imglib::ISL_Finish();
        benchmark::DoNotOptimize(dst.data());
    }
    st.SetItemsProcessed(st.iterations() * kW * kH);
}

}  // namespace

BENCHMARK(BM_Remap_PeerFloatMap)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Remap_PeerFixedMap)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Ripple)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Twirl)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Perspective)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Kaleidoscope)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Plasma)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BackgroundsNature)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
