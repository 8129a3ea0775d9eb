// Picture files for the host: reading into the newRGBA buffer or a caller
// buffer, writing caller buffers by extension, and the file's resolution.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <string_view>

#include "engine/engine_state.h"

namespace io {

// The newRGBA buffer could not be made; the previous one is kept.
struct NewRGBAError : std::bad_alloc {};

// Replaces newRGBA by an unset picture of w x h; throws NewRGBAError (and
// keeps the previous picture) when the memory cannot be had.
uint8_t* create_new_rgba(engine::EngineState& s, int32_t width, int32_t height);
void delete_new_rgba(engine::EngineState& s);
// The two steps of create_new_rgba apart, for pictures that are filled
// before they replace newRGBA (so a failure in between keeps the previous
// one): a block for w x h pixels (throws NewRGBAError without memory), and
// that block, filled, made the newRGBA picture.
engine::OwnedBuffer<uint8_t> new_rgba_block(int32_t width, int32_t height);
void adopt_new_rgba(engine::EngineState& s, engine::OwnedBuffer<uint8_t>&& pixels, int32_t width, int32_t height);

// 1 when newRGBA now holds the file's picture, else 0 with newRGBA as it was.
// Metafiles are rendered at the image size over the brush colour.
int32_t read_from_file(engine::EngineState& s, const char* path);
// 1 when the file's picture has exactly width x height and was copied into
// dst (packed rows), else 0 with dst untouched.
int32_t read_from_file_rgb24(const engine::EngineState& s, uint8_t* dst, int32_t width, int32_t height,
                             const char* path);
int32_t read_from_file_rgba32(const engine::EngineState& s, uint8_t* dst, int32_t width, int32_t height,
                              const char* path);

// Writes a packed buffer in the format its extension names (".bmp", ".PNG",
// ...); nonzero on success, 0 for a failure or an extension the pixel
// layout does not offer, which leaves the file system untouched.
int32_t write_to_file_rgb24(const uint8_t* src, int32_t width, int32_t height, const char* path, const char* ext,
                            int32_t dpi);
int32_t write_to_file_rgba32(const uint8_t* src, int32_t width, int32_t height, const char* path, const char* ext,
                             int32_t dpi);

// The file's resolution in dots per inch, snapped to 72, 96, 150, 200, 300,
// 450 or 600; 72 when the file has none or cannot be read.
int32_t dpi_from_file(const char* path);
int32_t snap_dpi(int32_t dpi);

// The colour metafiles are rendered over: the brush colour's high bytes as
// red + green * 256 + blue * 65536.
uint32_t metafile_background(const engine::EngineState& s);

// Whether an extension (with its dot) is `wanted` (lower case), ignoring case.
bool same_extension(const char* ext, std::string_view wanted);

// The row of a table of writers (each with an `ext`) that the extension
// names, or null.
template <class Row, size_t N>
const Row* find_by_extension(const Row (&table)[N], const char* ext) {
    for (const Row& r : table)
        if (same_extension(ext, r.ext)) return &r;
    return nullptr;
}

// Pixels per metre of a resolution in dots per inch, truncated.
int32_t pixels_per_metre(int32_t dpi);

// A picture file decoded to RGBA32 by the library (metafiles are not
// decoded); the library's block is released with it. Empty when the file
// cannot be opened or decoded.
class RGBAPicture {
public:
    explicit RGBAPicture(const char* path);
    RGBAPicture(const RGBAPicture&) = delete;
    RGBAPicture& operator=(const RGBAPicture&) = delete;
    ~RGBAPicture();
    explicit operator bool() const { return pixels_ != nullptr; }
    const uint8_t* pixels() const { return pixels_; }
    uint32_t width() const { return width_; }
    uint32_t height() const { return height_; }

private:
    uint8_t* pixels_ = nullptr;
    uint32_t width_ = 0;
    uint32_t height_ = 0;
};

void get_new_rgba32(const engine::EngineState& s, uint8_t* dst);
void get_new_rgba24(const engine::EngineState& s, uint8_t* dst);
// Loads newRGBA into the current layer at (0, 0) through the mask.
void set_in_new_rgba(engine::EngineState& s);

}  // namespace io
