// `pte gallery OUT.png`: a contact sheet of every named effect, each
// applied through the engine to the same picture (gradients, shapes,
// strokes like writing and a transparent corner) and labelled with its
// name. Settings are 500 (the middle of 0..1000) unless an effect needs
// others to show what it does; the script-file names show the shipped
// example scripts.
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>

#include "commands.h"
#include "effect_runs.h"
#include "label_font.h"
#include "png_io.h"

namespace pte {

namespace {

constexpr int kTileWidth = 128, kTileHeight = 96;
constexpr int kColumns = 10;
constexpr int kGap = 8;
constexpr int kCellHeight = kTileHeight + 2 + kLabelHeight;

// The picture every effect is applied to, RGBA32.
std::vector<uint8_t> sample_picture() {
    std::vector<uint8_t> p(size_t(kTileWidth) * kTileHeight * 4);
    const auto at = [&](int x, int y) { return &p[(size_t(y) * kTileWidth + size_t(x)) * 4]; };
    for (int y = 0; y < kTileHeight; ++y)
        for (int x = 0; x < kTileWidth; ++x) {
            uint8_t* q = at(x, y);
            const double u = double(x) / (kTileWidth - 1), v = double(y) / (kTileHeight - 1);
            q[0] = uint8_t(40 + 200 * u);
            q[1] = uint8_t(90 + 120 * v * (1 - u));
            q[2] = uint8_t(220 - 160 * u * v);
            q[3] = 255;
            // A yellow disc and a dark red bar.
            if (std::hypot(x - 34.0, y - 38.0) < 20) q[0] = 250, q[1] = 210, q[2] = 40;
            if (x >= 70 && x < 112 && y >= 56 && y < 72) q[0] = 120, q[1] = 20, q[2] = 30;
            // The top-right corner fades out to transparent.
            const double corner = std::hypot(x - (kTileWidth - 1.0), double(y)) / 40.0;
            if (corner < 1) q[3] = uint8_t(255 * corner);
        }
    // Strokes like handwriting along the bottom.
    for (int x = 8; x < 100; ++x) {
        const double y = 84 + 5 * std::sin(x * 0.45) + 2 * std::sin(x * 1.3);
        for (int t = 0; t < 2; ++t) {
            uint8_t* q = at(x, int(y) + t);
            q[0] = q[1] = q[2] = 20;
        }
    }
    return p;
}

// A Lua filter to show the "Lua Filter" entry: the colours turned round.
const char* kLuaFilter = R"lua(
for y = bound_y0, bound_y1 do
  for x = bound_x0, bound_x1 do
    local r, g, b = get_rgb(x, y)
    set_rgb(x, y, g, b, r)
  end
end
)lua";

// Settings other than the defaults, for effects that show nothing at the
// middle of every range (an identity, or a band of one level).
void adjust(const std::string& name, EffectSettings& s) {
    static const std::map<std::string, std::function<void(EffectSettings&)>> kChanges = {
        {"Brightness and Contrast", [](EffectSettings& e) { e.p[0] = 600, e.p[1] = 700; }},
        {"Brightness Histogram Equalize", [](EffectSettings& e) { e.p[0] = 0, e.p[1] = 1000; }},
        {"Histogram Equalize", [](EffectSettings& e) { e.p[0] = 0, e.p[1] = 1000; }},
        {"Brightness Histogram Stretch", [](EffectSettings& e) { e.p[0] = e.p[1] = 150; }},
        {"Brightness Histogram Stretch HSL", [](EffectSettings& e) { e.p[0] = e.p[1] = 150; }},
        {"Histogram Stretch", [](EffectSettings& e) { e.p[0] = e.p[1] = 150; }},
        {"Gamma", [](EffectSettings& e) { e.p[0] = 800; }},
        {"Hyper Saturation", [](EffectSettings& e) { e.p[0] = 800; }},
        {"Adjust HSL", [](EffectSettings& e) { e.p[0] = 700; }},
        {"Adjust HSV", [](EffectSettings& e) { e.p[0] = 300; }},
        {"Adjust Lab", [](EffectSettings& e) { e.p[0] = 600, e.p[1] = 650; }},
        {"Adjust Color Balance", [](EffectSettings& e) { e.p[0] = 900, e.f[0] = e.f[1] = e.f[2] = 1; }},
        {"Tint", [](EffectSettings& e) { e.p[0] = 700; }},
        {"Mosaic", [](EffectSettings& e) { e.p[0] = 160; }},
        {"Halftone", [](EffectSettings& e) { e.p[0] = 120; }},
        {"Unsharp Mask", [](EffectSettings& e) { e.p[0] = 20, e.p[1] = 1000; }},
        {"Sharpen", [](EffectSettings& e) { e.p[0] = 1000; }},
        {"Dust and Scratches", [](EffectSettings& e) { e.p[0] = 40, e.p[1] = 800; }},
        {"Drop Shadow", [](EffectSettings& e) { e.p[0] = e.p[1] = 60, e.p[2] = 100; }},
        {"Bevel", [](EffectSettings& e) { e.p[0] = 120; }},
        {"Emboss", [](EffectSettings& e) { e.p[1] = 250, e.p[2] = 300; }},
        {"Fingerprint", [](EffectSettings& e) { e.p[0] = 60; }},
        {"Crackle", [](EffectSettings& e) { e.p[0] = 150; }},
        {"Vignette", [](EffectSettings& e) { e.f[0] = 1; }},
        {"Radial Blur", [](EffectSettings& e) { e.p[0] = 1000, e.p[1] = 1000; }},
        {"Zoom Blur", [](EffectSettings& e) { e.p[0] = 1000, e.p[1] = 1000; }},
        // Transforms and warps, neutral at 500 or made for larger pictures.
        {"Offset", [](EffectSettings& e) { e.p[0] = e.p[1] = 600, e.p[6] = 1; }},
        {"Perspective", [](EffectSettings& e) { e.p[0] = 300, e.p[1] = 400; }},
        {"Warp", [](EffectSettings& e) { e.p[0] = 300, e.p[1] = 600, e.p[2] = 400, e.p[3] = 550; }},
        {"Stretch", [](EffectSettings& e) { e.p[0] = 350, e.p[1] = 350; }},
        {"Vertical Pivot", [](EffectSettings& e) { e.p[0] = 300, e.p[1] = 100, e.p[3] = 900; }},
        {"Horizontal Pivot", [](EffectSettings& e) { e.p[0] = 300, e.p[1] = 100, e.p[3] = 900; }},
        {"Skew", [](EffectSettings& e) { e.p[1] = 400, e.p[3] = 400; }},
        {"Ripple", [](EffectSettings& e) { e.p[1] = 150, e.p[2] = 40; }},
        {"Spin", [](EffectSettings& e) { e.p[1] = 700; }},
        {"Spin Wave", [](EffectSettings& e) { e.p[1] = 700, e.p[2] = 30; }},
        {"Wave", [](EffectSettings& e) { e.p[0] = 200, e.p[1] = 300; }},
        {"Zig Zag", [](EffectSettings& e) { e.p[0] = 200, e.p[1] = 300; }},
        {"Frosted Glass", [](EffectSettings& e) { e.p[0] = 100; }},
        // Geometric scripts.
        {"Twirl", [](EffectSettings& e) { e.p[0] = 700; }},
        {"Sine Distortion", [](EffectSettings& e) { e.p[2] = e.p[3] = 150; }},
        {"Kaleidoscope", [](EffectSettings& e) { e.p[2] = 120; }},
        {"Patternizer", [](EffectSettings& e) { e.p[0] = 100, e.p[1] = 300; }},
        {"Waves", [](EffectSettings& e) { e.p[0] = 60, e.p[1] = 60; }},
        {"Divider", [](EffectSettings& e) { e.p[0] = e.p[1] = 30; }},
        {"Carpet", [](EffectSettings& e) { e.p[0] = e.p[1] = 60; }},
        {"Glass", [](EffectSettings& e) { e.p[0] = 100; }},
        {"Voxel", [](EffectSettings& e) { e.p[0] = 60; }},
        {"Zoom", [](EffectSettings& e) { e.p[0] = 150; }},
        {"Rotate", [](EffectSettings& e) { e.p[0] = 560, e.p[1] = 100; }},
        {"Tilt", [](EffectSettings& e) { e.p[0] = 520; }},
        {"Seamless", [](EffectSettings& e) { e.p[0] = 100; }},
        // Generators, in the colour, at sizes that suit the tile.
        {"Lines", [](EffectSettings& e) { e.p[1] = 60, e.p[4] = 40, e.p[6] = 1; }},
        {"Points", [](EffectSettings& e) { e.p[1] = 40, e.p[6] = 1; }},
        {"Circles", [](EffectSettings& e) { e.p[1] = 15, e.p[3] = 0, e.p[6] = 1; }},
        {"Rectangles", [](EffectSettings& e) { e.p[1] = e.p[2] = 20, e.p[4] = 20, e.p[6] = 1; }},
        {"Splines", [](EffectSettings& e) { e.p[0] = 80, e.p[1] = 100, e.p[2] = 40, e.p[4] = 40, e.p[6] = 1; }},
        {"Worms", [](EffectSettings& e) { e.p[0] = 150, e.p[1] = 80, e.p[2] = 300, e.p[3] = 16, e.p[6] = 1; }},
        {"Fibers", [](EffectSettings& e) { e.p[1] = 40, e.p[2] = 8, e.p[4] = 20, e.p[6] = 1; }},
        {"Trees", [](EffectSettings& e) { e.p[0] = 30, e.p[2] = 40, e.p[4] = 16, e.p[6] = 1; }},
        {"Generate Noise", [](EffectSettings& e) { e.p[1] = 10, e.p[6] = 1; }},
        {"Blobs", [](EffectSettings& e) { e.p[0] = 80, e.p[1] = 12, e.p[6] = 1; }},
        {"Sine Plasma", [](EffectSettings& e) { e.p[0] = e.p[1] = 60; }},
        {"Pattern", [](EffectSettings& e) { e.p[0] = e.p[1] = 160, e.p[6] = 3; }},
    };
    const auto change = kChanges.find(name);
    if (change != kChanges.end()) change->second(s);
}

// The tile over a checkerboard, so that transparency shows.
void place_tile(std::vector<uint8_t>& sheet, int sheetWidth, int left, int top, const std::vector<uint8_t>& rgba) {
    for (int y = 0; y < kTileHeight; ++y)
        for (int x = 0; x < kTileWidth; ++x) {
            const uint8_t* s = &rgba[(size_t(y) * kTileWidth + size_t(x)) * 4];
            const int board = ((x / 8 + y / 8) % 2) ? 204 : 255;
            uint8_t* d = &sheet[(size_t(top + y) * size_t(sheetWidth) + size_t(left + x)) * 3];
            for (int c = 0; c < 3; ++c) d[c] = uint8_t((s[c] * s[3] + board * (255 - s[3]) + 127) / 255);
        }
}

// The shipped example script the script-file names show: one for each of
// the five groups, the kaleidoscope for "Pattern Explorer"; the Lua filter
// for every other name.
std::string script_for(const std::string& name, const std::string& folder, const std::string& lua) {
    static const std::pair<const char*, const char*> kGroups[] = {
        {"Material", "material/wood.fxs"},  {"Nature", "nature/grass.fxs"},    {"Surface", "surface/stone.fxs"},
        {"Other", "other/bubbles.fxs"},     {"Utility", "utility/checker.fxs"}};
    if (name == "Pattern Explorer") return folder + "/other/kaleidoscope.fxs";
    for (const char* family : {"Backgrounds ", "Texturize Emboss ", "Texturize Bump ", "Displacement Bump "}) {
        if (name.rfind(family, 0) != 0) continue;
        for (const auto& [group, file] : kGroups)
            if (name.substr(std::string(family).size()) == group) return folder + "/" + file;
    }
    return lua;
}

std::string lua_script_file() {
    char path[] = "/tmp/pte-gallery-XXXXXX";
    const int fd = ::mkstemp(path);
    if (fd < 0) return "";
    ::close(fd);
    std::ofstream(path) << kLuaFilter;
    return path;
}

}  // namespace

int run_gallery(const std::vector<std::string>& args) {
    if (args.empty() || args.size() > 2) {
        std::fprintf(stderr, "usage: pte gallery OUT.png [SCRIPTS]\n"
                             "  SCRIPTS: the folder of the example effect scripts (default: the source tree's)\n");
        return 2;
    }
    const std::string scripts = args.size() == 2 ? args[1] : PTE_EXAMPLE_SCRIPTS;
    const std::vector<CatalogueEntry> entries = catalogue();
    const int rows = int(entries.size() + kColumns - 1) / kColumns;
    const int width = kGap + kColumns * (kTileWidth + kGap);
    const int height = kGap + rows * (kCellHeight + kGap);
    std::vector<uint8_t> sheet(size_t(width) * size_t(height) * 3, 240);
    const std::vector<uint8_t> picture = sample_picture();
    const std::string script = lua_script_file();
    int failures = 0;
    for (size_t i = 0; i < entries.size(); ++i) {
        const CatalogueEntry& entry = entries[i];
        EffectSettings settings;
        settings.text = script_for(entry.name, scripts, script);
        adjust(entry.name, settings);
        std::vector<uint8_t> result = picture;
        std::string error;
        if (!apply_effect(entry.name, settings, result, kTileWidth, kTileHeight, error)) {
            std::fprintf(stderr, "pte gallery: %s: %s\n", entry.name.c_str(), error.c_str());
            ++failures;
        }
        const int left = kGap + int(i % kColumns) * (kTileWidth + kGap);
        const int top = kGap + int(i / kColumns) * (kCellHeight + kGap);
        place_tile(sheet, width, left, top, result);
        const uint8_t ink[3] = {20, 20, 20};
        draw_label(sheet.data(), width, height, left, top + kTileHeight + 2, entry.name, ink);
    }
    if (!script.empty()) std::remove(script.c_str());
    std::string error;
    if (!write_png(args[0], sheet.data(), width, height, 3, error)) {
        std::fprintf(stderr, "pte gallery: %s\n", error.c_str());
        return 1;
    }
    return failures == 0 ? 0 : 1;
}

}  // namespace pte
