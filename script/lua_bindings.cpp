// The bindings. Each one is called by the Lua interpreter, which reports
// errors by longjmp: no binding holds an object with a destructor, and none
// lets an exception out (they are noexcept, so a stray one ends the process
// instead of unwinding through the interpreter's C frames).
//
// Arguments follow one rule: a missing or non-numeric number is 0, a
// missing text is the empty text. Pixels outside the picture read as
// (0, 0, 0, 0) and ignore writes.
#include "script/lua_bindings.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <lua.hpp>
#include <string_view>

#include "engine/blend.h"
#include "engine/merge.h"
#include "engine/pixels.h"
#include "imaging/working_buffers.h"
#include "platform/notices.h"
#include "script/colour_space.h"
#include "script/paint_script.h"

namespace script::lua {

namespace {

RunContext& context(lua_State* L) { return *static_cast<RunContext*>(lua_touserdata(L, lua_upvalueindex(1))); }

double number(lua_State* L, int index) { return lua_tonumber(L, index); }

std::string_view text(lua_State* L, int index) {
    size_t length = 0;
    const char* t = lua_isstring(L, index) ? lua_tolstring(L, index, &length) : nullptr;
    return t == nullptr ? std::string_view() : std::string_view(t, length);
}

// Byte offset of the pixel at arguments 1 and 2, truncated toward zero, or
// false when it lies outside the picture.
bool locate(const RunContext& c, lua_State* L, size_t& offset) {
    // trunc(v) lies in 0..n-1 exactly when -1 < v < n; NaN is neither.
    const double x = number(L, 1), y = number(L, 2);
    if (!(x > -1.0 && y > -1.0 && x < c.width && y < c.height)) return false;
    offset = (size_t(int64_t(y)) * size_t(c.width) + size_t(int64_t(x))) * 4;
    return true;
}

struct Pixel {
    uint8_t r = 0, g = 0, b = 0, a = 0;
};

// The pixel of the source, or of the destination while the read-destination flag is set.
Pixel read_pixel(lua_State* L) {
    const RunContext& c = context(L);
    size_t offset = 0;
    if (!locate(c, L, offset)) return {};
    const uint8_t* p = (c.s->script.readDestination ? c.dst : c.src) + offset;
    return {p[0], p[1], p[2], p[3]};
}

// The destination pixel, or null outside the picture.
uint8_t* write_pixel(lua_State* L) {
    const RunContext& c = context(L);
    size_t offset = 0;
    return locate(c, L, offset) ? c.dst + offset : nullptr;
}

// An argument as an int32: truncated toward zero and wrapped modulo 2^32;
// NaN and infinities give 0.
int32_t int_arg(lua_State* L, int index) {
    const double v = number(L, index);
    if (!std::isfinite(v)) return 0;
    double m = std::fmod(std::trunc(v), 4294967296.0);
    if (m < 0) m += 4294967296.0;
    return static_cast<int32_t>(static_cast<uint32_t>(m));
}

uint8_t channel(lua_State* L, int index) { return colour_space::to_byte(number(L, index)); }

void push_fractions(lua_State* L, std::initializer_list<uint8_t> bytes) {
    for (const uint8_t b : bytes) lua_pushnumber(L, b / 255.0);
}

void write_rgb(uint8_t* p, const colour_space::Rgb8& c) {
    p[0] = c.r;
    p[1] = c.g;
    p[2] = c.b;
}

// ---- Pixels ----

int get_value(lua_State* L) noexcept {
    const Pixel p = read_pixel(L);
    lua_pushnumber(L, (p.r / 255.0 + p.g / 255.0 + p.b / 255.0) / 3.0);
    return 1;
}

int set_value(lua_State* L) noexcept {
    if (uint8_t* p = write_pixel(L)) p[0] = p[1] = p[2] = channel(L, 3);
    return 0;
}

int get_rgb(lua_State* L) noexcept {
    const Pixel p = read_pixel(L);
    push_fractions(L, {p.r, p.g, p.b});
    return 3;
}

int set_rgb(lua_State* L) noexcept {
    if (uint8_t* p = write_pixel(L))
        for (int c = 0; c < 3; ++c) p[c] = channel(L, 3 + c);
    return 0;
}

int get_alpha(lua_State* L) noexcept {
    push_fractions(L, {read_pixel(L).a});
    return 1;
}

int set_alpha(lua_State* L) noexcept {
    if (uint8_t* p = write_pixel(L)) p[3] = channel(L, 3);
    return 0;
}

int get_rgba(lua_State* L) noexcept {
    const Pixel p = read_pixel(L);
    push_fractions(L, {p.r, p.g, p.b, p.a});
    return 4;
}

int set_rgba(lua_State* L) noexcept {
    if (uint8_t* p = write_pixel(L))
        for (int c = 0; c < 4; ++c) p[c] = channel(L, 3 + c);
    return 0;
}

// ---- Colour models ----

// Hue held to 0..359 (NaN is 0); the other two to 0..1, their model's range.
double clamp_hue(double h) { return h == h ? std::clamp(h, 0.0, 359.0) : 0.0; }
double clamp_unit(double v) { return v == v ? std::clamp(v, 0.0, 1.0) : 0.0; }

int push_numbers(lua_State* L, std::initializer_list<double> values) {
    for (const double v : values) lua_pushnumber(L, v);
    return int(values.size());
}

// The destination pixel's colour from arguments 3 on, converted to bytes.
template <class Convert>
int set_colour(lua_State* L, Convert convert) {
    if (uint8_t* p = write_pixel(L)) write_rgb(p, convert(number(L, 3), number(L, 4), number(L, 5), number(L, 6)));
    return 0;
}

int get_hsv(lua_State* L) noexcept {
    const Pixel p = read_pixel(L);
    const colour_space::Hsv c = colour_space::rgb_to_hsv(p.r, p.g, p.b);
    return push_numbers(L, {c.h, c.s, c.v});
}

int set_hsv(lua_State* L) noexcept {
    return set_colour(L, [](double h, double s, double v, double) {
        return colour_space::hsv_to_rgb({clamp_hue(h), clamp_unit(s), clamp_unit(v)});
    });
}

int get_hsl(lua_State* L) noexcept {
    const Pixel p = read_pixel(L);
    const colour_space::Hsl c = colour_space::rgb_to_hsl(p.r, p.g, p.b);
    return push_numbers(L, {c.h, c.s, c.l});
}

int set_hsl(lua_State* L) noexcept {
    return set_colour(L, [](double h, double s, double l, double) {
        return colour_space::hsl_to_rgb({clamp_hue(h), clamp_unit(s), clamp_unit(l)});
    });
}

int get_lab(lua_State* L) noexcept {
    const Pixel p = read_pixel(L);
    const colour_space::Lab c = colour_space::rgb_to_lab(p.r, p.g, p.b);
    return push_numbers(L, {c.l, c.a, c.b});
}

int set_lab(lua_State* L) noexcept {
    return set_colour(L, [](double l, double a, double b, double) { return colour_space::lab_to_rgb({l, a, b}); });
}

int get_cmyk(lua_State* L) noexcept {
    const Pixel p = read_pixel(L);
    const colour_space::Cmyk c = colour_space::rgb_to_cmyk(p.r, p.g, p.b);
    return push_numbers(L, {c.c, c.m, c.y, c.k});
}

int set_cmyk(lua_State* L) noexcept {
    return set_colour(L, [](double c, double m, double y, double k) { return colour_space::cmyk_to_rgb({c, m, y, k}); });
}

// ---- Brush colours ----

void push_colour16(lua_State* L, uint16_t r, uint16_t g, uint16_t b) {
    push_fractions(L, {pixels::to8(r), pixels::to8(g), pixels::to8(b)});
}

int get_color(lua_State* L) noexcept {
    const auto& brush = context(L).s->brush;
    push_colour16(L, brush.brushColor[0], brush.brushColor[1], brush.brushColor[2]);
    return 3;
}

template <int Bank>
int get_bank_color(lua_State* L) noexcept {
    const auto& brush = context(L).s->brush;
    push_colour16(L, brush.bankRed[Bank], brush.bankGreen[Bank], brush.bankBlue[Bank]);
    return 3;
}

// ---- The run ----

// Loads the destination into the current layer through the mask, and makes
// it the source, so later reads see what was flushed.
int flush(lua_State* L) noexcept {
    const RunContext& c = context(L);
    imaging::load_into_current_layer(*c.s, c.dst);
    std::memcpy(c.src, c.dst, size_t(c.width) * size_t(c.height) * 4);
    return 0;
}

// Merges the destination, weighed by the mask and texture, into the current
// layer with a blend mode at opacity trunc(opacity * 255) (held to 0..256),
// and reads the layer back into the source.
int merge(lua_State* L) noexcept {
    const RunContext& c = context(L);
    engine::EngineState& s = *c.s;
    pixels::adjust_rgba32_by_mask_and_texture(s, c.dst, 0, 0, c.width, c.height);
    if (s.currentSlot == nullptr) return 0;
    const double opacity = std::trunc(number(L, 2) * 255.0);
    const blend::Params params{int_arg(L, 1), opacity > 0 ? uint32_t(std::min(opacity, 256.0)) : 0u,
                               s.currentSlot->keepAlpha != 0};
    merge::merge_rgba32_image(s, c.dst, *s.currentSlot, params);
    pixels::get_rgba32_layer(s, c.src, c.width * 4, s.currentLayer);
    return 0;
}

int single_buffer(lua_State* L) noexcept {
    context(L).s->script.readDestination = lua_toboolean(L, 1) ? 1 : 0;
    return 0;
}

int progress(lua_State*) noexcept { return 0; }

int message_box(lua_State* L) noexcept {
    platform::show_message(text(L, 2), text(L, 1));
    return 0;
}

int is_escape(lua_State* L) noexcept {
    EscapeKey& key = context(L).s->script.escape;
    key.look(EscapeKey::Clock::now());
    lua_pushnumber(L, key.take() ? 1 : 0);
    return 1;
}

int output_debug_string(lua_State* L) noexcept {
    platform::debug_output(text(L, 1));
    return 0;
}

// ---- Bit operations on int32 ----

int push_int(lua_State* L, int32_t v) {
    lua_pushnumber(L, v);
    return 1;
}

int bit_not(lua_State* L) noexcept { return push_int(L, ~int_arg(L, 1)); }
int bit_and(lua_State* L) noexcept { return push_int(L, int_arg(L, 1) & int_arg(L, 2)); }
int bit_or(lua_State* L) noexcept { return push_int(L, int_arg(L, 1) | int_arg(L, 2)); }
int bit_xor(lua_State* L) noexcept { return push_int(L, int_arg(L, 1) ^ int_arg(L, 2)); }

// Shift counts are taken modulo 32 (so -1 is 31).
int bit_shfr(lua_State* L) noexcept { return push_int(L, int_arg(L, 1) >> (int_arg(L, 2) & 31)); }
int bit_shfl(lua_State* L) noexcept {
    return push_int(L, int32_t(uint32_t(int_arg(L, 1)) << (int_arg(L, 2) & 31)));
}

// ---- Paint-script recording ----

ScriptValue script_value(lua_State* L, int index) {
    ScriptValue v;
    v.number = number(L, index);
    const std::string_view t = text(L, index);
    if (lua_isstring(L, index)) {
        v.text = t.data();
        v.length = t.size();
    }
    return v;
}

int paint_open(lua_State* L) noexcept {
    script::paint_open(*context(L).s, script_value(L, 1));
    return 0;
}

int paint_close(lua_State* L) noexcept {
    script::paint_close(*context(L).s);
    return 0;
}

// One record writer; its shape is the second upvalue.
int paint_record(lua_State* L) noexcept {
    const auto& shape = *static_cast<const RecordShape*>(lua_touserdata(L, lua_upvalueindex(2)));
    std::array<ScriptValue, 20> values{};
    const int count = std::min<int>(shape.argumentCount, int(values.size()));
    for (int i = 0; i < count; ++i) values[size_t(i)] = script_value(L, i + 1);
    script::paint_record(*context(L).s, shape, std::span(values.data(), size_t(count)));
    return 0;
}

struct Binding {
    const char* name;
    lua_CFunction function;
};

constexpr Binding kBindings[] = {
    {"get_value", get_value},
    {"set_value", set_value},
    {"get_rgb", get_rgb},
    {"set_rgb", set_rgb},
    {"get_alpha", get_alpha},
    {"set_alpha", set_alpha},
    {"get_rgba", get_rgba},
    {"set_rgba", set_rgba},
    {"get_hsv", get_hsv},
    {"set_hsv", set_hsv},
    {"get_hsl", get_hsl},
    {"set_hsl", set_hsl},
    {"get_lab", get_lab},
    {"set_lab", set_lab},
    {"get_cmyk", get_cmyk},
    {"set_cmyk", set_cmyk},
    {"get_color", get_color},
    {"get_color1", get_bank_color<0>},
    {"get_color2", get_bank_color<1>},
    {"get_color3", get_bank_color<2>},
    {"get_color4", get_bank_color<3>},
    {"flush", flush},
    {"merge", merge},
    {"single_buffer", single_buffer},
    {"progress", progress},
    {"message_box", message_box},
    {"is_escape", is_escape},
    {"bit_not", bit_not},
    {"bit_and", bit_and},
    {"bit_or", bit_or},
    {"bit_xor", bit_xor},
    {"bit_shfr", bit_shfr},
    {"bit_shfl", bit_shfl},
    {"paint_open", paint_open},
    {"paint_close", paint_close},
    {"output_debug_string", output_debug_string},
};

}  // namespace

void register_bindings(lua_State* L, RunContext* context) {
    for (const Binding& b : kBindings) {
        lua_pushlightuserdata(L, context);
        lua_pushcclosure(L, b.function, 1);
        lua_setglobal(L, b.name);
    }
    for (const RecordShape& shape : record_shapes()) {
        lua_pushlightuserdata(L, context);
        lua_pushlightuserdata(L, const_cast<RecordShape*>(&shape));
        lua_pushcclosure(L, paint_record, 2);
        lua_setglobal(L, shape.binding);
    }
}

}  // namespace script::lua
