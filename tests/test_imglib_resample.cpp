// The imaging library's resamplers: kernels, weights, exactness, edges,
// clamping, 16-bit pictures, the SSE2 passes and bad input.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "platform/imglib/resample.h"
#include "platform/imglib/resample_kernels.h"
#include "platform/parallel.h"

using imglib::detail::AxisWeights;
using imglib::detail::resize_kernel;

namespace {

std::vector<uint8_t> random_bytes(size_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> v(n);
    // A third of the values at the ends of the range, where clamping acts.
    for (auto& b : v) {
        const uint32_t r = rng() % 3;
        b = r == 0 ? uint8_t(rng() % 2 ? 255 : 0) : uint8_t(rng());
    }
    return v;
}

struct Size {
    uint32_t from, to;
};
// Reductions and enlargements, exact and awkward ratios, and the extremes.
constexpr Size kSizes[] = {{5, 3},  {3, 5},  {100, 7}, {7, 100},     {16, 8},      {8, 16},  {17, 16},   {16, 17},
                           {10, 1}, {1, 10}, {1, 1},   {3840, 1920}, {1920, 3840}, {600, 1}, {10000, 1}, {10000, 3}};

}  // namespace

TEST(ResizeKernels, ValuesAtKnownPoints) {
    // Each filter number reaches its own kernel: values worked out by hand.
    struct Row {
        uint32_t filter;
        double x, value, support;
    };
    const double pi = std::acos(-1.0);
    const Row rows[] = {
        {0, 0.49, 1.0, 0.5},   // Box: 1 inside half a pixel
        {0, -0.5, 1.0, 0.5},   // ... the left edge included
        {0, 0.5, 0.0, 0.5},    // ... the right one not
        {1, 0.25, 0.75, 1.0},  // Triangle
        {2, 0.0, 1.0, 3.0},    // Hamming window on sinc
        {2, 1.5, std::sin(1.5 * pi) / (1.5 * pi) * (0.54 + 0.46 * std::cos(0.5 * pi)), 3.0},
        {3, 0.5, std::exp(-0.5), 1.5},  // Gaussian exp(-2x^2)
        {4, 0.0, 0.75, 1.5},            // Bell
        {4, 1.0, 0.125, 1.5},
        {5, 0.0, 2.0 / 3.0, 2.0},  // B-Spline
        {5, 1.0, 1.0 / 6.0, 2.0},
        {6, 0.5, 0.625, 2.0},  // Cubic 1 (a = -1)
        {6, 1.5, -0.125, 2.0},
        {7, 0.5, 0.59375, 2.0},                                         // Cubic 2 (a = -0.75)
        {8, 0.5, (2.0 / pi) * (std::sin(pi / 6.0) / (pi / 6.0)), 3.0},  // Lanczos3
        {8, 1.0, 0.0, 3.0},
        {9, 0.0, 8.0 / 9.0, 2.0},  // Mitchell
        {9, 1.0, 1.0 / 18.0, 2.0},
        {10, 0.5, 2.0 / pi, 4.0},  // Sinc
        {10, 3.5, -2.0 / (7.0 * pi), 4.0},
        {11, 0.5, 0.5, 1.0},                                                                 // Hermite
        {12, 1.5, std::sin(1.5 * pi) / (1.5 * pi) * (0.5 + 0.5 * std::cos(0.5 * pi)), 3.0},  // Hanning
        {13, 0.5, 0.5625, 2.0},                                                              // Catrom
        {13, 1.5, -0.0625, 2.0},
    };
    for (const Row& r : rows) {
        const auto* k = resize_kernel(r.filter);
        ASSERT_NE(k, nullptr) << r.filter;
        EXPECT_NEAR(k->value(r.x), r.value, 1e-12) << "filter " << r.filter << " at " << r.x;
        if (r.filter != imglib::kFilterBox) {
            EXPECT_NEAR(k->value(-r.x), r.value, 1e-12) << "symmetric " << r.filter;
        }
        EXPECT_EQ(k->support, r.support) << r.filter;
        EXPECT_EQ(k->value(r.support + 0.01), 0.0) << "filter " << r.filter << " beyond its support";
    }
    EXPECT_EQ(resize_kernel(imglib::kFilterCount), nullptr);
}

TEST(ResizeKernels, WeightsSumToOneAndStayInside) {
    for (uint32_t f = 0; f < imglib::kFilterCount; ++f) {
        for (const Size s : kSizes) {
            AxisWeights w;
            ASSERT_TRUE(imglib::detail::axis_weights(s.from, s.to, *resize_kernel(f), w));
            ASSERT_EQ(w.first.size(), s.to);
            ASSERT_GE(w.precision, 8) << "too coarse for 8-bit output";
            ASSERT_LE(w.precision, imglib::detail::kMaxWeightPrecision);
            for (uint32_t i = 0; i < s.to; ++i) {
                ASSERT_GE(w.first[i], 0);
                ASSERT_GE(w.count[i], 1);
                ASSERT_LE(w.count[i], w.taps);
                ASSERT_LE(int64_t(w.first[i]) + w.count[i], int64_t(s.from)) << "window past the end";
                int64_t sum = 0, abs_sum = 0;
                for (int32_t t = 0; t < w.count[i]; ++t) {
                    const int64_t v = w.weights[size_t(i) * w.taps + t];
                    sum += v;
                    abs_sum += std::abs(v);
                }
                ASSERT_EQ(sum, int64_t(1) << w.precision)
                    << "filter " << f << " " << s.from << "->" << s.to << " i " << i;
                ASSERT_LT(abs_sum * 255 + (int64_t(1) << w.precision), int64_t(1) << 31) << "8-bit sums would overflow";
            }
        }
    }
    AxisWeights w;
    EXPECT_FALSE(imglib::detail::axis_weights(0, 5, *resize_kernel(0), w));
    EXPECT_FALSE(imglib::detail::axis_weights(5, 0, *resize_kernel(0), w));
}

TEST(ResizeFilter, SameSizeCopiesExactlyForEveryFilter) {
    const uint32_t w = 13, h = 7, stride = w * 4 + 5;
    const auto src = random_bytes(size_t(stride) * h, 1);
    for (uint32_t f = 0; f < imglib::kFilterCount; ++f) {
        std::vector<uint8_t> dst(size_t(w) * h * 4, 0xAB);
        ASSERT_TRUE(imglib::IS3ResizeFilterImage(src.data(), w, h, stride, dst.data(), w, h, w * 4, 4, f));
        for (uint32_t y = 0; y < h; ++y)
            ASSERT_EQ(0, std::memcmp(&dst[y * w * 4], &src[y * stride], w * 4)) << "filter " << f << " row " << y;
    }
}

TEST(ResizeFilter, FlatPicturesStayFlat) {
    struct Picture {
        uint32_t bpp;
        std::vector<uint8_t> pixel;
    };
    const uint16_t a16 = 65535, b16 = 12345;
    std::vector<uint8_t> rgba64(8);
    const uint16_t values[4] = {a16, b16, 0, 1};
    std::memcpy(rgba64.data(), values, 8);
    const Picture pictures[] = {{4, {255, 0, 77, 254}}, {3, {1, 128, 255}}, {1, {200}}, {8, rgba64}};
    for (const Picture& p : pictures) {
        for (uint32_t f = 0; f < imglib::kFilterCount; ++f) {
            for (const Size s : {Size{37, 11}, Size{11, 37}, Size{64, 63}, Size{3000, 2}}) {
                const uint32_t h = s.to, nh = s.from;  // the other axis goes the other way
                std::vector<uint8_t> src;
                for (uint32_t i = 0; i < s.from * h; ++i) src.insert(src.end(), p.pixel.begin(), p.pixel.end());
                std::vector<uint8_t> dst(size_t(s.to) * nh * p.bpp);
                ASSERT_TRUE(imglib::IS3ResizeFilterImage(src.data(), s.from, h, s.from * p.bpp, dst.data(), s.to, nh,
                                                         s.to * p.bpp, p.bpp, f));
                for (size_t i = 0; i < dst.size(); i += p.bpp)
                    ASSERT_EQ(0, std::memcmp(&dst[i], p.pixel.data(), p.bpp))
                        << "filter " << f << " bpp " << p.bpp << " at byte " << i;
            }
        }
    }
}

TEST(ResizeFilter, BoxHalvingAveragesEachBlockRoundingHalfUp) {
    const uint32_t w = 8, h = 6;
    const auto src = random_bytes(w * h * 4, 2);
    std::vector<uint8_t> dst(4 * 3 * 4);
    ASSERT_TRUE(imglib::IS3ResizeFilterImage(src.data(), w, h, w * 4, dst.data(), 4, 3, 16, 4, imglib::kFilterBox));
    const auto at = [&](uint32_t x, uint32_t y, uint32_t c) { return uint32_t(src[(y * w + x) * 4 + c]); };
    for (uint32_t y = 0; y < 3; ++y)
        for (uint32_t x = 0; x < 4; ++x)
            for (uint32_t c = 0; c < 4; ++c) {
                // Rows first, each pair rounded half up, then the two rows.
                const uint32_t top = (at(2 * x, 2 * y, c) + at(2 * x + 1, 2 * y, c) + 1) / 2;
                const uint32_t bottom = (at(2 * x, 2 * y + 1, c) + at(2 * x + 1, 2 * y + 1, c) + 1) / 2;
                EXPECT_EQ(dst[(y * 4 + x) * 4 + c], (top + bottom + 1) / 2) << x << "," << y << " c" << c;
            }
}

TEST(ResizeFilter, TriangleDoublingInterpolatesAndHoldsTheEdges) {
    const std::vector<uint8_t> src = {0, 40, 200, 100};  // one row of grey
    std::vector<uint8_t> dst(8);
    ASSERT_TRUE(imglib::IS3ResizeFilterImage(src.data(), 4, 1, 4, dst.data(), 8, 1, 8, 1, imglib::kFilterTriangle));
    // Output centres fall at -0.25, 0.25, 0.75, ... source pixels: a quarter
    // and three quarters of the neighbours; past an edge only the edge pixel.
    const std::vector<uint8_t> want = {0, 10, 30, 80, 160, 175, 125, 100};
    EXPECT_EQ(dst, want);
}

TEST(ResizeFilter, RingingIsClampedNotWrapped) {
    // A hard step from black to white, enlarged: Lanczos3 and Sinc ring past
    // both ends; the results must be held at 0 and 255.
    std::vector<uint8_t> src(16);
    for (int i = 8; i < 16; ++i) src[i] = 255;
    for (uint32_t f : {imglib::kFilterLanczos3, imglib::kFilterSinc, imglib::kFilterCubic1}) {
        std::vector<uint8_t> dst(64);
        ASSERT_TRUE(imglib::IS3ResizeFilterImage(src.data(), 16, 1, 16, dst.data(), 64, 1, 64, 1, f));
        for (int i = 0; i < 28; ++i) EXPECT_LE(dst[i], 20) << "filter " << f << " dark side " << i;
        for (int i = 36; i < 64; ++i) EXPECT_GE(dst[i], 235) << "filter " << f << " bright side " << i;
        EXPECT_EQ(dst[63], 255);
        EXPECT_EQ(dst[0], 0);
    }
}

TEST(ResizeFilter, OneAxisLeavesTheOtherAlone) {
    // Rows of one grey each: resampling across keeps every row's grey;
    // columns of one grey each: resampling down keeps every column's.
    const uint32_t w = 9, h = 5;
    std::vector<uint8_t> rows(w * h * 4), columns(w * h * 4);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            for (uint32_t c = 0; c < 4; ++c) {
                rows[(y * w + x) * 4 + c] = uint8_t(y * 50 + c);
                columns[(y * w + x) * 4 + c] = uint8_t(x * 25 + c);
            }
    std::vector<uint8_t> across(4 * h * 4), down(w * 3 * 4);
    ASSERT_TRUE(imglib::IS3ResizeFilterImage(rows.data(), w, h, w * 4, across.data(), 4, h, 16, 4, 8));
    ASSERT_TRUE(imglib::IS3ResizeFilterImage(columns.data(), w, h, w * 4, down.data(), w, 3, w * 4, 4, 8));
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < 4; ++x)
            for (uint32_t c = 0; c < 4; ++c) EXPECT_EQ(across[(y * 4 + x) * 4 + c], y * 50 + c);
    for (uint32_t y = 0; y < 3; ++y)
        for (uint32_t x = 0; x < w; ++x)
            for (uint32_t c = 0; c < 4; ++c) EXPECT_EQ(down[(y * w + x) * 4 + c], x * 25 + c);
}

TEST(ResizeFilter, FastPassesMatchThePlainOnesBitForBit) {
    struct Case {
        uint32_t w, h, nw, nh, bpp;
    };
    // Widths around the 16-byte vectors, odd window lengths, both orders of passes.
    const Case cases[] = {{1, 1, 3, 2, 4},     {2, 3, 5, 7, 4},    {5, 4, 3, 9, 4},     {15, 9, 4, 17, 4},
                          {16, 16, 17, 15, 4}, {33, 12, 7, 30, 4}, {40, 40, 13, 13, 4}, {13, 13, 40, 40, 4},
                          {19, 7, 33, 5, 3},   {31, 9, 6, 20, 1},  {64, 5, 64, 11, 4}};
    for (const Case& c : cases) {
        const auto src = random_bytes(size_t(c.w) * c.h * c.bpp, c.w * 31 + c.h);
        for (uint32_t f = 0; f < imglib::kFilterCount; ++f) {
            std::vector<uint8_t> fast(size_t(c.nw) * c.nh * c.bpp), plain(fast.size());
            imglib::detail::set_resampler_fast_paths(true);
            ASSERT_TRUE(imglib::IS3ResizeFilterImage(src.data(), c.w, c.h, c.w * c.bpp, fast.data(), c.nw, c.nh,
                                                     c.nw * c.bpp, c.bpp, f));
            imglib::detail::set_resampler_fast_paths(false);
            ASSERT_TRUE(imglib::IS3ResizeFilterImage(src.data(), c.w, c.h, c.w * c.bpp, plain.data(), c.nw, c.nh,
                                                     c.nw * c.bpp, c.bpp, f));
            imglib::detail::set_resampler_fast_paths(true);
            ASSERT_EQ(fast, plain) << "filter " << f << " " << c.w << "x" << c.h << " -> " << c.nw << "x" << c.nh;
        }
    }
}

TEST(ResizeFilter, BothAxesGiveWhatTheTwoPassesGiveInOneOrder) {
    // Resizing both axes at once must equal one axis after the other, rows
    // first or columns first, with the rounding between the passes; tall
    // pictures make a band slide its window of rows-pass results, and small
    // work makes the pool cut bands that start anywhere.
    struct Case {
        uint32_t w, h, nw, nh, bpp, filter;
    };
    const Case cases[] = {{300, 257, 150, 100, 4, imglib::kFilterLanczos3}, {64, 400, 8, 150, 4, imglib::kFilterLanczos3},
                          {40, 200, 97, 450, 4, imglib::kFilterMitchell},   {64, 401, 9, 151, 3, imglib::kFilterLanczos3},
                          {37, 300, 80, 123, 8, imglib::kFilterSinc},      {50, 333, 7, 333 / 3, 1, imglib::kFilterBox},
                          {90, 90, 200, 41, 4, imglib::kFilterTriangle}};
    bool saw_rows_first = false, saw_columns_first = false;
    for (const Case& c : cases) {
        const auto src = random_bytes(size_t(c.w) * c.h * c.bpp, c.w + c.h * 7);
        auto resize = [&](const std::vector<uint8_t>& in, uint32_t w, uint32_t h, uint32_t nw, uint32_t nh) {
            std::vector<uint8_t> out(size_t(nw) * nh * c.bpp);
            EXPECT_TRUE(imglib::IS3ResizeFilterImage(in.data(), w, h, w * c.bpp, out.data(), nw, nh, nw * c.bpp, c.bpp,
                                                     c.filter));
            return out;
        };
        const auto rows_first = resize(resize(src, c.w, c.h, c.nw, c.h), c.nw, c.h, c.nw, c.nh);
        const auto columns_first = resize(resize(src, c.w, c.h, c.w, c.nh), c.w, c.nh, c.nw, c.nh);
        ASSERT_NE(rows_first, columns_first) << "the case cannot tell the orders apart";
        for (const int32_t threads : {1, 3}) {
            parallel::set_thread_count(threads);
            parallel::set_min_parallel_work(1);
            const auto both = resize(src, c.w, c.h, c.nw, c.nh);
            parallel::set_min_parallel_work(parallel::kDefaultMinParallelWork);
            parallel::set_thread_count(0);
            const bool as_rows_first = both == rows_first, as_columns_first = both == columns_first;
            EXPECT_TRUE(as_rows_first || as_columns_first)
                << c.w << "x" << c.h << " -> " << c.nw << "x" << c.nh << " at " << threads << " threads";
            saw_rows_first |= as_rows_first;
            saw_columns_first |= as_columns_first;
        }
    }
    EXPECT_TRUE(saw_rows_first && saw_columns_first);
}

TEST(Resample, EveryResamplerTakesSixteenBitPictures) {
    // An RGBA64 ramp, reduced and enlarged: flat channels stay exactly flat,
    // and the ramp stays a ramp within its range.
    const uint32_t w = 12, h = 6;
    std::vector<uint16_t> src(w * h * 4);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            uint16_t* p = &src[(y * w + x) * 4];
            p[0] = uint16_t(x * 5000);
            p[1] = 40000;
            p[2] = 65535;
            p[3] = 0;
        }
    using Call = imglib::BOOL (*)(const uint8_t*, uint32_t, uint32_t, uint32_t, uint8_t*, uint32_t, uint32_t, uint32_t,
                                  uint32_t);
    const Call calls[] = {
        imglib::IS3ResizeImage,
        imglib::IS3ResizeImageBicubic,
        imglib::IS3SimpleResampleImage,
        [](const uint8_t* s, uint32_t a, uint32_t b, uint32_t c, uint8_t* d, uint32_t e, uint32_t f, uint32_t g,
           uint32_t bpp) { return imglib::IS3DecimateImage(s, a, b, c, d, e, f, g, bpp, imglib::kDecimateAverage); },
        [](const uint8_t* s, uint32_t a, uint32_t b, uint32_t c, uint8_t* d, uint32_t e, uint32_t f, uint32_t g,
           uint32_t bpp) { return imglib::IS3ResizeFilterImage(s, a, b, c, d, e, f, g, bpp, imglib::kFilterMitchell); },
    };
    for (const Size s : {Size{12, 5}, Size{12, 30}}) {
        for (size_t k = 0; k < std::size(calls); ++k) {
            std::vector<uint16_t> dst(size_t(s.to) * 3 * 4, 7);
            ASSERT_TRUE(calls[k](reinterpret_cast<const uint8_t*>(src.data()), w, h, w * 8,
                                 reinterpret_cast<uint8_t*>(dst.data()), s.to, 3, s.to * 8, 8))
                << "call " << k;
            for (uint32_t i = 0; i < s.to * 3; ++i) {
                EXPECT_EQ(dst[i * 4 + 1], 40000) << "call " << k;
                EXPECT_EQ(dst[i * 4 + 2], 65535) << "call " << k;
                EXPECT_EQ(dst[i * 4 + 3], 0) << "call " << k;
                EXPECT_LE(dst[i * 4 + 0], 57000) << "call " << k << ": no wrap past the ramp";
            }
            // Left to right the ramp rises.
            EXPECT_LT(dst[0], dst[(s.to - 1) * 4]) << "call " << k;
        }
    }
}

TEST(Resample, BadInputIsRefusedAndLeavesTheDestination) {
    const auto src = random_bytes(8 * 8 * 4, 3);
    std::vector<uint8_t> dst(16 * 16 * 4, 0x5A);
    const auto untouched = dst;
    struct Row {
        const char* what;
        imglib::BOOL result;
    };
    const Row rows[] = {
        {"null source", imglib::IS3ResizeImage(nullptr, 8, 8, 32, dst.data(), 4, 4, 16, 4)},
        {"null destination", imglib::IS3ResizeImageBicubic(src.data(), 8, 8, 32, nullptr, 4, 4, 16, 4)},
        {"zero width", imglib::IS3ResizeFilterImage(src.data(), 0, 8, 32, dst.data(), 4, 4, 16, 4, 8)},
        {"zero new height", imglib::IS3SimpleResampleImage(src.data(), 8, 8, 32, dst.data(), 4, 0, 16, 4)},
        {"unknown filter", imglib::IS3ResizeFilterImage(src.data(), 8, 8, 32, dst.data(), 4, 4, 16, 4, 14)},
        {"unknown mode", imglib::IS3DecimateImage(src.data(), 8, 8, 32, dst.data(), 4, 4, 16, 4, 2)},
        {"stride too small", imglib::IS3ResizeImage(src.data(), 8, 8, 31, dst.data(), 4, 4, 16, 4)},
        {"pixel size 5", imglib::IS3ResizeFilterImage(src.data(), 8, 8, 40, dst.data(), 4, 4, 20, 5, 0)},
        {"odd 16-bit stride", imglib::IS3ResizeImage(src.data(), 2, 2, 17, dst.data(), 1, 1, 8, 8)},
        {"side beyond int32",
         imglib::IS3ResizeFilterImage(src.data(), 8, 8, 32, dst.data(), 0x80000000u, 1, 0xFFFFFFFFu, 4, 1)},
    };
    for (const Row& r : rows) EXPECT_EQ(r.result, 0) << r.what;
    EXPECT_EQ(dst, untouched);
}
