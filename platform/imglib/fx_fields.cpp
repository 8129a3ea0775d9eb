// The field generators of the effect-script module: plasmas, noises, blobs
// and patterns, each a layer of colour over the whole picture laid over it
// in a blend mode.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <opencv2/imgproc.hpp>
#include <vector>

#include "platform/imglib/generator_layer.h"
#include "platform/imglib/random_fields.h"
#include "platform/imglib/picture.h"
#include "platform/imglib/script_effects.h"

namespace imglib::detail {

namespace {

constexpr double kPi = std::numbers::pi;

// A float field of the picture's size, 0..1.
using Field = cv::Mat;

// Stretches a field to 0..1 (a flat field becomes 0.5).
void normalise(Field& f) {
    double lo = 0, hi = 0;
    cv::minMaxLoc(f, &lo, &hi);
    if (hi > lo) f = (f - lo) * (1.0 / (hi - lo));
    else f.setTo(0.5);
}

void fill_random(cv::Mat& grid, Rng& rng, float amplitude) {
    for (int y = 0; y < grid.rows; ++y) {
        float* r = grid.ptr<float>(y);
        for (int x = 0; x < grid.cols; ++x) r[x] += amplitude * float(rng.signed_unit());
    }
}

// Clouds: random grids of halving cell size, each enlarged twice over onto
// the next (a pyramid of value noise), the finer ones weighted by
// persistence^level. Only the part that covers the picture is kept at each
// level, so the last enlargement does about as much work as the picture has
// pixels.
Field cloud_field(int32_t w, int32_t h, uint32_t seed, float persistence) {
    Rng rng(seed);
    int32_t cell = 1;
    while (cell * 4 <= std::max(w, h)) cell *= 2;
    auto cells = [](int32_t side, int32_t size) { return side / size + 4; };
    cv::Mat grid(cells(h, cell), cells(w, cell), CV_32F, cv::Scalar(0));
    fill_random(grid, rng, 1.0f);
    float amplitude = 1.0f;
    while (cell > 1) {
        cell /= 2;
        amplitude *= persistence;
        cv::Mat finer;
        const cv::Mat keep = grid(cv::Rect(0, 0, std::min(grid.cols, cells(w, cell) / 2 + 2),
                                           std::min(grid.rows, cells(h, cell) / 2 + 2)));
        cv::resize(keep, finer, cv::Size(keep.cols * 2, keep.rows * 2), 0, 0, cv::INTER_CUBIC);
        grid = finer;
        fill_random(grid, rng, amplitude);
    }
    Field f = grid(cv::Rect(1, 1, w, h)).clone();
    normalise(f);
    return f;
}

// The midpoint displacement of a square grid of 2^k + 1 points a side
// (diamond-square), displacements halving at each level.
Field diamond_square(int32_t w, int32_t h, uint32_t seed) {
    constexpr int32_t kLargestGrid = 2049;
    int32_t n = 3;
    while (n - 1 < std::max(w, h) && n < kLargestGrid) n = (n - 1) * 2 + 1;
    cv::Mat g(n, n, CV_32F, cv::Scalar(0));
    Rng rng(seed);
    auto at = [&](int32_t x, int32_t y) -> float& { return g.at<float>(y, x); };
    for (int32_t y : {0, n - 1})
        for (int32_t x : {0, n - 1}) at(x, y) = float(rng.signed_unit());
    float amplitude = 1.0f;
    for (int32_t step = n - 1; step > 1; step /= 2, amplitude *= 0.5f) {
        const int32_t half = step / 2;
        for (int32_t y = half; y < n; y += step)
            for (int32_t x = half; x < n; x += step)
                at(x, y) = (at(x - half, y - half) + at(x + half, y - half) + at(x - half, y + half) +
                            at(x + half, y + half)) * 0.25f + amplitude * float(rng.signed_unit());
        for (int32_t y = 0; y < n; y += half)
            for (int32_t x = (y / half) % 2 == 0 ? half : 0; x < n; x += step) {
                float sum = 0;
                int32_t count = 0;
                for (auto [dx, dy] : {std::pair{-half, 0}, {half, 0}, {0, -half}, {0, half}}) {
                    const int32_t px = x + dx, py = y + dy;
                    if (px < 0 || py < 0 || px >= n || py >= n) continue;
                    sum += at(px, py);
                    ++count;
                }
                at(x, y) = sum / float(count) + amplitude * float(rng.signed_unit());
            }
    }
    Field f;
    if (n - 1 >= std::max(w, h)) f = g(cv::Rect(0, 0, w, h)).clone();
    else cv::resize(g, f, cv::Size(w, h), 0, 0, cv::INTER_CUBIC);
    normalise(f);
    return f;
}

uint16_t colour16(uint8_t byte, float t) { return uint16_t(std::clamp(float(byte) * 256.0f * t, 0.0f, 65280.0f)); }

// Lays fields as shades of a colour: one field for every channel, or (three
// fields) each channel its own.
void lay_fields(Bgra& picture, const Field* fields, bool threeFields, Colour c, int32_t scriptMode) {
    const uint8_t bytes[3] = {c.b, c.g, c.r};
    blend_layer(picture, engine_mode_of_script_mode(scriptMode), [&](int32_t y, uint16_t* out) {
        const float* f[3];
        for (int k = 0; k < 3; ++k) f[k] = fields[threeFields ? k : 0].ptr<float>(y);
        for (int32_t x = 0; x < picture.width; ++x, out += 4) {
            for (int k = 0; k < 3; ++k) out[k] = colour16(bytes[k], f[k][x]);
            out[3] = 65535;
        }
    });
}

// A field per channel when `coloured`, each from its own seed.
template <class Make>
bool fields_generator(Bgra& picture, bool coloured, Colour c, int32_t mode, Make make) {
    Field fields[3];
    for (int k = 0; k < (coloured ? 3 : 1); ++k) fields[k] = make(uint32_t(k) * 0x9E3779B9u);
    lay_fields(picture, fields, coloured, c, mode);
    return true;
}

float smoothstep(float a, float b, float x) {
    const float t = std::clamp((x - a) / (b - a), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

}  // namespace

// Plasma (clouds): 3 seed, 4 detail (0..500: how strongly the finer
// layers count), 12 coloured (a field for each channel, else shades of the
// colour), 5-7 colour, 11 blend mode.
bool plasma(Bgra& picture, const EffectValues& v) {
    const float persistence = 0.35f + float(held(v[4], 0, 500)) / 1000.0f;
    return fields_generator(picture, v[12] != 0, Colour::of(v[5], v[6], v[7]), v[11], [&](uint32_t salt) {
        return cloud_field(picture.width, picture.height, uint32_t(v[3]) ^ salt, persistence);
    });
}

// Fractal plasma (diamond-square): 3 seed, 11 coloured, 4-6 colour,
// 10 blend mode.
bool fractal_plasma(Bgra& picture, const EffectValues& v) {
    return fields_generator(picture, v[11] != 0, Colour::of(v[4], v[5], v[6]), v[10], [&](uint32_t salt) {
        return diamond_square(picture.width, picture.height, uint32_t(v[3]) ^ salt);
    });
}

// Perlin noise: 3 seed, 4 scale (the largest features, in percent of the
// shorter side, 1..1000), 5 persistence (percent, 1..100), 13 turbulent
// (absolute values: billows), 6-8 colour, 12 blend mode.
bool perlin_noise(Bgra& picture, const EffectValues& v) {
    const float cell = std::max(2.0f, float(held(v[4], 1, 1000)) * float(std::min(picture.width, picture.height)) / 100.0f);
    const float persistence = float(held(v[5], 1, 100)) / 100.0f;
    const bool turbulent = v[13] != 0;
    int32_t octaves = 1;
    while (octaves < 12 && cell / float(1 << octaves) >= 2.0f) ++octaves;
    Field f(picture.height, picture.width, CV_32F);
    for (int32_t y = 0; y < picture.height; ++y) {
        float* r = f.ptr<float>(y);
        for (int32_t x = 0; x < picture.width; ++x)
            r[x] = fractal_noise(float(x) / cell, float(y) / cell, uint32_t(v[3]), octaves, persistence, turbulent);
    }
    normalise(f);
    lay_fields(picture, &f, false, Colour::of(v[6], v[7], v[8]), v[12]);
    return true;
}

// Blobs (metaballs): 3 seed, 4 count, 5 size (radius of a lone blob),
// 14 hard edges, 7-9 colour, 13 blend mode. Blobs near each other melt
// together.
bool blobs(Bgra& picture, const EffectValues& v) {
    const float size = float(held(v[5], 1, 40000));
    const float reach = 2.0f * size;  // a blob's field reaches twice its radius
    const int32_t n = std::min(held(v[4], 0, 1000000), shape_budget(picture, 1, double(2 * reach + 1) * (2 * reach + 1)));
    Field f(picture.height, picture.width, CV_32F, cv::Scalar(0));
    Rng rng{uint32_t(v[3])};
    for (int32_t i = 0; i < n; ++i) {
        const float cx = float(rng.between(0.0, picture.width)), cy = float(rng.between(0.0, picture.height));
        const float r = reach * float(rng.between(0.5, 1.0)), r2 = r * r;
        const int32_t y0 = std::max(0, int32_t(cy - r)), y1 = std::min(picture.height - 1, int32_t(cy + r) + 1);
        const int32_t x0 = std::max(0, int32_t(cx - r)), x1 = std::min(picture.width - 1, int32_t(cx + r) + 1);
        for (int32_t y = y0; y <= y1; ++y) {
            float* row = f.ptr<float>(y);
            const float dy = float(y) - cy;
            for (int32_t x = x0; x <= x1; ++x) {
                const float dx = float(x) - cx, s = 1.0f - (dx * dx + dy * dy) / r2;
                if (s > 0) row[x] += s * s;
            }
        }
    }
    // A lone blob's field is (1 - 1/4)^2 at half its reach: its edge.
    constexpr float kEdge = 0.5625f;
    const float soft = v[14] != 0 ? 0.04f : 0.5f;
    const Colour c = Colour::of(v[7], v[8], v[9]);
    const uint16_t colour[3] = {uint16_t(c.b << 8), uint16_t(c.g << 8), uint16_t(c.r << 8)};
    blend_layer(picture, engine_mode_of_script_mode(v[13]), [&](int32_t y, uint16_t* out) {
        const float* row = f.ptr<float>(y);
        for (int32_t x = 0; x < picture.width; ++x, out += 4) {
            const float a = smoothstep(kEdge * (1 - soft), kEdge * (1 + soft), row[x]);
            for (int k = 0; k < 3; ++k) out[k] = colour[k];
            out[3] = uint16_t(a * 65535.0f + 0.5f);
        }
    });
    return true;
}

// Noise grains: 3 seed, 4 density (percent of the grains present), 5 grain
// size (pixels), 6 strength variation (percent: a grain's opacity is
// 1 down to 1 - this), 14 coloured (random colours), 7-9 colour,
// 13 blend mode.
bool grain_noise(Bgra& picture, const EffectValues& v) {
    const uint32_t density = uint32_t(held(v[4], 0, 100));
    const int32_t grain = held(v[5], 1, 10000);
    const float variation = float(held(v[6], 0, 100)) / 100.0f;
    const bool coloured = v[14] != 0;
    const uint32_t seed = uint32_t(v[3]);
    const Colour c = Colour::of(v[7], v[8], v[9]);
    blend_layer(picture, engine_mode_of_script_mode(v[13]), [&](int32_t y, uint16_t* out) {
        for (int32_t x = 0; x < picture.width; ++x, out += 4) {
            const uint32_t h = hash_point(x / grain, y / grain, seed);
            if ((h & 0xFFFFu) * 100u >= density * 65536u) {
                out[0] = out[1] = out[2] = out[3] = 0;
                continue;
            }
            const float opacity = 1.0f - variation * float((h >> 16) & 0xFFu) / 255.0f;
            if (coloured) {
                const uint32_t k = hash_point(x / grain, y / grain, seed ^ 0xC0104u);
                for (int ch = 0; ch < 3; ++ch) out[ch] = uint16_t(((k >> (8 * ch)) & 0xFFu) << 8);
            } else {
                out[0] = uint16_t(c.b << 8);
                out[1] = uint16_t(c.g << 8);
                out[2] = uint16_t(c.r << 8);
            }
            out[3] = uint16_t(opacity * 65535.0f + 0.5f);
        }
    });
    return true;
}

// Sine plasma: 3 waves across the width, 4 waves down the height,
// 5 diagonal waves (tenths), 6 rings about the centre (tenths), 7-9 colour,
// 13 blend mode. The waves' mean t (-1..1) gives each channel
// colour * (0.5 + 0.5 * sin(pi * t + k * 2 pi / 3)), k = 0, 1, 2 for
// red, green, blue.
bool sine_plasma(Bgra& picture, const EffectValues& v) {
    const double w = picture.width, h = picture.height;
    const double fx = held(v[3], 0, 10000), fy = held(v[4], 0, 10000);
    const double fd = held(v[5], 0, 100000) / 10.0, fr = held(v[6], 0, 100000) / 10.0;
    const int32_t active = (fx > 0) + (fy > 0) + (fd > 0) + (fr > 0);
    std::vector<float> across(size_t(picture.width)), down(size_t(picture.height));
    for (int32_t x = 0; x < picture.width; ++x) across[size_t(x)] = float(std::sin(2 * kPi * fx * x / w));
    for (int32_t y = 0; y < picture.height; ++y) down[size_t(y)] = float(std::sin(2 * kPi * fy * y / h));
    const double diagonal = 2 * kPi * fd / (w + h), ring = 2 * kPi * fr / std::max(w, h);
    const double cx = (w - 1) * 0.5, cy = (h - 1) * 0.5;
    const Colour c = Colour::of(v[7], v[8], v[9]);
    const uint8_t bytes[3] = {c.b, c.g, c.r};
    // Picture order is blue, green, red: red takes phase 0.
    const double phase[3] = {4 * kPi / 3, 2 * kPi / 3, 0};
    blend_layer(picture, engine_mode_of_script_mode(v[13]), [&](int32_t y, uint16_t* out) {
        for (int32_t x = 0; x < picture.width; ++x, out += 4) {
            double sum = 0;
            if (fx > 0) sum += across[size_t(x)];
            if (fy > 0) sum += down[size_t(y)];
            if (fd > 0) sum += std::sin(diagonal * (x + y));
            if (fr > 0) sum += std::sin(ring * std::hypot(x - cx, y - cy));
            const double t = active > 0 ? sum / active : 0.0;
            for (int k = 0; k < 3; ++k)
                out[k] = colour16(bytes[k], float(0.5 + 0.5 * std::sin(kPi * t + phase[k])));
            out[3] = 65535;
        }
    });
    return true;
}

namespace {

// One cell of a pattern: u and v run 0..1 across it, cw and ch are its size
// in pixels, pen the line width; the result is 0 (black) .. 1 (white),
// edges anti-aliased over a pixel.
using PatternCell = float (*)(double u, double v, double iu, double iv, double cw, double ch, double pen);

float edge_soft(double inside) { return float(std::clamp(inside + 0.5, 0.0, 1.0)); }

// Distance in pixels from (u, v) to the cell's nearest border.
double to_border(double u, double v, double cw, double ch) {
    return std::min({u * cw, (1 - u) * cw, v * ch, (1 - v) * ch});
}

float checker(double u, double v, double iu, double iv, double cw, double ch, double) {
    const bool white = (int64_t(iu) + int64_t(iv)) % 2 == 0;
    const double d = to_border(u, v, cw, ch);
    return float(0.5 + (white ? 0.5 : -0.5) * std::clamp(d * 2.0, 0.0, 1.0));
}
float stripes(double, double v, double, double iv, double, double ch, double) {
    const bool white = int64_t(iv) % 2 == 0;
    const double d = std::min(v * ch, (1 - v) * ch);
    return float(0.5 + (white ? 0.5 : -0.5) * std::clamp(d * 2.0, 0.0, 1.0));
}
float grid(double u, double v, double, double, double cw, double ch, double pen) {
    return edge_soft(pen * 0.5 - to_border(u, v, cw, ch));
}
float dots(double u, double v, double, double, double cw, double ch, double) {
    const double r = std::min(cw, ch) * 0.35;
    return edge_soft(r - std::hypot((u - 0.5) * cw, (v - 0.5) * ch));
}
float diamonds(double u, double v, double, double, double cw, double ch, double) {
    const double inside = (1.0 - 2.0 * std::fabs(u - 0.5) - 2.0 * std::fabs(v - 0.5)) * std::min(cw, ch) * 0.5;
    return edge_soft(inside);
}
float zigzag(double u, double v, double, double iv, double, double ch, double) {
    const double tri = u < 0.5 ? 2 * u : 2 - 2 * u;  // 0..1..0 across the cell
    double s = v + (iv - std::floor(iv / 2) * 2) + 0.5 * tri;
    s -= std::floor(s / 2) * 2;  // 0..2: white below 1
    const double d = std::min({std::fabs(s - 1), s, 2 - s}) * ch;
    return float(0.5 + (s < 1 ? 0.5 : -0.5) * std::clamp(d * 2.0, 0.0, 1.0));
}
float bricks(double u, double v, double, double iv, double cw, double ch, double pen) {
    const double shifted = int64_t(iv) % 2 == 0 ? u : u + 0.5 - std::floor(u + 0.5);
    return edge_soft(to_border(shifted, v, cw, ch) - pen * 0.5);
}

constexpr PatternCell kPatternCells[] = {checker, stripes, grid, dots, diamonds, zigzag, bricks};
constexpr int32_t kPatternKinds = int32_t(std::size(kPatternCells));

}  // namespace

// Pattern (black and white): 3 cell width, 4 cell height (pixels, 2..10000),
// 12 turn (degrees), 5 line width (pixels), 11 contrast (percent),
// 6 kind (0 checkerboard, 1 stripes, 2 grid, 3 dots, 4 diamonds, 5 zig-zag,
// 6 bricks; other numbers count round), 13 inverted, 10 blend mode.
bool pattern(Bgra& picture, const EffectValues& v) {
    const double cw = held(v[3], 2, 10000), ch = held(v[4], 2, 10000), pen = std::max(held(v[5], 0, 1000), 1);
    const double turn = (v[12] % 360) * kPi / 180.0, cs = std::cos(turn), sn = std::sin(turn);
    const float contrast = float(held(v[11], 0, 100)) / 100.0f;
    const bool inverted = v[13] != 0;
    const PatternCell cell = kPatternCells[((v[6] % kPatternKinds) + kPatternKinds) % kPatternKinds];
    const double cx = (picture.width - 1) * 0.5, cy = (picture.height - 1) * 0.5;
    blend_layer(picture, engine_mode_of_script_mode(v[10]), [&](int32_t y, uint16_t* out) {
        for (int32_t x = 0; x < picture.width; ++x, out += 4) {
            const double px = x - cx, py = y - cy;
            // Turned counter-clockwise as seen, about the centre.
            const double lu = (px * cs - py * sn) / cw + 0.5, lv = (px * sn + py * cs) / ch + 0.5;
            const double iu = std::floor(lu), iv = std::floor(lv);
            float t = cell(lu - iu, lv - iv, iu, iv, cw, ch, pen);
            t = 0.5f + (t - 0.5f) * contrast;
            if (inverted) t = 1.0f - t;
            out[0] = out[1] = out[2] = uint16_t(t * 65280.0f);
            out[3] = 65535;
        }
    });
    return true;
}

}  // namespace imglib::detail
