// Small 8-bit pictures for the imaging library's tests: packed rows of 1,
// 3 or 4 bytes a pixel, read with repeated edges where a reference needs it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

struct BytePicture {
    int w = 0, h = 0, bpp = 0;
    std::vector<uint8_t> v;

    BytePicture() = default;
    BytePicture(int width, int height, int bytes, uint8_t fill = 0)
        : w(width), h(height), bpp(bytes), v(size_t(width) * size_t(height) * size_t(bytes), fill) {}

    uint32_t stride() const { return uint32_t(w * bpp); }
    uint8_t* data() { return v.data(); }
    const uint8_t* data() const { return v.data(); }
    uint8_t& at(int x, int y, int c) { return v[(size_t(y) * size_t(w) + size_t(x)) * size_t(bpp) + size_t(c)]; }
    uint8_t at(int x, int y, int c) const { return v[(size_t(y) * size_t(w) + size_t(x)) * size_t(bpp) + size_t(c)]; }
    // The edge repeated outside the picture.
    uint8_t edge(int x, int y, int c) const { return at(std::clamp(x, 0, w - 1), std::clamp(y, 0, h - 1), c); }
    bool operator==(const BytePicture&) const = default;
};

// Uniformly random bytes; `zeros` in 1000 of them are 0.
inline BytePicture random_bytes(int w, int h, int bpp, uint32_t seed, int zeros = 0) {
    BytePicture p(w, h, bpp);
    std::mt19937 gen(seed);
    for (uint8_t& b : p.v) b = int(gen() % 1000) < zeros ? 0 : uint8_t(gen());
    return p;
}

// Every byte of one value.
inline BytePicture flat(int w, int h, int bpp, uint8_t value) { return BytePicture(w, h, bpp, value); }
