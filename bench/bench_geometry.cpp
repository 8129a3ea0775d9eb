// Resampling and quarter turns of the imaging library beside OpenCV's own
// resize on the same buffers, and memcpy of the same bytes as the floor of
// any turn or flip.
//
// The last argument is the thread count (0: the task pool's own size); the
// library gives OpenCV's loops the pool's size, so the peer runs at the
// same count.
#include <benchmark/benchmark.h>

#include <cstring>
#include <opencv2/imgproc.hpp>
#include <random>
#include <vector>

#include "paintcore.h"
#include "platform/imglib/geometry.h"
#include "platform/imglib/init.h"
#include "platform/imglib/picture.h"
#include "platform/imglib/resample.h"
#include "thread_counts.h"

namespace {

constexpr uint32_t kBigW = 3840, kBigH = 2160, kSmallW = 1920, kSmallH = 1080;
constexpr uint32_t kTurnSide = 4096;

// A photo-like RGBA32 picture: smooth gradients with noise on top.
std::vector<uint8_t> picture(uint32_t w, uint32_t h) {
    std::vector<uint8_t> p(size_t(w) * h * 4);
    std::mt19937 rng(11);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            uint8_t* px = &p[(size_t(y) * w + x) * 4];
            px[0] = uint8_t((x * 255 / w + rng() % 16) & 255);
            px[1] = uint8_t((y * 255 / h + rng() % 16) & 255);
            px[2] = uint8_t(((x + y) / 8 + rng() % 16) & 255);
            px[3] = uint8_t(200 + rng() % 56);
        }
    return p;
}

// Which resampler a benchmark runs, ours by filter name and OpenCV's nearest equivalent.
enum Method { kLanczos3, kBicubic, kBilinear, kAreaAverage };

int opencv_interpolation(Method m) {
    switch (m) {
        case kLanczos3: return cv::INTER_LANCZOS4;
        case kBicubic: return cv::INTER_CUBIC;
        case kBilinear: return cv::INTER_LINEAR;
        case kAreaAverage: return cv::INTER_AREA;
    }
    return cv::INTER_LINEAR;
}

bool ours(Method m, const uint8_t* src, uint32_t w, uint32_t h, uint8_t* dst, uint32_t nw, uint32_t nh) {
    switch (m) {
        case kLanczos3:
            return imglib::IS3ResizeFilterImage(src, w, h, w * 4, dst, nw, nh, nw * 4, 4, imglib::kFilterLanczos3);
        case kBicubic: return imglib::IS3ResizeImageBicubic(src, w, h, w * 4, dst, nw, nh, nw * 4, 4);
        case kBilinear: return imglib::IS3ResizeImage(src, w, h, w * 4, dst, nw, nh, nw * 4, 4);
        case kAreaAverage:
            return imglib::IS3DecimateImage(src, w, h, w * 4, dst, nw, nh, nw * 4, 4, imglib::kDecimateAverage);
    }
    return false;
}

// Arguments: method, then 0 for 3840x2160 -> 1920x1080, 1 for back up.
void sizes(const benchmark::State& st, uint32_t& w, uint32_t& h, uint32_t& nw, uint32_t& nh) {
    const bool down = st.range(1) == 0;
    w = down ? kBigW : kSmallW;
    h = down ? kBigH : kSmallH;
    nw = down ? kSmallW : kBigW;
    nh = down ? kSmallH : kBigH;
}

void BM_Resize_Ours(benchmark::State& st) {
    bench::use_threads(st, 2);
    imglib::IS3Initialize();
    uint32_t w, h, nw, nh;
    sizes(st, w, h, nw, nh);
    const auto src = picture(w, h);
    std::vector<uint8_t> dst(size_t(nw) * nh * 4);
    for (auto _ : st) {
        if (!ours(Method(st.range(0)), src.data(), w, h, dst.data(), nw, nh)) st.SkipWithError("resize failed");
        benchmark::ClobberMemory();
    }
    st.SetItemsProcessed(st.iterations() * int64_t(nw) * nh);
}

void BM_Resize_OpenCV(benchmark::State& st) {
    bench::use_threads(st, 2);
    imglib::detail::match_pool_threads();
    imglib::IS3Initialize();
    uint32_t w, h, nw, nh;
    sizes(st, w, h, nw, nh);
    auto src = picture(w, h);
    std::vector<uint8_t> dst(size_t(nw) * nh * 4);
    const cv::Mat in(int(h), int(w), CV_8UC4, src.data());
    cv::Mat out(int(nh), int(nw), CV_8UC4, dst.data());
    const int interpolation = opencv_interpolation(Method(st.range(0)));
    for (auto _ : st) {
        cv::resize(in, out, out.size(), 0, 0, interpolation);
        benchmark::ClobberMemory();
    }
    st.SetItemsProcessed(st.iterations() * int64_t(nw) * nh);
}

void resize_args(benchmark::internal::Benchmark* b) {
    b->ArgNames({"method", "up", "threads"});
    for (int m : {kLanczos3, kBicubic, kBilinear, kAreaAverage})
        for (int up : {0, 1})
            for (int threads : {1, 0}) b->Args({m, up, threads});
    b->Unit(benchmark::kMillisecond);
}

// Every kernel of the filtered resampler on the same pictures, for the
// spread between the narrow ones (Box, Triangle) and the wide ones (Sinc).
void BM_ResizeFilter_Ours(benchmark::State& st) {
    parallel::set_thread_count(1);  // the kernels compared on one thread
    uint32_t w, h, nw, nh;
    sizes(st, w, h, nw, nh);
    const auto src = picture(w, h);
    std::vector<uint8_t> dst(size_t(nw) * nh * 4);
    const uint32_t filter = uint32_t(st.range(0));
    for (auto _ : st) {
        if (!imglib::IS3ResizeFilterImage(src.data(), w, h, w * 4, dst.data(), nw, nh, nw * 4, 4, filter))
            st.SkipWithError("resize failed");
        benchmark::ClobberMemory();
    }
    st.SetItemsProcessed(st.iterations() * int64_t(nw) * nh);
}

void filter_args(benchmark::internal::Benchmark* b) {
    b->ArgNames({"filter", "up"});
    for (int f = 0; f < int(imglib::kFilterCount); ++f)
        for (int up : {0, 1}) b->Args({f, up});
    b->Unit(benchmark::kMillisecond);
}

void BM_QuarterTurn_Ours(benchmark::State& st) {
    bench::use_threads(st, 0);
    const auto src = picture(kTurnSide, kTurnSide);
    std::vector<uint8_t> dst(src.size());
    for (auto _ : st) {
        imglib::IS3QuickRotateImage(src.data(), kTurnSide, kTurnSide, kTurnSide * 4, dst.data(), kTurnSide * 4, 4,
                                    imglib::kRotateRight);
        benchmark::ClobberMemory();
    }
    st.SetBytesProcessed(st.iterations() * int64_t(src.size()));
}

void BM_FlipHorizontal_Ours(benchmark::State& st) {
    bench::use_threads(st, 0);
    auto picture_ = picture(kTurnSide, kTurnSide);
    for (auto _ : st) {
        imglib::IS3HorizontalFlipImage(picture_.data(), kTurnSide, kTurnSide, 4, kTurnSide * 4);
        benchmark::ClobberMemory();
    }
    st.SetBytesProcessed(st.iterations() * int64_t(picture_.size()));
}

void BM_Memcpy_SameBytes(benchmark::State& st) {
    const auto src = picture(kTurnSide, kTurnSide);
    std::vector<uint8_t> dst(src.size());
    for (auto _ : st) {
        std::memcpy(dst.data(), src.data(), src.size());
        benchmark::ClobberMemory();
    }
    st.SetBytesProcessed(st.iterations() * int64_t(src.size()));
}

// The whole export: every layer read, turned and rebuilt (one 4096 x 4096 layer).
void BM_QuarterTurn_Layer(benchmark::State& st) {
    bench::use_threads(st, 0);
    PTE_CreateImage(nullptr, kTurnSide, kTurnSide, 16, 0);
    PTE_CreateLayer(1, kTurnSide, kTurnSide);
    PTE_SetLayerOptions(1, 1, 0, 100, "Normal");
    // A square layer stays at the image's size, so every turn finds it again.
    for (auto _ : st) PTE_IPLRotateRight();
    st.SetBytesProcessed(st.iterations() * int64_t(kTurnSide) * kTurnSide * 8);
    PTE_DeleteImage();
}

}  // namespace

BENCHMARK(BM_Resize_Ours)->Apply(resize_args);
BENCHMARK(BM_Resize_OpenCV)->Apply(resize_args);
BENCHMARK(BM_ResizeFilter_Ours)->Apply(filter_args);
BENCHMARK(BM_QuarterTurn_Ours)->Apply(bench::one_and_all_threads)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FlipHorizontal_Ours)->Apply(bench::one_and_all_threads)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Memcpy_SameBytes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QuarterTurn_Layer)->Apply(bench::one_and_all_threads)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
