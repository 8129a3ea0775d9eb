// The EMF and WMF record decoders. Each walks the records of a whole file,
// checks every record's size, counts and offsets against the record before
// reading them, and plays what it understands onto the canvas; records it
// does not know are skipped. False for a file whose header or record chain
// is damaged or cut short.
#pragma once

#include <cstdint>

#include "platform/imglib/byte_reader.h"
#include "platform/imglib/metafile_canvas.h"
#include "platform/imglib/metafile_player.h"

namespace imglib::metafile {

// The header's bounds (device pixels, inclusive) are stretched over a
// width x height picture, whose pixel `origin` is the canvas's top left
// (the canvas may hold one tile of a larger picture).
bool play_emf(Bytes data, Canvas& canvas, uint32_t width, uint32_t height, Point origin = {});
// The window the file sets (else its placeable header's box) is stretched
// over the picture, as above.
bool play_wmf(Bytes data, Canvas& canvas, uint32_t width, uint32_t height, Point origin = {});

// A bitmap of a record (info header and rows) as a picture, top row first;
// *bottomUp (when given) says whether the rows were stored bottom row
// first. Null when it does not decode.
std::shared_ptr<Picture> picture_from_dib(Bytes header, Bytes bits, bool* bottomUp = nullptr);
// A pattern brush of a bitmap; a bitmap that does not decode, or that is
// larger than any tile (over 2^20 pixels: the object table keeps it for the
// whole playing), paints solid black as a missing one would.
Brush pattern_brush(Bytes header, Bytes bits);
// Raster operations that show what is under a bitmap's white (and) or
// black (or, xor) pixels: such pixels are left out; a copy of the inverse
// is inverted. Other operations copy.
void apply_raster_operation(Picture& picture, uint32_t rop);

}  // namespace imglib::metafile
