// Metafiles. The writer stores a picture as an enhanced metafile of one
// device-independent bitmap. The readers play WMF and EMF files at a
// requested size over a background colour: the record decoders
// (metafile_emf.cpp, metafile_wmf.cpp) drive the device context
// (metafile_player.cpp), which draws onto the platform's canvas.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "platform/imglib/byte_writer.h"
#include "platform/imglib/codecs.h"
#include "platform/imglib/metafile_records.h"

namespace imglib {

namespace {
constexpr uint32_t kEmrHeader = 1, kEmrEof = 14, kEmrStretchDIBits = 81;
constexpr uint32_t kSrcCopy = 0x00CC0020;
}  // namespace

namespace metafile {

std::shared_ptr<Picture> picture_from_dib(Bytes header, Bytes bits, bool* bottomUp) {
    uint32_t w = 0, h = 0;
    codec::BlockGuard rgba(codec::decode_dib(header, bits, w, h, bottomUp));
    if (rgba.get() == nullptr) return nullptr;
    auto pic = std::make_shared<Picture>();
    pic->rgba.assign(rgba.get(), rgba.get() + size_t(w) * h * 4);
    pic->width = w;
    pic->height = h;
    return pic;
}

Brush pattern_brush(Bytes header, Bytes bits) {
    constexpr uint64_t kMostTilePixels = uint64_t(1) << 20;
    Brush brush;
    brush.colour = {0, 0, 0};
    std::shared_ptr<Picture> pic = picture_from_dib(header, bits);
    if (pic && uint64_t(pic->width) * pic->height <= kMostTilePixels) {
        brush.kind = BrushKind::Pattern;
        brush.pattern = std::move(pic);
    }
    return brush;
}

void apply_raster_operation(Picture& pic, uint32_t rop) {
    constexpr uint32_t kSrcAnd = 0x008800C6, kSrcPaint = 0x00EE0086, kSrcInvert = 0x00660046,
                       kNotSrcCopy = 0x00330008;
    if (rop == kNotSrcCopy) {
        for (size_t i = 0; i < pic.rgba.size(); i += 4)
            for (size_t c = 0; c < 3; ++c) pic.rgba[i + c] = uint8_t(255 - pic.rgba[i + c]);
        return;
    }
    if (rop != kSrcAnd && rop != kSrcPaint && rop != kSrcInvert) return;
    // And with white, or with black, leaves what is there.
    const uint8_t clear = rop == kSrcAnd ? 255 : 0;
    for (size_t i = 0; i < pic.rgba.size(); i += 4) {
        const bool keep = pic.rgba[i] == clear && pic.rgba[i + 1] == clear && pic.rgba[i + 2] == clear;
        pic.rgba[i + 3] = keep ? 0 : 255;
    }
    pic.keyed = true;
}

}  // namespace metafile

namespace codec {

// Large pictures are played tile by tile, each tile a canvas of at most
// this many pixels and sides: the canvas needs memory of its own beside the
// picture, and rasterisers limit their sides.
constexpr uint64_t kMostTilePixels = uint64_t(1) << 24;
constexpr uint32_t kMostTileSide = 16384;

uint8_t* render_metafile(Bytes data, uint32_t width, uint32_t height, uint32_t background) {
    const FileType type = guess_type(data);
    if (type != kFileEMF && type != kFileWMF) return nullptr;
    BlockGuard rgb(alloc_picture(width, height, 3));
    if (rgb.get() == nullptr) return nullptr;
    const uint32_t tileW = std::min(width, kMostTileSide);
    // Tile heights stay whole multiples of eight rows, so that hatches run
    // on across tiles.
    const uint32_t tileH = std::min(height, std::max(8u, uint32_t(kMostTilePixels / tileW) & ~7u));
    try {
        for (uint32_t y = 0; y < height; y += tileH)
            for (uint32_t x = 0; x < width; x += tileW) {
                const uint32_t w = std::min(tileW, width - x), h = std::min(tileH, height - y);
                std::unique_ptr<metafile::Canvas> canvas =
                    metafile::make_canvas(w, h, metafile::colour_ref(background));
                if (!canvas) return nullptr;
                const metafile::Point origin{double(x), double(y)};
                const bool played = type == kFileEMF ? metafile::play_emf(data, *canvas, width, height, origin)
                                                     : metafile::play_wmf(data, *canvas, width, height, origin);
                if (!played) return nullptr;
                canvas->copy_rgb(rgb.get() + (uint64_t(y) * width + x) * 3, size_t(width) * 3);
            }
    } catch (const std::bad_alloc&) {
        return nullptr;  // a file asking for more than there is
    }
    return rgb.release();
}

}  // namespace codec

namespace {
bool write_emf_file(HISDEST dest, const uint8_t* rgb, uint32_t width, uint32_t height) {
    if (dest == nullptr || rgb == nullptr || width == 0 || height == 0 || width > INT32_MAX / 4 ||
        height > INT32_MAX / 4)
        return false;
    const uint64_t stride = (uint64_t(width) * 3 + 3) & ~uint64_t(3);
    const uint64_t bits = stride * height;
    constexpr uint32_t kHeaderBytes = 108, kBlitHeader = 80, kInfoBytes = 40, kEofBytes = 20;
    const uint64_t blit = kBlitHeader + kInfoBytes + bits, total = kHeaderBytes + blit + kEofBytes;
    if (total > UINT32_MAX) return false;
    // The reference device: the picture's own pixels at 96 per inch.
    const auto hundredths_mm = [](uint32_t px) {
        return int32_t(std::min<uint64_t>(uint64_t(px) * 2540 / 96, INT32_MAX / 10));
    };
    ByteWriter b;
    b.u32le(kEmrHeader);
    b.u32le(kHeaderBytes);
    b.u32le(0), b.u32le(0), b.u32le(width - 1), b.u32le(height - 1);  // bounds, inclusive
    b.u32le(0), b.u32le(0), b.u32le(uint32_t(hundredths_mm(width) - 1)), b.u32le(uint32_t(hundredths_mm(height) - 1));
    b.u32le(0x464D4520);  // " EMF"
    b.u32le(0x10000);
    b.u32le(uint32_t(total));
    b.u32le(3);  // records
    b.u16le(1);  // handles: the reserved one
    b.u16le(0);
    b.u32le(0), b.u32le(0), b.u32le(0);  // description, palette
    b.u32le(width), b.u32le(height);     // device in pixels
    b.u32le(std::max<uint32_t>(1, uint32_t(hundredths_mm(width) / 100)));
    b.u32le(std::max<uint32_t>(1, uint32_t(hundredths_mm(height) / 100)));
    b.u32le(0), b.u32le(0), b.u32le(0);  // no pixel format, no OpenGL
    b.u32le(uint32_t(hundredths_mm(width) * 10)), b.u32le(uint32_t(hundredths_mm(height) * 10));  // micrometres
    b.u32le(kEmrStretchDIBits);
    b.u32le(uint32_t(blit));
    b.u32le(0), b.u32le(0), b.u32le(width - 1), b.u32le(height - 1);
    b.u32le(0), b.u32le(0), b.u32le(0), b.u32le(0);  // destination and source corners
    b.u32le(width), b.u32le(height);                 // source extent
    b.u32le(kBlitHeader), b.u32le(kInfoBytes), b.u32le(kBlitHeader + kInfoBytes), b.u32le(uint32_t(bits));
    b.u32le(0);  // colours are RGB values
    b.u32le(kSrcCopy);
    b.u32le(width), b.u32le(height);  // destination extent
    b.u32le(kInfoBytes);
    b.u32le(width), b.u32le(height);  // bottom row first
    b.u16le(1), b.u16le(24);
    b.u32le(0), b.u32le(uint32_t(bits)), b.u32le(3780), b.u32le(3780), b.u32le(0), b.u32le(0);
    if (!dest->write(b.data(), b.size())) return false;
    std::vector<uint8_t> row(size_t(stride), 0);
    for (uint32_t y = height; y-- > 0;) {
        const uint8_t* in = rgb + uint64_t(y) * width * 3;
        for (uint32_t x = 0; x < width; ++x) {
            row[x * 3] = in[x * 3 + 2];
            row[x * 3 + 1] = in[x * 3 + 1];
            row[x * 3 + 2] = in[x * 3];
        }
        if (!dest->write(row.data(), row.size())) return false;
    }
    ByteWriter eof;
    eof.u32le(kEmrEof), eof.u32le(kEofBytes), eof.u32le(0), eof.u32le(16), eof.u32le(kEofBytes);
    return dest->write(eof.data(), eof.size());
}

}  // namespace

BOOL IS3WriteRGBToEMF(HISDEST dest, const uint8_t* rgb, uint32_t width, uint32_t height) {
    return codec::settle(dest, write_emf_file(dest, rgb, width, height));
}

}  // namespace imglib
