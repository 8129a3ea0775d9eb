// The shape generators of the effect-script module: lines, circles,
// rectangles, splines, worms, points, scratches, trees and fibres, each a
// number of anti-aliased shapes at seeded random places, laid over the
// picture in a blend mode.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "platform/imglib/generator_layer.h"
#include "platform/imglib/random_fields.h"
#include "platform/imglib/script_effects.h"

namespace imglib::detail {

namespace {

constexpr float kPi = std::numbers::pi_v<float>;
// Lengths and sizes are held to four times the largest picture side.
constexpr int32_t kMaxReach = 40000;

// How each shape is coloured: the colour made lighter or darker by up to
// `variation` percent of the full range, each channel then shifted by up
// to half that again on its own; at full opacity or, when opacityVaries, at
// a random opacity from 0.3 to 1.
struct Ink {
    Colour colour;
    int32_t variation = 0;
    bool opacityVaries = false;

    Colour pick(Rng& rng) const {
        const double spread = held(variation, 0, 100) * 2.55, light = rng.signed_unit() * spread;
        auto shift = [&](uint8_t v) { return int32_t(std::lround(v + light + rng.signed_unit() * spread * 0.5)); };
        const int32_t b = shift(colour.b), g = shift(colour.g), r = shift(colour.r);
        return Colour::of(r, g, b);
    }
    float opacity(Rng& rng) const { return opacityVaries ? float(rng.between(0.3, 1.0)) : 1.0f; }
};

Ink ink_of(const EffectValues& v, int32_t red, int32_t variation, int32_t varies) {
    Ink ink;
    ink.colour = Colour::of(v[size_t(red)], v[size_t(red) + 1], v[size_t(red) + 2]);
    ink.variation = variation >= 0 ? v[size_t(variation)] : 0;
    ink.opacityVaries = varies >= 0 && v[size_t(varies)] != 0;
    return ink;
}

// A size reduced by up to `variation` percent at random.
float varied(Rng& rng, float size, int32_t variation) {
    return size * float(1.0 - held(variation, 0, 100) / 100.0 * rng.unit());
}

// Draws `count` shapes (held to the budget for shapes of `pieces` pieces of
// `pieceArea` pixels), each with its own ink, then lays the layer over the
// picture.
template <class Draw>
bool draw_shapes(Bgra& picture, const EffectValues& v, int32_t seed, int32_t count, double pieces, double pieceArea,
                 const Ink& ink, int32_t mode, Draw draw) {
    ShapeLayer layer;
    if (!layer.allocate(picture.width, picture.height)) return false;
    Rng rng{uint32_t(v[size_t(seed)])};
    const int32_t n = std::min(held(count, 0, 1000000), shape_budget(picture, pieces, pieceArea));
    for (int32_t i = 0; i < n; ++i) {
        draw(layer, rng);
        const Colour c = ink.pick(rng);
        layer.commit(c, ink.opacity(rng));
    }
    layer.blend_over(picture, engine_mode_of_script_mode(mode));
    return true;
}

float random_x(Rng& rng, const Bgra& p) { return float(rng.between(0.0, p.width)) - 0.5f; }
float random_y(Rng& rng, const Bgra& p) { return float(rng.between(0.0, p.height)) - 0.5f; }

// Curves are drawn in capsules about this long, at most this many between
// two control points.
constexpr float kCurveStep = 3.0f;
constexpr int32_t kCurveSteps = 4096;

// A smooth curve through the points (Catmull-Rom), drawn as short capsules.
void draw_curve(ShapeLayer& layer, const std::vector<float>& pts, float radius) {
    const size_t n = pts.size() / 2;
    if (n == 1) layer.capsule(pts[0], pts[1], pts[0], pts[1], radius);
    for (size_t i = 0; i + 1 < n; ++i) {
        const size_t a = i == 0 ? 0 : i - 1, d = std::min(i + 2, n - 1);
        const float p0x = pts[2 * a], p0y = pts[2 * a + 1], p1x = pts[2 * i], p1y = pts[2 * i + 1];
        const float p2x = pts[2 * i + 2], p2y = pts[2 * i + 3], p3x = pts[2 * d], p3y = pts[2 * d + 1];
        const float span = std::hypot(p2x - p1x, p2y - p1y);
        const int32_t steps = std::clamp(int32_t(span / kCurveStep) + 1, 1, kCurveSteps);
        float px = p1x, py = p1y;
        for (int32_t s = 1; s <= steps; ++s) {
            const float t = float(s) / float(steps), t2 = t * t, t3 = t2 * t;
            auto at = [&](float q0, float q1, float q2, float q3) {
                return 0.5f * (2 * q1 + (q2 - q0) * t + (2 * q0 - 5 * q1 + 4 * q2 - q3) * t2 + (3 * q1 - q0 - 3 * q2 + q3) * t3);
            };
            const float x = at(p0x, p1x, p2x, p3x), y = at(p0y, p1y, p2y, p3y);
            layer.capsule(px, py, x, y, radius);
            px = x;
            py = y;
        }
    }
}

}  // namespace

// Lines: 3 seed, 4 count, 5 length, 18 length and width variation (%),
// 6 angle (degrees), 7 width, 17 colour variation (%), 15 random angles,
// 16 random opacity, 8-10 colour, 14 blend mode.
bool lines(Bgra& picture, const EffectValues& v) {
    const float length = float(held(v[5], 0, kMaxReach)), width = float(std::max(held(v[7], 0, 1000), 1));
    const float angle = float(v[6] % 360) * kPi / 180.0f;
    const bool randomAngle = v[15] != 0;
    return draw_shapes(picture, v, 3, v[4], 1, double(length + width + 2) * (width + 2), ink_of(v, 8, 17, 16), v[14],
                       [&](ShapeLayer& layer, Rng& rng) {
                           const float cx = random_x(rng, picture), cy = random_y(rng, picture);
                           const float len = varied(rng, length, v[18]) * 0.5f;
                           const float pen = std::max(varied(rng, width, v[18]), 1.0f);
                           const float a = randomAngle ? float(rng.unit()) * 2.0f * kPi : angle;
                           const float dx = std::cos(a) * len, dy = -std::sin(a) * len;
                           layer.capsule(cx - dx, cy - dy, cx + dx, cy + dy, pen * 0.5f);
                       });
}

// Circles: 3 seed, 4 count, 5 radius, 18 radius variation (%), 7 ring width
// (0 filled), 17 colour variation, 15 random opacity, 16 soft (fading out
// from the middle), 19 centred (every circle about the picture's centre),
// 8-10 colour, 14 blend mode.
bool circles(Bgra& picture, const EffectValues& v) {
    const float radius = float(held(v[5], 0, kMaxReach)), pen = float(held(v[7], 0, kMaxReach));
    const bool soft = v[16] != 0, centred = v[19] != 0;
    return draw_shapes(picture, v, 3, v[4], 1, double(2 * radius + 3) * (2 * radius + 3), ink_of(v, 8, 17, 15), v[14],
                       [&](ShapeLayer& layer, Rng& rng) {
                           float cx = random_x(rng, picture), cy = random_y(rng, picture);
                           if (centred) {
                               cx = (float(picture.width) - 1.0f) * 0.5f;
                               cy = (float(picture.height) - 1.0f) * 0.5f;
                           }
                           const float r = varied(rng, radius, v[18]);
                           if (pen > 0.0f && !soft) layer.ring(cx, cy, r, pen);
                           else layer.disc(cx, cy, r, soft);
                       });
}

// Rectangles: 3 seed, 4 count, 5 width, 6 height, 18 size variation (%),
// 7 border width (0 filled), 17 colour variation, 15 random opacity,
// 16 random turns, 8-10 colour, 14 blend mode.
bool rectangles(Bgra& picture, const EffectValues& v) {
    const float w = float(held(v[5], 0, kMaxReach)), h = float(held(v[6], 0, kMaxReach));
    const float pen = float(held(v[7], 0, kMaxReach));
    const bool turned = v[16] != 0;
    return draw_shapes(picture, v, 3, v[4], 1, double(w + h + 3) * (w + h + 3), ink_of(v, 8, 17, 15), v[14],
                       [&](ShapeLayer& layer, Rng& rng) {
                           const float cx = random_x(rng, picture), cy = random_y(rng, picture);
                           const float k = varied(rng, 1.0f, v[18]);
                           const float a = turned ? float(rng.unit()) * kPi : 0.0f;
                           layer.rectangle(cx, cy, w * k, h * k, a, pen);
                       });
}

// Splines: 3 seed, 4 count, 5 control points (2..64), 7 reach of each step
// between control points, 18 reach variation (%), 8 width, 17 colour
// variation, 16 random opacity, 9-11 colour, 15 blend mode.
bool splines(Bgra& picture, const EffectValues& v) {
    const int32_t knots = held(v[5], 2, 64);
    const float reach = float(held(v[7], 0, kMaxReach)), width = float(std::max(held(v[8], 0, 1000), 1));
    const double pieces = double(knots) * std::min(double(kCurveSteps), reach * 1.5 / kCurveStep + 1);
    std::vector<float> pts(size_t(knots) * 2);
    return draw_shapes(picture, v, 3, v[4], pieces, double(kCurveStep + width + 2) * (width + 2), ink_of(v, 9, 17, 16), v[15], [&](ShapeLayer& layer, Rng& rng) {
        const float step = varied(rng, reach, v[18]);
        float x = random_x(rng, picture), y = random_y(rng, picture);
        for (int32_t k = 0; k < knots; ++k) {
            pts[size_t(k) * 2] = x;
            pts[size_t(k) * 2 + 1] = y;
            x += float(rng.signed_unit()) * step;
            y += float(rng.signed_unit()) * step;
        }
        draw_curve(layer, pts, width * 0.5f);
    });
}

// Worms: 3 seed, 4 count, 5 length, 6 curl (0..1000: how fast the heading
// may turn), 7 width (the body tapers to the ends), 16 colour variation,
// 15 random opacity, 8-10 colour, 14 blend mode.
bool worms(Bgra& picture, const EffectValues& v) {
    const float length = float(held(v[5], 0, kMaxReach)), width = float(std::max(held(v[7], 0, 1000), 1));
    const float curl = float(held(v[6], 0, 1000)) / 1000.0f;
    return draw_shapes(picture, v, 3, v[4], length / 2 + 1, double(4 + width) * (width + 2), ink_of(v, 8, 16, 15), v[14],
                       [&](ShapeLayer& layer, Rng& rng) {
                           constexpr float kStep = 2.0f;
                           float x = random_x(rng, picture), y = random_y(rng, picture);
                           float heading = float(rng.unit()) * 2.0f * kPi, bend = 0.0f;
                           const int32_t steps = std::max(int32_t(length / kStep), 1);
                           for (int32_t s = 0; s < steps; ++s) {
                               // The bend wanders, so the body curves smoothly.
                               bend = std::clamp(bend + float(rng.signed_unit()) * 0.3f * curl, -curl, curl);
                               heading += bend;
                               const float nx = x + std::cos(heading) * kStep, ny = y - std::sin(heading) * kStep;
                               const float t = (float(s) + 0.5f) / float(steps);
                               const float r = std::max(width * 0.5f * std::sqrt(std::sin(kPi * t)), 0.5f);
                               layer.capsule(x, y, nx, ny, r);
                               x = nx;
                               y = ny;
                           }
                       });
}

// Points: 3 seed, 4 count, 5 radius (0 is a dot of one pixel), 14 radius
// variation (%), 13 random colours (each point its own colour, else the
// colour), 6-8 colour, 12 blend mode.
bool points(Bgra& picture, const EffectValues& v) {
    const float radius = float(held(v[5], 0, kMaxReach));
    const bool anyColour = v[13] != 0;
    Ink ink = ink_of(v, 6, -1, -1);
    if (anyColour) ink.variation = 100;
    if (anyColour) ink.colour = Colour::of(128, 128, 128);
    return draw_shapes(picture, v, 3, v[4], 1, double(2 * radius + 3) * (2 * radius + 3), ink, v[12],
                       [&](ShapeLayer& layer, Rng& rng) {
                           const float cx = random_x(rng, picture), cy = random_y(rng, picture);
                           layer.disc(cx, cy, std::max(varied(rng, radius, v[14]), 0.5f), false);
                       });
}

// Scratches: 3 seed, 4 count (0..10000), 5 length, 6 angle (degrees),
// 7 random angles, 9 dark (black scratches instead of white). Hair-thin
// lines at 70 % opacity in "Normal".
bool scratch(Bgra& picture, const EffectValues& v) {
    EffectValues s{};
    s[3] = v[3];
    s[4] = held(v[4], 0, 10000);
    s[5] = v[5];
    s[18] = 60;
    s[6] = v[6];
    s[7] = 1;
    s[15] = v[7];
    const int32_t shade = v[9] != 0 ? 0 : 255;
    s[8] = s[9] = s[10] = shade;
    s[14] = 12;
    ShapeLayer layer;
    if (!layer.allocate(picture.width, picture.height)) return false;
    const float length = float(held(s[5], 0, kMaxReach));
    Rng rng{uint32_t(s[3])};
    const int32_t n = std::min(s[4], shape_budget(picture, 1, double(length + 3) * 3));
    const float angle = float(s[6] % 360) * kPi / 180.0f;
    for (int32_t i = 0; i < n; ++i) {
        const float cx = random_x(rng, picture), cy = random_y(rng, picture);
        const float len = varied(rng, length, s[18]) * 0.5f;
        const float a = s[15] != 0 ? float(rng.unit()) * 2.0f * kPi : angle + float(rng.signed_unit()) * 0.05f;
        const float dx = std::cos(a) * len, dy = -std::sin(a) * len;
        layer.capsule(cx - dx, cy - dy, cx + dx, cy + dy, 0.5f);
        layer.commit(Colour::of(shade, shade, shade), 0.7f);
    }
    layer.blend_over(picture, 0);
    return true;
}

namespace {

struct Branching {
    float spread;  // radians between the two branches of a fork
    int32_t depth;
};

void grow(ShapeLayer& layer, Rng& rng, const Branching& b, float x, float y, float heading, float length,
          float width, int32_t level) {
    const float nx = x + std::cos(heading) * length, ny = y - std::sin(heading) * length;
    layer.capsule(x, y, nx, ny, std::max(width * 0.5f, 0.5f));
    if (level + 1 >= b.depth) return;
    for (float side : {-0.5f, 0.5f}) {
        const float turn = side * b.spread * float(rng.between(0.7, 1.3));
        grow(layer, rng, b, nx, ny, heading + turn, length * float(rng.between(0.6, 0.85)), width * 0.7f, level + 1);
    }
}

}  // namespace

// Trees: 3 seed, 4 count, 19 spread of each fork (degrees, 0..180),
// 5 trunk length, 6 levels of branching (1..10), 8 trunk width,
// 17 colour variation, 16 random opacity, 9-11 colour, 15 blend mode. Trees
// stand on random ground in the lower half and grow upwards.
bool trees(Bgra& picture, const EffectValues& v) {
    Branching b;
    b.spread = float(held(v[19], 0, 180)) * kPi / 180.0f;
    b.depth = held(v[6], 1, 10);
    const float trunk = float(held(v[5], 0, kMaxReach)), width = float(held(v[8], 0, 1000));
    // A tree of d levels has 2^d - 1 branches, none longer than the trunk.
    return draw_shapes(picture, v, 3, v[4], double(1 << b.depth), double(trunk + width + 2) * (width + 2), ink_of(v, 9, 17, 16), v[15],
                       [&](ShapeLayer& layer, Rng& rng) {
        const float x = random_x(rng, picture);
        const float y = float(picture.height) * float(rng.between(0.5, 1.0));
        grow(layer, rng, b, x, y, kPi * 0.5f + float(rng.signed_unit()) * 0.15f, trunk * float(rng.between(0.7, 1.0)),
             width, 0);
    });
}

// Fibres: 3 seed, 4 density (strands per 100 columns, 1..1000), 5 length,
// 6 width, 12 waviness (%), 7 lean (each strand's slant varies by up to
// four times this many degrees), 11 colour variation, 8-10 colour,
// 16 blend mode. Strands hang downwards, swaying.
bool fibers(Bgra& picture, const EffectValues& v) {
    const int32_t density = held(v[4], 1, 1000);
    const float length = float(held(v[5], 0, kMaxReach)), width = float(std::max(held(v[6], 0, 1000), 1));
    const float wave = float(held(v[12], 0, 100)) / 100.0f, lean = float(held(v[7], 0, 45)) * 4.0f * kPi / 180.0f;
    const int32_t count = int32_t(std::min<int64_t>(int64_t(picture.width) * density / 100 + 1, 1000000));
    return draw_shapes(picture, v, 3, count, length / 3 + 1, double(5 + width) * (width + 2), ink_of(v, 8, 11, -1), v[16], [&](ShapeLayer& layer, Rng& rng) {
                           constexpr float kStep = 3.0f;
                           float x = random_x(rng, picture);
                           float y = float(rng.between(-0.5 * length, picture.height));
                           const float slant = float(rng.signed_unit()) * lean;
                           const float phase = float(rng.unit()) * 2.0f * kPi, period = float(rng.between(20.0, 80.0));
                           const int32_t steps = std::max(int32_t(length / kStep), 1);
                           for (int32_t s = 0; s < steps; ++s) {
                               const float sway = wave * std::sin(phase + float(s) * kStep / period * 2.0f * kPi);
                               const float heading = -kPi * 0.5f + slant + sway;
                               const float nx = x + std::cos(heading) * kStep, ny = y - std::sin(heading) * kStep;
                               layer.capsule(x, y, nx, ny, width * 0.5f);
                               x = nx;
                               y = ny;
                           }
                       });
}

}  // namespace imglib::detail
