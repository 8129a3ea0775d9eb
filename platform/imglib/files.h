// The file module of our imaging library: sources, destinations, readers,
// writers, row-at-a-time writers and header queries.
//
// A source is a whole file held in memory; every reader decodes from the
// source's current position. Readers hand out GlobalAlloc blocks of packed
// top-down rows (RGBA32 or RGB24) that the caller releases with GlobalFree;
// they return null for anything they cannot decode completely (truncated or
// corrupt data included) and leave their outputs untouched then.
//
// A destination writes into a temporary file beside the target and renames
// it over the target only when every write succeeded, so a failed write
// leaves an existing file as it was.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/imglib/imglib.h"

namespace imglib {

struct FileSource;
struct FileDest;
struct LineWriter;
using HISSRC = FileSource*;
using HISDEST = FileDest*;
using HISLINES = LineWriter*;

// File types answered by IS3GuessFileType.
enum FileType : uint32_t {
    kFileUnknown = 0,
    kFileBMP = 1,
    kFileJPEG = 3,
    kFilePNG = 4,
    kFileTIFF = 6,
    kFileWMF = 7,  // metafiles are rendered, not decoded
    kFileEMF = 8,
    kFilePSD = 10,
    kFileGIF = 11,
    kFileTGA = 12,
    kFilePCX = 13,
};

// Largest picture a reader accepts: each side at most 65535 pixels and at
// most 2^28 pixels in all (1 GiB as RGBA32).
inline constexpr uint32_t kMaxFileSide = 65535;
inline constexpr uint64_t kMaxFilePixels = uint64_t(1) << 28;

// Resolution handed to the whole-buffer writers. The unit says how the
// values are meant, per format: BMP stores them as pixels per metre whatever
// the unit; PNG 0 = aspect only, 1 = pixels per metre; JPEG 0 = aspect only,
// 1 = dots per inch, 2 = dots per centimetre; TIFF 1 = none, 2 = inch,
// 3 = centimetre; PSD 2 = inch, 3 = centimetre.
struct ISResolution {
    int32_t x;
    int32_t y;
    int32_t unit;
};
// The same for the row writers.
struct ISLineResolution {
    double x;
    double y;
    int32_t unit;
};

// ---- Sources ----

// Opens a file for reading; null when it cannot be read.
HISSRC IS3OpenFileSource(const char* path);
// A source over bytes the caller keeps alive until IS3CloseSource.
HISSRC IS3OpenMemorySource(const void* data, size_t size);
// The type of the data at the source's position (kFileUnknown when none).
uint32_t IS3GuessFileType(HISSRC src);
// Moves the position: origin 0 from the start, 1 from the position, 2 from
// the end. 0 when the target lies outside the data.
BOOL IS3Seek(HISSRC src, int64_t offset, int32_t origin);
// Decodes the picture at the position into RGBA32 (alpha 255 where the file
// has none) or RGB24 (alpha dropped).
uint8_t* IS3ReadImageToRGBA(HISSRC src, uint32_t* width, uint32_t* height);
uint8_t* IS3ReadImageToRGB(HISSRC src, uint32_t* width, uint32_t* height);
BOOL IS3CloseSource(HISSRC src);

// Renders a WMF or EMF file at wantWidth x wantHeight into RGB24 over a
// background colour (red + green * 256 + blue * 65536): lines, curves,
// shapes, paths, fills, clipping, text and bitmaps, in the file's mapping
// stretched to the requested size. Records it does not know are skipped;
// a damaged record chain gives null. `flags` is reserved (0).
uint8_t* IS3ReadMetafile(const char* path, uint32_t* width, uint32_t* height, uint32_t wantWidth, uint32_t wantHeight,
                         uint32_t background, uint32_t flags);

// Header queries: size, bits per pixel and resolution of the file at the
// position, without decoding pixels. A file without a resolution answers 0
// for the values and unit 0. Units: BMP 2 = pixels per metre; JPEG 0 = none,
// 1 = dots per inch, 2 = dots per centimetre; PNG 0 = none, 1 = pixels per
// metre; TIFF and PSD 2 = per inch, 3 = per centimetre.
BOOL IS3GetBMPDims(HISSRC src, uint32_t* width, uint32_t* height, uint32_t* bitsPerPixel, double* xResolution,
                   double* yResolution, int32_t* unit);
BOOL IS3GetJPGDims(HISSRC src, uint32_t* width, uint32_t* height, uint32_t* bitsPerPixel, double* xResolution,
                   double* yResolution, int32_t* unit);
BOOL IS3GetPNGDims(HISSRC src, uint32_t* width, uint32_t* height, uint32_t* bitsPerPixel, double* xResolution,
                   double* yResolution, int32_t* unit);
BOOL IS3GetTIFFDims(HISSRC src, uint32_t* width, uint32_t* height, uint32_t* bitsPerPixel, double* xResolution,
                    double* yResolution, int32_t* unit);
BOOL IS3GetPSDDims(HISSRC src, uint32_t* width, uint32_t* height, uint32_t* bitsPerPixel, double* xResolution,
                   double* yResolution, int32_t* unit);

// ---- Destinations and whole-buffer writers ----
// Pixel sources: 24 bits = RGB24 rows, 32 bits = RGBA32 rows, packed unless
// a stride is given. `res` may be null (no resolution stored).

// `flags` is reserved (0).
HISDEST IS3OpenFileDest(const char* path, uint32_t flags);
// Finishes the file; 0 when any write failed (the target is then unchanged).
// A writer that fails marks its destination failed.
BOOL IS3CloseDest(HISDEST dest);
// Drops what was written; the target is unchanged.
BOOL IS3CancelDest(HISDEST dest);

// 24 or 32 bits; 32 bits keep alpha.
BOOL IS3WriteBMP(HISDEST dest, const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t bitsPerPixel,
                 const ISResolution* res);
// Bit depth 8; colour type 2 (RGB24 rows) or 6 (RGBA32 rows).
BOOL IS3WritePNG(HISDEST dest, const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t stride,
                 uint32_t bitDepth, uint32_t colourType, const ISResolution* res);
// Quality 1..100; 24 or 32 bits (alpha is dropped).
BOOL IS3WriteJPG(HISDEST dest, const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t quality,
                 uint32_t bitsPerPixel, const ISResolution* res);
// 24 or 32 bits; compression as TIFF numbers it (1 none, 5 LZW, 8 deflate),
// 0 for deflate.
BOOL IS3WriteTIFF(HISDEST dest, const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t bitsPerPixel,
                  uint32_t compression, const ISResolution* res);
// 24 or 32 bits, uncompressed, top row first.
BOOL IS3WriteTGA(HISDEST dest, const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t bitsPerPixel);
// 24 bits: three planes, run-length coded.
BOOL IS3WritePCX(HISDEST dest, const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t bitsPerPixel);
// 24 bits: one composite RGB picture, PackBits-coded.
BOOL IS3WritePSD(HISDEST dest, const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t bitsPerPixel,
                 const ISResolution* res);
// An enhanced metafile holding the picture as one device-independent bitmap
// drawn at its own size.
BOOL IS3WriteRGBToEMF(HISDEST dest, const uint8_t* rgb, uint32_t width, uint32_t height);

// The same PNG written into memory: a GlobalAlloc block of *size bytes, or
// null when it cannot be made. No resolution is stored.
uint8_t* IS3WritePNGToMemory(const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t stride,
                             uint32_t colourType, uint64_t* size);

// Reduces RGB24 to at most `colours` (2..256) palette entries: `indices`
// gets width x height bytes, `palette` colours x 3 bytes (R, G, B). With
// `exactFirst` set, a picture of no more colours than that keeps them
// exactly; otherwise (or beyond that) a median cut picks them. `reserved1`
// and `reserved2` are accepted and ignored. The number of entries used is
// stored in *used when it is not null.
BOOL IS3QuantizeRGBTo8Bit(const uint8_t* rgb, uint32_t width, uint32_t height, uint8_t* indices, uint8_t* palette,
                          uint32_t colours, uint32_t exactFirst, uint32_t reserved1, uint32_t reserved2,
                          uint32_t* used = nullptr);
// Writes palette indices as a GIF; `transparent` is the index shown
// transparent or -1; `bitsPerPixel` 1..8 sizes the colour table.
BOOL IS3Write8BitToGIF(HISDEST dest, const uint8_t* indices, uint32_t width, uint32_t height, const uint8_t* palette,
                       uint32_t paletteColours, int32_t transparent, uint32_t bitsPerPixel);

// RGB24 to RGBA32 with a fixed alpha.
BOOL IS3RGBToRGBA(const uint8_t* rgb, uint32_t width, uint32_t height, uint8_t* rgba, uint8_t alpha);

// ---- Row-at-a-time writers ----
// Each writer streams the rows it is given to the destination; the file is
// complete when the writer is destroyed after exactly `height` rows (fewer
// rows mark the destination failed). Rows are RGB24 (24 bits) or RGBA32
// (32 bits).

HISDEST IS40_OpenFileDest(const char* path, uint32_t flags);
BOOL IS40_CloseDest(HISDEST dest);

// BMP rows arrive bottom row first, as the file stores them. The palette
// arguments are for indexed pictures, which this writer does not make (0, null).
HISLINES IS40_InitWriteBMPLines(HISDEST dest, uint32_t width, uint32_t height, uint32_t bitsPerPixel,
                                uint32_t paletteColours, const uint8_t* palette, const ISLineResolution* res);
BOOL IS40_WriteNextBMPLine(HISLINES lines, const uint8_t* row);
BOOL IS40_DestroyBMPLines(HISLINES lines);

// PNG rows top first; colour type 2 or 6, bit depth 8; `interlace` must be
// 0; `filters` 0 lets the codec choose per row.
HISLINES IS40_InitWritePNGLines(HISDEST dest, uint32_t width, uint32_t height, uint32_t stride, uint32_t bitDepth,
                                uint32_t paletteColours, const uint8_t* palette, uint32_t colourType,
                                uint32_t interlace, uint32_t filters, const ISLineResolution* res);
BOOL IS40_WriteNextPNGLine(HISLINES lines, const uint8_t* row);
BOOL IS40_DestroyPNGLines(HISLINES lines);

// Settings for the next JPEG row writer: the DCT (1 fast integer,
// 2 floating point, 3 accurate integer), the smoothing factor (0..100) and
// per-component sampling factors (lists of ten; the first three are used,
// each 1..4, 0 keeps the codec's default).
BOOL IS40_SetJPGDCT(int32_t method);
BOOL IS40_SetJPGSmoothingFactor(int32_t factor);
BOOL IS40_SetJPGDownsampleFactors(const int32_t* horizontal, const int32_t* vertical);
HISLINES IS40_InitWriteJPGLines(HISDEST dest, uint32_t width, uint32_t height, uint32_t quality,
                                uint32_t bitsPerPixel, const ISLineResolution* res);
BOOL IS40_WriteNextJPGLine(HISLINES lines, const uint8_t* row);
BOOL IS40_DestroyJPGLines(HISLINES lines);

// TGA rows top first, uncompressed (palette arguments 0, null).
HISLINES IS40_InitWriteTGALines(HISDEST dest, uint32_t width, uint32_t height, uint32_t bitsPerPixel,
                                uint32_t paletteColours, const uint8_t* palette);
BOOL IS40_WriteNextTGALine(HISLINES lines, const uint8_t* row);
BOOL IS40_DestroyTGALines(HISLINES lines);

// TIFF rows top first; `predictor` 0 or 1 none, 2 horizontal differencing;
// compression as for IS3WriteTIFF.
HISLINES IS40_InitWriteTIFFLines(HISDEST dest, uint32_t width, uint32_t height, uint32_t bitsPerPixel,
                                 uint32_t predictor, uint32_t compression, const ISLineResolution* res);
BOOL IS40_WriteNextTIFFLine(HISLINES lines, const uint8_t* row);
BOOL IS40_DestroyTIFFLines(HISLINES lines);

}  // namespace imglib
