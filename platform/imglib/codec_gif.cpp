// GIF through giflib: the first picture of a file, and palette writing.
#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "platform/imglib/codecs.h"

namespace imglib {

namespace {

struct MemoryInput {
    Bytes data;
    size_t pos = 0;
};

int read_memory(GifFileType* gif, GifByteType* out, int n) {
    auto* in = static_cast<MemoryInput*>(gif->UserData);
    const size_t take = std::min(size_t(n < 0 ? 0 : n), in->data.size() - in->pos);
    std::memcpy(out, in->data.data() + in->pos, take);
    in->pos += take;
    return int(take);
}

void put_colour(uint8_t* px, const ColorMapObject* map, int index, int transparent) {
    if (index == transparent) {
        px[0] = px[1] = px[2] = px[3] = 0;
    } else if (map != nullptr && index < map->ColorCount) {
        px[0] = map->Colors[index].Red;
        px[1] = map->Colors[index].Green;
        px[2] = map->Colors[index].Blue;
        px[3] = 255;
    } else {
        px[0] = px[1] = px[2] = 0;  // no colour table: black
        px[3] = 255;
    }
}

// Reads the records up to the first picture, then the picture itself. The
// result has the logical screen's size; where the picture does not cover
// it, it is transparent.
uint8_t* decode_first(GifFileType* gif, uint32_t& width, uint32_t& height) {
    int transparent = -1;
    for (;;) {
        GifRecordType type;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR) return nullptr;
        if (type == TERMINATE_RECORD_TYPE) return nullptr;
        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) return nullptr;
            if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr && block[0] >= 4 && (block[1] & 1))
                transparent = block[4];
            while (block != nullptr)
                if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) return nullptr;
            continue;
        }
        if (type != IMAGE_DESC_RECORD_TYPE) continue;
        if (DGifGetImageDesc(gif) == GIF_ERROR) return nullptr;
        const GifImageDesc& d = gif->Image;
        if (d.Width <= 0 || d.Height <= 0 || d.Left < 0 || d.Top < 0) return nullptr;
        const uint32_t w = gif->SWidth > 0 ? uint32_t(gif->SWidth) : uint32_t(d.Width);
        const uint32_t h = gif->SHeight > 0 ? uint32_t(gif->SHeight) : uint32_t(d.Height);
        if (!codec::size_ok(w, h) || !codec::size_ok(uint32_t(d.Width), uint32_t(d.Height))) return nullptr;
        uint8_t* out = codec::alloc_picture(w, h, 4);
        if (out == nullptr) return nullptr;
        std::memset(out, 0, size_t(w) * h * 4);
        const ColorMapObject* map = d.ColorMap != nullptr ? d.ColorMap : gif->SColorMap;
        std::vector<GifPixelType> line;
        try {
            line.resize(size_t(d.Width));
        } catch (const std::bad_alloc&) {
            GlobalFree(out);
            return nullptr;
        }
        static constexpr int kPassStart[4] = {0, 4, 2, 1}, kPassStep[4] = {8, 8, 4, 2};
        const int passes = d.Interlace ? 4 : 1;
        for (int pass = 0; pass < passes; ++pass) {
            const int start = d.Interlace ? kPassStart[pass] : 0, step = d.Interlace ? kPassStep[pass] : 1;
            for (int row = start; row < d.Height; row += step) {
                if (DGifGetLine(gif, line.data(), d.Width) == GIF_ERROR) {
                    GlobalFree(out);
                    return nullptr;
                }
                const uint32_t y = uint32_t(d.Top) + uint32_t(row);
                if (y >= h) continue;
                uint8_t* o = out + (size_t(y) * w + uint32_t(d.Left)) * 4;
                for (uint32_t x = 0; x < uint32_t(d.Width) && uint32_t(d.Left) + x < w; ++x, o += 4)
                    put_colour(o, map, line[x], transparent);
            }
        }
        width = w;
        height = h;
        return out;
    }
}

int write_dest(GifFileType* gif, const GifByteType* data, int n) {
    return static_cast<FileDest*>(gif->UserData)->write(data, size_t(n)) ? n : 0;
}

// The distinct colours of a picture when there are at most `limit`, with
// each pixel's index; false when there are more.
bool exact_palette(const uint8_t* rgb, uint64_t count, uint32_t limit, uint8_t* indices, uint8_t* palette,
                   uint32_t& used) {
    constexpr uint32_t kSlots = 1024;  // open addressing, at most 256 entries
    uint32_t keys[kSlots];
    int16_t values[kSlots];
    std::fill(values, values + kSlots, int16_t(-1));
    used = 0;
    for (uint64_t i = 0; i < count; ++i, rgb += 3) {
        const uint32_t key = uint32_t(rgb[0]) << 16 | uint32_t(rgb[1]) << 8 | rgb[2];
        uint32_t slot = (key * 2654435761u) >> 22;
        while (values[slot] >= 0 && keys[slot] != key) slot = (slot + 1) & (kSlots - 1);
        if (values[slot] < 0) {
            if (used == limit) return false;
            keys[slot] = key;
            values[slot] = int16_t(used);
            std::memcpy(palette + used * 3, rgb, 3);
            ++used;
        }
        indices[i] = uint8_t(values[slot]);
    }
    return true;
}

}  // namespace

namespace codec {
uint8_t* decode_gif(Bytes data, uint32_t& width, uint32_t& height) {
    MemoryInput in{data};
    int error = 0;
    GifFileType* gif = DGifOpen(&in, read_memory, &error);
    if (gif == nullptr) return nullptr;
    uint8_t* out = decode_first(gif, width, height);
    DGifCloseFile(gif, &error);
    return out;
}
}  // namespace codec

BOOL IS3QuantizeRGBTo8Bit(const uint8_t* rgb, uint32_t width, uint32_t height, uint8_t* indices, uint8_t* palette,
                          uint32_t colours, uint32_t exactFirst, uint32_t, uint32_t, uint32_t* used) {
    if (rgb == nullptr || indices == nullptr || palette == nullptr || colours < 2 || colours > 256) return 0;
    if (width == 0 || height == 0 || uint64_t(width) * height > UINT32_MAX) return 0;
    const uint64_t count = uint64_t(width) * height;
    uint32_t n = 0;
    if (exactFirst != 0 && exact_palette(rgb, count, colours, indices, palette, n)) {
        if (used != nullptr) *used = n;
        return 1;
    }
    // The median cut wants the channels apart.
    std::vector<GifByteType> planes;
    std::vector<GifColorType> map(256);
    try {
        planes.resize(size_t(count) * 3);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    GifByteType* r = planes.data();
    GifByteType* g = r + count;
    GifByteType* b = g + count;
    for (uint64_t i = 0; i < count; ++i) {
        r[i] = rgb[3 * i];
        g[i] = rgb[3 * i + 1];
        b[i] = rgb[3 * i + 2];
    }
    int size = int(colours);
    if (GifQuantizeBuffer(width, height, &size, r, g, b, indices, map.data()) == GIF_ERROR) return 0;
    for (int i = 0; i < size; ++i) {
        palette[3 * i] = map[size_t(i)].Red;
        palette[3 * i + 1] = map[size_t(i)].Green;
        palette[3 * i + 2] = map[size_t(i)].Blue;
    }
    if (used != nullptr) *used = uint32_t(size);
    return 1;
}

BOOL IS3Write8BitToGIF(HISDEST dest, const uint8_t* indices, uint32_t width, uint32_t height, const uint8_t* palette,
                       uint32_t paletteColours, int32_t transparent, uint32_t bitsPerPixel) {
    if (dest == nullptr || indices == nullptr || palette == nullptr || paletteColours == 0 || paletteColours > 256 ||
        width == 0 || height == 0 || width > 65535 || height > 65535 || bitsPerPixel < 1 || bitsPerPixel > 8)
        return codec::settle(dest, false);
    // The colour table holds a power of two entries, at least the palette.
    int table = 1 << bitsPerPixel;
    while (table < int(paletteColours)) table <<= 1;
    std::vector<GifColorType> colours(size_t(table), GifColorType{0, 0, 0});
    for (uint32_t i = 0; i < paletteColours; ++i)
        colours[i] = GifColorType{palette[3 * i], palette[3 * i + 1], palette[3 * i + 2]};
    ColorMapObject* map = GifMakeMapObject(table, colours.data());
    if (map == nullptr) return codec::settle(dest, false);
    int error = 0;
    GifFileType* gif = EGifOpen(dest, write_dest, &error);
    bool ok = gif != nullptr;
    if (ok) {
        EGifSetGifVersion(gif, transparent >= 0);
        ok = EGifPutScreenDesc(gif, int(width), int(height), 8, 0, map) != GIF_ERROR;
        if (ok && transparent >= 0 && transparent < table) {
            const GifByteType control[4] = {1, 0, 0, GifByteType(transparent)};
            ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, control) != GIF_ERROR;
        }
        ok = ok && EGifPutImageDesc(gif, 0, 0, int(width), int(height), false, nullptr) != GIF_ERROR;
        // The encoder masks the row it is given in place: it gets a copy.
        std::vector<GifPixelType> row(width);
        for (uint32_t y = 0; ok && y < height; ++y) {
            std::memcpy(row.data(), indices + uint64_t(y) * width, width);
            ok = EGifPutLine(gif, row.data(), int(width)) != GIF_ERROR;
        }
        if (EGifCloseFile(gif, &error) == GIF_ERROR) ok = false;
    }
    GifFreeMapObject(map);
    return codec::settle(dest, ok);
}

}  // namespace imglib
