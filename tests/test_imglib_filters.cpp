// The imaging library's neighbourhood filters: the hand-written ones against
// plain loops written from their definitions, and the OpenCV-based ones by
// the properties anyone can check by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <opencv2/imgproc.hpp>
#include <functional>
#include <numeric>
#include <string>

#include "platform/imglib/draw40.h"
#include "platform/imglib/filters.h"
#include "platform/imglib/gaussian_blur8.h"
#include "support/byte_picture.h"

namespace {

using namespace imglib;

// A filter from a source picture into a destination of the same shape.
using Filter = std::function<BOOL(const BytePicture&, BytePicture&)>;

Filter window(decltype(&ISE3GeometricMeanFilter) call, int radius, uint32_t mask = 15) {
    return [=](const BytePicture& in, BytePicture& out) {
        return call(in.data(), uint32_t(in.w), uint32_t(in.h), uint32_t(in.bpp), in.stride(), out.data(), out.stride(),
                    radius, mask);
    };
}

BytePicture run(const Filter& f, const BytePicture& in) {
    BytePicture out(in.w, in.h, in.bpp, 0xCD);
    EXPECT_TRUE(f(in, out));
    return out;
}

// The values of channel c in the (2r + 1) square about (x, y), edges repeated.
std::vector<int> block(const BytePicture& p, int x, int y, int c, int r) {
    std::vector<int> values;
    for (int dy = -r; dy <= r; ++dy)
        for (int dx = -r; dx <= r; ++dx) values.push_back(p.edge(x + dx, y + dy, c));
    return values;
}

// The reference of a per-channel window filter: out = value(block).
template <class Value>
BytePicture reference(const BytePicture& in, int r, uint32_t mask, Value value) {
    BytePicture out = in;
    for (int y = 0; y < in.h; ++y)
        for (int x = 0; x < in.w; ++x)
            for (int c = 0; c < in.bpp; ++c)
                if ((mask >> c) & 1) out.at(x, y, c) = uint8_t(value(block(in, x, y, c, r), in.at(x, y, c)));
    return out;
}

int round_half_up(long double v) { return int(std::floor(v + 0.5L)); }

TEST(ImglibFilters, AConstantPictureStaysConstantUnderEveryBlurMeanAndRank) {
    const BytePicture in = flat(13, 9, 4, 77);
    const auto blur_call = [](auto call, auto... settings) {
        return Filter([=](const BytePicture& a, BytePicture& b) {
            return call(a.data(), uint32_t(a.w), uint32_t(a.h), 4, a.stride(), b.data(), b.stride(), settings...);
        });
    };
    const std::vector<std::pair<std::string, Filter>> filters = {
        {"box", blur_call(ISE40_BlurImage, 2, 0.7, 15u)},
        {"3x3", blur_call(IS3BlurImage, 100u, 15u)},
        {"gaussian", blur_call(IS40_GaussianBlurImage, 3.5, 15u)},
        {"motion", blur_call(ISE3MotionBlur, 30.0, 7.0, 100, int32_t(kMotionLinear))},
        {"radial", blur_call(ISE3MotionBlur, 0.0, 20.0, 100, int32_t(kMotionRadial))},
        {"zoom", blur_call(ISE3MotionBlur, 0.0, 20.0, 100, int32_t(kMotionZoom))},
        {"sharpen", blur_call(IS3SharpenImage, 100, 15u)},
        {"sharpen more", blur_call(ISE3SharpenImage, 2, 1.0, 15u)},
        {"unsharp", blur_call(IS3UnsharpMaskImage, 0, 2.0, 1.5, 15u)},
        {"dust", blur_call(ISE3DustAndScratches, 3, 0, 1.0, 15u)},
        {"arithmetic", window(ISE3ArithmeticMeanFilter, 3)},
        {"geometric", window(ISE3GeometricMeanFilter, 3)},
        {"harmonic", window(ISE3HarmonicMeanFilter, 3)},
        {"midpoint", window(ISE3MidpointFilter, 3)},
        {"maximum", window(ISE3MaximumFilter, 3)},
        {"minimum", window(ISE3MinimumFilter, 3)},
        {"median", window(ISE3MedianCutImage, 3)},
    };
    for (const auto& [name, f] : filters) EXPECT_EQ(run(f, in), in) << name;
    BytePicture speckled = in;
    ASSERT_TRUE(IS3DespeckleImage(speckled.data(), 13, 9, 4, speckled.stride(), 15));
    EXPECT_EQ(speckled, in);
}

TEST(ImglibFilters, GeometricAndHarmonicMeansMatchTheirDefinitions) {
    for (const int bpp : {1, 3, 4})
        for (const int r : {0, 1, 2}) {
            // Some zeros, which make a window's geometric and harmonic means 0.
            const BytePicture in = random_bytes(11, 8, bpp, uint32_t(bpp * 10 + r), 15);
            const uint32_t mask = bpp == 4 ? 7 : 15;
            const BytePicture geometric = reference(in, r, mask, [](const std::vector<int>& b, int) {
                long double logs = 0;
                for (const int v : b) {
                    if (v == 0) return 0;
                    logs += std::log((long double)v);
                }
                return round_half_up(std::exp(logs / b.size()));
            });
            const BytePicture harmonic = reference(in, r, mask, [](const std::vector<int>& b, int) {
                long double inverses = 0;
                for (const int v : b) {
                    if (v == 0) return 0;
                    inverses += 1.0L / v;
                }
                return round_half_up(b.size() / inverses);
            });
            EXPECT_EQ(run(window(ISE3GeometricMeanFilter, r, mask), in), geometric) << bpp << " r" << r;
            EXPECT_EQ(run(window(ISE3HarmonicMeanFilter, r, mask), in), harmonic) << bpp << " r" << r;
        }
}

TEST(ImglibFilters, RankAndMidpointFiltersMatchTheirDefinitions) {
    const BytePicture in = random_bytes(12, 9, 4, 5);
    for (const int r : {1, 2}) {
        const auto largest = [](const std::vector<int>& b, int) { return *std::max_element(b.begin(), b.end()); };
        const auto smallest = [](const std::vector<int>& b, int) { return *std::min_element(b.begin(), b.end()); };
        const auto middle = [](std::vector<int> b, int) {
            std::nth_element(b.begin(), b.begin() + b.size() / 2, b.end());
            return b[b.size() / 2];
        };
        const auto midpoint = [&](const std::vector<int>& b, int v) { return (largest(b, v) + smallest(b, v) + 1) / 2; };
        EXPECT_EQ(run(window(ISE3MaximumFilter, r, 7), in), reference(in, r, 7, largest)) << r;
        EXPECT_EQ(run(window(ISE3MinimumFilter, r, 7), in), reference(in, r, 7, smallest)) << r;
        EXPECT_EQ(run(window(ISE3MedianCutImage, r, 7), in), reference(in, r, 7, middle)) << r;
        EXPECT_EQ(run(window(ISE3MidpointFilter, r, 7), in), reference(in, r, 7, midpoint)) << r;
    }
}

TEST(ImglibFilters, ArithmeticMeanIsTheRoundedWindowMean) {
    const BytePicture in = random_bytes(10, 7, 3, 9);
    const BytePicture out = run(window(ISE3ArithmeticMeanFilter, 1), in);
    const BytePicture want = reference(in, 1, 15, [](const std::vector<int>& b, int) {
        int sum = 0;
        for (const int v : b) sum += v;
        return (2 * sum + 9) / 18;
    });
    // OpenCV rounds a half to the even neighbour; a mean of nine values is
    // never a half, so the two agree exactly.
    EXPECT_EQ(out, want);
}

TEST(ImglibFilters, TheMedianRemovesAnIsolatedImpulse) {
    BytePicture in = flat(9, 9, 1, 40);
    in.at(4, 4, 0) = 255;
    in.at(0, 8, 0) = 0;
    const BytePicture out = run(window(ISE3MedianCutImage, 1), in);
    EXPECT_EQ(out, flat(9, 9, 1, 40));
}

TEST(ImglibFilters, DespeckleReplacesOnlyImpulsesByTheirMedian) {
    for (const uint32_t seed : {1u, 2u, 3u}) {
        BytePicture in = random_bytes(10, 8, 4, seed);
        BytePicture want = in;
        for (int y = 0; y < in.h; ++y)
            for (int x = 0; x < in.w; ++x)
                for (int c = 0; c < 3; ++c) {
                    std::vector<int> b = block(in, x, y, c, 1);
                    const int v = in.at(x, y, c);
                    const long above = std::count_if(b.begin(), b.end(), [&](int u) { return u > v; });
                    const long below = std::count_if(b.begin(), b.end(), [&](int u) { return u < v; });
                    if (above != 8 && below != 8) continue;
                    std::sort(b.begin(), b.end());
                    want.at(x, y, c) = uint8_t(b[4]);
                }
        ASSERT_TRUE(IS3DespeckleImage(in.data(), uint32_t(in.w), uint32_t(in.h), 4, in.stride(), 7));
        EXPECT_EQ(in, want) << seed;
    }
    // Two equal largest values are not an impulse.
    BytePicture pair = flat(5, 5, 1, 10);
    pair.at(2, 2, 0) = pair.at(3, 2, 0) = 200;
    const BytePicture before = pair;
    ASSERT_TRUE(IS3DespeckleImage(pair.data(), 5, 5, 1, 5, 1));
    EXPECT_EQ(pair, before);
}

TEST(ImglibFilters, DustAndScratchesPullsOnlyFarValuesTowardTheMedian) {
    const BytePicture in = random_bytes(11, 9, 3, 21);
    for (const int threshold : {0, 40, 255}) {
        BytePicture out(in.w, in.h, 3);
        ASSERT_TRUE(ISE3DustAndScratches(in.data(), 11, 9, 3, in.stride(), out.data(), out.stride(), 2, threshold, 0.5,
                                         5));
        const BytePicture want = reference(in, 2, 5, [&](std::vector<int> b, int v) {
            std::nth_element(b.begin(), b.begin() + 12, b.end());
            const int m = b[12];
            return std::abs(v - m) > threshold ? round_half_up(0.5L * v + 0.5L * m) : v;
        });
        EXPECT_EQ(out, want) << threshold;
    }
}

TEST(ImglibFilters, SharpenAtFullAmountIsTheLaplacianKernel) {
    const BytePicture in = random_bytes(9, 7, 4, 33);
    BytePicture out(9, 7, 4);
    ASSERT_TRUE(IS3SharpenImage(in.data(), 9, 7, 4, in.stride(), out.data(), out.stride(), 100, 7));
    BytePicture want = in;
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 9; ++x)
            for (int c = 0; c < 3; ++c) {
                const int v = 5 * in.at(x, y, c) - in.edge(x - 1, y, c) - in.edge(x + 1, y, c) -
                              in.edge(x, y - 1, c) - in.edge(x, y + 1, c);
                want.at(x, y, c) = uint8_t(std::clamp(v, 0, 255));
            }
    EXPECT_EQ(out, want);
}

TEST(ImglibFilters, UnsharpMaskLeavesValuesWithinTheThreshold) {
    const BytePicture in = random_bytes(12, 12, 3, 4);
    BytePicture out(12, 12, 3);
    ASSERT_TRUE(IS3UnsharpMaskImage(in.data(), 12, 12, 3, in.stride(), out.data(), out.stride(), 255, 1.0, 1.0, 7));
    EXPECT_EQ(out, in) << "no difference exceeds 255";
    ASSERT_TRUE(IS3UnsharpMaskImage(in.data(), 12, 12, 3, in.stride(), out.data(), out.stride(), 0, 1.0, 1.0, 7));
    EXPECT_NE(out, in);
}

TEST(ImglibFilters, MotionBlurSpreadsAlongItsPathOnly) {
    // A vertical line blurred horizontally spreads along the rows only.
    BytePicture line = flat(21, 9, 1, 0);
    for (int y = 0; y < 9; ++y) line.at(10, y, 0) = 250;
    BytePicture out(21, 9, 1);
    ASSERT_TRUE(ISE3MotionBlur(line.data(), 21, 9, 1, 21, out.data(), 21, 0.0, 8.0, 100, kMotionLinear));
    for (int y = 0; y < 9; ++y) {
        EXPECT_EQ(out.at(5, y, 0), 0) << "beyond half the length";
        EXPECT_GT(out.at(7, y, 0), 0);
        EXPECT_EQ(out.at(7, y, 0), out.at(13, y, 0)) << "symmetric";
        EXPECT_EQ(out.at(10, y, 0), out.at(10, 0, 0));
    }
    // At 90 degrees the same line stays a line.
    ASSERT_TRUE(ISE3MotionBlur(line.data(), 21, 9, 1, 21, out.data(), 21, 90.0, 8.0, 100, kMotionLinear));
    EXPECT_EQ(out, line);
    // No length or no share copies the picture.
    for (const auto& [length, level] : {std::pair{0.5, 100}, std::pair{8.0, 0}}) {
        ASSERT_TRUE(ISE3MotionBlur(line.data(), 21, 9, 1, 21, out.data(), 21, 0.0, length, level, kMotionLinear));
        EXPECT_EQ(out, line);
    }
    // Radial and zoom blurs leave the centre of an odd-sized picture alone.
    const BytePicture noise = random_bytes(15, 11, 3, 8);
    for (const int32_t kind : {int32_t(kMotionRadial), int32_t(kMotionZoom)}) {
        BytePicture o(15, 11, 3);
        ASSERT_TRUE(ISE3MotionBlur(noise.data(), 15, 11, 3, noise.stride(), o.data(), o.stride(), 0.0, 20.0, 100, kind));
        for (int c = 0; c < 3; ++c) EXPECT_EQ(o.at(7, 5, c), noise.at(7, 5, c)) << kind;
        EXPECT_NE(o, noise) << kind;
    }
}

TEST(ImglibFilters, DeinterlaceRebuildsOneField) {
    const BytePicture in = random_bytes(6, 5, 3, 12);
    const auto row = [&](const BytePicture& p, int y) {
        return std::vector<uint8_t>(p.v.begin() + y * 18, p.v.begin() + (y + 1) * 18);
    };
    BytePicture odd = in;
    ASSERT_TRUE(IS3Deinterlace(odd.data(), 6, 5, 3, 18, kDeinterlaceOddRows));
    for (int y = 0; y < 5; ++y) EXPECT_EQ(row(odd, y), row(in, y % 2 ? y - 1 : y)) << y;
    BytePicture even = in;
    ASSERT_TRUE(IS3Deinterlace(even.data(), 6, 5, 3, 18, kDeinterlaceInterpolate));
    EXPECT_EQ(row(even, 0), row(in, 1)) << "the row below, at the top edge";
    EXPECT_EQ(row(even, 4), row(in, 3)) << "the row above, at the bottom edge";
    for (int x = 0; x < 18; ++x) EXPECT_EQ(even.v[size_t(36 + x)], (in.v[size_t(18 + x)] + in.v[size_t(54 + x)] + 1) / 2);
    EXPECT_EQ(row(even, 1), row(in, 1));
}

TEST(ImglibFilters, CannyFindsAStepAndNothingOnAFlatPlane) {
    BytePicture step = flat(20, 12, 1, 20);
    for (int y = 0; y < 12; ++y)
        for (int x = 10; x < 20; ++x) step.at(x, y, 0) = 220;
    BytePicture edges(20, 12, 1, 7);
    ASSERT_TRUE(ISE3CannyEdgeDetector(step.data(), 20, 12, 20, edges.data(), 20, 1.0, 0.3, 0.1));
    for (int y = 2; y < 10; ++y) {
        int count = 0;
        for (int x = 0; x < 20; ++x) {
            EXPECT_TRUE(edges.at(x, y, 0) == 0 || edges.at(x, y, 0) == 255);
            if (edges.at(x, y, 0) == 255) {
                ++count;
                EXPECT_TRUE(x == 9 || x == 10) << x;
            }
        }
        EXPECT_EQ(count, 1) << "one thin edge in row " << y;
    }
    const BytePicture plane = flat(20, 12, 1, 90);
    ASSERT_TRUE(ISE3CannyEdgeDetector(plane.data(), 20, 12, 20, edges.data(), 20, 1.0, 0.3, 0.1));
    EXPECT_EQ(edges, flat(20, 12, 1, 0));
}

TEST(ImglibFilters, AMaskOfSevenKeepsAlphaAndBadCallsChangeNothing) {
    const BytePicture in = random_bytes(8, 6, 4, 77);
    const std::vector<Filter> masked = {
        window(ISE3ArithmeticMeanFilter, 1, 7), window(ISE3MedianCutImage, 1, 7), window(ISE3MaximumFilter, 1, 7),
        [](const BytePicture& a, BytePicture& b) {
            return ISE3BlurImage(a.data(), 8, 6, 4, a.stride(), b.data(), b.stride(), 1, 1.0, 7);
        },
        [](const BytePicture& a, BytePicture& b) {
            return IS3UnsharpMaskImage(a.data(), 8, 6, 4, a.stride(), b.data(), b.stride(), 0, 3.0, 1.0, 7);
        },
    };
    for (size_t i = 0; i < masked.size(); ++i) {
        const BytePicture out = run(masked[i], in);
        for (size_t k = 3; k < in.v.size(); k += 4) ASSERT_EQ(out.v[k], in.v[k]) << i;
        EXPECT_NE(out, in) << i;
    }
    BytePicture out(8, 6, 4, 9);
    const BytePicture untouched = out;
    EXPECT_FALSE(ISE3MedianCutImage(nullptr, 8, 6, 4, 32, out.data(), 32, 1, 15));
    EXPECT_FALSE(ISE3MedianCutImage(in.data(), 8, 6, 2, 16, out.data(), 16, 1, 15)) << "16-bit pixels";
    EXPECT_FALSE(ISE3MedianCutImage(in.data(), 8, 6, 4, 31, out.data(), 32, 1, 15)) << "stride below a row";
    EXPECT_FALSE(ISE3GeometricMeanFilter(in.data(), 8, 6, 4, 32, out.data(), 32, 1001, 15));
    EXPECT_FALSE(ISE3HarmonicMeanFilter(in.data(), 8, 6, 4, 32, out.data(), 32, -1, 15));
    EXPECT_FALSE(ISE40_BlurImage(in.data(), 8, 6, 4, 32, out.data(), 32, 2, std::nan(""), 15));
    EXPECT_FALSE(ISE3MotionBlur(in.data(), 8, 6, 4, 32, out.data(), 32, 0, 5, 100, 3)) << "no such kind";
    EXPECT_FALSE(IS3UnsharpMaskImage(in.data(), 8, 6, 4, 32, out.data(), 32, 0, 1.0, 0.0, 15));
    EXPECT_FALSE(ISE3CannyEdgeDetector(in.data(), 8, 6, 8, out.data(), 8, 0.0, 0.3, 0.1));
    EXPECT_EQ(out, untouched);
    EXPECT_TRUE(ISE3MedianCutImage(in.data(), 0, 6, 4, 0, out.data(), 0, 1, 15)) << "an empty picture";
    EXPECT_EQ(out, untouched);
}

// The Gaussian blur sums OpenCV's own fixed-point kernel in passes of its
// own: byte for byte what OpenCV gives, for narrow and wide kernels (wider
// than the picture too), every sample size, pictures one pixel thin, the
// brightest samples (whose rows-pass sums fill 16 bits), odd strides, in
// place, and with the SSE2 passes and without.
TEST(ImglibFilters, GaussianBlurGivesOpenCVsBytes) {
    struct Shape {
        int w, h;
    };
    const Shape shapes[] = {{1, 29}, {29, 1}, {37, 23}, {9, 211}, {131, 5}};
    uint32_t seed = 1;
    for (const bool fast : {true, false}) {
        detail::set_gaussian_fast_paths(fast);
        for (const double sigma : {0.6, 1.0, 2.2, 7.3, 20.6})
            for (const int bpp : {1, 3, 4})
                for (const Shape z : shapes)
                    for (const bool bright : {false, true}) {
                        SCOPED_TRACE(::testing::Message() << "sigma " << sigma << ", " << bpp << " bytes, " << z.w
                                                          << "x" << z.h << (bright ? ", bright" : "")
                                                          << (fast ? "" : ", plain"));
                        const int side = 2 * int(std::ceil(3 * sigma)) + 1;
                        BytePicture in = bright ? BytePicture(z.w, z.h, bpp, 255) : random_bytes(z.w, z.h, bpp, ++seed);
                        if (bright) in.at(z.w / 2, z.h / 2, 0) = 0;
                        // Rows three bytes longer than the pixels need.
                        const size_t stride = size_t(z.w * bpp + 3);
                        std::vector<uint8_t> src(stride * size_t(z.h)), dst(src.size(), 0xCD);
                        for (int y = 0; y < z.h; ++y)
                            std::copy_n(in.data() + size_t(y) * in.stride(), in.stride(), &src[size_t(y) * stride]);
                        const cv::Mat a(z.h, z.w, CV_8UC(bpp), src.data(), stride);
                        cv::Mat want;
                        cv::GaussianBlur(a, want, cv::Size(side, side), sigma, sigma, cv::BORDER_REPLICATE);
                        ASSERT_TRUE(detail::gaussian_blur8(src.data(), stride, dst.data(), stride, uint32_t(z.w),
                                                           uint32_t(z.h), uint32_t(bpp), side, sigma));
                        EXPECT_EQ(cv::norm(cv::Mat(z.h, z.w, CV_8UC(bpp), dst.data(), stride), want, cv::NORM_INF),
                                  0);
                        EXPECT_EQ(dst[stride - 1], 0xCD);  // past the pixels nothing is written
                        ASSERT_TRUE(detail::gaussian_blur8(src.data(), stride, src.data(), stride, uint32_t(z.w),
                                                           uint32_t(z.h), uint32_t(bpp), side, sigma));
                        EXPECT_EQ(cv::norm(a, want, cv::NORM_INF), 0) << "in place";
                    }
    }
    detail::set_gaussian_fast_paths(true);
}

// The kernel read back from OpenCV: weights summing to 256, the centre's
// above 128 for a narrow kernel (read back one short and mended by the sum).
TEST(ImglibFilters, GaussianKernelIsReadBackWhole) {
    const std::vector<uint16_t> narrow = detail::fixed_point_gaussian(5, 0.6);
    ASSERT_EQ(narrow.size(), 5u);
    EXPECT_GT(narrow[2], 128);
    EXPECT_EQ(std::accumulate(narrow.begin(), narrow.end(), 0), 256);
    EXPECT_TRUE(std::equal(narrow.begin(), narrow.end(), narrow.rbegin()));
    const std::vector<uint16_t> wide = detail::fixed_point_gaussian(125, 20.6);
    ASSERT_EQ(wide.size(), 125u);
    EXPECT_EQ(std::accumulate(wide.begin(), wide.end(), 0), 256);
    EXPECT_TRUE(detail::fixed_point_gaussian(4, 1.0).empty());
}

}  // namespace
