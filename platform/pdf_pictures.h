// What every PDF writer of the engine shares: the list of picture files,
// the settings, and the making of the document: written beside its name,
// made a slide show when asked, put in place only when complete, and the
// picture files deleted only then. A writer supplies the document itself.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/pdf.h"
#include "platform/pdf_slideshow.h"

namespace platform {

// A picture file decoded for a page: RGBA32 rows, top row first, with the
// file's bytes when it was a JPEG file.
struct PdfPicture {
    std::unique_ptr<uint8_t, void (*)(void*)> rgba{nullptr, nullptr};
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> jpeg;

    bool opaque() const;
};

bool read_pdf_picture(const std::string& path, PdfPicture& picture);

struct PdfSettings {
    int32_t dpi = 96;
    bool deleteFiles = false;
    int32_t border[4] = {};  // left, top, right, bottom, in picture pixels
    int32_t colour[3] = {255, 255, 255};
    bool slideshow = false;
    SlideShow show;
};

class PictureListPdf : public PdfWriter {
public:
    int32_t reset() override;
    int32_t add_image(const char* path) override;
    int32_t silent_running() override { return 1; }
    int32_t set_dpi(int32_t dpi) override;
    int32_t delete_images_on_convert() override;
    int32_t set_border(int32_t left, int32_t top, int32_t right, int32_t bottom) override;
    int32_t set_border_color(int32_t red, int32_t green, int32_t blue) override;
    int32_t slide_show(int32_t effect, int32_t effectSeconds, int32_t pageSeconds) override;
    int32_t make_pdf(const char* path, int32_t options, char* message, int32_t capacity) override;

protected:
    // Writes the document of `pages`, one page a picture file, into the new
    // file `path`; false with the reason in `error`.
    virtual bool write_document(const std::string& path, const std::vector<std::string>& pages,
                                const PdfSettings& settings, std::string& error) = 0;

private:
    bool append_slideshow(const std::string& file) const;

    std::vector<std::string> pages_;
    PdfSettings settings_;
};

}  // namespace platform
