#include "brush/settings.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "brush/random.h"
#include "brush/tip.h"
#include "engine/trace.h"

namespace brush {

using engine::EngineState;

int32_t tip_edge(const EngineState& s) {
    return std::clamp(s.brush.brushSize, 0, std::min(s.tipSize, int32_t(kMaxSampleCount)));
}

int32_t trunc_to_int(double value) {
    if (!(value == value)) return 0;
    if (value >= 2147483647.0) return INT32_MAX;
    if (value <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(value);
}

namespace {
uint16_t byte_to16(int32_t v) { return uint16_t((v & 0xFF) << 8); }

int32_t rest_of(int32_t strength) { return int32_t(256 - int64_t(strength)); }
}  // namespace

void set_color(EngineState& s, int32_t red, int32_t green, int32_t blue) {
    set_color16(s, byte_to16(red), byte_to16(green), byte_to16(blue));
}

void set_color16(EngineState& s, uint16_t red, uint16_t green, uint16_t blue) {
    uint16_t* c = s.brush.brushColor;
    c[0] = red;
    c[1] = green;
    c[2] = blue;
    c[3] = 65535;
}

void set_color_banks(EngineState& s, const int32_t (&rgb)[12]) {
    BrushState& b = s.brush;
    for (int i = 0; i < 4; ++i) {
        b.bankRed[i] = byte_to16(rgb[3 * i]);
        b.bankGreen[i] = byte_to16(rgb[3 * i + 1]);
        b.bankBlue[i] = byte_to16(rgb[3 * i + 2]);
        b.bankAlpha[i] = 65535;
    }
}

void set_blend_strength(EngineState& s, int32_t strength) {
    s.brush.blendStrength = strength;
    if (strength > 0) s.brush.blendStrengthRest = rest_of(strength);
}

void set_primary_strength(EngineState& s, int32_t strength) {
    s.brush.primaryStrength = strength;
    if (strength > 0) s.brush.primaryStrengthRest = rest_of(strength);
}

void set_alpha(EngineState& s, int32_t percent) {
    s.brush.alphaPercent = percent;
    s.brush.alphaScale = trunc_to_int(percent * 1.28);
}

void set_rotate_mode(EngineState& s, int32_t mode, int32_t degrees) {
    BrushState& b = s.brush;
    b.rotateMode = mode;
    b.rotateDegrees = degrees;
    // The angle goes through the wide type and is stored as float; the
    // cosine is taken of the stored float, the sine of the wide value.
    const long double r = static_cast<long double>(degrees) * (1.0L / 180.0L) * 3.14159L;
    b.rotateRadians = static_cast<float>(r);
    b.rotateSin = static_cast<float>(std::sin(r));
    b.rotateCos = static_cast<float>(std::cos(static_cast<double>(b.rotateRadians)));
}

void set_mix_mode(EngineState& s, int32_t kind, int32_t amount) {
    BrushState& b = s.brush;
    b.mixKind = kind;
    b.mixAmount = amount;
    b.mixAmountRest = rest_of(amount);
    const double x = (double(amount) - 127.0) * (1.0 / 127.0);
    b.mixSteps = trunc_to_int(x * 10.0);
    b.mixShift = trunc_to_int(x * 16.0);
}

void set_random_seed(EngineState& s, int32_t seed) {
    s.brush.randomSeed = seed;
    s.brush.random.seed(seed);
}

void set_start_dir(EngineState& s, const char* path) {
    if (path == nullptr) return;
    const size_t length = strnlen(path, kStartDirCapacity);
    if (length >= size_t(kStartDirCapacity)) return;
    std::memcpy(s.brush.startDir, path, length + 1);
}

void set_size(EngineState& s, int32_t size) {
    BrushState& b = s.brush;
    size = std::clamp(size, 0, int32_t(kMaxSampleCount));
    b.brushSize = size;
    b.sampleCount = size;
    for (int32_t k = 0; k < size; ++k) b.sampleOffsets[size_t(k)] = k;
}

void set_scale_size(EngineState& s, int32_t n) {
    BrushState& b = s.brush;
    if (n < 1) n = 1;
    if (n > b.brushSize) n = b.brushSize;
    if (n > kMaxSampleCount - 1) n = kMaxSampleCount - 1;
    b.sampleCount = n;
    if (n <= 0) return;
    // The step is accumulated in the wide type from its float rounding, so
    // the offsets are those of the run centres as the host has always had them.
    const long double a = static_cast<long double>(b.brushSize) / n;
    const float af = static_cast<float>(a);
    long double at = a * 0.5L;
    for (int32_t k = 0; k < n; ++k) {
        b.sampleOffsets[size_t(k)] = static_cast<int32_t>(at);
        at += af;
    }
}

void set_pix_color_vary(EngineState& s, int32_t amount) {
    s.brush.pixColorVary = amount;
    if (amount > 0) build_byte_table_reporting(s, s.brush.pixColorTable, 1000, s.tipSize * 3);
}

void set_pix_lum_vary(EngineState& s, int32_t amount) {
    s.brush.pixLumVary = amount;
    if (amount > 0) build_byte_table_reporting(s, s.brush.pixLumTable, 256, s.tipSize * 3);
}

void set_tool(EngineState& s, const ToolSettings& tool) {
    BrushState& b = s.brush;
    b.random.seed(b.randomSeed);
    b.tipStrength = tool.tipStrength;
    b.gritBlock = tool.gritBlock;
    b.gritBlockThreshold = tool.gritBlockThreshold;
    b.gritPixelThreshold = tool.gritPixelThreshold;
    b.tipSoftness = tool.tipSoftness;
    b.colorVary = tool.colorVary;
    b.drawingLength = tool.drawingLength;
    b.blendStrength = tool.blendStrength;
    b.primaryStrength = tool.primaryStrength;
    b.blendRemix = tool.blendRemix;
    b.toolByte11 = tool.reserved1;
    b.tipInvert = tool.tipInvert;
    b.toolByte13 = tool.reserved2;
    b.shapeAngle = tool.shapeAngle;
    b.mixKind = kMixNormal;

    if (b.gritBlock != 0) {
        build_grit_from_tables(s);
        b.drawingCountdown = b.drawingLength;
    }
    // A grit source of two characters or more (an effect script or a
    // picture) replaces these patterns with pieces cut from it.
    if (tool.gritSource != nullptr && strnlen(tool.gritSource, 2) >= 2) build_grit_from_picture(s, tool.gritSource);
    // Without an image there are no tip buffers; the settings above stay.
    if (tip_ready(s))
        set_brush_shape(s, tool.shapeSource, tool.shapeAngle);
    else
        trace::no_image("PTE_SetTool");

    if (b.blendStrength > 0) b.blendStrengthRest = rest_of(b.blendStrength);
    if (b.primaryStrength > 0) b.primaryStrengthRest = rest_of(b.primaryStrength);
    b.blendOffOnce = b.maskMakerOn = b.eraseModeOn = 0;
}

void set_pixel_rgb24(const EngineState& s, uint8_t* buffer, int32_t stride, int32_t x, int32_t y, int32_t red,
                     int32_t green, int32_t blue) {
    if (buffer == nullptr || x < 0 || y < 0 || x >= s.imageWidth || y >= s.imageHeight) return;
    uint8_t* p = buffer + int64_t(y) * stride + int64_t(x) * 3;
    p[0] = uint8_t(red >> 8);
    p[1] = uint8_t(green >> 8);
    p[2] = uint8_t(blue >> 8);
}

}  // namespace brush
