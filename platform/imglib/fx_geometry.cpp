// The geometric effects of the effect-script module: each moves pixels by
// an inverse map sampled bilinearly, all four channels alike, so that run
// on an alpha plane it moves alpha exactly as it moves colour. Settings
// that move nothing give back the picture exactly.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <opencv2/imgproc.hpp>
#include <vector>

#include "platform/imglib/fast_trig.h"
#include "platform/imglib/random_fields.h"
#include "platform/imglib/picture.h"
#include "platform/imglib/script_effects.h"
#include "platform/imglib/warp_map.h"

namespace imglib::detail {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr int32_t kMaxReach = 100000;

cv::Mat as_mat(const Bgra& p) { return wrap(p.px, uint32_t(p.width), uint32_t(p.height), uint32_t(p.width) * 4, 4); }

// The picture to sample from: its pending pixels, or a copy of it.
cv::Mat source_of(const Bgra& picture) {
    if (picture.pending != nullptr)
        return wrap(picture.pending, uint32_t(picture.width), uint32_t(picture.height), uint32_t(picture.width) * 4, 4);
    return as_mat(picture).clone();
}

// Samples the picture at the map's points into the picture.
bool warp(Bgra& picture, const RowMap& map, int border, const cv::Scalar& background = cv::Scalar::all(0)) {
    try {
        cv::Mat out = as_mat(picture);
        const cv::Mat source = source_of(picture);
        Sampling sampling;
        sampling.border = border;
        sampling.background = background;
        if (!remap_rows(source, out, map, sampling)) return false;
        picture.pending = nullptr;
        return true;
    } catch (...) {
        return false;
    }
}

template <class F>
bool warp_points(Bgra& picture, int border, F f, const cv::Scalar& background = cv::Scalar::all(0)) {
    return warp(picture, PointMap<F>(f), border, background);
}

template <class F>
bool warp_lanes(Bgra& picture, int border, F f) {
    return warp(picture, LaneMap<F>(f), border);
}

}  // namespace

// Twirl: 3 angle at the centre (degrees, counter-clockwise as seen),
// 4 and 5 the radii across and down (percent of half the width and of half
// the height, 1..100), 7 tiled: the picture is cut into cells of the twirl's
// size and each cell twirls about its own centre. Inside the ellipse the turn
// is angle * (1 - rho)^2, rho the distance from the centre in radii.
bool twirl(Bgra& picture, const EffectValues& v) {
    const float angle = float(held(v[3], -36000, 36000) * kPi / 180.0);
    if (angle == 0.0f) return true;
    const float rx = std::max(1.0f, float(held(v[4], 1, 100)) / 100.0f * float(picture.width) * 0.5f);
    const float ry = std::max(1.0f, float(held(v[5], 1, 100)) / 100.0f * float(picture.height) * 0.5f);
    const bool tiled = v[7] != 0;
    const float pcx = (float(picture.width) - 1.0f) * 0.5f, pcy = (float(picture.height) - 1.0f) * 0.5f;
    using simd::Float4;
    return warp_lanes(picture, cv::BORDER_REFLECT_101, [=](Float4 x, Float4 y, Float4& sx, Float4& sy) {
        // Cells of the twirl's size, each about its own centre, when tiled;
        // coordinates are never negative, so truncation is the floor.
        const Float4 wx = 2 * rx, wy = 2 * ry, half = 0.5f;
        const Float4 cx = tiled ? (simd::trunc_of((x + half) / wx) + half) * wx - half : Float4(pcx);
        const Float4 cy = tiled ? (simd::trunc_of((y + half) / wy) + half) * wy - half : Float4(pcy);
        const Float4 nx = (x - cx) * Float4(1.0f / rx), ny = (y - cy) * Float4(1.0f / ry);
        // Outside the ellipse the turn is 0 and the point stays.
        const Float4 rest = simd::max_of(Float4(1.0f) - simd::sqrt_of(nx * nx + ny * ny), Float4(0.0f));
        Float4 s, c;
        sincos4(Float4(angle) * rest * rest, s, c);
        sx = cx + (nx * c - ny * s) * Float4(rx);
        sy = cy + (nx * s + ny * c) * Float4(ry);
    });
}

// Sine distortion: 3 wavelength across (pixels) and 5 its amplitude: rows
// of pixels move up and down by amplitude * sin(2 pi (x + 7) / wavelength);
// 4 wavelength down and 6 its amplitude move columns left and right by
// amplitude * sin(2 pi (y + 8) / wavelength); 7 and 8 are phases in pixels;
// 9 wraps around the edges (else the edge pixels repeat). A wavelength of 0
// or less is no wave.
bool sine_distortion(Bgra& picture, const EffectValues& v) {
    const double across = held(v[3], 0, kMaxReach), down = held(v[4], 0, kMaxReach);
    const float ax = float(held(v[5], -kMaxReach, kMaxReach)), ay = float(held(v[6], -kMaxReach, kMaxReach));
    const float phaseX = float(held(v[7], -kMaxReach, kMaxReach)), phaseY = float(held(v[8], -kMaxReach, kMaxReach));
    const bool waveX = across > 0 && ax != 0, waveY = down > 0 && ay != 0;
    if (!waveX && !waveY) return true;
    PeriodicTable wx, wy;
    auto sine = [](double phase) { return std::sin(2 * kPi * phase); };
    if (waveX) wx.fill(across, sine);
    if (waveY) wy.fill(down, sine);
    const int border = v[9] != 0 ? cv::BORDER_WRAP : cv::BORDER_REPLICATE;
    return warp_points(picture, border, [&](float x, float y, float& sx, float& sy) {
        sx = waveY ? x + ay * wy.at(y + phaseY) : x;
        sy = waveX ? y + ax * wx.at(x + phaseX) : y;
    });
}

// Waves: 3 amplitude (tenths of a pixel), 4 wavelength (pixels; 0 is no
// wave), 6 the direction the waves run (degrees, counter-clockwise as seen
// from the right), 5 wraps around the edges. Pixels move across the
// direction of travel.
bool waves(Bgra& picture, const EffectValues& v) {
    const float amplitude = float(held(v[3], -kMaxReach * 10, kMaxReach * 10)) / 10.0f;
    const double length = held(v[4], 0, kMaxReach);
    if (length <= 0 || amplitude == 0.0f) return true;
    const double a = (v[6] % 360) * kPi / 180.0;
    const float ux = float(std::cos(a)), uy = float(-std::sin(a));  // along the travel
    const float nx = -uy, ny = ux;                                  // across it
    PeriodicTable wave;
    wave.fill(length, [](double phase) { return std::sin(2 * kPi * phase); });
    const int border = v[5] != 0 ? cv::BORDER_WRAP : cv::BORDER_REPLICATE;
    return warp_points(picture, border, [&](float x, float y, float& sx, float& sy) {
        const float shift = amplitude * wave.at(x * ux + y * uy);
        sx = x + shift * nx;
        sy = y + shift * ny;
    });
}

// Divider: 3 columns and 4 rows (1..1000): the picture shrunk into every
// cell of the grid.
bool divider(Bgra& picture, const EffectValues& v) {
    const float columns = float(held(v[3], 1, 1000)), rows = float(held(v[4], 1, 1000));
    if (columns == 1.0f && rows == 1.0f) return true;
    const float w = float(picture.width), h = float(picture.height);
    return warp_points(picture, cv::BORDER_WRAP, [&](float x, float y, float& sx, float& sy) {
        const float u = (x + 0.5f) * columns, t = (y + 0.5f) * rows;
        sx = u - std::floor(u / w) * w - 0.5f;
        sy = t - std::floor(t / h) * h - 0.5f;
    });
}

namespace {

// The tile about the middle of a side of `size`, repeated mirrored every
// other time: tile i shows the middle tile flipped when i is odd.
int32_t fold_into_tile(int32_t x, int32_t size, int32_t tile) {
    if (tile >= size) return x;
    const int32_t origin = (size - tile) / 2;
    const int64_t u = int64_t(x) - origin;
    const int64_t k = u >= 0 ? u / tile : -((-u + tile - 1) / tile);
    int64_t r = u - k * tile;
    if (k % 2 != 0) r = tile - 1 - r;
    return int32_t(origin + r);
}

}  // namespace

// Carpet: 3 tile width and 4 tile height (pixels; 0 or the picture's size
// keeps that direction): the tile in the middle of the picture is laid over
// it, mirrored on every other column and row, so the pattern has no seams.
bool carpet(Bgra& picture, const EffectValues& v) {
    const int32_t tw = v[3] <= 0 ? picture.width : held(v[3], 1, kMaxReach);
    const int32_t th = v[4] <= 0 ? picture.height : held(v[4], 1, kMaxReach);
    if (tw >= picture.width && th >= picture.height) return true;
    return warp_points(picture, cv::BORDER_REPLICATE, [&](float x, float y, float& sx, float& sy) {
        sx = float(fold_into_tile(int32_t(x), picture.width, tw));
        sy = float(fold_into_tile(int32_t(y), picture.height, th));
    });
}

// Voxel: 3 block size (pixels, 2..10000): the picture as blocks of its mean
// colour, each lit from the top left: the top and left eighth of a block
// (at least a pixel) a quarter brighter, the bottom and right a quarter
// darker. Alpha takes the block's mean.
bool voxel(Bgra& picture, const EffectValues& v) {
    const int32_t block = held(v[3], 2, 10000);
    const int32_t bevel = std::max(1, block / 8);
    for (int32_t by = 0; by < picture.height; by += block)
        for (int32_t bx = 0; bx < picture.width; bx += block) {
            const int32_t ex = std::min(bx + block, picture.width), ey = std::min(by + block, picture.height);
            uint64_t sum[4] = {};
            for (int32_t y = by; y < ey; ++y)
                for (int32_t x = bx; x < ex; ++x)
                    for (int c = 0; c < 4; ++c) sum[c] += picture.row(y)[x * 4 + c];
            const uint64_t n = uint64_t(ex - bx) * uint64_t(ey - by);
            uint8_t mean[4];
            for (int c = 0; c < 4; ++c) mean[c] = uint8_t((sum[c] + n / 2) / n);
            for (int32_t y = by; y < ey; ++y)
                for (int32_t x = bx; x < ex; ++x) {
                    uint8_t* p = picture.row(y) + x * 4;
                    const bool lit = x - bx < bevel || y - by < bevel;
                    const bool shaded = ex - 1 - x < bevel || ey - 1 - y < bevel;
                    const int32_t percent = lit && !shaded ? 125 : shaded && !lit ? 75 : 100;
                    for (int c = 0; c < 3; ++c) p[c] = uint8_t(std::min(255, mean[c] * percent / 100));
                    p[3] = mean[3];
                }
        }
    return true;
}

// Glass: 3 seed, 4 cells (how many glass blocks cover the picture),
// 5 strength (pixels): the picture is seen through a block of glass in
// every cell of a jittered grid, each block magnifying about its own
// middle by 1 / (1 - k), k = strength / cell size (at most 0.95).
bool glass(Bgra& picture, const EffectValues& v) {
    const double strength = held(v[5], 0, kMaxReach);
    if (strength == 0) return true;
    const double cells = held(v[4], 1, 1000000);
    const float size = float(std::max(2.0, std::sqrt(double(picture.pixels()) / cells)));
    const float k = float(std::min(strength / size, 0.95));
    const uint32_t seed = uint32_t(v[3]);
    // The block's middle in grid cell (i, j): somewhere in its inner half.
    auto site = [&](int32_t i, int32_t j, float& x, float& y) {
        const uint32_t h = hash_point(i, j, seed);
        x = (float(i) + 0.25f + 0.5f * float(h & 0xFFFFu) / 65535.0f) * size;
        y = (float(j) + 0.25f + 0.5f * float(h >> 16) / 65535.0f) * size;
    };
    return warp_points(picture, cv::BORDER_REPLICATE, [&](float x, float y, float& sx, float& sy) {
        const int32_t ci = int32_t(std::floor(x / size)), cj = int32_t(std::floor(y / size));
        float best = INFINITY, bx = x, by = y;
        for (int32_t j = cj - 1; j <= cj + 1; ++j)
            for (int32_t i = ci - 1; i <= ci + 1; ++i) {
                float px, py;
                site(i, j, px, py);
                const float d = (px - x) * (px - x) + (py - y) * (py - y);
                if (d < best) {
                    best = d;
                    bx = px;
                    by = py;
                }
            }
        sx = bx + (x - bx) * (1.0f - k);
        sy = by + (y - by) * (1.0f - k);
    });
}

// Kaleidoscope: 3 and 4 the centre (pixels, taken round the picture's
// width and height; a negative one is the picture's centre), 5 mirror pairs n (1..360; 0 keeps the picture), 6 turn
// of the first wedge (degrees). The circle about the centre is cut into 2n
// wedges of 180 / n degrees; every wedge shows the first, mirrored in every
// other one, so each edge between wedges is a mirror.
bool kaleidoscope(Bgra& picture, const EffectValues& v) {
    if (v[5] <= 0) return true;
    const int32_t n = held(v[5], 1, 360);
    const float cx = v[3] < 0 ? (float(picture.width) - 1.0f) * 0.5f : float(v[3] % picture.width);
    const float cy = v[4] < 0 ? (float(picture.height) - 1.0f) * 0.5f : float(v[4] % picture.height);
    const float wedge = float(kPi / n), pair = 2.0f * wedge, perPair = 1.0f / pair;
    const float start = float((v[6] % 360) * kPi / 180.0), round = float(2 * kPi);
    using simd::Float4;
    return warp_lanes(picture, cv::BORDER_REFLECT_101, [=](Float4 x, Float4 y, Float4& sx, Float4& sy) {
        const Float4 dx = x - Float4(cx), dy = y - Float4(cy), zero = 0.0f;
        // The angle from the first wedge's start, 0 .. 2 pi, folded into
        // the first wedge: taken round by whole pairs, then mirrored when
        // it lies in the pair's second wedge.
        Float4 a = atan2_4(dy, dx) - Float4(start);
        a = simd::select(a < zero, a + Float4(round), a);
        a = simd::select(a < zero, a + Float4(round), a);
        Float4 r = a - simd::trunc_of(a * Float4(perPair)) * Float4(pair);
        r = simd::select(r > Float4(wedge), Float4(pair) - r, r);
        Float4 s, c;
        sincos4(r + Float4(start), s, c);
        const Float4 d = simd::sqrt_of(dx * dx + dy * dy);
        sx = Float4(cx) + d * c;
        sy = Float4(cy) + d * s;
    });
}

// Zoom: 3 scale (percent, 100 keeps the size), 4 and 5 the point shown in
// the middle, as tenths of a percent of the width and height away from the
// centre (-1000..1000), 7 tiled: beyond the picture it repeats (else
// transparent black).
bool zoom(Bgra& picture, const EffectValues& v) {
    const float scale = float(held(v[3], 1, kMaxReach)) / 100.0f;
    const float ox = float(held(v[4], -1000, 1000)) / 1000.0f * float(picture.width);
    const float oy = float(held(v[5], -1000, 1000)) / 1000.0f * float(picture.height);
    if (scale == 1.0f && ox == 0.0f && oy == 0.0f) return true;
    const float pcx = (float(picture.width) - 1.0f) * 0.5f, pcy = (float(picture.height) - 1.0f) * 0.5f;
    const int border = v[7] != 0 ? cv::BORDER_WRAP : cv::BORDER_CONSTANT;
    return warp_points(picture, border, [&](float x, float y, float& sx, float& sy) {
        sx = pcx + ox + (x - pcx) / scale;
        sy = pcy + oy + (y - pcy) / scale;
    });
}

// Rotation: 3 degrees (counter-clockwise as seen), 4 scale (percent, 1 or
// more). The picture turns about its centre ((w - 1) / 2, (h - 1) / 2),
// keeping its size; what comes from outside is transparent black.
bool rotate(Bgra& picture, const EffectValues& v) {
    const int32_t percent = v[kRotateScaleValue];
    if (percent <= 0) return false;
    const cv::Mat out = as_mat(picture);
    const bool done = run_opencv(out, [&](cv::Mat& o) {
        const cv::Mat before = source_of(picture);
        const cv::Point2f centre((float(picture.width) - 1) * 0.5f, (float(picture.height) - 1) * 0.5f);
        const cv::Mat turn = cv::getRotationMatrix2D(centre, double(v[kRotateAngleValue]), percent / 100.0);
        cv::warpAffine(before, o, turn, o.size(), cv::INTER_LINEAR, cv::BORDER_CONSTANT, cv::Scalar::all(0));
    }) != 0;
    if (done) picture.pending = nullptr;
    return done;
}

// Seamless: 3 band width (pixels, up to half the shorter side). Within the
// band along the left and right edges the picture fades into a copy of
// itself moved sideways by half its width, wrapping around, and at the
// edges shows only that copy; then the same is done down the picture with a
// copy moved by half its height. The copies' own seams fall where they do
// not show, so opposite edges meet without a seam when the picture is tiled.
bool seamless(Bgra& picture, const EffectValues& v) {
    const int32_t band = held(v[3], 0, std::min(picture.width, picture.height) / 2);
    if (band == 0) return true;
    const int32_t w = picture.width, h = picture.height;
    auto fade = [band](int32_t i, int32_t side) {
        const int32_t d = std::min(i, side - 1 - i);
        return d >= band ? 0.0f : 1.0f - float(d) / float(band);
    };
    auto mix = [](uint8_t* out, const uint8_t* moved, float k) {
        for (int c = 0; c < 4; ++c) out[c] = uint8_t(float(out[c]) * (1.0f - k) + float(moved[c]) * k + 0.5f);
    };
    std::vector<uint8_t> copy(picture.px, picture.px + picture.pixels() * 4);
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* source = copy.data() + size_t(y) * size_t(w) * 4;
        uint8_t* out = picture.row(y);
        for (int32_t x = 0; x < w; ++x) {
            const float k = fade(x, w);
            if (k > 0.0f) mix(out + x * 4, source + size_t((x + w / 2) % w) * 4, k);
        }
    }
    std::copy(picture.px, picture.px + copy.size(), copy.begin());
    for (int32_t y = 0; y < h; ++y) {
        const float k = fade(y, h);
        if (k == 0.0f) continue;
        const uint8_t* moved = copy.data() + size_t((y + h / 2) % h) * size_t(w) * 4;
        uint8_t* out = picture.row(y);
        for (int32_t x = 0; x < w; ++x) mix(out + x * 4, moved + size_t(x) * 4, k);
    }
    return true;
}

// Tilt: 3 horizontal shear, 4 vertical shear (pixels at the picture's far
// edges, either way): row y slides by 3 * (y - cy) / height, column x by
// 4 * (x - cx) / width; the picture wraps around.
bool tilt(Bgra& picture, const EffectValues& v) {
    const float sh = float(held(v[3], -kMaxReach, kMaxReach)), sv = float(held(v[4], -kMaxReach, kMaxReach));
    if (sh == 0.0f && sv == 0.0f) return true;
    const float w = float(picture.width), h = float(picture.height);
    const float cx = (w - 1.0f) * 0.5f, cy = (h - 1.0f) * 0.5f;
    return warp_points(picture, cv::BORDER_WRAP, [&](float x, float y, float& sx, float& sy) {
        sx = x + sh * (y - cy) / h;
        sy = y + sv * (x - cx) / w;
    });
}

}  // namespace imglib::detail
