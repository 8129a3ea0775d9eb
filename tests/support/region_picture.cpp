#include "support/region_picture.h"

#include <cstdint>
#include <cstdlib>
#include <deque>
#include <map>

#include "paintcore.h"

namespace region_picture {

namespace {

const std::vector<std::string> kMap = {
    "aaawaaaaaaaa",
    "abawaacaaaaa",
    "aawaaaaaaatu",
    "wwaahaaaaatt",
    "aaaaaaaaaaaa",
    "aacaaaaaawww",
};

const std::map<char, Rgba>& colours() {
    static const std::map<char, Rgba> c = {
        {'a', {200, 180, 160, 255}}, {'b', {205, 180, 160, 255}}, {'c', {206, 180, 160, 255}},
        {'w', {20, 20, 20, 255}},    {'h', {200, 180, 160, 128}}, {'t', {0, 0, 0, 0}},
        {'u', {1, 0, 0, 255}},
    };
    return c;
}

}  // namespace

Rgba colour_at(int x, int y) { return colours().at(kMap[size_t(y)][size_t(x)]); }

std::vector<uint8_t> rgba32() {
    std::vector<uint8_t> out;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            for (int c : colour_at(x, y)) out.push_back(uint8_t(c));
    return out;
}

std::vector<bool> breadth_first_region(int w, int h, int sx, int sy, const std::function<bool(int, int)>& matches) {
    std::vector<bool> in(size_t(w * h), false);
    std::deque<std::pair<int, int>> todo{{sx, sy}};
    in[size_t(sy * w + sx)] = true;
    while (!todo.empty()) {
        const auto [x, y] = todo.front();
        todo.pop_front();
        for (auto [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
            const int nx = x + dx, ny = y + dy;
            if (nx < 0 || ny < 0 || nx >= w || ny >= h || in[size_t(ny * w + nx)] || !matches(nx, ny)) continue;
            in[size_t(ny * w + nx)] = true;
            todo.emplace_back(nx, ny);
        }
    }
    return in;
}

std::vector<bool> region(int sx, int sy, int range, int channels) {
    const Rgba seed = colour_at(sx, sy);
    return breadth_first_region(kWidth, kHeight, sx, sy, [&](int x, int y) {
        const Rgba p = colour_at(x, y);
        for (int c = 0; c < channels; ++c)
            if (std::abs(p[size_t(c)] - seed[size_t(c)]) > range) return false;
        return true;
    });
}

void load_onto_layer(int slot, bool protect) {
    PTE_CreateImage(nullptr, kWidth, kHeight, 16, 0);
    for (int i = 1; i <= 2; ++i) {
        PTE_CreateLayer(i, kWidth, kHeight);
        PTE_SetLayerOptions(i, 1, 0, 100, "Normal");
    }
    const std::vector<uint8_t> rgba = rgba32();
    PTE_LoadRGBA32Layer(rgba.data(), kWidth * 4, slot, 0, 0, kWidth, kHeight, 0);
    PTE_SetLayer(slot);
    if (protect) PTE_ClearMask(65535, 65535, 65535);
}

bool rgb_within(const Rgba& p, const Rgba& ref, int range) {
    for (int c = 0; c < 3; ++c)
        if (std::abs(p[size_t(c)] - ref[size_t(c)]) > range) return false;
    return true;
}

}  // namespace region_picture
