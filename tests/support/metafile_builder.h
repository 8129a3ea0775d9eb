// Metafiles built record by record, as drawing programs write them, for the
// metafile tests and the fuzzers' seed corpus. Values go out exactly as
// given (no checks), so tests can also build damaged records.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace samples {

using Bytes = std::vector<uint8_t>;

// An enhanced metafile: the header, records, and the end record.
class EmfBuilder {
public:
    // Bounds in device pixels (inclusive); the reference device has
    // `pixelsPerMm` pixels a millimetre; `handles` object slots.
    EmfBuilder(int left, int top, int right, int bottom, uint16_t handles = 16, double pixelsPerMm = 96 / 25.4);

    // A record of 32-bit fields.
    EmfBuilder& record(uint32_t type, std::initializer_list<int64_t> fields);
    // A record of raw bytes after the type and size.
    EmfBuilder& raw(uint32_t type, const Bytes& body);

    EmfBuilder& create_pen(uint32_t index, uint32_t style, int width, uint32_t colour);
    EmfBuilder& create_brush(uint32_t index, uint32_t style, uint32_t colour, uint32_t hatch = 0);
    EmfBuilder& select(uint32_t index) { return record(37, {index}); }
    // Face as plain ASCII; height as the file stores it (negative: em).
    EmfBuilder& create_font(uint32_t index, int height, int weight, const std::string& face, int escapement = 0);
    // 16-bit points (polygon 86, polyline 87, polybezier 85, ...).
    EmfBuilder& poly16(uint32_t type, const std::vector<std::pair<int, int>>& points);
    // 32-bit points (polygon 3, polyline 4, polybezier 2, ...).
    EmfBuilder& poly32(uint32_t type, const std::vector<std::pair<int, int>>& points);
    // Poly-polygon of 16-bit points (91) or 32-bit points (8).
    EmfBuilder& poly_polygon(bool wide, const std::vector<std::vector<std::pair<int, int>>>& polygons);
    // A rectangle record (ellipse 42, rectangle 43, intersect clip 30, ...).
    EmfBuilder& box(uint32_t type, int left, int top, int right, int bottom) {
        return record(type, {left, top, right, bottom});
    }
    // ExtTextOutW of ASCII text with options and optional advances.
    EmfBuilder& text(int x, int y, const std::string& text, uint32_t options = 0, const std::vector<int>& dx = {},
                     int rectLeft = 0, int rectTop = 0, int rectRight = 0, int rectBottom = 0);
    // Block transfers (bit blt 76, stretch blt 77, alpha blend 114,
    // transparent blt 116): destination, operation (or blend function, or
    // key colour), source rectangle, and the bitmap (info header and rows;
    // empty for none) placed after the fields.
    EmfBuilder& blit(uint32_t type, int x, int y, int cx, int cy, uint32_t rop, int sx, int sy, int scx, int scy,
                     const Bytes& info, const Bytes& bits);
    // StretchDIBits (81).
    EmfBuilder& stretch_dibits(int x, int y, int cx, int cy, int sx, int sy, int scx, int scy, const Bytes& info,
                               const Bytes& bits, uint32_t rop = 0x00CC0020);
    // A world transform (35) of six floats.
    EmfBuilder& world(float m11, float m12, float m21, float m22, float dx, float dy);

    Bytes finish();

private:
    Bytes bytes_;
    uint32_t records_ = 1;
};

// A 40-byte bitmap info header (positive height: rows stored bottom up).
Bytes dib_info(int width, int height, int bits);
// 32-bit rows (B, G, R, fourth byte) of RGBA32 pixels, bottom row first
// unless top_down.
Bytes dib_rows32(int width, int height, const Bytes& rgba, bool top_down);

// A placeable WMF: the header, records of 16-bit words, the end record.
class WmfBuilder {
public:
    // The placeable box in logical units; `objects` slots.
    WmfBuilder(int left, int top, int right, int bottom, uint16_t objects = 8);
    WmfBuilder& record(uint16_t function, std::initializer_list<int32_t> words);
    WmfBuilder& raw(uint16_t function, const Bytes& params);
    // Convenience: fields in the order the file stores them.
    WmfBuilder& colour_record(uint16_t function, uint32_t colour);
    WmfBuilder& create_pen(uint16_t style, int width, uint32_t colour);
    WmfBuilder& create_brush(uint16_t style, uint32_t colour, uint16_t hatch = 0);
    WmfBuilder& create_font(int height, int weight, const std::string& face);
    WmfBuilder& poly(uint16_t function, const std::vector<std::pair<int, int>>& points);
    WmfBuilder& text_out(int x, int y, const std::string& text);
    Bytes finish();

private:
    Bytes bytes_;
    size_t headerAt_ = 0;
    uint32_t maxRecord_ = 3;
};

// Drawings that use most record kinds the players know (mapping modes,
// transforms, saved states, every pen, brush and figure, paths, clips,
// regions, text and bitmaps), for the fuzzers' seeds and the tests that
// damage files byte by byte.
Bytes emf_gallery();
Bytes wmf_gallery();

}  // namespace samples
