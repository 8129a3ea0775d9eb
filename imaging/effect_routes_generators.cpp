// The generators: pattern-drawing scripts run over a copy of the layer,
// which draw in the colour (or white) and lay what they draw in a blend
// mode.
#include "imaging/effect_routes.h"
#include "imaging/effect_rows.h"

namespace imaging::effects {

using engine::EngineState;

namespace {

// (int)(t * k + add).
int32_t scaled(double t, double k, double add = 0) { return trunc_int(t * k + add); }

// The colour the generators draw in: the host's with p7 set, else white.
struct Ink {
    int32_t red, green, blue;
};

Ink ink_of(const Effect& e) {
    if (e.args.p7 == 0) return {255, 255, 255};
    return {e.args.red, e.args.green, e.args.blue};
}

// The blend mode p8 (engine numbering) in the scripts' numbering: "Normal"
// (0) is 12, modes 1..12 are one less, any other number passes unchanged.
int32_t script_mode(int32_t mode) {
    if (mode == 0) return 12;
    if (mode >= 1 && mode <= 12) return mode - 1;
    return mode;
}

// A count of (int)(unit * t).
int32_t count_of(int32_t unit, double t) { return trunc_int(double(unit) * t); }

}  // namespace

void lines(EngineState& s, const Effect& e) {
    const Ink c = ink_of(e);
    script_route(s, e, 1,
                 {{3, e.args.seed}, {4, count_of(e.u10000(), e.t(1))}, {5, scaled(e.t(2), 10)}, {18, trunc_int(e.t(3))},
                  {6, scaled(e.t(4), 3.6)}, {7, scaled(e.t(5), 0.25)}, {17, trunc_int(e.t(6))}, {15, e.f(1)},
                  {16, e.f(2)}, {8, c.red}, {9, c.green}, {10, c.blue}, {14, script_mode(e.args.p8)}});
}

void points(EngineState& s, const Effect& e) {
    const Ink c = ink_of(e);
    script_route(s, e, 43,
                 {{3, e.args.seed}, {4, count_of(e.u1000(), e.t(1))}, {5, scaled(e.t(2), 0.25)}, {14, trunc_int(e.t(3))},
                  {13, e.f(1)}, {6, c.red}, {7, c.green}, {8, c.blue}, {12, script_mode(e.args.p8)}});
}

void circles(EngineState& s, const Effect& e) {
    const Ink c = ink_of(e);
    script_route(s, e, 2,
                 {{3, e.args.seed}, {4, count_of(e.u10000(), e.t(1))}, {5, scaled(e.t(2), 10)}, {18, trunc_int(e.t(3))},
                  {7, scaled(e.t(4), 0.25)}, {17, trunc_int(e.t(5))}, {15, e.f(1)}, {16, e.f(2)}, {8, c.red},
                  {9, c.green}, {10, c.blue}, {14, script_mode(e.args.p8)}});
}

void rectangles(EngineState& s, const Effect& e) {
    const Ink c = ink_of(e);
    script_route(s, e, 3,
                 {{3, e.args.seed}, {4, count_of(e.u10000(), e.t(1))}, {5, scaled(e.t(2), 10)}, {6, scaled(e.t(3), 10)},
                  {18, trunc_int(e.t(4))}, {7, scaled(e.t(5), 0.25)}, {17, trunc_int(e.t(6))}, {15, e.f(1)},
                  {16, e.f(2)}, {8, c.red}, {9, c.green}, {10, c.blue}, {14, script_mode(e.args.p8)}});
}

void splines(EngineState& s, const Effect& e) {
    const Ink c = ink_of(e);
    script_route(s, e, 4,
                 {{3, e.args.seed}, {4, count_of(e.u10000(), e.t(1))}, {5, scaled(e.t(2), 0.64)}, {7, scaled(e.t(3), 10)},
                  {18, trunc_int(e.t(4))}, {8, scaled(e.t(5), 0.25)}, {17, trunc_int(e.t(6))}, {16, e.f(1)},
                  {9, c.red}, {10, c.green}, {11, c.blue}, {15, script_mode(e.args.p8)}});
}

void worms(EngineState& s, const Effect& e) {
    const Ink c = ink_of(e);
    script_route(s, e, 37,
                 {{3, e.args.seed}, {4, count_of(e.u10000(), e.t(1))}, {5, scaled(e.t(2), 10)}, {6, scaled(e.t(3), 10)},
                  {7, scaled(e.t(4), 0.25)}, {16, trunc_int(e.t(5))}, {15, e.f(1)}, {8, c.red}, {9, c.green},
                  {10, c.blue}, {14, script_mode(e.args.p8)}});
}

void fibers(EngineState& s, const Effect& e) {
    const Ink c = ink_of(e);
    script_route(s, e, 59,
                 {{3, e.args.seed}, {4, scaled(e.t(1), 1, 4)}, {5, scaled(e.t(2), 10)}, {6, scaled(e.t(3), 0.25)},
                  {12, trunc_int(e.t(4))}, {7, scaled(e.t(5), 0.25)}, {11, trunc_int(e.t(6))}, {8, c.red},
                  {9, c.green}, {10, c.blue}, {16, script_mode(e.args.p8)}});
}

void trees(EngineState& s, const Effect& e) {
    const Ink c = ink_of(e);
    script_route(s, e, 58,
                 {{3, e.args.seed}, {4, count_of(e.u10000(), e.t(1))}, {19, trunc_int(e.t(2))}, {5, scaled(e.t(3), 10)},
                  {6, scaled(e.t(4), 0.1)}, {8, scaled(e.t(5), 0.25)}, {17, trunc_int(e.t(6))}, {16, e.f(1)},
                  {9, c.red}, {10, c.green}, {11, c.blue}, {15, script_mode(e.args.p8)}});
}

void generate_noise(EngineState& s, const Effect& e) {
    const Ink c = ink_of(e);
    script_route(s, e, 21,
                 {{3, e.args.seed}, {4, scaled(e.t(1), 1, 1)}, {5, scaled(e.t(2), 1, 1)}, {6, trunc_int(e.t(3))},
                  {14, e.f(1)}, {7, c.red}, {8, c.green}, {9, c.blue}, {13, script_mode(e.args.p8)}});
}

void blobs(EngineState& s, const Effect& e) {
    const Ink c = ink_of(e);
    script_route(s, e, 20,
                 {{3, e.args.seed}, {4, count_of(e.u10000(), e.t(1))}, {5, scaled(e.t(2), 10)}, {14, e.f(1)},
                  {7, c.red}, {8, c.green}, {9, c.blue}, {13, script_mode(e.args.p8)}});
}

void plasma(EngineState& s, const Effect& e) {
    const Ink c = ink_of(e);
    script_route(s, e, 5,
                 {{3, e.args.seed}, {4, scaled(e.t(1), 5)}, {12, e.f(1)}, {5, c.red}, {6, c.green}, {7, c.blue},
                  {11, script_mode(e.args.p8)}});
}

void sine_plasma(EngineState& s, const Effect& e) {
    const Ink c = ink_of(e);
    script_route(s, e, 24,
                 {{3, trunc_int(e.t(1) / 3)}, {4, trunc_int(e.t(2) / 3)}, {5, scaled(e.t(3), 2.5)},
                  {6, scaled(e.t(4), 2.5)}, {7, c.red}, {8, c.green}, {9, c.blue}, {13, script_mode(e.args.p8)}});
}

void fractal_plasma(EngineState& s, const Effect& e) {
    const Ink c = ink_of(e);
    script_route(s, e, 55,
                 {{3, e.args.seed}, {11, e.f(1)}, {4, c.red}, {5, c.green}, {6, c.blue}, {10, script_mode(e.args.p8)}});
}

void generate_perlin_noise(EngineState& s, const Effect& e) {
    const Ink c = ink_of(e);
    script_route(s, e, 11,
                 {{3, e.args.seed}, {4, scaled(e.t(1), 1, 1)}, {5, scaled(e.t(2), 1, 1)}, {13, e.f(1)}, {6, c.red},
                  {7, c.green}, {8, c.blue}, {12, script_mode(e.args.p8)}});
}

void pattern(EngineState& s, const Effect& e) {
    script_route(s, e, 42,
                 {{3, trunc_int(e.t(1))}, {4, trunc_int(e.t(2))}, {12, trunc_int(e.t(3))}, {5, scaled(e.t(4), 0.25)},
                  {11, trunc_int(e.t(5))}, {6, e.args.p7}, {13, e.f(1)}, {10, script_mode(e.args.p8)}});
}

}  // namespace imaging::effects
