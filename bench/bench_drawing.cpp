// The paint bucket and the magic wand over a 4096 x 4096 picture with one
// large region, beside OpenCV's floodFill alone on the same picture (RGB,
// the same per-channel range, four neighbours); and 100 characters of text
// and a radial gradient of four stops on 1920 x 1080, each by the imaging
// library alone and through the engine's call.
//
// The engine's calls do all of their work: the layer read into the working
// buffer, the marker colour searched, the region flooded, the marker
// replaced and the result loaded through the mask into the 16-bit layer.
// floodFill alone does the flood only. Both run on one thread.
#include <benchmark/benchmark.h>

#include <opencv2/imgproc.hpp>
#include <random>
#include <string>
#include <vector>

#include "paintcore.h"
#include "platform/imglib/draw.h"
#include "platform/imglib/flood.h"
#include "platform/imglib/gradient.h"
#include "platform/imglib/text.h"

namespace {

constexpr int kSide = 4096;
// Tolerance 2000 of 50000: each channel may differ by 10.
constexpr int32_t kTolerance = 2000;
constexpr int kChannelRange = 10;
constexpr int kSeedX = 5, kSeedY = 5;

// A paper colour with a little noise and dark rings on it: the paper
// around the rings is one region over most of the picture.
const std::vector<uint8_t>& region_picture() {
    static const std::vector<uint8_t> p = [] {
        std::vector<uint8_t> rgba(size_t(kSide) * kSide * 4);
        std::mt19937 rng(7);
        for (size_t i = 0; i < size_t(kSide) * kSide; ++i) {
            uint8_t* px = &rgba[i * 4];
            px[0] = uint8_t(200 + rng() % 5);
            px[1] = uint8_t(180 + rng() % 5);
            px[2] = uint8_t(160 + rng() % 5);
            px[3] = 255;
        }
        cv::Mat m(kSide, kSide, CV_8UC4, rgba.data());
        for (int i = 0; i < 300; ++i) {
            const cv::Point centre(int(rng() % kSide), int(rng() % kSide));
            cv::circle(m, centre, int(20 + rng() % 120), cv::Scalar(30, 30, 30, 255), 3);
        }
        return rgba;
    }();
    return p;
}

cv::Mat region_picture_rgb() {
    cv::Mat rgba(kSide, kSide, CV_8UC4, const_cast<uint8_t*>(region_picture().data())), rgb;
    cv::cvtColor(rgba, rgb, cv::COLOR_RGBA2RGB);
    return rgb;
}

void make_image(int w, int h) {
    PTE_CreateImage(nullptr, w, h, 64, 0);
    PTE_CreateLayer(1, w, h);
    PTE_SetLayerOptions(1, 1, 0, 100, "Normal");
    PTE_SetLayer(1);
    PTE_IPLInit();
}

void BM_PaintConnected_Ours(benchmark::State& st) {
    make_image(kSide, kSide);
    PTE_LoadRGBA32(region_picture().data(), kSide * 4, 0);
    std::vector<uint16_t> pristine(size_t(kSide) * kSide * 4);
    PTE_GetLayerData(pristine.data(), 1);
    for (auto _ : st) {
        PTE_IPLFloodFill(40, 90, 200, kSeedX, kSeedY, kTolerance, "Paint Connected");
        st.PauseTiming();
        PTE_SetLayerData(pristine.data(), 1);
        st.ResumeTiming();
    }
    st.SetItemsProcessed(st.iterations() * int64_t(kSide) * kSide);
    PTE_DeleteImage();
}

void BM_MaskWandConnected_Ours(benchmark::State& st) {
    make_image(kSide, kSide);
    PTE_LoadRGBA32(region_picture().data(), kSide * 4, 0);
    for (auto _ : st) PTE_IPLMaskWand(kSeedX, kSeedY, kTolerance, 0, "Connected");
    st.SetItemsProcessed(st.iterations() * int64_t(kSide) * kSide);
    PTE_DeleteImage();
}

// The imaging library's flood of the RGBA32 picture alone, the engine's steps around it left out.
void BM_LibraryFlood_Ours(benchmark::State& st) {
    std::vector<uint8_t> picture = region_picture();
    const std::vector<uint8_t>& pristine = region_picture();
    for (auto _ : st) {
        imglib::IS3FloodFillImage(picture.data(), kSide, kSide, 4, kSide * 4, kSeedX, kSeedY, 0x123456, 1,
                                  kTolerance * 195075 / 50000, 0);
        st.PauseTiming();
        picture = pristine;
        st.ResumeTiming();
    }
    st.SetItemsProcessed(st.iterations() * int64_t(kSide) * kSide);
}

void BM_FloodFill_OpenCV(benchmark::State& st) {
    const cv::Mat pristine = region_picture_rgb();
    cv::Mat picture = pristine.clone();
    const cv::Scalar range(kChannelRange, kChannelRange, kChannelRange);
    int filled = 0;
    for (auto _ : st) {
        filled = cv::floodFill(picture, cv::Point(kSeedX, kSeedY), cv::Scalar(200, 90, 40), nullptr, range, range,
                               4 | cv::FLOODFILL_FIXED_RANGE);
        st.PauseTiming();
        pristine.copyTo(picture);
        st.ResumeTiming();
    }
    st.SetItemsProcessed(st.iterations() * int64_t(kSide) * kSide);
    st.SetLabel("region of " + std::to_string(filled) + " pixels");
}

// 100 characters: kerning pairs, ligatures, a plain tail.
const std::string kText =
    "The quick brown fox jumps over the lazy dog; kerning AV, ligatures fi fl, and a tail of plain words!";

// The text alone, drawn by the imaging library into a 1920 x 1080 picture.
void BM_Text100_Library(benchmark::State& st) {
    std::vector<uint8_t> picture(size_t(1920) * 1080 * 4, 0);
    imglib::FontRecord font{};
    font.height = -32;
    for (auto _ : st)
        benchmark::DoNotOptimize(imglib::IS40_DrawSmoothTextOnRGBA2(picture.data(), 1920, 1080, 1920 * 4,
                                                                    kText.c_str(), &font, imglib::kSmoothEdges,
                                                                    {40, 500, 1920, 1080}, 0, 0, 0xFF5A1E14));
    st.SetLabel(std::to_string(kText.size()) + " characters");
}

// The whole call: the layer read into the working buffer, premultiplied,
// drawn on, divided out and loaded back through the mask.
void BM_Text100_Ours(benchmark::State& st) {
    make_image(1920, 1080);
    PTE_IPLAllocSrcBuffer32();
    imglib::FontRecord record{};
    record.height = -32;  // 32-pixel characters
    PTE_SetFontRecord(&record);
    for (auto _ : st) benchmark::DoNotOptimize(PTE_IPLText(20, 30, 90, 40, 500, 0, 0, 0, 0, kText.c_str(), 1));
    st.SetLabel(std::to_string(kText.size()) + " characters");
    PTE_IPLFreeSrcBuffer32();
    PTE_DeleteImage();
}

// The gradient alone, rendered by the imaging library into a 1920 x 1080 picture.
void BM_RadialGradient4_Library(benchmark::State& st) {
    std::vector<uint8_t> picture(size_t(1920) * 1080 * 4);
    const uint8_t stops[16] = {40, 40, 250, 0, 40, 220, 250, 0, 90, 180, 40, 0, 220, 60, 40, 0};
    const double positions[4] = {0, 33, 66, 99};
    for (auto _ : st)
        imglib::ISE3GradientFillImageRadial(picture.data(), 1920, 1080, 1920 * 4, 640, 960, 540, stops, positions, 4, 0,
                                            0, 1.0);
    st.SetItemsProcessed(st.iterations() * 1920 * 1080);
}

// The whole call: rendered into the working buffer, alpha inverted, merged.
void BM_RadialGradient4_Ours(benchmark::State& st) {
    make_image(1920, 1080);
    for (auto _ : st)
        PTE_IPLGradient(250, 40, 40, 250, 220, 40, 40, 180, 90, 40, 60, 220, 4, 960, 540, 1500, 900, "Radial");
    st.SetItemsProcessed(st.iterations() * 1920 * 1080);
    PTE_DeleteImage();
}

}  // namespace

BENCHMARK(BM_PaintConnected_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MaskWandConnected_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibraryFlood_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FloodFill_OpenCV)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Text100_Library)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Text100_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RadialGradient4_Library)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RadialGradient4_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
