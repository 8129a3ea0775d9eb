// `pte demo OUT.png`: builds a small picture through the engine's exports
// and writes what it made.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "commands.h"
#include "paintcore.h"
#include "png_io.h"

namespace pte {

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;

// A host-side RGBA32 picture the demo hands to the engine.
struct Picture {
    int width, height;
    std::vector<uint8_t> rgba;
    Picture(int w, int h) : width(w), height(h), rgba(size_t(w) * size_t(h) * 4, 0) {}
    uint8_t* at(int x, int y) { return &rgba[(size_t(y) * size_t(width) + size_t(x)) * 4]; }
};

Picture sky_gradient() {
    Picture p(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            uint8_t* px = p.at(x, y);
            px[0] = uint8_t(40 + 120 * y / kHeight);
            px[1] = uint8_t(90 + 100 * y / kHeight);
            px[2] = uint8_t(200 - 40 * x / kWidth);
            px[3] = 255;
        }
    return p;
}

// A soft disc of one colour: alpha falls off toward the rim.
Picture disc(int size, uint8_t r, uint8_t g, uint8_t b) {
    Picture p(size, size);
    const double c = (size - 1) / 2.0;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const double d = std::hypot(x - c, y - c) / (size / 2.0);
            uint8_t* px = p.at(x, y);
            px[0] = r;
            px[1] = g;
            px[2] = b;
            px[3] = d >= 1 ? 0 : uint8_t(255 * std::min(1.0, 3 * (1 - d)));
        }
    return p;
}

// Lays a layer read back from the engine over a checkerboard, so its
// transparency shows in the written file.
void paste_over_checker(std::vector<uint8_t>& sheet, int sheet_width, int left, const std::vector<uint8_t>& layer) {
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const uint8_t* s = &layer[(size_t(y) * kWidth + size_t(x)) * 4];
            uint8_t* d = &sheet[(size_t(y) * size_t(sheet_width) + size_t(left + x)) * 3];
            const int grey = ((x >> 4) + (y >> 4)) % 2 ? 200 : 255;
            for (int c = 0; c < 3; ++c) d[c] = uint8_t((s[c] * s[3] + grey * (255 - s[3])) / 255);
        }
}

// Geometry: a small portrait picture (a disc above a bar) enlarged with
// Lanczos3, turned a quarter right and centred on a panel-sized canvas, each
// step followed by the new image size. Leaves the panel in `layer`.
bool geometry_panel(std::vector<uint8_t>& layer) {
    constexpr int w = 80, h = 120;
    PTE_CreateImage(nullptr, w, h, 16, 0);
    if (PTE_CreateLayer(1, w, h) != 1 || PTE_CreateLayer(2, w, h) != 1) return false;
    PTE_SetLayerOptions(1, 1, 0, 100, "Normal");
    PTE_SetLayerOptions(2, 1, 0, 100, "Normal");
    PTE_SetLayer(2);
    const Picture sun = disc(60, 240, 120, 30);
    PTE_LoadRGBA32Layer(sun.rgba.data(), 60 * 4, 2, 10, 6, 60, 60, 0);
    Picture bar(20, 44);
    for (int y = 0; y < 44; ++y)
        for (int x = 0; x < 20; ++x) {
            uint8_t* px = bar.at(x, y);
            px[0] = 40;
            px[1] = uint8_t(80 + 3 * y);
            px[2] = 60;
            px[3] = 255;
        }
    PTE_LoadRGBA32Layer(bar.rgba.data(), 20 * 4, 2, 30, 70, 20, 44, 0);

    PTE_IPLInit();
    PTE_IPLResize(w * 3 / 2, h * 3 / 2, "Lanczos3");
    PTE_NewSize(nullptr, w * 3 / 2, h * 3 / 2, 16, 0);
    PTE_IPLRotateRight();
    PTE_NewSize(nullptr, h * 3 / 2, w * 3 / 2, 16, 0);
    PTE_IPLResizePage(kWidth, kHeight, "MC");
    PTE_NewSize(nullptr, kWidth, kHeight, 16, 0);
    PTE_IPLExit();
    const bool read = PTE_GetRGBA32Layer(layer.data(), kWidth * 4, 2) == kHeight;
    PTE_DeleteImage();
    return read;
}

}  // namespace

int run_demo(const std::vector<std::string>& args) {
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: pte demo OUT.png\n");
        return 2;
    }
    PTE_CreateImage(nullptr, kWidth, kHeight, 128, 0);
    const int layers[] = {1, 2, 3};
    for (int index : layers) {
        if (PTE_CreateLayer(index, kWidth, kHeight) != 1) {
            std::fprintf(stderr, "pte: %s\n", PTE_GetLastError());
            return 1;
        }
    }
    PTE_SetLayerOptions(1, 1, 0, 100, "Normal");
    PTE_SetLayerOptions(2, 1, 0, 100, "Multiply");
    PTE_SetLayerOptions(3, 1, 0, 60, "Screen");

    const Picture sky = sky_gradient();
    PTE_SetLayer(1);
    PTE_LoadRGBA32(sky.rgba.data(), kWidth * 4, 0);

    const Picture sun = disc(140, 255, 200, 40);
    PTE_LoadRGBA32Layer(sun.rgba.data(), 140 * 4, 2, 30, 30, 140, 140, 0);
    const Picture moon = disc(180, 120, 40, 200);
    PTE_LoadRGBA32Layer(moon.rgba.data(), 180 * 4, 3, 170, 80, 180, 180, 0);
    // Halve the moon's alpha by folding its 60 % opacity into its pixels.
    PTE_NormalizeLayerAlpha(3);

    const int sheet_width = kWidth * 4;
    std::vector<uint8_t> sheet(size_t(sheet_width) * kHeight * 3, 0);
    std::vector<uint8_t> layer(size_t(kWidth) * kHeight * 4);
    for (int i = 0; i < 3; ++i) {
        if (PTE_GetRGBA32Layer(layer.data(), kWidth * 4, layers[i]) != kHeight) {
            std::fprintf(stderr, "pte: layer %d has no pixels\n", layers[i]);
            return 1;
        }
        paste_over_checker(sheet, sheet_width, i * kWidth, layer);
    }
    PTE_DeleteImage();

    if (!geometry_panel(layer)) {
        std::fprintf(stderr, "pte: geometry: %s\n", PTE_GetLastError());
        return 1;
    }
    paste_over_checker(sheet, sheet_width, 3 * kWidth, layer);

    std::string error;
    if (!write_png(args[0], sheet.data(), sheet_width, kHeight, 3, error)) {
        std::fprintf(stderr, "pte: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

}  // namespace pte
