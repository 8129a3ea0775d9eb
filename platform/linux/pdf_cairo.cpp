// PDF documents through cairo's PDF surface: one page per picture, of the
// picture's size at the set resolution plus the border. Pictures go in as
// their pixels (compressed without loss), or as the file's own JPEG data
// where the picture was a JPEG file. The document is written beside its
// name first and put in place only when complete.
#include <cairo-pdf.h>
#include <cairo.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "platform/imglib/files.h"
#include "platform/pdf.h"
#include "platform/pdf_slideshow.h"

namespace platform {

namespace {

using Block = std::unique_ptr<uint8_t, void (*)(void*)>;

// A picture file decoded for a page, with its JPEG bytes when it is one.
struct Picture {
    Block rgba{nullptr, imglib::GlobalFree};
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> jpeg;
};

bool read_picture(const std::string& path, Picture& p) {
    using namespace imglib;
    HISSRC src = IS3OpenFileSource(path.c_str());
    if (src == nullptr) return false;
    const uint32_t type = IS3GuessFileType(src);
    p.rgba.reset(IS3ReadImageToRGBA(src, &p.width, &p.height));
    IS3CloseSource(src);
    if (!p.rgba) return false;
    if (type == kFileJPEG) {
        std::ifstream in(path, std::ios::binary);
        p.jpeg.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return true;
}

bool opaque(const Picture& p) {
    const uint64_t count = uint64_t(p.width) * p.height;
    for (uint64_t i = 0; i < count; ++i)
        if (p.rgba.get()[i * 4 + 3] != 255) return false;
    return true;
}

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

// A folder cannot become a document; nothing is written beside it either.
bool names_folder(const char* path) {
    struct stat st {};
    return ::stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

void say(char* message, int32_t capacity, const std::string& text) {
    if (message == nullptr || capacity <= 0) return;
    const size_t n = std::min(text.size(), size_t(capacity - 1));
    std::memcpy(message, text.data(), n);
    message[n] = '\0';
}

class CairoPdf final : public PdfWriter {
public:
    int32_t reset() override {
        pages_.clear();
        settings_ = Settings();
        return 1;
    }

    int32_t add_image(const char* path) override {
        if (path == nullptr) return 0;
        imglib::HISSRC src = imglib::IS3OpenFileSource(path);
        if (src == nullptr) return 0;
        const uint32_t type = imglib::IS3GuessFileType(src);
        imglib::IS3CloseSource(src);
        if (type == imglib::kFileUnknown || type == imglib::kFileWMF || type == imglib::kFileEMF) return 0;
        pages_.emplace_back(path);
        return 1;
    }

    int32_t silent_running() override { return 1; }

    int32_t set_dpi(int32_t dpi) override {
        if (dpi <= 0) return 0;
        settings_.dpi = dpi;
        return 1;
    }

    int32_t delete_images_on_convert() override {
        settings_.deleteFiles = true;
        return 1;
    }

    int32_t set_border(int32_t left, int32_t top, int32_t right, int32_t bottom) override {
        if (left < 0 || top < 0 || right < 0 || bottom < 0) return 0;
        settings_.border[0] = left, settings_.border[1] = top, settings_.border[2] = right, settings_.border[3] = bottom;
        return 1;
    }

    int32_t set_border_color(int32_t red, int32_t green, int32_t blue) override {
        settings_.colour[0] = red & 255, settings_.colour[1] = green & 255, settings_.colour[2] = blue & 255;
        return 1;
    }

    int32_t slide_show(int32_t effect, int32_t effectSeconds, int32_t pageSeconds) override {
        if (pageSeconds <= 0 || effectSeconds < 0) return 0;
        settings_.show = {effect, effectSeconds, pageSeconds};
        settings_.slideshow = true;
        return 1;
    }

    int32_t make_pdf(const char* path, int32_t, char* message, int32_t capacity) override {
        if (path == nullptr || *path == '\0' || names_folder(path)) return say(message, capacity, "not a file name"), 0;
        if (pages_.empty()) return say(message, capacity, "no pictures were added"), 0;
        const std::string target = path, temp = target + ".part" + std::to_string(getpid());
        std::string error;
        const bool written = write(temp, error);
        if (!written || std::rename(temp.c_str(), target.c_str()) != 0) {
            std::remove(temp.c_str());
            say(message, capacity, written ? "cannot put the document in place" : error);
            return 0;
        }
        if (settings_.deleteFiles)
            for (const std::string& page : pages_) std::remove(page.c_str());
        say(message, capacity, "");
        return 1;
    }

private:
    bool draw_page(cairo_surface_t* surface, cairo_t* cr, const Picture& p) {
        const double unit = 72.0 / settings_.dpi;
        const double w = double(p.width) + settings_.border[0] + settings_.border[2], h = double(p.height) + settings_.border[1] + settings_.border[3];
        cairo_pdf_surface_set_size(surface, w * unit, h * unit);
        cairo_save(cr);
        cairo_scale(cr, unit, unit);
        cairo_set_source_rgb(cr, settings_.colour[0] / 255.0, settings_.colour[1] / 255.0, settings_.colour[2] / 255.0);
        cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
        cairo_rectangle(cr, 0, 0, w, h);
        cairo_rectangle(cr, settings_.border[0], settings_.border[1], p.width, p.height);
        cairo_fill(cr);
        const Surface colour = colour_of(p);
        cairo_set_source_surface(cr, colour.get(), settings_.border[0], settings_.border[1]);
        // Picture pixels stay pixels: no smoothing between them.
        cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
        if (opaque(p)) {
            cairo_paint(cr);
        } else {
            const Surface alpha = alpha_of(p);
            cairo_mask_surface(cr, alpha.get(), settings_.border[0], settings_.border[1]);
        }
        cairo_restore(cr);
        cairo_show_page(cr);
        return cairo_status(cr) == CAIRO_STATUS_SUCCESS;
    }

    bool write(const std::string& temp, std::string& error) {
        std::FILE* f = std::fopen(temp.c_str(), "wb");
        if (f == nullptr) return error = "cannot create the file", false;
        Surface surface(cairo_pdf_surface_create_for_stream(write_to, f, 1, 1), cairo_surface_destroy);
        cairo_t* cr = cairo_create(surface.get());
        bool ok = cairo_status(cr) == CAIRO_STATUS_SUCCESS;
        for (size_t i = 0; ok && i < pages_.size(); ++i) {
            Picture p;
            if (!read_picture(pages_[i], p)) {
                error = "cannot read " + pages_[i];
                ok = false;
            } else if (!draw_page(surface.get(), cr, p)) {
                error = "cannot draw " + pages_[i];
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
        if (ok && settings_.slideshow && !append_slideshow(temp)) {
            error = "cannot make the document a slide show";
            ok = false;
        }
        return ok;
    }

    bool append_slideshow(const std::string& file) {
        std::string pdf;
        {
            std::ifstream in(file, std::ios::binary);
            pdf.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
            if (!in.good() && !in.eof()) return false;
        }
        const std::string update = slideshow_update(pdf, settings_.show);
        if (update.empty()) return false;
        std::FILE* f = std::fopen(file.c_str(), "ab");
        if (f == nullptr) return false;
        const bool written = std::fwrite(update.data(), 1, update.size(), f) == update.size();
        return std::fclose(f) == 0 && written;
    }

    struct Settings {
        int32_t dpi = 96;
        bool deleteFiles = false;
        int32_t border[4] = {};  // left, top, right, bottom
        int32_t colour[3] = {255, 255, 255};
        bool slideshow = false;
        SlideShow show;
    };

    std::vector<std::string> pages_;
    Settings settings_;
};

}  // namespace

PdfWriter& system_pdf_writer() {
    static CairoPdf writer;
    return writer;
}

}  // namespace platform
