// Picture files built byte by byte, as other programs write them, for the
// file tests and the fuzzers' seed corpus. Nothing here uses the engine's
// own writers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace samples {

using Bytes = std::vector<uint8_t>;

// A w x h test picture: RGBA32 rows with at most 64 colours (so palette
// formats keep it exactly), alpha in four levels including 0 and 255.
Bytes picture_rgba(int w, int h);
// The same without alpha, RGB24.
Bytes picture_rgb(int w, int h);
// A smooth picture for lossy formats, RGB24.
Bytes gradient_rgb(int w, int h);

// 8-bit palette BMP stored bottom-up; indices[i] picks palette entry
// (R, G, B). With rle the rows are run-length coded.
Bytes bmp8(int w, int h, const Bytes& indices, const Bytes& paletteRGB, bool rle);
// 32-bit BMP with an alpha mask, stored top-down.
Bytes bmp32_top_down(int w, int h, const Bytes& rgba);
// Run-length coded 32-bit TGA stored bottom-up.
Bytes tga_rle32(int w, int h, const Bytes& rgba);
// Run-length coded colour-mapped TGA (24-bit map) stored top-down.
Bytes tga_rle_mapped(int w, int h, const Bytes& indices, const Bytes& paletteRGB);
// 8-bit PCX with the 256-colour palette at the end.
Bytes pcx8(int w, int h, const Bytes& indices, const Bytes& paletteRGB);
// PSD with raw (uncompressed) RGB planes and a resolution resource in ppi.
Bytes psd_raw(int w, int h, const Bytes& rgb, double ppi);
// 16-bit greyscale PSD with PackBits rows (literal runs only); grey holds
// one 16-bit value a pixel.
Bytes psd_grey16_packbits(int w, int h, const std::vector<uint16_t>& grey);
// Placeable WMF whose window is wx x wy logical units; one STRETCHDIB
// record draws a w x h 24-bit bitmap into (dx, dy, dw, dh).
Bytes wmf_stretchdib(int wx, int wy, int w, int h, const Bytes& rgb, int dx, int dy, int dw, int dh);
// EMF of bounds wx x wy with one BITBLT record placing a w x h 24-bit
// top-down bitmap at (dx, dy).
Bytes emf_bitblt(int wx, int wy, int w, int h, const Bytes& rgb, int dx, int dy);

bool write_file(const std::string& path, const Bytes& bytes);
Bytes read_file(const std::string& path);

}  // namespace samples
