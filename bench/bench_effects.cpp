// Named effects through PTE_IPLImageProcess on a 1920 x 1080 layer (the
// layer read into the working buffers, premultiplied where the route says,
// the effect, and the load back through the mask, all timed), each beside
// OpenCV's own call for the same operation on the same picture. The
// argument is OpenCV's thread count for both: 1, or 0 for every core.
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <cstring>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <random>
#include <vector>
#if defined(PAINTCORE_BENCH_XPHOTO)
#include <opencv2/xphoto.hpp>
#endif

#include "engine/engine_state.h"
#include "paintcore.h"

namespace {

constexpr int kWidth = 1920, kHeight = 1080;

// A picture of runs of similar colours, as photographs and paintings have.
const std::vector<uint8_t>& picture() {
    static const std::vector<uint8_t> p = [] {
        std::mt19937 gen(5);
        std::vector<uint8_t> v(size_t(kWidth) * kHeight * 4);
        uint8_t run[4] = {};
        for (size_t i = 0; i < v.size(); i += 4) {
            if (gen() % 8 == 0)
                for (uint8_t& c : run) c = uint8_t(gen());
            for (int c = 0; c < 3; ++c) v[i + size_t(c)] = uint8_t(run[c] + gen() % 4);
            v[i + 3] = 255;
        }
        return v;
    }();
    return p;
}

// OpenCV's thread count for the run: the argument, or every core for 0.
void use_threads(const benchmark::State& state) {
    PTE_IPLInit();  // the library's own set-up runs first and would set its own count
    cv::setNumThreads(state.range(0) == 0 ? cv::getNumberOfCPUs() : int(state.range(0)));
}

struct Image {
    Image() {
        PTE_CreateImage(nullptr, kWidth, kHeight, 64, 0);
        PTE_CreateLayer(1, kWidth, kHeight);
        PTE_SetLayerOptions(1, 1, 0, 100, "Normal");
        PTE_SetLayer(1);
        PTE_LoadRGBA32(picture().data(), kWidth * 4, 0);
        layer.assign(engine::state().layers[1].pixels.data(),
                     engine::state().layers[1].pixels.data() + size_t(kWidth) * kHeight * 4);
        PTE_IPLAllocSrcBuffer32();
        PTE_IPLAllocDstBuffer32();
    }
    ~Image() { PTE_DeleteImage(); }
    // Puts the layer back as it was, outside the timing.
    void restore() { std::memcpy(engine::state().layers[1].pixels.data(), layer.data(), layer.size() * 2); }
    std::vector<uint16_t> layer;
};

void run_ours(benchmark::State& state, const char* name, std::array<int32_t, 6> p) {
    use_threads(state);
    Image image;
    for (auto _ : state) {
        PTE_IPLImageProcess(0, name, 1, p[0], p[1], p[2], p[3], p[4], p[5], 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, nullptr);
        state.PauseTiming();
        image.restore();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

template <class Body>
void run_peer(benchmark::State& state, int type, Body body) {
    use_threads(state);
    cv::Mat in(kHeight, kWidth, CV_8UC4, const_cast<uint8_t*>(picture().data())), src, dst;
    if (type == CV_8UC3)
        cv::cvtColor(in, src, cv::COLOR_RGBA2RGB);
    else
        src = in.clone();
    for (auto _ : state) {
        body(src, dst);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

// p1 = 500: standard deviation 20.6.
void BM_GaussianBlur(benchmark::State& s) { run_ours(s, "Gaussian Blur", {500}); }
void BM_PeerGaussianBlur(benchmark::State& s) {
    run_peer(s, CV_8UC4, [](const cv::Mat& a, cv::Mat& b) {
        const double sigma = 20.6;
        const int side = 2 * int(std::ceil(3 * sigma)) + 1;
        cv::GaussianBlur(a, b, cv::Size(side, side), sigma, sigma, cv::BORDER_REPLICATE);
    });
}

// Horizontal, 10 pixels, the whole of the blur.
void BM_MotionBlur(benchmark::State& s) { run_ours(s, "Motion Blur", {500, 500, 1000}); }
void BM_PeerMotionBlur(benchmark::State& s) {
    const cv::Mat kernel = cv::Mat::ones(1, 11, CV_32F) / 11.0f;
    run_peer(s, CV_8UC4, [&](const cv::Mat& a, cv::Mat& b) {
        cv::filter2D(a, b, -1, kernel, cv::Point(-1, -1), 0, cv::BORDER_REPLICATE);
    });
}

// Threshold 0, amount 0.5, radius 2.2, one pass, on the colour.
void BM_UnsharpMask(benchmark::State& s) { run_ours(s, "Unsharp Mask", {0, 500, 500, 0}); }
void BM_PeerUnsharpMask(benchmark::State& s) {
    run_peer(s, CV_8UC3, [](const cv::Mat& a, cv::Mat& b) {
        cv::Mat blurred;
        cv::GaussianBlur(a, blurred, cv::Size(15, 15), 2.2, 2.2, cv::BORDER_REPLICATE);
        cv::addWeighted(a, 1.5, blurred, -0.5, 0, b);
    });
}

// Radius 10: a 21 x 21 window.
void BM_Median(benchmark::State& s) { run_ours(s, "Median", {500}); }
void BM_PeerMedian(benchmark::State& s) {
    run_peer(s, CV_8UC4, [](const cv::Mat& a, cv::Mat& b) { cv::medianBlur(a, b, 21); });
}

// Brush radius 7, 127 intensity levels.
void BM_OilPaint(benchmark::State& s) { run_ours(s, "Oil Paint", {500, 500}); }
#if defined(PAINTCORE_BENCH_XPHOTO)
void BM_PeerOilPaint(benchmark::State& s) {
    run_peer(s, CV_8UC3, [](const cv::Mat& a, cv::Mat& b) { cv::xphoto::oilPainting(a, b, 7, 2); });
}
#endif

// Into the full range, every channel.
void BM_HistogramEqualize(benchmark::State& s) { run_ours(s, "Histogram Equalize", {0, 1000}); }
void BM_PeerHistogramEqualize(benchmark::State& s) {
    run_peer(s, CV_8UC4, [](const cv::Mat& a, cv::Mat& b) {
        std::vector<cv::Mat> planes;
        cv::split(a, planes);
        for (cv::Mat& plane : planes) cv::equalizeHist(plane, plane);
        cv::merge(planes, b);
    });
}

// Standard deviation 100 levels on each colour channel.
void BM_AddGaussianNoise(benchmark::State& s) { run_ours(s, "Add Gaussian Noise", {500}); }
void BM_PeerAddGaussianNoise(benchmark::State& s) {
    cv::Mat noise(kHeight, kWidth, CV_16SC4);
    run_peer(s, CV_8UC4, [&](const cv::Mat& a, cv::Mat& b) {
        cv::randn(noise, cv::Scalar::all(0), cv::Scalar(100, 100, 100, 0));
        cv::add(a, noise, b, cv::noArray(), CV_8U);
    });
}

}  // namespace

#define EFFECT_PAIR(name)                                                                        \
    BENCHMARK(BM_##name)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();          \
    BENCHMARK(BM_Peer##name)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime()

EFFECT_PAIR(GaussianBlur);
EFFECT_PAIR(MotionBlur);
EFFECT_PAIR(UnsharpMask);
EFFECT_PAIR(Median);
EFFECT_PAIR(HistogramEqualize);
EFFECT_PAIR(AddGaussianNoise);
BENCHMARK(BM_OilPaint)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
#if defined(PAINTCORE_BENCH_XPHOTO)
BENCHMARK(BM_PeerOilPaint)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
#endif
BENCHMARK_MAIN();
