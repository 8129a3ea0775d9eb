// PDF documents through cairo's PDF surface: one page per picture, of the
// picture's size at the set resolution plus the border. Pictures go in as
// their pixels (compressed without loss), or as the file's own JPEG data
// where the picture was a JPEG file. The document is written beside its
// name first and put in place only when complete (platform/pdf_pictures.h).
#include <cairo-pdf.h>
#include <cairo.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/pdf_pictures.h"

namespace platform {

namespace {

using Picture = PdfPicture;

using Surface = std::unique_ptr<cairo_surface_t, void (*)(cairo_surface_t*)>;

// A cairo image of the picture's size, each row filled by fill(row, y).
template <class Fill>
Surface image_of(const Picture& p, cairo_format_t format, Fill&& fill) {
    Surface s(cairo_image_surface_create(format, int(p.width), int(p.height)), cairo_surface_destroy);
    if (cairo_surface_status(s.get()) != CAIRO_STATUS_SUCCESS) return s;
    cairo_surface_flush(s.get());
    uint8_t* data = cairo_image_surface_get_data(s.get());
    const int stride = cairo_image_surface_get_stride(s.get());
    for (uint32_t y = 0; y < p.height; ++y) fill(data + int64_t(y) * stride, p.rgba.get() + uint64_t(y) * p.width * 4);
    cairo_surface_mark_dirty(s.get());
    return s;
}

// The picture's colour, exactly (cairo holds colour with alpha
// premultiplied, which would lose precision where it is partial); with the
// file's own JPEG data when it was a JPEG file.
Surface colour_of(const Picture& p) {
    Surface s = image_of(p, CAIRO_FORMAT_RGB24, [&](uint8_t* row, const uint8_t* in) {
        auto* out = reinterpret_cast<uint32_t*>(row);
        for (uint32_t x = 0; x < p.width; ++x, in += 4)
            out[x] = 0xFF000000u | uint32_t(in[0]) << 16 | uint32_t(in[1]) << 8 | in[2];
    });
    if (p.jpeg.empty() || cairo_surface_status(s.get()) != CAIRO_STATUS_SUCCESS) return s;
    auto* copy = static_cast<unsigned char*>(std::malloc(p.jpeg.size()));
    if (copy == nullptr) return s;
    std::memcpy(copy, p.jpeg.data(), p.jpeg.size());
    if (cairo_surface_set_mime_data(s.get(), CAIRO_MIME_TYPE_JPEG, copy, p.jpeg.size(), std::free, copy) !=
        CAIRO_STATUS_SUCCESS)
        std::free(copy);
    return s;
}

// The picture's alpha, as a mask.
Surface alpha_of(const Picture& p) {
    return image_of(p, CAIRO_FORMAT_A8, [&](uint8_t* row, const uint8_t* in) {
        for (uint32_t x = 0; x < p.width; ++x) row[x] = in[x * 4 + 3];
    });
}

cairo_status_t write_to(void* closure, const unsigned char* data, unsigned int length) {
    return std::fwrite(data, 1, length, static_cast<std::FILE*>(closure)) == length ? CAIRO_STATUS_SUCCESS
                                                                                   : CAIRO_STATUS_WRITE_ERROR;
}

class CairoPdf final : public PictureListPdf {
private:
    bool draw_page(cairo_surface_t* surface, cairo_t* cr, const Picture& p, const PdfSettings& settings) {
        const double unit = 72.0 / settings.dpi;
        const double w = double(p.width) + settings.border[0] + settings.border[2];
        const double h = double(p.height) + settings.border[1] + settings.border[3];
        cairo_pdf_surface_set_size(surface, w * unit, h * unit);
        cairo_save(cr);
        cairo_scale(cr, unit, unit);
        cairo_set_source_rgb(cr, settings.colour[0] / 255.0, settings.colour[1] / 255.0, settings.colour[2] / 255.0);
        cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
        cairo_rectangle(cr, 0, 0, w, h);
        cairo_rectangle(cr, settings.border[0], settings.border[1], p.width, p.height);
        cairo_fill(cr);
        const Surface colour = colour_of(p);
        cairo_set_source_surface(cr, colour.get(), settings.border[0], settings.border[1]);
        // Picture pixels stay pixels: no smoothing between them.
        cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
        if (p.opaque()) {
            cairo_paint(cr);
        } else {
            const Surface alpha = alpha_of(p);
            cairo_mask_surface(cr, alpha.get(), settings.border[0], settings.border[1]);
        }
        cairo_restore(cr);
        cairo_show_page(cr);
        return cairo_status(cr) == CAIRO_STATUS_SUCCESS;
    }

    bool write_document(const std::string& temp, const std::vector<std::string>& pages, const PdfSettings& settings,
                        std::string& error) override {
        std::FILE* f = std::fopen(temp.c_str(), "wb");
        if (f == nullptr) return error = "cannot create the file", false;
        Surface surface(cairo_pdf_surface_create_for_stream(write_to, f, 1, 1), cairo_surface_destroy);
        cairo_t* cr = cairo_create(surface.get());
        bool ok = cairo_status(cr) == CAIRO_STATUS_SUCCESS;
        for (size_t i = 0; ok && i < pages.size(); ++i) {
            Picture p;
            if (!read_pdf_picture(pages[i], p)) {
                error = "cannot read " + pages[i];
                ok = false;
            } else if (!draw_page(surface.get(), cr, p, settings)) {
                error = "cannot draw " + pages[i];
                ok = false;
            }
        }
        cairo_destroy(cr);
        cairo_surface_finish(surface.get());
        if (ok && cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) {
            error = "cannot write the document";
            ok = false;
        }
        surface.reset();
        if (std::fclose(f) != 0 && ok) {
            error = "cannot write the document";
            ok = false;
        }
        return ok;
    }
};

}  // namespace

PdfWriter& system_pdf_writer() {
    static CairoPdf writer;
    return writer;
}

}  // namespace platform
