#include "script/paint_script.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <new>
#include <string>

#include "platform/paths.h"
#include "script/colour_space.h"

namespace script {

namespace {

constexpr const char* T = kTextField;
constexpr const char* B = kByteField;

// The record table: binding, argument count, lines.
constexpr const char* kStrokeStart[] = {"DrawStart", T, T, "-1", "SmoothPlot2", "0", "0", "0", "1", "0", nullptr};
constexpr const char* kStrokePos[] = {"SmoothPlot2", T, T, T, "0", "0", nullptr};
constexpr const char* kStrokeStop[] = {"SmoothPlot2", "0", "0", "0", "0", "1", "DrawStop", "1", nullptr};
constexpr const char* kSelectBrush[] = {"SelectBrush", T, T, T, nullptr};
constexpr const char* kBrushSize[] = {"SetBrushSize", T, nullptr};
constexpr const char* kBrushDensity[] = {"SetBrushDensity", T, nullptr};
constexpr const char* kBrushOpacity[] = {"SetBrushOpacity", T, nullptr};
constexpr const char* kBrushColor[] = {"SetColor", B, B, B, nullptr};
constexpr const char* kColorBanks[] = {"SetColorBanks", T, B, B, B, B, B, B, B, B, B, B, B, B, nullptr};
constexpr const char* kLine[] = {"Line2", T, T, T, T, nullptr};
constexpr const char* kSpline[] = {"Spline", T, T, T, T, T, T, T, T, nullptr};
constexpr const char* kDab[] = {"Dab", T, T, T, nullptr};
constexpr const char* kFilter[] = {"Filter", T, T, T, T, T, T, T, T, T, T, T, T, T, T, T, T, T, T, T, T, nullptr};

// The arguments a record takes: its field lines.
constexpr int fields(const char* const* lines) {
    int n = 0;
    for (; *lines != nullptr; ++lines) n += (*lines == T || *lines == B) ? 1 : 0;
    return n;
}

constexpr std::array<RecordShape, 13> kRecords = {{
    {"paint_stroke_start", fields(kStrokeStart), kStrokeStart},
    {"paint_stroke_pos", fields(kStrokePos), kStrokePos},
    {"paint_stroke_stop", fields(kStrokeStop), kStrokeStop},
    {"paint_select_brush", fields(kSelectBrush), kSelectBrush},
    {"paint_brush_size", fields(kBrushSize), kBrushSize},
    {"paint_brush_density", fields(kBrushDensity), kBrushDensity},
    {"paint_brush_opacity", fields(kBrushOpacity), kBrushOpacity},
    {"paint_brush_color", fields(kBrushColor), kBrushColor},
    {"paint_set_color_banks", fields(kColorBanks), kColorBanks},
    {"paint_line", fields(kLine), kLine},
    {"paint_spline", fields(kSpline), kSpline},
    {"paint_dab", fields(kDab), kDab},
    {"paint_filter", fields(kFilter), kFilter},
}};

void write_line(std::FILE* f, const char* text, size_t length) {
    if (length != 0) std::fwrite(text, 1, length, f);
    std::fputc('\n', f);
}

void write_line(std::FILE* f, std::string_view text) { write_line(f, text.data(), text.size()); }

void write_text_field(std::FILE* f, const ScriptValue& v) {
    write_line(f, v.text == nullptr ? "" : v.text, v.text == nullptr ? 0 : v.length);
}

// trunc(number * 255) in decimal, held to the int32 range; NaN writes 0.
void write_byte_field(std::FILE* f, const ScriptValue& v) {
    std::fprintf(f, "%d\n", int(colour_space::trunc_int(v.number * 255.0)));
}

}  // namespace

std::span<const RecordShape> record_shapes() { return kRecords; }

std::string paint_script_path(const char* startDir) {
    std::string path = startDir == nullptr ? "" : startDir;
    if (!path.empty() && path.back() != platform::kPathSeparator) path += platform::kPathSeparator;
    path += kPaintScriptFolder;
    path += platform::kPathSeparator;
    path += kPaintScriptName;
    return path;
}

void paint_open(engine::EngineState& s, const ScriptValue& seed) {
    paint_abandon(s);
    // Called from a script binding, which lets no exception out: a path that
    // cannot be built opens nothing, like one that cannot be opened.
    std::string path;
    try {
        path = paint_script_path(s.brush.startDir);
    } catch (const std::bad_alloc&) {
        return;
    }
    std::FILE* f = std::fopen(path.c_str(), "w");
    if (f == nullptr) return;
    s.script.paintScript = f;
    for (const char* line : {"1554", "Description", "1", " ", "RandomSeed"}) write_line(f, line);
    write_text_field(f, seed);
}

void paint_close(engine::EngineState& s) {
    if (s.script.paintScript == nullptr) return;
    write_line(s.script.paintScript, "ScriptEnd");
    paint_abandon(s);
}

void paint_abandon(engine::EngineState& s) {
    if (s.script.paintScript == nullptr) return;
    std::fclose(s.script.paintScript);
    s.script.paintScript = nullptr;
}

void paint_record(engine::EngineState& s, const RecordShape& shape, std::span<const ScriptValue> args) {
    std::FILE* f = s.script.paintScript;
    if (f == nullptr) return;
    size_t next = 0;
    for (const char* const* line = shape.lines; *line != nullptr; ++line) {
        const bool field = *line == kTextField || *line == kByteField;
        if (!field) {
            write_line(f, *line);
            continue;
        }
        const ScriptValue none{};
        const ScriptValue& v = next < args.size() ? args[next] : none;
        ++next;
        if (*line == kTextField)
            write_text_field(f, v);
        else
            write_byte_field(f, v);
    }
}

}  // namespace script
