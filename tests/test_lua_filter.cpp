// Filter scripts run through PTE_LuaFilterRun, every binding exercised by a
// real script.
#include <gmock/gmock.h>

#include <stdlib.h>

#include <array>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <lua.hpp>
#include <string>
#include <vector>

#include "script/escape_key.h"
#include "support/engine_fixture.h"
#include "support/script_files.h"
#include "support/working_buffers.h"

using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {

// Checks inside scripts raise an error that names what failed.
const std::string kPrelude = R"lua(
local function check(ok, what) if not ok then error("check failed: " .. what, 2) end end
local function near(a, b) return math.abs(a - b) < 1e-9 end
)lua";

struct RunArgs {
    std::array<int32_t, 6> sliders = {};
    std::array<int32_t, 2> styles = {};
    std::array<int32_t, 6> flags = {};
};

class LuaFilter : public EngineTest {
protected:
    ScriptFolder folder;

    // A w x h image whose background (the current layer) holds `picture`
    // loaded as bytes * 256, with the working buffers holding it too.
    void image(int32_t w, int32_t h, const std::vector<uint8_t>& picture) {
        make_image(w, h);
        PTE_LoadRGBA32(picture.data(), w * 4, 0);
        make_working_buffers(picture, 0x5A);
    }
    void image(int32_t w, int32_t h) { image(w, h, random_picture(w, h, uint32_t(w * 7 + h))); }

    std::string script(const std::string& body) { return folder.write("filter.lua", kPrelude + body); }

    // Runs the script at path; returns what it wrote to standard error.
    static std::string run_path(const char* path, const RunArgs& a = {}) {
        ::testing::internal::CaptureStderr();
        PTE_LuaFilterRun(path, a.sliders[0], a.sliders[1], a.sliders[2], a.sliders[3], a.sliders[4], a.sliders[5],
                         a.styles[0], a.styles[1], a.flags[0], a.flags[1], a.flags[2], a.flags[3], a.flags[4],
                         a.flags[5]);
        return ::testing::internal::GetCapturedStderr();
    }
    std::string run(const std::string& body, const RunArgs& a = {}) { return run_path(script(body).c_str(), a); }

    // A start folder without a scripts folder: recording opens nothing.
    void set_start_dir_to_nowhere() {
        PTE_SetStartDir((folder.path() + "nowhere/").c_str());
    }

    // The current layer as RGBA32 high bytes.
    static std::vector<uint8_t> layer_bytes(int32_t slot = 1) {
        const auto& l = st().layers[slot];
        std::vector<uint8_t> out;
        for (size_t i = 0; i < l.pixels.size(); ++i) out.push_back(uint8_t(l.pixels[i] >> 8));
        return out;
    }
    static std::vector<uint16_t> layer_values(int32_t slot = 1) {
        const auto& l = st().layers[slot];
        return {l.pixels.data(), l.pixels.data() + l.pixels.size()};
    }

    // A keyboard whose Escape key goes down at the n-th look and stays down
    // (0: never).
    static inline int looks = 0, downAtLook = 0;
    static bool fake_escape() { return ++looks >= downAtLook && downAtLook > 0; }
    static void escape_down_at_look(int n) {
        looks = 0;
        downAtLook = n;
        st().script.escape.set_keyboard(fake_escape);
    }
};

// The byte code of a chunk, as the stand-alone compiler writes it.
std::string byte_code(const char* text) {
    lua_State* L = luaL_newstate();
    std::string out;
    if (luaL_loadstring(L, text) == 0)
        lua_dump(
            L,
            [](lua_State*, const void* p, size_t n, void* ud) {
                static_cast<std::string*>(ud)->append(static_cast<const char*>(p), n);
                return 0;
            },
            &out);
    lua_close(L);
    return out;
}

}  // namespace

TEST_F(LuaFilter, AnEmptyScriptLoadsTheSourceUnchanged) {
    const auto picture = random_picture(5, 4, 1);
    image(5, 4, picture);
    // The layer differs from the source before the run.
    PTE_Clear(1, 2, 3, 4);
    EXPECT_EQ(run(""), "");
    EXPECT_EQ(layer_bytes(), picture) << "an exact copy through the fully selected mask";
    for (size_t i = 0; i < picture.size(); ++i) ASSERT_EQ(layer_values()[i], picture[i] * 256);
    EXPECT_EQ(working_dst(), picture) << "the destination starts as the source";
}

TEST_F(LuaFilter, GlobalsOfTheRun) {
    image(7, 3);
    RunArgs a;
    a.sliders = {250, 0, 1000, -500, 1, 2147483647};
    a.styles = {0, 4};
    a.flags = {1, 0, 0x100, 0x1FF, -1, 0x80};
    EXPECT_EQ(run(R"lua(
check(width == 7 and height == 3, "size")
check(bound_x0 == 0 and bound_y0 == 0 and bound_x1 == 6 and bound_y1 == 2, "bounds")
check(near(sliderVal1, 0.25) and sliderVal2 == 0 and near(sliderVal3, 1) and near(sliderVal4, -0.5), "sliders")
check(near(sliderVal5, 0.001) and near(sliderVal6, 2147483.647), "more sliders")
check(styleVal1 == 1 and styleVal2 == 5, "styles")
check(flagVal1 == true and flagVal2 == false and flagVal3 == false, "flags 1-3")
check(flagVal4 == true and flagVal5 == true and flagVal6 == true, "flags 4-6")
local modes = {"MERGE_NORMAL", "MERGE_MULTIPLY", "MERGE_SCREEN", "MERGE_DARKEN", "MERGE_LIGHTEN",
  "MERGE_DIFFERENCE", "MERGE_NEGATION", "MERGE_EXCLUSIO", "MERGE_OVERLAY", "MERGE_HARD_LIGHT",
  "MERGE_SOFT_LIGHT", "MERGE_DODGE", "MERGE_BURN", "MERGE_REFLECT", "MERGE_GLOW", "MERGE_ADD",
  "MERGE_SUBTRACT", "MERGE_TEXTURIZE", "MERGE_TEXTURIZE2", "MERGE_TEXTURIZE3"}
for i, name in ipairs(modes) do check(_G[name] == i - 1, name) end
check(string.format("%d", 5) == "5" and math.floor(2.5) == 2 and type(io.open) == "function"
  and type(os.time) == "function" and type(table.insert) == "function", "standard libraries")
local names = {"get_value", "set_value", "get_rgb", "set_rgb", "get_alpha", "set_alpha", "get_rgba", "set_rgba",
  "get_hsv", "set_hsv", "get_hsl", "set_hsl", "get_lab", "set_lab", "get_cmyk", "set_cmyk", "get_color",
  "get_color1", "get_color2", "get_color3", "get_color4", "flush", "merge", "single_buffer", "progress",
  "message_box", "is_escape", "bit_not", "bit_and", "bit_or", "bit_xor", "bit_shfr", "bit_shfl", "paint_open",
  "paint_close", "paint_stroke_start", "paint_stroke_stop", "paint_stroke_pos", "paint_select_brush",
  "paint_brush_size", "paint_brush_density", "paint_brush_opacity", "paint_brush_color", "paint_set_color_banks",
  "paint_line", "paint_spline", "paint_dab", "paint_filter", "output_debug_string"}
check(#names == 49, "49 names")
for _, name in ipairs(names) do check(type(_G[name]) == "function", name) end
)lua",
                  a),
              "");
}

TEST_F(LuaFilter, PixelReadsAndWrites) {
    // Pixel (0, 0) = (255, 128, 0, 64), (1, 0) = (10, 20, 30, 40); row 1 zero.
    std::vector<uint8_t> picture(3 * 2 * 4, 0);
    const uint8_t p0[] = {255, 128, 0, 64}, p1[] = {10, 20, 30, 40};
    std::memcpy(picture.data(), p0, 4);
    std::memcpy(picture.data() + 4, p1, 4);
    image(3, 2, picture);
    EXPECT_EQ(run(R"lua(
local r, g, b = get_rgb(0, 0)
check(r == 1 and near(g, 128 / 255) and b == 0, "get_rgb")
check(near(get_alpha(0, 0), 64 / 255), "get_alpha")
local r2, g2, b2, a2 = get_rgba(1.9, 0.99)   -- truncated toward zero to (1, 0)
check(near(r2, 10 / 255) and near(g2, 20 / 255) and near(b2, 30 / 255) and near(a2, 40 / 255), "get_rgba")
check(near(get_value(0, 0), (1 + 128 / 255 + 0) / 3), "get_value")
r, g, b = get_rgb(-0.5, -0.9)                 -- truncates to (0, 0): inside
check(r == 1, "negative fractions truncate toward zero")
-- outside the picture every channel reads 0
for _, xy in ipairs({{-1, 0}, {3, 0}, {0, 2}, {0, -1}, {1e300, 0}, {0/0, 0}, {-1/0, 0}}) do
  local r, g, b, a = get_rgba(xy[1], xy[2])
  check(r == 0 and g == 0 and b == 0 and a == 0, "outside " .. tostring(xy[1]) .. "," .. tostring(xy[2]))
end
check(get_value(-1, 0) == 0 and get_alpha(9, 9) == 0, "outside value and alpha")
local h, s, v = get_hsv(-1, 0)
check(h == -1 and s == 0 and v == 0, "get_hsv outside")
local c, m, y, k = get_cmyk(-1, 0)
check(c == 0 and m == 0 and y == 0 and k == 1, "get_cmyk outside")
-- missing coordinates count as 0
r = get_rgb()
check(r == 1, "get_rgb() reads (0, 0)")
-- writes: trunc(v * 255) clamped; outside does nothing
set_rgb(2, 1, 2, -1, 0.5)
set_alpha(2, 1, 0.999)
set_rgba(0, 1, 0.1, 0.2, 0.3, 0.4)
set_value(1, 1, 0.75)
set_rgb(-1, 0, 1, 1, 1)
set_rgb(3, 1, 1, 1, 1)
set_rgba(0, 2, 1, 1, 1, 1)
set_rgb(1, 0)                                  -- missing channels are 0
set_alpha(1, 0, "x")                           -- not a number: 0
set_rgb("a", {}, true, nil, print)             -- wrong types: (0, 0) gets (0, 0, 0)
-- without single_buffer the reads still see the source
r = get_rgb(0, 0)
check(r == 1, "reads come from the source")
)lua"),
              "");
    const std::vector<uint8_t> expect = {0,  0,  0,  64,  0,   0,   0,   0,   0,   0,  0,  0,
                                         25, 51, 76, 102, 191, 191, 191, 0,   255, 0,  127, 254};
    EXPECT_EQ(working_dst(), expect);
    EXPECT_EQ(layer_bytes(), expect) << "loaded through the fully selected mask";
}

TEST_F(LuaFilter, ColourModels) {
    std::vector<uint8_t> picture(4 * 2 * 4, 77);
    const uint8_t orange[] = {200, 100, 50, 255};
    std::memcpy(picture.data(), orange, 4);
    image(4, 2, picture);
    EXPECT_EQ(run(R"lua(
local h, s, v = get_hsv(0, 0)
check(near(h, 20) and near(s, 0.75) and near(v, 200 / 255), "get_hsv")
h, s, l = get_hsl(0, 0)
check(near(h, 20) and near(s, 0.6) and near(l, 250 / 510), "get_hsl")
local L, a, b = get_lab(1, 0)                  -- a grey: a and b near 0
check(L > 32.7 and L < 32.8 and math.abs(a) < 0.01 and math.abs(b) < 0.01, "get_lab")
local c, m, y, k = get_cmyk(0, 0)
check(near(k, 55 / 255) and c == 0 and near(m, 0.5) and near(y, 0.75), "get_cmyk")
set_hsv(0, 0, 120, 1, 1)                       -- pure green
set_hsv(1, 0, 400, 2, 3)                       -- held to 359, 1, 1
set_hsv(2, 0, -50, -1, 0.5)                    -- held to 0, 0, 0.5: a grey
set_hsl(3, 0, 0, 1, 0.5)                       -- pure red
set_hsl(0, 1, 240, 5, 0.25)                    -- s held to 1
set_lab(1, 1, 100, 0, 0)                       -- white
set_lab(2, 1, 50, 300, -300)                   -- out of gamut: clamped bytes
set_cmyk(3, 1, 0, 0, 0, 0)                     -- white
)lua"),
              "");
    const auto d = working_dst();
    const auto rgba = [&](int x, int y) {
        const size_t i = size_t((y * 4 + x) * 4);
        return std::vector<int>{d[i], d[i + 1], d[i + 2], d[i + 3]};
    };
    EXPECT_EQ(rgba(0, 0), (std::vector<int>{0, 255, 0, 255})) << "alpha left alone";
    EXPECT_EQ(rgba(1, 0), (std::vector<int>{255, 0, 4, 77})) << "h 359: (v, p, q) with f = 0.9833";
    EXPECT_EQ(rgba(2, 0), (std::vector<int>{127, 127, 127, 77}));
    EXPECT_EQ(rgba(3, 0), (std::vector<int>{255, 0, 0, 77}));
    EXPECT_EQ(rgba(0, 1), (std::vector<int>{0, 0, 127, 77}));
    EXPECT_EQ(rgba(1, 1), (std::vector<int>{255, 255, 254, 77})) << "the companded blue truncates to 254";
    EXPECT_EQ(rgba(3, 1), (std::vector<int>{255, 255, 255, 77}));
    EXPECT_EQ(rgba(2, 1), (std::vector<int>{0, 0, 255, 77}));
}

TEST_F(LuaFilter, BrushColours) {
    image(2, 2);
    auto& b = st().brush;
    const uint16_t colour[4] = {0xFF80, 0x1234, 0x00FF, 65535};
    std::memcpy(b.brushColor, colour, sizeof colour);
    for (int i = 0; i < 4; ++i) {
        b.bankRed[i] = uint16_t((i + 1) * 0x1000);
        b.bankGreen[i] = uint16_t((i + 1) * 0x2000 + 0xFF);
        b.bankBlue[i] = uint16_t(0xFFFF - i * 0x100);
    }
    EXPECT_EQ(run(R"lua(
local r, g, b = get_color()
check(r == 1 and near(g, 0x12 / 255) and b == 0, "get_color: high bytes")
local banks = {get_color1, get_color2, get_color3, get_color4}
for i, f in ipairs(banks) do
  local r, g, b = f()
  check(near(r, i * 16 / 255) and near(g, i * 32 / 255) and near(b, (255 - (i - 1)) / 255), "bank " .. i)
end
)lua"),
              "");
}

TEST_F(LuaFilter, BitOperations) {
    image(1, 1);
    EXPECT_EQ(run(R"lua(
check(bit_shfr(-8, 1) == -4, "arithmetic shift right")
check(bit_shfl(1, 33) == 2, "shift count modulo 32")
check(bit_shfl(1, 31) == -2147483648, "results are signed int32")
check(bit_shfl(3, -1) == -2147483648, "a count of -1 is 31")
check(bit_shfr(-1, 31) == -1 and bit_shfr(2147483647, 30) == 1, "shfr")
check(bit_not(0) == -1 and bit_not(-1) == 0 and bit_not(2.9) == -3 and bit_not(-2.9) == 1, "not truncates")
check(bit_and(12, 10) == 8 and bit_or(12, 10) == 14 and bit_xor(12, 10) == 6, "and or xor")
check(bit_and(4294967295, 7) == 7, "2^32 - 1 wraps to -1")
check(bit_or(2147483648, 0) == -2147483648, "2^31 wraps to the lowest int32")
check(bit_xor(-1.99, 0) == -1, "toward zero")
check(bit_and(1/0, -1) == 0 and bit_or(0/0, 0) == 0, "infinities and NaN are 0")
check(bit_and() == 0 and bit_not() == -1 and bit_shfl(5) == 5, "missing arguments are 0")
check(bit_or("12", "3") == 15, "numeric text is a number")
)lua"),
              "");
}

TEST_F(LuaFilter, SingleBufferReadsTheDestination) {
    image(3, 1, std::vector<uint8_t>(12, 0));
    EXPECT_EQ(run(R"lua(
set_rgb(0, 0, 1, 0, 0)
check(get_rgb(0, 0) == 0, "source first")
single_buffer(true)
check(get_rgb(0, 0) == 1, "then the destination")
single_buffer(false)
check(get_rgb(0, 0) == 0, "and back")
single_buffer(1)
check(get_rgb(0, 0) == 1, "any value but nil and false is true")
single_buffer(nil)
check(get_rgb(0, 0) == 0, "nil is false")
single_buffer(0)
set_rgb(1, 0, 0.5, 0.5, 0.5)
)lua"),
              "");
    EXPECT_EQ(working_src(), working_dst()) << "the source takes the result when the flag ends set";
    EXPECT_EQ(working_src()[4], 127);
    // The next run starts with the flag clear.
    EXPECT_EQ(run("set_rgb(2, 0, 1, 1, 1)\ncheck(get_rgb(2, 0) == 0, 'flag cleared')\n"), "");
}

TEST_F(LuaFilter, FlushLoadsAndFeedsLaterReads) {
    image(2, 1, {0, 0, 0, 255, 0, 0, 0, 255});
    const std::string err = run(R"lua(
set_rgb(0, 0, 1, 1, 1)
flush()
check(get_rgb(0, 0) == 1, "the source sees the flush")
set_rgb(1, 0, 1, 0, 0)
error("late failure")
)lua");
    EXPECT_THAT(err, StartsWith("Lua Script Error: "));
    EXPECT_THAT(err, HasSubstr("late failure"));
    EXPECT_EQ(layer_values(), (std::vector<uint16_t>{65280, 65280, 65280, 65280, 0, 0, 0, 65280}))
        << "the flushed pixel stays, the later write is not loaded";
}

// Over a transparent layer pixel the blend step writes the source colour
// and the alpha (a * opacity) >> 8, whatever the mode but the Texturize
// ones, which clear it; an opaque pixel under a transparent source stays.
TEST_F(LuaFilter, MergeThenAnErrorKeepsTheMerge) {
    image(3, 1, {100, 150, 200, 255, 100, 150, 200, 255, 9, 9, 9, 0});
    const std::vector<uint8_t> layer = {0, 0, 0, 0, 0, 0, 0, 0, 50, 60, 70, 255};
    PTE_LoadRGBA32(layer.data(), 12, 0);
    const std::string err = run(R"lua(
set_rgb(1, 0, 0.2, 0.2, 0.2)
merge(MERGE_NORMAL, 1)
check(get_alpha(0, 0) == 254 / 255, "the source is the layer read back: 65025 >> 8")
set_rgb(0, 0, 1, 1, 1)
error("after the merge")
)lua");
    EXPECT_THAT(err, HasSubstr("after the merge"));
    const uint16_t u = (65280 * 255) >> 8;  // opacity trunc(1 * 255)
    EXPECT_EQ(layer_values(), (std::vector<uint16_t>{25600, 38400, 51200, u, 51 * 256, 51 * 256, 51 * 256, u,
                                                     50 * 256, 60 * 256, 70 * 256, 65280}));
    EXPECT_EQ(working_src(), (std::vector<uint8_t>{100, 150, 200, 254, 51, 51, 51, 254, 50, 60, 70, 255}));
}

TEST_F(LuaFilter, MergeModesOpacityMaskAndKeepAlpha) {
    struct Row {
        const char* call;
        bool keepAlpha;
        uint16_t mask;
        std::vector<uint16_t> expect;
    };
    const uint16_t half = (65280 * 127) >> 8;  // opacity trunc(0.5 * 255)
    // The mask weighs the source alpha first: trunc(32768 / 65535 * 255) = 127.
    const uint16_t masked = ((127 * 256) * 255) >> 8;
    for (const Row& r : {Row{"merge(MERGE_MULTIPLY, 0.5)", false, 65535, {2560, 5120, 7680, half}},
                         Row{"merge(MERGE_TEXTURIZE, 1)", false, 65535, {0, 0, 0, 0}},
                         Row{"merge(99, 1)", false, 65535, {2560, 5120, 7680, (65280 * 255) >> 8}},
                         Row{"merge(0, 5)", false, 65535, {2560, 5120, 7680, 65280}},
                         // opacity 0: the colour lands with alpha 0
                         Row{"merge(0, -1)", false, 65535, {2560, 5120, 7680, 0}},
                         Row{"merge()", false, 65535, {2560, 5120, 7680, 0}},
                         Row{"merge(MERGE_NORMAL, 1)", true, 65535, {2560, 5120, 7680, 0}},
                         Row{"merge(MERGE_NORMAL, 1)", false, 32768, {2560, 5120, 7680, masked}}}) {
        SCOPED_TRACE(std::string(r.call) + (r.keepAlpha ? " keepAlpha" : "") + " mask " + std::to_string(r.mask));
        image(1, 1, {10, 20, 30, 255});
        const std::vector<uint8_t> clear(4, 0);
        PTE_LoadRGBA32(clear.data(), 4, 0);
        PTE_SetLayerOptions(1, 1, r.keepAlpha, 100, "Normal");
        st().mask.values[0] = r.mask;
        EXPECT_EQ(run(std::string(r.call) + "\nerror('stop')\n").find("stop") != std::string::npos, true);
        EXPECT_EQ(layer_values(), r.expect);
    }
}

TEST_F(LuaFilter, TheMaskWeighsTheLoad) {
    image(2, 1, {0, 0, 0, 255, 0, 0, 0, 255});
    const std::vector<uint8_t> white(8, 255);
    PTE_LoadRGBA32(white.data(), 8, 0);
    ASSERT_TRUE(st().mask.values.allocate(2));
    st().mask.values[0] = 65535;
    st().mask.values[1] = 0;
    st().maskActive = 1;
    EXPECT_EQ(run("set_rgb(1, 0, 0.5, 0.5, 0.5)"), "");
    EXPECT_EQ(layer_values(), (std::vector<uint16_t>{0, 0, 0, 65280, 65280, 65280, 65280, 65280}))
        << "selected pixel loaded, protected one kept";
}

TEST_F(LuaFilter, ScriptErrorsAreReportedAndChangeNothing) {
    image(3, 2);
    const auto before = layer_values();
    const std::string missing = folder.path() + "no-such.lua";
    struct Row {
        std::string script_path, expect;
    };
    const std::vector<Row> rows = {
        {missing, "Lua Script Error: cannot open " + missing + ": No such file or directory\n"},
        {folder.write("syntax.lua", "set_rgb(0, 0, 1, 1, 1)\nx = = 1\n"), "syntax.lua:2: unexpected symbol near '='"},
        {folder.write("runtime.lua", "set_rgb(0, 0, 1, 1, 1)\nlocal t = nil\nprint(t.x)\n"),
         "runtime.lua:3: attempt to index local 't'"},
        {folder.write("number.lua", "set_rgb(0, 0, 1, 1, 1)\nerror(42, 0)\n"), "Lua Script Error: 42\n"},
        {folder.write("table.lua", "set_rgb(0, 0, 1, 1, 1)\nerror({})\n"), "(error object is not a string)"},
        {folder.write("binary.luac", "\x1bLua\x51\x00garbage"), "precompiled chunks are not accepted"},
        {folder.write("shebang.luac", "#!/usr/bin/lua\n\x1bLua"), "precompiled chunks are not accepted"},
        {folder.write("hash.lua", "#!/usr/bin/lua\nerror('second line')\n"), "hash.lua:2: second line"},
        {folder.write("binding.lua", "set_rgb(0, 0, 1, 1, 1)\nget_rgb(0, 0, 0)()\n"), "attempt to call a number"},
        {folder.path(), "Lua Script Error: cannot read"},
    };
    for (const Row& r : rows) {
        const std::string err = run_path(r.script_path.c_str());
        EXPECT_THAT(err, HasSubstr(r.expect)) << r.script_path;
        EXPECT_THAT(err, StartsWith("Lua Script Error: ")) << r.script_path;
        EXPECT_THAT(std::string(PTE_GetLastError()), StartsWith("Lua Script Error: ")) << r.script_path;
        EXPECT_EQ(layer_values(), before) << r.script_path;
    }
    EXPECT_THAT(run_path(nullptr), HasSubstr("Lua Script Error: cannot open : ")) << "null is the empty path";
    EXPECT_EQ(layer_values(), before);
    // A load error's text is cut at 2047 characters.
    const std::string err = run_path(folder.write("long.lua", "x = \"" + std::string(5000, 'a') + "\n").c_str());
    EXPECT_EQ(err.size(), std::string("Lua Script Error: \n").size() + 2047);
    EXPECT_EQ(layer_values(), before);
}

TEST_F(LuaFilter, WithoutWorkingBuffersNothingHappens) {
    make_image(2, 2);
    const auto before = layer_values();
    EXPECT_EQ(run("set_rgb(0, 0, 1, 1, 1)\nerror('ran')"), "");
    make_working_buffers(std::vector<uint8_t>(16, 9));
    st().working.iplSrc32.release();
    EXPECT_EQ(run("error('ran')"), "");
    // Buffers left from a smaller image count as missing.
    make_working_buffers(std::vector<uint8_t>(16, 9));
    PTE_NewSize(nullptr, 3, 2, 64, 0);
    ASSERT_TRUE(st().working.iplSrc32.allocate(16));
    ASSERT_TRUE(st().working.iplDst32.allocate(16));
    EXPECT_EQ(run("error('ran')"), "");
    EXPECT_EQ(layer_values(), before);
}

TEST_F(LuaFilter, ALayerOfAnotherSizeIsLeftAlone) {
    image(4, 3);
    ASSERT_EQ(PTE_CreateLayer(2, 8, 8), 1);
    PTE_SetLayer(2);
    const auto before = layer_values(2);
    EXPECT_EQ(run("set_rgb(0, 0, 1, 1, 1)\nflush()\n"), "");
    EXPECT_EQ(layer_values(2), before);
}

TEST_F(LuaFilter, UserMessagesGoToStandardError) {
    image(1, 1);
    const std::string err = run(R"lua(
message_box("Half done", "Progress")
message_box()
output_debug_string("trace 1")
output_debug_string({})
progress(0.5)
progress()
check(is_escape() == 0, "no key state to ask")
)lua");
    EXPECT_EQ(err, "Progress: Half done\n: \ntrace 1\n\n");
}

// ---- What a script can reach, and how it is stopped ----

TEST_F(LuaFilter, ScriptsGetTheSafeLibrariesByDefault) {
    image(1, 1);
    const std::string dir = folder.path();
    folder.write("data.txt", "kept\n");
    folder.write("module_text.lua", "return {answer = 42}\n");
    folder.write("code.luac", byte_code("return {answer = 5}"));
    folder.write("module_code.lua", byte_code("return {answer = 6}"));
    folder.write("native.so", "");
    EXPECT_EQ(run("local dir = [[" + dir + "]]\n" + R"lua(
for _, name in ipairs({"execute", "remove", "rename", "exit", "tmpname", "setlocale"}) do
  check(os[name] == nil, "os." .. name)
end
check(io.popen == nil and package.loadlib == nil, "io.popen, package.loadlib")
check(type(os.time) == "function" and type(os.clock) == "function" and type(os.getenv) == "function", "harmless os")
check(type(debug.traceback) == "function" and type(debug.getinfo) == "function", "traceback and getinfo")
for _, name in ipairs({"sethook", "gethook", "getupvalue", "setupvalue", "getregistry", "getlocal", "setlocal",
                       "setmetatable", "setfenv", "debug"}) do
  check(debug[name] == nil, "debug." .. name)
end
check(require("debug") == debug and require("os").execute == nil, "require hands out the same tables")
check(newproxy == nil and getmetatable(io.stdout) == false, "no way to a finaliser")

local f = io.open(dir .. "data.txt")
check(f and f:read("*l") == "kept", "reading")
f:close()
f = io.open(dir .. "data.txt", "rb")
check(f, "reading bytes")
f:close()
for _, mode in ipairs({"w", "a", "r+", "wb", "w+", "ab", "rw", ""}) do
  local g, err = io.open(dir .. "new.txt", mode)
  check(g == nil and err:find("reading only"), "mode " .. mode)
  check(io.open(dir .. "data.txt", mode) == nil, "existing file, mode " .. mode)
end
check(not pcall(io.output, dir .. "new.txt"), "io.output with a file name")
check(io.output() == io.stdout and io.output(io.stderr) == io.stderr, "io.output with open files")
io.output(io.stdout)

local dumped = string.dump(function() return 1 end)
local fn, err = loadstring(dumped)
check(fn == nil and err:find("precompiled"), "loadstring of byte code")
local piece = 0
fn, err = load(function()
  piece = piece + 1
  if piece == 1 then return "" elseif piece == 2 then return dumped:sub(1, 3) elseif piece == 3 then return dumped:sub(4) end
end)
check(fn == nil and err:find("precompiled"), "load of byte code in pieces")
check(loadstring("return 7")() == 7, "loadstring of text")
piece = 0
check(load(function() piece = piece + 1; return ({"return ", "8"})[piece] end)() == 8, "load of text")
check(loadfile(dir .. "code.luac") == nil, "loadfile of byte code")
check(not pcall(dofile, dir .. "code.luac"), "dofile of byte code")
check(loadfile(dir .. "module_text.lua")().answer == 42 and dofile(dir .. "module_text.lua").answer == 42, "text files")
check(loadfile() == nil and not pcall(dofile), "standard input")

package.path = dir .. "?.lua"
check(require("module_text").answer == 42, "a Lua module")
local ok, why = pcall(require, "module_code")
check(not ok and why:find("precompiled"), "a byte-code module: " .. tostring(why))
package.cpath = dir .. "?.so"
ok, why = pcall(require, "native")
check(not ok and why:find("module 'native' not found") and not why:find("native.so"), "a native module: " .. why)
)lua"),
              "");
    EXPECT_FALSE(std::filesystem::exists(dir + "new.txt"));
    EXPECT_EQ(ScriptFolder::read(dir + "data.txt"), "kept\n");
}

TEST_F(LuaFilter, TrustedHostsGetTheFullLibraries) {
    image(1, 1);
    const std::string file = folder.path() + "written.txt";
    struct Row {
        const char* value;
        bool full;
    };
    for (const Row r : {Row{"1", true}, Row{"0", false}, Row{"yes", false}, Row{"", false}, Row{nullptr, false}}) {
        SCOPED_TRACE(r.value ? r.value : "unset");
        if (r.value)
            setenv("PAINTCORE_LUA_TRUSTED", r.value, 1);
        else
            unsetenv("PAINTCORE_LUA_TRUSTED");
        std::filesystem::remove(file);
        const std::string full = r.full ? "true" : "false";
        EXPECT_EQ(run("local f = io.open([[" + file + "]], 'w')\nif f then f:write('x') f:close() end\n" +
                      "check((f ~= nil) == " + full + ", 'writing')\n" +
                      "check((os.remove ~= nil and debug.sethook ~= nil and package.loadlib ~= nil) == " + full +
                      ", 'the rest')\n" + "check(loadstring(string.dump(function() return 3 end)) ~= nil == " + full +
                      ", 'byte code')\n"),
                  "");
        EXPECT_EQ(std::filesystem::exists(file), r.full);
    }
    unsetenv("PAINTCORE_LUA_TRUSTED");
}

TEST_F(LuaFilter, EscapeStopsAScriptThatNeverEnds) {
    image(3, 2);
    const auto before = layer_values();
    const char* endless[] = {
        "while true do end",
        "while true do pcall(function() while true do end end) end",
        "while true do pcall(error) end",
        "coroutine.wrap(function() while true do end end)()",
        "while true do coroutine.resume(coroutine.create(function() while true do end end)) end",
        "while true do xpcall(function() while true do end end, function() while true do end end) end",
        "local ok, err = pcall(function() while true do end end)\nerror('caught ' .. tostring(err))",
    };
    for (const char* body : endless) {
        SCOPED_TRACE(body);
        escape_down_at_look(3);
        PTE_SetLastError("");
        EXPECT_EQ(run(body), "Lua Script Error: cancelled\n");
        EXPECT_STREQ(PTE_GetLastError(), "Lua Script Error: cancelled");
        EXPECT_EQ(layer_values(), before) << "a cancelled run loads nothing";
    }
    // What "flush" loaded before the press stays.
    escape_down_at_look(3);
    EXPECT_EQ(run("set_rgb(0, 0, 1, 1, 1)\nflush()\nset_rgb(1, 0, 1, 1, 1)\nwhile true do end"),
              "Lua Script Error: cancelled\n");
    EXPECT_EQ(layer_bytes()[0], 255);
    EXPECT_EQ(layer_bytes()[4], before[4] >> 8);
}

TEST_F(LuaFilter, AScriptEndsAsItChoosesWhenItTakesThePressOrNoneComes) {
    image(2, 1, std::vector<uint8_t>(8, 0));
    // The press taken by the script: the run goes on and ends normally;
    // a key held down is one press.
    escape_down_at_look(4);
    EXPECT_EQ(run(R"lua(
local waited = 0
while is_escape() == 0 do waited = waited + 1 end
local t = os.clock()
while os.clock() - t < 0.3 do check(is_escape() == 0, "one press, taken once") end
set_rgb(0, 0, 1, 1, 1)
)lua"),
              "");
    EXPECT_EQ(layer_bytes()[0], 255);
    // No press: a long run is never stopped.
    escape_down_at_look(0);
    EXPECT_EQ(run("local t = os.clock()\nwhile os.clock() - t < 0.4 do end\nset_rgb(1, 0, 1, 1, 1)\n"), "");
    EXPECT_EQ(layer_bytes()[4], 255);
    EXPECT_GT(looks, 5) << "the watch looked at the keyboard while it ran";
    // A press seen before a run (by an earlier one) that nobody took does
    // not stop the next run.
    escape_down_at_look(1);
    st().script.escape.look(script::EscapeKey::Clock::now() + script::EscapeKey::kLookInterval);
    ASSERT_TRUE(st().script.escape.pending());
    st().script.escape.set_keyboard([] { return false; });
    EXPECT_EQ(run("local t = os.clock()\nwhile os.clock() - t < 0.3 do end"), "");
}

TEST(EscapeKey, APressIsTheKeyGoingDownBetweenLooks) {
    using script::EscapeKey;
    using std::chrono::milliseconds;
    static bool down = false;
    static int asked = 0;
    EscapeKey key([] {
        ++asked;
        return down;
    });
    const EscapeKey::Clock::time_point t0 = EscapeKey::Clock::time_point{} + std::chrono::hours(1);
    key.look(t0);
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(key.pending());
    down = true;
    key.look(t0 + milliseconds(19));
    EXPECT_EQ(asked, 1) << "not asked again within the interval";
    EXPECT_FALSE(key.pending());
    key.look(t0 + milliseconds(20));
    EXPECT_EQ(asked, 2);
    EXPECT_TRUE(key.pending());
    EXPECT_FALSE(key.unanswered(t0 + milliseconds(169)));
    EXPECT_TRUE(key.unanswered(t0 + milliseconds(170)));
    key.look(t0 + milliseconds(100));
    EXPECT_TRUE(key.take());
    EXPECT_FALSE(key.take()) << "one press is taken once";
    key.look(t0 + milliseconds(200));
    EXPECT_FALSE(key.pending()) << "a key held down is one press";
    down = false;
    key.look(t0 + milliseconds(220));
    down = true;
    key.look(t0 + milliseconds(240));
    EXPECT_TRUE(key.pending()) << "down again after a look that saw it up";
    EXPECT_FALSE(key.unanswered(t0 + milliseconds(389))) << "its time counts from when it was seen";
    key.forget();
    EXPECT_FALSE(key.pending());
    EXPECT_FALSE(key.take());
}

TEST_F(LuaFilter, NoBindingFailsOnOddArguments) {
    image(3, 3);
    set_start_dir_to_nowhere();
    // Every binding but the two that load the layer, called with odd
    // arguments in every position: none raises an error or crashes.
    EXPECT_EQ(run(R"lua(
local odd = {nil, true, false, {}, print, "text", "12", -1, 0/0, 1/0, -1/0, 1e300, -1e300, 2^31, -2^31 - 1, 0.5}
local skip = {flush = true, merge = true}
local names = {}
for name, f in pairs(_G) do
  if type(f) == "function" and (name:find("^get_") or name:find("^set_") or name:find("^bit_")
      or name:find("^paint_") or name == "single_buffer" or name == "progress" or name == "is_escape")
      and not skip[name] then
    names[#names + 1] = name
  end
end
check(#names >= 44, "found the bindings")
for _, name in ipairs(names) do
  for i = 1, #odd + 1 do
    local args = {}
    for k = 1, 20 do args[k] = odd[(i + k) % (#odd + 1) + 1] end
    local ok, err = pcall(_G[name], unpack(args, 1, 20))
    check(ok, name .. ": " .. tostring(err))
  end
end
single_buffer(false)
)lua"),
              "");
}
