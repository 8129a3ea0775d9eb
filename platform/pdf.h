// A PDF writer as the engine drives it: pictures added as files, settings,
// then the document made in one go. Every call answers nonzero on success.
//
// The writer keeps the list of pictures and the settings from one make to
// the next until reset. Each added picture becomes one page of its own size
// at the set resolution, framed by the border.
#pragma once

#include <cstdint>

namespace platform {

class PdfWriter {
public:
    virtual ~PdfWriter() = default;
    // Forgets the pictures and every setting.
    virtual int32_t reset() = 0;
    // Adds a picture file as the next page; 0 (nothing added) when the
    // file cannot be read as a picture.
    virtual int32_t add_image(const char* path) = 0;
    // Makes the document without showing anything; this writer never shows
    // anything, so this only answers 1.
    virtual int32_t silent_running() = 0;
    // Pictures are laid out at `dpi` pixels an inch (96 until set).
    virtual int32_t set_dpi(int32_t dpi) = 0;
    // The picture files are deleted once a document holding them was
    // written in full (never after a failure).
    virtual int32_t delete_images_on_convert() = 0;
    // Border around each picture, in picture pixels.
    virtual int32_t set_border(int32_t left, int32_t top, int32_t right, int32_t bottom) = 0;
    virtual int32_t set_border_color(int32_t red, int32_t green, int32_t blue) = 0;
    // The document opens as a slide show: full screen, each page shown for
    // `pageSeconds` and replaced by the next with transition `effect` (0..11:
    // replace, split, blinds, box, wipe, dissolve, glitter, fly, push,
    // cover, uncover, fade) lasting `effectSeconds`.
    virtual int32_t slide_show(int32_t effect, int32_t effectSeconds, int32_t pageSeconds) = 0;
    // Writes the document: one page per added picture. 0 when there is no
    // picture or it cannot be written; the file named is then left as it
    // was, and a reason goes into `message` (`capacity` bytes, terminated).
    // `options` is reserved (0).
    virtual int32_t make_pdf(const char* path, int32_t options, char* message, int32_t capacity) = 0;
};

PdfWriter& system_pdf_writer();
PdfWriter& pdf_writer();
PdfWriter* install_pdf_writer(PdfWriter* replacement);

}  // namespace platform
