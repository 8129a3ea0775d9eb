// Colour balance: shifts along cyan-red, magenta-green and yellow-blue,
// each weighted by how much a channel's value lies in the shadows, the
// midtones or the highlights.
#include "platform/imglib/tone.h"
#include "platform/imglib/tone_support.h"

namespace imglib {

namespace {

// How much a level belongs to each tonal range, 0..1.
double shadow_weight(int v) { return std::clamp((128.0 - v) / 128.0, 0.0, 1.0); }
double midtone_weight(int v) { return std::max(0.0, 1.0 - std::abs(v - 128.0) / 128.0); }
double highlight_weight(int v) { return std::clamp((v - 128.0) / 127.0, 0.0, 1.0); }

// Percent shifts held to -100..100.
double part(int32_t shift) { return std::clamp(shift, -100, 100) / 100.0; }

}  // namespace

BOOL ISE40_AdjustImageColorBalance(uint8_t* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                                   uint32_t stride, int32_t shadowCyanRed, int32_t shadowMagentaGreen,
                                   int32_t shadowYellowBlue, int32_t midCyanRed, int32_t midMagentaGreen,
                                   int32_t midYellowBlue, int32_t highCyanRed, int32_t highMagentaGreen,
                                   int32_t highYellowBlue, int32_t brightness, int32_t keepLuminosity) {
    const uint32_t bpp = bytesPerPixel;
    if (!detail::effect_picture(image, width, height, stride, bpp) || bpp == 1) return 0;
    const double shadows[3] = {part(shadowCyanRed), part(shadowMagentaGreen), part(shadowYellowBlue)};
    const double mids[3] = {part(midCyanRed), part(midMagentaGreen), part(midYellowBlue)};
    const double highs[3] = {part(highCyanRed), part(highMagentaGreen), part(highYellowBlue)};
    const double lift = part(brightness) * 255.0;
    // Per channel, what each level becomes (before the luminosity is put back).
    std::array<detail::ByteTable, 4> tables{};
    for (uint32_t c = 0; c < 3; ++c)
        for (int v = 0; v < 256; ++v) {
            const double shift =
                128.0 * (shadows[c] * shadow_weight(v) + mids[c] * midtone_weight(v) + highs[c] * highlight_weight(v));
            tables[c][size_t(v)] = detail::round_byte(v + shift + lift);
        }
    if (!keepLuminosity) return detail::apply_tables(image, width, height, bpp, stride, tables, 7);
    if (width == 0 || height == 0) return 1;
    detail::for_rows(height, [&](uint32_t y) {
        uint8_t* p = image + size_t(y) * stride;
        for (uint32_t x = 0; x < width; ++x, p += bpp) {
            const int32_t before = detail::pixel_luma(p, bpp);
            uint8_t q[3] = {tables[0][p[0]], tables[1][p[1]], tables[2][p[2]]};
            const int32_t back = before - detail::luma(q[0], q[1], q[2]);
            for (int c = 0; c < 3; ++c) p[c] = detail::clamp_byte_int(int64_t(q[c]) + back);
        }
    });
    return 1;
}

}  // namespace imglib
