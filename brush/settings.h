// Brush and tool settings: the values the host sets before it paints, the
// size and scale table that maps dab pixels to tip pixels, and the tool
// set-up that rebuilds the grit patterns and the tip.
#pragma once

#include <cstdint>

#include "engine/engine_state.h"

namespace brush {

// Edge of the tip a dab, a tip builder or a blend-buffer copy may use: the
// brush size held to the tip capacity and to the sample table, so that no
// tip-sized buffer is ever addressed past its edge.
int32_t tip_edge(const engine::EngineState& s);

// trunc(value) toward zero, held to the int32 range (NaN gives 0).
int32_t trunc_to_int(double value);

// Colours arrive as bytes (only the low byte counts) or as 16-bit values;
// alpha is always opaque.
void set_color(engine::EngineState& s, int32_t red, int32_t green, int32_t blue);
void set_color16(engine::EngineState& s, uint16_t red, uint16_t green, uint16_t blue);
// Twelve bytes: red, green, blue of banks 0 to 3.
void set_color_banks(engine::EngineState& s, const int32_t (&rgb)[12]);

// The rest (256 - strength) is refreshed only for a strength above 0.
void set_blend_strength(engine::EngineState& s, int32_t strength);
void set_primary_strength(engine::EngineState& s, int32_t strength);

// alphaScale = trunc(percent * 1.28): 128 at 100 %.
void set_alpha(engine::EngineState& s, int32_t percent);

// Only mode 1 turns the dab's tip; the angle is kept as radians (with the
// constant 3.14159), sine and cosine.
void set_rotate_mode(engine::EngineState& s, int32_t mode, int32_t degrees);

// Mix kind and amount, with the amount's rest, steps and shift.
void set_mix_mode(engine::EngineState& s, int32_t kind, int32_t amount);

void set_random_seed(engine::EngineState& s, int32_t seed);

// Copies a path shorter than the field; a longer one (or null) is ignored.
void set_start_dir(engine::EngineState& s, const char* path);

// The tip edge in tip pixels; every dab pixel samples its own tip pixel.
// Held to 0..1000, the size of the sample table.
void set_size(engine::EngineState& s, int32_t size);

// A dab of n pixels over the tip: each samples the centre of the run of tip
// pixels it stands for. n is held to 1..brushSize and to 999.
void set_scale_size(engine::EngineState& s, int32_t n);

// Per-pixel colour and luminance variation; a positive amount builds its
// random byte table (3 * tipSize bytes). A table that cannot be had is
// reported as "MakeRandArrayByte Excpt".
void set_pix_color_vary(engine::EngineState& s, int32_t amount);
void set_pix_lum_vary(engine::EngineState& s, int32_t amount);

// The sixteen arguments of the tool set-up.
struct ToolSettings {
    float tipStrength = 1.0f;
    int32_t gritBlock = 0;
    int32_t gritBlockThreshold = 0;
    int32_t gritPixelThreshold = 0;
    uint8_t tipSoftness = 0;
    int32_t colorVary = 0;
    int32_t drawingLength = 0;
    int32_t blendStrength = 0;
    int32_t primaryStrength = 0;
    uint8_t blendRemix = 0;
    uint8_t reserved1 = 0;  // stored, read by nothing
    uint8_t tipInvert = 0;
    uint8_t reserved2 = 0;  // stored, read by nothing
    const char* gritSource = nullptr;
    const char* shapeSource = nullptr;
    int32_t shapeAngle = 0;
};

// Reseeds the generator, stores the settings (mix kind 32), builds the grit
// patterns and the tip, refreshes the strength rests and clears the one-dab
// flags. A fault while building throws before the rests and flags change.
void set_tool(engine::EngineState& s, const ToolSettings& tool);

// Writes one pixel (high bytes of 16-bit values) of a host RGB24 buffer
// when (x, y) lies inside the image.
void set_pixel_rgb24(const engine::EngineState& s, uint8_t* buffer, int32_t stride, int32_t x, int32_t y,
                     int32_t red, int32_t green, int32_t blue);

}  // namespace brush
