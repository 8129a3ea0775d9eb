// libpng called directly, with the settings of our PNG writer (defaults,
// pHYs in pixels per metre, one row at a time): the peer of the PNG
// benchmarks.
#pragma once

#include <png.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>

namespace bench {

// Writes packed RGBA32 rows as an RGBA PNG; false when the file cannot be written.
inline bool png_write_direct(const char* path, const uint8_t* rgba, uint32_t width, uint32_t height,
                             uint32_t pixelsPerMetre) {
    std::FILE* f = std::fopen(path, "wb");
    if (f == nullptr) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_pHYs(png, info, pixelsPerMetre, pixelsPerMetre, PNG_RESOLUTION_METER);
    png_write_info(png, info);
    for (uint32_t y = 0; y < height; ++y) png_write_row(png, rgba + size_t(y) * width * 4);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(f) == 0;
}

}  // namespace bench
