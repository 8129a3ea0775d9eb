// The engine's own filters under their catalogue names, the numbered
// effect scripts and the Lua filter.
#include "imaging/effect_routes.h"
#include "imaging/effect_rows.h"
#include "script/lua_host.h"

namespace imaging::effects {

using engine::EngineState;

namespace {

// A built-in filter under its own name: a1..a6 = p1..p6 and
// o1..o8 = p7, p8, f1..f6.
void builtin(EngineState& s, const Effect& e, bool premultiplied) {
    const EffectArgs& a = e.args;
    const FilterOptions o = {a.p7, a.p8, a.f[0], a.f[1], a.f[2], a.f[3], a.f[4], a.f[5]};
    builtin_step(s, a.name, premultiplied, a.p, o);
}

// (int)(t * k + add).
int32_t scaled(double t, double k, double add = 0) { return trunc_int(t * k + add); }

}  // namespace

void builtin_premultiplied(EngineState& s, const Effect& e) { builtin(s, e, true); }
void builtin_straight(EngineState& s, const Effect& e) { builtin(s, e, false); }

void colorize(EngineState& s, const Effect& e) {
    script_route(s, e, 28, {{3, scaled(e.t(1), 2.55)}, {4, scaled(e.t(2), 2.55)}, {5, scaled(e.t(3), 2.55)}});
}

void edge(EngineState& s, const Effect& e) {
    script_route(s, e, 19, {{3, scaled(e.t(1), 2.55)}, {4, trunc_int(e.t(2))}, {5, trunc_int(e.t(3))}});
}

void bump(EngineState& s, const Effect& e) {
    script_route(s, e, 27, {{3, scaled(e.t(1), 2.55, 1)}, {4, scaled(e.t(2), 0.5, 1)}, {5, scaled(e.t(3), 0.5, -25)}});
}

void emboss2(EngineState& s, const Effect& e) {
    script_route(s, e, 23,
                 {{3, scaled(e.t(1), 2.55, 1)}, {4, scaled(e.t(2), 3.6)}, {5, scaled(e.t(3), 1.8)}, {7, trunc_int(e.t(4))}});
}

void maximum(EngineState& s, const Effect& e) { script_route(s, e, 25, {{3, scaled(e.t(1), 0.25, 1)}}); }

void minimum(EngineState& s, const Effect& e) { script_route(s, e, 26, {{3, scaled(e.t(1), 0.25, 1)}}, true); }

void lua_filter(EngineState& s, const Effect& e) {
    const EffectArgs& a = e.args;
    refresh_source(s);
    const script::FilterRunArgs run{a.p, {a.p7, a.p8}, {a.f[0], a.f[1], a.f[2], a.f[3], a.f[4], a.f[5]}};
    script::lua_filter_run(s, a.text, run);
}

}  // namespace imaging::effects
