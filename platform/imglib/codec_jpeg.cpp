// JPEG through libjpeg-turbo.
#include <algorithm>
#include <cstdio>  // jpeglib.h needs FILE
#include <csetjmp>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

#include "platform/imglib/codecs.h"
#include "platform/imglib/exif.h"
#include "platform/imglib/geometry.h"
#include "platform/imglib/orientation.h"
#include "platform/imglib/quarter_turn.h"

namespace imglib {

namespace {

struct ErrorTrap {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
    bool corrupt;
};

[[noreturn]] void on_error_exit(j_common_ptr c) { std::longjmp(reinterpret_cast<ErrorTrap*>(c->err)->jump, 1); }

// The codec recovers from damaged data with a warning and fills in grey;
// a picture read that way is not the file's picture, so it counts as a
// failure. Harmless notes (extra bytes between markers) are let through.
void on_message(j_common_ptr c, int level) {
    if (level >= 0) return;
    switch (c->err->msg_code) {
        case JWRN_JPEG_EOF:
        case JWRN_HIT_MARKER:
        case JWRN_MUST_RESYNC:
        case JWRN_HUFF_BAD_CODE:
        case JWRN_NOT_SEQUENTIAL:
        case JWRN_BOGUS_PROGRESSION:
            reinterpret_cast<ErrorTrap*>(c->err)->corrupt = true;
            break;
        default:
            break;
    }
}
void on_output(j_common_ptr) {}

void install(ErrorTrap& trap) {
    jpeg_std_error(&trap.mgr);
    trap.mgr.error_exit = on_error_exit;
    trap.mgr.emit_message = on_message;
    trap.mgr.output_message = on_output;
    trap.corrupt = false;
}

// Four-colour pictures: the codec hands out the stored ink values; files
// with the Adobe marker store them inverted.
void cmyk_to_rgba(uint8_t* px, uint32_t count, bool inverted) {
    for (uint32_t i = 0; i < count; ++i, px += 4) {
        uint32_t c = px[0], m = px[1], y = px[2], k = px[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        px[0] = uint8_t(c * k / 255);
        px[1] = uint8_t(m * k / 255);
        px[2] = uint8_t(y * k / 255);
        px[3] = 255;
    }
}

// The facts of the first EXIF segment the codec kept (other APP1 segments,
// such as XMP, are passed over); the defaults when there is none.
detail::ExifFacts exif_of(const jpeg_decompress_struct& cinfo) {
    detail::ExifFacts facts;
    for (jpeg_saved_marker_ptr m = cinfo.marker_list; m != nullptr; m = m->next)
        if (m->marker == JPEG_APP0 + 1 && detail::read_exif(Bytes(m->data, m->data_length), facts)) break;
    return facts;
}

// Photos standing on their side are turned a strip of rows at a time as
// they are decoded, straight into the upright picture: turning the whole
// picture afterwards costs several times the decoding.
constexpr uint32_t kStripRows = 32;

// Turns `rows` stored rows of width w, from stored row `first` of h, into
// the upright picture: a quarter turn clockwise for orientations 5 and 6,
// counter-clockwise for 7 and 8 (5 and 7 are mirrored once all is placed).
void place_strip(const uint8_t* strip, uint32_t w, uint32_t h, uint32_t first, uint32_t rows, uint8_t* out,
                 uint32_t orientation) {
    const bool right = orientation == 5 || orientation == 6;
    uint8_t* column = out + size_t(right ? h - first - rows : first) * 4;
    detail::turn_quarter(strip, w, rows, w * 4, column, h * 4, 4, right);
}

uint8_t* decode(Bytes data, uint32_t& width, uint32_t& height) {
    jpeg_decompress_struct cinfo{};
    ErrorTrap trap;
    cinfo.err = &trap.mgr;
    install(trap);
    uint8_t* volatile out = nullptr;
    uint8_t* volatile strip = nullptr;
    volatile uint32_t orientation = 1;
    if (setjmp(trap.jump)) {
        jpeg_destroy_decompress(&cinfo);
        GlobalFree(out);
        GlobalFree(strip);
        return nullptr;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data.data(), static_cast<unsigned long>(data.size()));
    jpeg_save_markers(&cinfo, JPEG_APP0 + 1, 0xFFFF);
    if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) ERREXIT(&cinfo, JERR_NO_IMAGE);
    // A camera stores the sensor's rows and says how to stand them up.
    orientation = exif_of(cinfo).orientation;
    if (!codec::size_ok(cinfo.image_width, cinfo.image_height)) ERREXIT(&cinfo, JERR_IMAGE_TOO_BIG);
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_RGBA;
    jpeg_start_decompress(&cinfo);
    const uint32_t w = cinfo.output_width, h = cinfo.output_height;
    if (cinfo.output_components != 4) ERREXIT(&cinfo, JERR_BAD_COMPONENT_ID);
    out = codec::alloc_picture(w, h, 4);
    if (out == nullptr) ERREXIT1(&cinfo, JERR_OUT_OF_MEMORY, 0);
    const bool turned = detail::swaps_sides(orientation);
    if (turned) {
        strip = static_cast<uint8_t*>(GlobalAlloc(uint64_t(w) * 4 * kStripRows));
        if (strip == nullptr) ERREXIT1(&cinfo, JERR_OUT_OF_MEMORY, 1);
    }
    while (cinfo.output_scanline < h) {
        const uint32_t first = cinfo.output_scanline, want = std::min(kStripRows, h - first);
        uint8_t* base = turned ? strip : out + size_t(first) * w * 4;
        for (uint32_t filled = 0; filled < want;) {
            JSAMPROW rows[kStripRows];
            for (uint32_t i = 0; i < want - filled; ++i) rows[i] = base + size_t(filled + i) * w * 4;
            const JDIMENSION got = jpeg_read_scanlines(&cinfo, rows, want - filled);
            if (got == 0) ERREXIT(&cinfo, JERR_INPUT_EMPTY);
            filled += got;
        }
        if (cmyk) cmyk_to_rgba(base, want * w, cinfo.saw_Adobe_marker);
        if (turned) place_strip(base, w, h, first, want, out, orientation);
    }
    jpeg_finish_decompress(&cinfo);
    const bool corrupt = trap.corrupt;
    jpeg_destroy_decompress(&cinfo);
    GlobalFree(strip);
    if (corrupt) {
        GlobalFree(out);
        return nullptr;
    }
    uint32_t ow = w, oh = h;
    uint8_t* upright = out;
    if (turned) {
        std::swap(ow, oh);
        if (orientation == 5 || orientation == 7) IS3HorizontalFlipImage(upright, ow, oh, 4, ow * 4);
    } else {
        upright = detail::orient_upright(out, ow, oh, orientation);
        if (upright == nullptr) return nullptr;
    }
    width = ow;
    height = oh;
    return upright;
}

bool dims(Bytes data, codec::Dims& d) {
    jpeg_decompress_struct cinfo{};
    ErrorTrap trap;
    cinfo.err = &trap.mgr;
    install(trap);
    if (setjmp(trap.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data.data(), static_cast<unsigned long>(data.size()));
    jpeg_save_markers(&cinfo, JPEG_APP0 + 1, 0xFFFF);
    const bool ok = jpeg_read_header(&cinfo, TRUE) == JPEG_HEADER_OK;
    if (ok) {
        const detail::ExifFacts exif = exif_of(cinfo);
        d.width = cinfo.image_width;
        d.height = cinfo.image_height;
        d.bitsPerPixel = 8u * uint32_t(cinfo.num_components);
        d.unit = cinfo.density_unit;
        d.xResolution = cinfo.X_density;
        d.yResolution = cinfo.Y_density;
        // Without a resolution of its own (no JFIF segment, or one giving
        // only the aspect), the file's EXIF resolution stands in: inches as
        // dots per inch (unit 1), centimetres as dots per centimetre (unit 2).
        if (cinfo.density_unit == 0 && exif.resolutionUnit != 0) {
            d.unit = exif.resolutionUnit == 2 ? 1 : 2;
            d.xResolution = exif.xResolution;
            d.yResolution = exif.yResolution;
        }
        if (detail::swaps_sides(exif.orientation)) {
            std::swap(d.width, d.height);
            std::swap(d.xResolution, d.yResolution);
        }
    }
    jpeg_destroy_decompress(&cinfo);
    return ok;
}

// Settings of the next row writer.
struct LineSettings {
    int dct = 3;
    int smoothing = 0;
    int h[3] = {};
    int v[3] = {};
};
LineSettings& line_settings() {
    static LineSettings settings;  // the library's own state: callers use it from one thread
    return settings;
}

struct DestManager {
    jpeg_destination_mgr pub;
    FileDest* dest;
    JOCTET buffer[1 << 16];
};

void init_destination(j_compress_ptr c) {
    auto* m = reinterpret_cast<DestManager*>(c->dest);
    m->pub.next_output_byte = m->buffer;
    m->pub.free_in_buffer = sizeof(m->buffer);
}
boolean empty_output_buffer(j_compress_ptr c) {
    auto* m = reinterpret_cast<DestManager*>(c->dest);
    if (!m->dest->write(m->buffer, sizeof(m->buffer))) ERREXIT(c, JERR_FILE_WRITE);
    init_destination(c);
    return TRUE;
}
void term_destination(j_compress_ptr c) {
    auto* m = reinterpret_cast<DestManager*>(c->dest);
    if (!m->dest->write(m->buffer, sizeof(m->buffer) - m->pub.free_in_buffer)) ERREXIT(c, JERR_FILE_WRITE);
}

class JpegLines final : public LineWriter {
public:
    JpegLines(FileDest* d, uint32_t w, uint32_t h, uint32_t bpp) : LineWriter(Kind::JPG, d, w, h), bpp_(bpp) {
        cinfo_.err = &trap_.mgr;
        install(trap_);
        out_.dest = d;
        out_.pub.init_destination = init_destination;
        out_.pub.empty_output_buffer = empty_output_buffer;
        out_.pub.term_destination = term_destination;
    }
    ~JpegLines() override { jpeg_destroy_compress(&cinfo_); }

    bool start(uint32_t quality, const ISLineResolution* res, const LineSettings* settings) {
        if (setjmp(trap_.jump)) return false;
        jpeg_create_compress(&cinfo_);
        cinfo_.dest = &out_.pub;
        cinfo_.image_width = width;
        cinfo_.image_height = height;
        cinfo_.input_components = bpp_ == 32 ? 4 : 3;
        cinfo_.in_color_space = bpp_ == 32 ? JCS_EXT_RGBX : JCS_RGB;
        jpeg_set_defaults(&cinfo_);
        jpeg_set_quality(&cinfo_, int(quality < 1 ? 1 : quality > 100 ? 100 : quality), TRUE);
        if (res != nullptr) {
            cinfo_.density_unit = UINT8(res->unit >= 0 && res->unit <= 2 ? res->unit : 0);
            cinfo_.X_density = UINT16(clamp_density(res->x));
            cinfo_.Y_density = UINT16(clamp_density(res->y));
        }
        if (settings != nullptr) {
            cinfo_.dct_method = settings->dct == 1 ? JDCT_IFAST : settings->dct == 2 ? JDCT_FLOAT : JDCT_ISLOW;
            cinfo_.smoothing_factor = settings->smoothing < 0     ? 0
                                      : settings->smoothing > 100 ? 100
                                                                  : settings->smoothing;
            for (int i = 0; i < 3 && i < cinfo_.num_components; ++i) {
                if (settings->h[i] >= 1 && settings->h[i] <= 4) cinfo_.comp_info[i].h_samp_factor = settings->h[i];
                if (settings->v[i] >= 1 && settings->v[i] <= 4) cinfo_.comp_info[i].v_samp_factor = settings->v[i];
            }
        }
        jpeg_start_compress(&cinfo_, TRUE);
        return true;
    }

private:
    static int clamp_density(double v) { return v < 1 ? 1 : v > 65535 ? 65535 : int(v); }

    bool write_row(const uint8_t* row) override {
        if (setjmp(trap_.jump)) return false;
        JSAMPROW rows[1] = {const_cast<JSAMPROW>(row)};
        return jpeg_write_scanlines(&cinfo_, rows, 1) == 1;
    }
    bool finish() override {
        if (rows != height) return false;
        if (setjmp(trap_.jump)) return false;
        jpeg_finish_compress(&cinfo_);
        return true;
    }

    uint32_t bpp_;
    jpeg_compress_struct cinfo_{};  // zero: destroying it before creation is harmless
    ErrorTrap trap_;
    DestManager out_{};
};

HISLINES init_lines(HISDEST dest, uint32_t width, uint32_t height, uint32_t quality, uint32_t bitsPerPixel,
                    const ISLineResolution* res, const LineSettings* settings) {
    if (dest == nullptr || (bitsPerPixel != 24 && bitsPerPixel != 32)) return nullptr;
    if (width == 0 || height == 0 || width > JPEG_MAX_DIMENSION || height > JPEG_MAX_DIMENSION) return nullptr;
    return codec::start_lines(dest, new (std::nothrow) JpegLines(dest, width, height, bitsPerPixel), quality, res,
                              settings);
}

}  // namespace

namespace codec {
uint8_t* decode_jpeg(Bytes data, uint32_t& width, uint32_t& height) { return decode(data, width, height); }
bool jpeg_dims(Bytes data, Dims& d) { return dims(data, d); }
}  // namespace codec

BOOL IS40_SetJPGDCT(int32_t method) {
    line_settings().dct = method;
    return 1;
}
BOOL IS40_SetJPGSmoothingFactor(int32_t factor) {
    line_settings().smoothing = factor;
    return 1;
}
BOOL IS40_SetJPGDownsampleFactors(const int32_t* horizontal, const int32_t* vertical) {
    if (horizontal == nullptr || vertical == nullptr) return 0;
    for (int i = 0; i < 3; ++i) {
        line_settings().h[i] = horizontal[i];
        line_settings().v[i] = vertical[i];
    }
    return 1;
}

HISLINES IS40_InitWriteJPGLines(HISDEST dest, uint32_t width, uint32_t height, uint32_t quality,
                                uint32_t bitsPerPixel, const ISLineResolution* res) {
    return init_lines(dest, width, height, quality, bitsPerPixel, res, &line_settings());
}

BOOL IS40_WriteNextJPGLine(HISLINES lines, const uint8_t* row) {
    return codec::next_line(lines, LineWriter::Kind::JPG, row);
}

BOOL IS40_DestroyJPGLines(HISLINES lines) { return codec::destroy_lines(lines, LineWriter::Kind::JPG); }

BOOL IS3WriteJPG(HISDEST dest, const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t quality,
                 uint32_t bitsPerPixel, const ISResolution* res) {
    ISLineResolution lres;
    HISLINES lines = pixels == nullptr ? nullptr
                                       : init_lines(dest, width, height, quality, bitsPerPixel,
                                                    codec::line_resolution(res, lres), nullptr);
    return codec::write_rows(dest, lines, pixels, height, uint64_t(width) * (bitsPerPixel / 8), false);
}

}  // namespace imglib
