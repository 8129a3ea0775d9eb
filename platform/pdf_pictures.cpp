#include "platform/pdf_pictures.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/imglib/files.h"
#include "platform/system.h"

namespace platform {

namespace {

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

// A name beside the target that no other process writes.
std::string temporary_name(const std::string& target) { return target + ".part" + std::to_string(getpid()); }

}  // namespace

bool PdfPicture::opaque() const {
    const uint64_t count = uint64_t(width) * height;
    for (uint64_t i = 0; i < count; ++i)
        if (rgba.get()[i * 4 + 3] != 255) return false;
    return true;
}

bool read_pdf_picture(const std::string& path, PdfPicture& p) {
    using namespace imglib;
    HISSRC src = IS3OpenFileSource(path.c_str());
    if (src == nullptr) return false;
    const uint32_t type = IS3GuessFileType(src);
    p.rgba = {IS3ReadImageToRGBA(src, &p.width, &p.height), GlobalFree};
    IS3CloseSource(src);
    if (!p.rgba) return false;
    if (type == kFileJPEG) {
        std::ifstream in(path, std::ios::binary);
        p.jpeg.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return true;
}

int32_t PictureListPdf::reset() {
    pages_.clear();
    settings_ = PdfSettings();
    return 1;
}

int32_t PictureListPdf::add_image(const char* path) {
    if (path == nullptr) return 0;
    imglib::HISSRC src = imglib::IS3OpenFileSource(path);
    if (src == nullptr) return 0;
    const uint32_t type = imglib::IS3GuessFileType(src);
    imglib::IS3CloseSource(src);
    if (type == imglib::kFileUnknown || type == imglib::kFileWMF || type == imglib::kFileEMF) return 0;
    pages_.emplace_back(path);
    return 1;
}

int32_t PictureListPdf::set_dpi(int32_t dpi) {
    if (dpi <= 0) return 0;
    settings_.dpi = dpi;
    return 1;
}

int32_t PictureListPdf::delete_images_on_convert() {
    settings_.deleteFiles = true;
    return 1;
}

int32_t PictureListPdf::set_border(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    if (left < 0 || top < 0 || right < 0 || bottom < 0) return 0;
    settings_.border[0] = left, settings_.border[1] = top, settings_.border[2] = right, settings_.border[3] = bottom;
    return 1;
}

int32_t PictureListPdf::set_border_color(int32_t red, int32_t green, int32_t blue) {
    settings_.colour[0] = red & 255, settings_.colour[1] = green & 255, settings_.colour[2] = blue & 255;
    return 1;
}

int32_t PictureListPdf::slide_show(int32_t effect, int32_t effectSeconds, int32_t pageSeconds) {
    if (pageSeconds <= 0 || effectSeconds < 0) return 0;
    settings_.show = {effect, effectSeconds, pageSeconds};
    settings_.slideshow = true;
    return 1;
}

int32_t PictureListPdf::make_pdf(const char* path, int32_t, char* message, int32_t capacity) {
    if (path == nullptr || *path == '\0' || names_folder(path)) return say(message, capacity, "not a file name"), 0;
    if (pages_.empty()) return say(message, capacity, "no pictures were added"), 0;
    const std::string target = path, temp = temporary_name(target);
    std::string error;
    bool written = write_document(temp, pages_, settings_, error);
    if (written && settings_.slideshow && !append_slideshow(temp)) {
        error = "cannot make the document a slide show";
        written = false;
    }
    if (!written || !rename_replace(temp.c_str(), target.c_str())) {
        std::remove(temp.c_str());
        say(message, capacity, written ? "cannot put the document in place" : error);
        return 0;
    }
    if (settings_.deleteFiles)
        for (const std::string& page : pages_) std::remove(page.c_str());
    say(message, capacity, "");
    return 1;
}

bool PictureListPdf::append_slideshow(const std::string& file) const {
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

}  // namespace platform
