// The built-in filters against references written out here from their
// definitions, on small pictures.
#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "imaging/builtin_filters.h"
#include "script/colour_space.h"
#include "support/engine_fixture.h"
#include "support/working_buffers.h"

namespace {

using A6 = std::array<int32_t, 6>;
using O8 = std::array<int32_t, 8>;

// A picture for the references: reads outside give 0, writes clamp.
struct Pic {
    int w = 0, h = 0;
    std::vector<uint8_t> px;

    bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < w && y < h; }
    int get(int x, int y, int c) const { return inside(x, y) ? px[size_t((y * w + x) * 4 + c)] : 0; }
    int lum(int x, int y) const { return (get(x, y, 0) + get(x, y, 1) + get(x, y, 2)) / 3; }
    void set(int x, int y, int c, long v) {
        if (inside(x, y)) px[size_t((y * w + x) * 4 + c)] = uint8_t(std::clamp<long>(v, 0, 255));
    }
};

Pic pic(int w, int h, const std::vector<uint8_t>& px) { return {w, h, px}; }

int mean9(const Pic& p, int x, int y) {
    int sum = 0;
    for (int j = y - 1; j <= y + 1; ++j)
        for (int i = x - 1; i <= x + 1; ++i) sum += p.lum(i, j);
    return sum / 9;
}

// The eight sweeps of the directional pull, each read from the picture as
// the previous ones left it. decide() gives the weight, or a negative
// number to leave the neighbour.
template <class Decide>
void ref_pull(Pic& p, Decide decide) {
    struct S {
        int xs, xe, dx, ys, ye, dy;
    };
    const int w = p.w, h = p.h;
    const S sweeps[4] = {{0, w - 1, 1, 0, h - 1, 1},
                         {w - 1, 0, -1, h - 1, 0, -1},
                         {w - 1, 0, -1, 0, h - 1, 1},
                         {0, w - 1, 1, h - 1, 0, -1}};
    for (int vertical = 0; vertical < 2; ++vertical)
        for (const S& s : sweeps)
            for (int y = s.ys; y != s.ye; y += s.dy)
                for (int x = s.xs; x != s.xe; x += s.dx) {
                    const int bx = vertical ? x : x + s.dx, by = vertical ? y + s.dy : y;
                    const double wt = decide(p, x, y, bx, by, s.dx, s.dy);
                    if (wt < 0) continue;
                    for (int c = 0; c < 4; ++c)
                        p.set(bx, by, c, long((1 - wt) * p.get(x, y, c) + wt * p.get(bx, by, c)));
                }
}

void ref_value_blur(Pic& p, double q1, double q2) {
    ref_pull(p, [&](const Pic& pp, int x, int y, int bx, int by, int, int) {
        const int la = pp.lum(x, y), lb = pp.lum(bx, by);
        return la - lb > 2 ? q1 : lb - la > 2 ? q2 : -1.0;
    });
}

void ref_anti_alias(Pic& p, double q1, double q2, double q3, double q4) {
    ref_pull(p, [&](const Pic& pp, int x, int y, int bx, int by, int dx, int dy) {
        const int l0 = pp.lum(x, y), l1 = pp.lum(bx, by), ld = pp.lum(x + dx, y + dy);
        if (l0 - l1 > (1 - q3) * 255) return ld >= l0 ? q1 : -1.0;
        if (l1 - l0 > (1 - q4) * 255) return ld <= l0 ? q2 : -1.0;
        return -1.0;
    });
}

void ref_adaptive_blur(const Pic& in, Pic& out, double q1, double q2, double q3) {
    const double t = (1 - q1) * 255;
    for (int y = 1; y <= in.h - 2; ++y)
        for (int x = 1; x <= in.w - 2; ++x) {
            const int nx[4] = {x - 1, x + 1, x, x}, ny[4] = {y, y, y - 1, y + 1};
            const int l = in.lum(x, y);
            double wt = -1;
            for (int n = 0; n < 4 && wt < 0; ++n) {
                if (l - in.lum(nx[n], ny[n]) > t) wt = q2;
                else if (in.lum(nx[n], ny[n]) - l > t) wt = q3;
            }
            if (wt < 0) continue;
            int v[4];
            for (int c = 0; c < 4; ++c) {
                const long base = long((1 - wt) * in.get(x, y, c));
                long acc = 0;
                for (int n = 0; n < 4; ++n) acc = long(base + wt * in.get(nx[n], ny[n], c) + acc);
                v[c] = int(acc / 4);
            }
            for (int c = 0; c < 4; ++c) out.set(x, y, c, v[c]);
        }
}

void ref_detail_blur(const Pic& in, Pic& out, double q1) {
    for (int y = 1; y <= in.h - 2; ++y)
        for (int x = 1; x <= in.w - 2; ++x) {
            if (!(std::abs(in.lum(x, y) - mean9(in, x, y)) > q1 * 255)) continue;
            int v[4];
            for (int c = 0; c < 4; ++c) {
                int sum = 0;
                for (int j = y - 1; j <= y + 1; ++j)
                    for (int i = x - 1; i <= x + 1; ++i) sum += in.get(i, j, c);
                v[c] = int(sum * (1.0 / 9));
            }
            for (int c = 0; c < 4; ++c) out.set(x, y, c, v[c]);
        }
}

void ref_threshold(const Pic& in, Pic& out, double q1) {
    for (int y = 0; y < in.h; ++y)
        for (int x = 0; x < in.w; ++x) {
            const int v = in.lum(x, y) < q1 * 255 ? 0 : 255;
            for (int c = 0; c < 3; ++c) out.set(x, y, c, v);
        }
}

void ref_hyper_contrast(const Pic& in, Pic& out, double q1) {
    int k = int((1 - q1) * 255);
    if (k == 0) k = 1;
    for (int y = 0; y < in.h; ++y)
        for (int x = 0; x < in.w; ++x) {
            const double l = colour_space::rgb_to_hsl(in.get(x, y, 0), in.get(x, y, 1), in.get(x, y, 2)).l;
            for (int c = 0; c < 3; ++c) {
                const int v = in.get(x, y, c);
                out.set(x, y, c, long((255 - (v - 255) * (v - 255) / k) * (1 - l) + (v * v / k) * l));
            }
        }
}

// Runs a filter on a picture of w x h and returns iplDst32.
class Filters : public EngineTest {
protected:
    std::vector<uint8_t> run(const std::string& name, int w, int h, const std::vector<uint8_t>& picture, A6 a,
                             O8 o = {}, uint8_t inPlace = 0, int32_t* result = nullptr) {
        make_image(w, h);
        make_working_buffers(picture, 0xEE);
        const int32_t r = imaging::run_builtin_filter(st(), name, inPlace, a, o);
        if (result) *result = r;
        return working_dst();
    }
};

}  // namespace

TEST_F(Filters, DirectionalPullsMatchTheSweeps) {
    struct Row {
        const char* name;
        A6 a;
    };
    for (const Row& r : {Row{"Value Blur", {300, 700}}, Row{"Value Blur", {0, 0}}, Row{"Value Blur", {1000, 250}},
                         Row{"Anti Alias", {400, 600, 700, 800}}, Row{"Anti Alias", {0, 1000, 900, 950}}}) {
        for (const auto& [w, h] : {std::pair{9, 7}, std::pair{1, 5}, std::pair{6, 1}, std::pair{2, 2}}) {
            SCOPED_TRACE(std::string(r.name) + " " + std::to_string(w) + "x" + std::to_string(h));
            const auto src = random_picture(w, h, uint32_t(w * 31 + h + r.a[0]));
            Pic expect = pic(w, h, src);
            const double q[4] = {r.a[0] * 0.001, r.a[1] * 0.001, r.a[2] * 0.001, r.a[3] * 0.001};
            if (std::string(r.name) == "Value Blur")
                ref_value_blur(expect, q[0], q[1]);
            else
                ref_anti_alias(expect, q[0], q[1], q[2], q[3]);
            EXPECT_EQ(run(r.name, w, h, src, r.a), expect.px);
            EXPECT_EQ(st().filters.inPlace, 1) << "the pulls leave inPlace set";
        }
    }
}

TEST_F(Filters, ValueBlurAtFullWeightChangesNothing) {
    const auto src = random_picture(8, 6, 5);
    EXPECT_EQ(run("Value Blur", 8, 6, src, {1000, 1000}), src);
}

TEST_F(Filters, NeighbourhoodFiltersMatchTheirDefinitions) {
    const int w = 11, h = 9;
    const auto src = random_picture(w, h, 77);
    for (const A6 a : {A6{800, 300, 600}, A6{950, 1000, 0}, A6{100, 500, 500}}) {
        Pic expect = pic(w, h, src);
        ref_adaptive_blur(pic(w, h, src), expect, a[0] * 0.001, a[1] * 0.001, a[2] * 0.001);
        EXPECT_EQ(run("Adaptive Blur", w, h, src, a), expect.px) << a[0];
        // In place nothing is copied first: the pixels it blurs come from the
        // source, the others keep what the destination held.
        Pic kept = pic(w, h, std::vector<uint8_t>(size_t(w) * h * 4, 0xEE));
        ref_adaptive_blur(pic(w, h, src), kept, a[0] * 0.001, a[1] * 0.001, a[2] * 0.001);
        EXPECT_EQ(run("Adaptive Blur", w, h, src, a, {}, 1), kept.px) << a[0];
    }
    for (const int32_t a1 : {0, 40, 120, 1000}) {
        Pic expect = pic(w, h, src);
        ref_detail_blur(pic(w, h, src), expect, a1 * 0.001);
        const auto out = run("Detail Blur", w, h, src, {a1});
        EXPECT_EQ(out, expect.px) << a1;
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 4; ++c) {
                EXPECT_EQ(out[size_t(x * 4 + c)], src[size_t(x * 4 + c)]) << "top row stays";
                EXPECT_EQ(out[size_t(((h - 1) * w + x) * 4 + c)], src[size_t(((h - 1) * w + x) * 4 + c)]);
            }
    }
    // In place, the blur reads what it already wrote.
    {
        Pic expect = pic(w, h, src);
        ref_detail_blur(expect, expect, 0.04);
        make_image(w, h);
        make_working_buffers(std::vector<uint8_t>(src.size(), 0));
        std::copy(src.begin(), src.end(), st().working.iplDst32.data());
        imaging::run_builtin_filter(st(), "Detail Blur", 1, {40}, {});
        EXPECT_EQ(working_dst(), expect.px);
    }
}

TEST_F(Filters, ThresholdsAtTheLevel) {
    // Luminance 127 is below 0.5 * 255, 128 is not.
    const std::vector<uint8_t> src = {127, 127, 127, 9, 128, 128, 128, 8, 255, 0, 129, 7, 0, 0, 0, 6};
    EXPECT_EQ(run("Basic Threshold", 4, 1, src, {500}),
              (std::vector<uint8_t>{0, 0, 0, 9, 255, 255, 255, 8, 255, 255, 255, 7, 0, 0, 0, 6}));
    const auto big = random_picture(7, 5, 3);
    Pic expect = pic(7, 5, big);
    ref_threshold(pic(7, 5, big), expect, 0.33);
    EXPECT_EQ(run("Basic Threshold", 7, 5, big, {330}), expect.px);

    // Levels that fall on a whole luminance (0, 51, 153, 255): a pixel
    // exactly on the level is not below it and turns white.
    std::vector<uint8_t> greys;
    const int lums[] = {0, 1, 50, 51, 52, 152, 153, 154, 254, 255};
    for (const int l : lums) greys.insert(greys.end(), {uint8_t(l), uint8_t(l), uint8_t(l + (l < 255)), 1});
    for (const int32_t slider : {0, 200, 600, 1000}) {
        std::vector<uint8_t> want;
        for (const int l : lums) {
            const uint8_t v = l * 1000 < slider * 255 ? 0 : 255;
            want.insert(want.end(), {v, v, v, 1});
        }
        EXPECT_EQ(run("Basic Threshold", int(std::size(lums)), 1, greys, {slider}), want) << "slider " << slider;
    }
}

TEST_F(Filters, LineArtCleanerWhitensSpecksAndLoadsTheThreshold) {
    const int w = 9, h = 7;
    auto src = random_picture(w, h, 11);
    for (size_t i = 3; i < src.size(); i += 4) src[i] = 255;
    // A lone dark pixel on white, and a dark block whose inside stays dark.
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < 4; ++x)
            for (int c = 0; c < 3; ++c) src[size_t((y * w + x) * 4 + c)] = 250;
    for (int c = 0; c < 3; ++c) src[size_t((3 * w + 2) * 4 + c)] = 5;
    const double q1 = 0.5, q2 = 0.3;
    Pic thresholded = pic(w, h, src);
    ref_threshold(pic(w, h, src), thresholded, q1);
    Pic expect = thresholded;
    for (int y = 1; y <= h - 2; ++y)
        for (int x = 1; x <= w - 2; ++x) {
            const int l = thresholded.lum(x, y);
            if (l < q1 * 255 && mean9(thresholded, x, y) - q2 * 255 > l)
                for (int c = 0; c < 3; ++c) expect.set(x, y, c, 255);
        }
    const auto out = run("Line Art Cleaner", w, h, src, {500, 300});
    EXPECT_EQ(out, expect.px);
    EXPECT_EQ(out[size_t((3 * w + 2) * 4)], 255) << "the speck is gone";
    EXPECT_EQ(working_src(), thresholded.px) << "the source holds the thresholded picture";
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 4; ++c)
                ASSERT_EQ(px(1, x, y, c), thresholded.get(x, y, c) * 256) << "the layer holds it too";
}

TEST_F(Filters, ColourFilters) {
    const int w = 6, h = 5;
    const auto src = random_picture(w, h, 21);
    const Pic in = pic(w, h, src);
    {
        Pic expect = in;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                colour_space::Lab lab = colour_space::rgb_to_lab(in.get(x, y, 0), in.get(x, y, 1), in.get(x, y, 2));
                lab.l += (0.7 - 0.5) * 200;
                lab.a += (0.4 - 0.5) * 200;
                lab.b += (0.55 - 0.5) * 200;
                const auto rgb = colour_space::lab_to_rgb(lab);
                expect.set(x, y, 0, rgb.r);
                expect.set(x, y, 1, rgb.g);
                expect.set(x, y, 2, rgb.b);
            }
        EXPECT_EQ(run("Adjust Lab", w, h, src, {700, 400, 550}), expect.px);
    }
    for (const int32_t a1 : {0, 1, 300, 999, 1000, 1500}) {
        Pic expect = in;
        ref_hyper_contrast(in, expect, a1 * 0.001);
        EXPECT_EQ(run("Hyper Contrast", w, h, src, {a1}), expect.px) << a1;
    }
    {
        Pic expect = in, inverted = in;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                for (int c = 0; c < 3; ++c) {
                    expect.set(x, y, c, in.lum(x, y));
                    inverted.set(x, y, c, 255 - in.get(x, y, c));
                }
        EXPECT_EQ(run("Grayscale", w, h, src, {}), expect.px);
        EXPECT_EQ(run("Invert", w, h, src, {}), inverted.px);
        EXPECT_EQ(run("Invert", w, h, inverted.px, {}), src) << "inverting twice gives the picture back";
    }
    EXPECT_EQ(run("Grayscale", 1, 1, {255, 0, 0, 40}, {}), (std::vector<uint8_t>{85, 85, 85, 40}));
}

TEST_F(Filters, HyperContrastAtZeroKeepsTheEnds) {
    // k = 255: 0 stays 0 and 255 stays 255 whatever the lightness.
    std::vector<uint8_t> src;
    for (int v = 0; v < 256; v += 5) src.insert(src.end(), {0, uint8_t(v), 255, 255});
    const int w = int(src.size() / 4);
    const auto out = run("Hyper Contrast", w, 1, src, {0});
    for (int x = 0; x < w; ++x) {
        EXPECT_EQ(out[size_t(x * 4)], 0);
        EXPECT_EQ(out[size_t(x * 4 + 2)], 255);
    }
}

TEST_F(Filters, BasRelief) {
    const int w = 8, h = 6;
    const auto src = random_picture(w, h, 8);
    for (const int32_t option : {0, 1, 2}) {
        const int nx = option == 0 || option == 2 ? -1 : 0, ny = option == 1 || option == 2 ? -1 : 0;
        const double q = 0.3;
        const Pic in = pic(w, h, src);
        Pic expect = in;
        const auto move = [q](double v, double n) {
            if (v > n) v = v + q * (1 - v);
            else if (v < n) v = v - v * q;
            return std::clamp(v, 0.0, 1.0);
        };
        for (int y = 1; y <= h - 2; ++y)
            for (int x = 1; x <= w - 2; ++x) {
                const auto a = colour_space::rgb_to_hsl(in.get(x, y, 0), in.get(x, y, 1), in.get(x, y, 2));
                const auto b =
                    colour_space::rgb_to_hsl(in.get(x + nx, y + ny, 0), in.get(x + nx, y + ny, 1), in.get(x + nx, y + ny, 2));
                const colour_space::Hsl o{a.h, move(a.s, b.s), move(a.l, b.l)};
                if (o.s == a.s && o.l == a.l) continue;  // unchanged pixels keep their bytes
                const auto rgb = colour_space::hsl_to_rgb(o);
                expect.set(x, y, 0, rgb.r);
                expect.set(x, y, 1, rgb.g);
                expect.set(x, y, 2, rgb.b);
            }
        EXPECT_EQ(run("Bas Relief", w, h, src, {300}, {option}), expect.px) << option;
    }
    EXPECT_EQ(run("Bas Relief", w, h, src, {300}, {3}), src) << "against itself nothing changes";
}

TEST_F(Filters, VignetteShapes) {
    // A blur radius of 0 becomes 0.1: too narrow to spread, so the plane
    // comes through as drawn and the shape can be checked exactly.
    struct Row {
        int32_t fade, rectangle;
        int w, h;
    };
    for (const Row& r : {Row{0, 1, 9, 7}, Row{1, 1, 9, 7}, Row{2, 1, 9, 7}, Row{0, 0, 21, 15}, Row{1, 0, 21, 15},
                         Row{0, 1, 3, 3}, Row{0, 0, 4, 40}}) {
        SCOPED_TRACE(std::to_string(r.fade) + " " + std::to_string(r.rectangle) + " " + std::to_string(r.w));
        const auto src = random_picture(r.w, r.h, 4);
        const A6 a = {200, 600, 900, 0, 300, 400};
        const O8 o = {0, 0, 1, 1, r.fade, r.rectangle};
        const double q6 = 0.4, q5 = 0.3;
        int fill = 0, shape = 255;
        if (r.fade == 0) fill = int(255 - q6 * 255);
        else if (r.fade == 1) shape = int(q6 * 255);
        const int e = std::max(2, int(r.w * q5)), f = std::max(2, int(r.h * q5)), cx = r.w / 2, cy = r.h / 2;
        const auto in_shape = [&](int x, int y) {
            if (r.rectangle)
                return x >= std::max(cx - e, 0) && x <= std::min(cx + e, r.w - 1) && y >= std::max(cy - f, 0) &&
                       y <= std::min(cy + f, r.h - 1);
            const long dx = x - cx, dy = y - cy;
            return dx * dx * f * f + dy * dy * e * e <= long(e) * e * f * f;
        };
        Pic expect = pic(r.w, r.h, src);
        const double target[3] = {0.2, 0.6, 0.9};
        for (int y = 0; y < r.h; ++y)
            for (int x = 0; x < r.w; ++x) {
                double v = (in_shape(x, y) ? shape : fill) / 255.0;
                if (r.fade == 1) v = 1 - v;
                for (int c = 0; c < 3; ++c)
                    expect.set(x, y, c, long(std::clamp(v * (expect.get(x, y, c) / 255.0) + (1 - v) * target[c], 0.0, 1.0) * 255));
                expect.set(x, y, 3, long(v * 255));
            }
        EXPECT_EQ(run("Vignette", r.w, r.h, src, a, o), expect.px);
    }
}

TEST_F(Filters, VignetteBlursAndFadesTowardTheColour) {
    const int w = 31, h = 31;
    const std::vector<uint8_t> white(size_t(w * h * 4), 255);
    // Fade toward black (q1 = 0 becomes 0.001) outside a disc, radius 2.5.
    const auto out = run("Vignette", w, h, white, {0, 0, 0, 50, 300, 1000}, {0, 0, 1, 0, 0, 0});
    EXPECT_DOUBLE_EQ(st().filters.q[0], 0.001) << "a zero red target becomes 0.001";
    const auto at = [&](int x, int y) { return int(out[size_t((y * w + x) * 4)]); };
    EXPECT_EQ(at(15, 15), 255) << "the centre keeps its colour";
    EXPECT_EQ(at(0, 0), 0) << "the corners fade to the colour";
    EXPECT_LE(at(15, 0), 2) << "the blurred edge reaches only faintly this far";
    // The edge of the disc is soft and symmetric.
    EXPECT_GT(at(15 + 9, 15), 0);
    EXPECT_LT(at(15 + 9, 15), 255);
    EXPECT_EQ(at(15 + 9, 15), at(15 - 9, 15));
    EXPECT_EQ(at(15, 15 + 9), at(15, 15 - 9));
    for (int x = 15; x < w - 1; ++x) EXPECT_GE(at(x, 15), at(x + 1, 15)) << "fades outward";
    EXPECT_EQ(out[3], 255) << "alpha untouched without o4";
}

TEST_F(Filters, Dispatcher) {
    const auto src = random_picture(4, 3, 2);
    int32_t result = -1;
    // Unknown or inexact names run nothing, after the copy.
    for (const char* name : {"invert", "Invert ", "", "Lua Filter"}) {
        EXPECT_EQ(run(name, 4, 3, src, {}, {}, 0, &result), src) << name;
        EXPECT_EQ(result, 0);
    }
    // The block is set afresh by every dispatch.
    run("Invert", 4, 3, src, {1, 2, 3, 4, 5, -6}, {7, 8, 9, 10, 11, 12, 13, 14}, 0, &result);
    EXPECT_EQ(result, 1);
    const auto& b = st().filters;
    EXPECT_DOUBLE_EQ(b.q[0], 0.001);
    EXPECT_DOUBLE_EQ(b.q[5], -0.006);
    EXPECT_EQ(b.o, (O8{7, 8, 9, 10, 11, 12, 13, 14}));
    EXPECT_EQ(b.right, 3);
    EXPECT_EQ(b.bottom, 2);
    EXPECT_EQ(b.inPlace, 0);

    // In place: no copy, and the destination is read.
    make_image(4, 3);
    make_working_buffers(src, 100);
    imaging::run_builtin_filter(st(), "Invert", 1, {}, {});
    EXPECT_EQ(working_dst()[0], 155);
    EXPECT_EQ(working_dst()[3], 100) << "alpha carried from the destination";
    EXPECT_EQ(working_src(), src);

    // Missing or stale buffers: nothing at all.
    make_image(4, 3);
    EXPECT_EQ(imaging::run_builtin_filter(st(), "Invert", 0, {}, {}), 0);
    make_working_buffers(src, 1);
    st().working.iplDst32.release();
    EXPECT_EQ(imaging::run_builtin_filter(st(), "Invert", 0, {}, {}), 0);
    make_working_buffers(src, 1);
    PTE_NewSize(nullptr, 5, 3, 64, 0);
    ASSERT_TRUE(st().working.iplSrc32.allocate(4 * 3 * 4));
    ASSERT_TRUE(st().working.iplDst32.allocate(4 * 3 * 4));
    EXPECT_EQ(imaging::run_builtin_filter(st(), "Invert", 0, {}, {}), 0) << "buffers smaller than the image";
}
