// The device commands: the clipboard, screen capture, scanning, PDF
// documents and AVI videos.
//
//   pte clip copy FILE     copies the picture; on a desktop pte stays to
//                          serve it until another program copies something
//   pte clip paste FILE    writes the clipboard's picture
//   pte capture OUT        writes the screen
//   pte scan OUT [--device NAME]
//                          scans one picture (from the first device unless named)
//   pte pdf OUT IN... [--slideshow]
//                          one page per picture (the input files are kept)
//   pte avi OUT --ms N FRAME...
//                          one frame per picture, N milliseconds each
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "commands.h"
#include "paintcore.h"
#include "picture_files.h"

namespace pte {

namespace {

namespace fs = std::filesystem;

// Writes the newRGBA picture to a file in the format its extension names.
int write_new_rgba(const std::string& out, const char* what) {
    const int w = PTE_GetNewRGBAWidth(), h = PTE_GetNewRGBAHeight();
    std::vector<uint8_t> rgba(size_t(w) * size_t(h) * 4);
    PTE_GetNewRGBA32(rgba.data());
    PTE_DeleteNewRGBA();
    if (!write_picture(out, rgba.data(), w, h, 72)) {
        std::fprintf(stderr, "pte %s: cannot write %s\n", what, out.c_str());
        return 1;
    }
    return 0;
}

int clip_copy(const std::string& file) {
    std::vector<uint8_t> rgba;
    int w = 0, h = 0;
    if (!read_picture(file, rgba, w, h)) {
        std::fprintf(stderr, "pte clip: cannot read %s as a picture\n", file.c_str());
        return 1;
    }
    PTE_RGBA32ToClipboard(rgba.data(), w, h);
    if (PTE_IsClipboardOwner() == 0) {
        std::fprintf(stderr, "pte clip: no desktop clipboard to copy to (no display)\n");
        return 1;
    }
    // Other programs read the picture from us while we run.
    while (PTE_IsClipboardOwner() != 0) usleep(100 * 1000);
    return 0;
}

int clip_paste(const std::string& file) {
    if (PTE_FromClipboard() != 1) {
        std::fprintf(stderr, "pte clip: the clipboard holds no picture\n");
        return 1;
    }
    return write_new_rgba(file, "clip");
}

bool parse_positive(const std::string& text, int& value) {
    char tail = 0;
    return std::sscanf(text.c_str(), "%d%c", &value, &tail) == 1 && value > 0;
}

// Copies of the pictures in a folder of their own: making the document
// deletes the files it was given.
class PageCopies {
public:
    PageCopies() {
        char name[] = "/tmp/pte-pdf-XXXXXX";
        if (mkdtemp(name) != nullptr) dir_ = name;
    }
    PageCopies(const PageCopies&) = delete;
    PageCopies& operator=(const PageCopies&) = delete;
    ~PageCopies() {
        std::error_code ignored;
        if (!dir_.empty()) fs::remove_all(dir_, ignored);
    }
    // The copy of `file`, or "" when it cannot be made.
    std::string copy(const std::string& file) {
        std::error_code error;
        const fs::path to = dir_ / (std::to_string(count_++) + fs::path(file).extension().string());
        if (dir_.empty() || !fs::copy_file(file, to, error)) return "";
        return to.string();
    }

private:
    fs::path dir_;
    int count_ = 0;
};

}  // namespace

int run_clip(const std::vector<std::string>& args) {
    if (args.size() == 2 && args[0] == "copy") return clip_copy(args[1]);
    if (args.size() == 2 && args[0] == "paste") return clip_paste(args[1]);
    std::fprintf(stderr, "usage: pte clip copy FILE | pte clip paste FILE\n");
    return 2;
}

int run_capture(const std::vector<std::string>& args) {
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: pte capture OUT\n");
        return 2;
    }
    if (PTE_ScreenCapture() != 1) {
        std::fprintf(stderr, "pte capture: no screen to capture (no display)\n");
        return 1;
    }
    return write_new_rgba(args[0], "capture");
}

int run_scan(const std::vector<std::string>& args) {
    if (!(args.size() == 1 || (args.size() == 3 && args[1] == "--device"))) {
        std::fprintf(stderr, "usage: pte scan OUT [--device NAME]\n");
        return 2;
    }
    if (PTE_IsTwain() != 1) {
        std::fprintf(stderr, "pte scan: no scanning service\n");
        return 1;
    }
    if (args.size() == 3 && PTE_TwainChooseSource(args[2].c_str()) != 1) {
        std::fprintf(stderr, "pte scan: no scanner named %s\n", args[2].c_str());
        return 1;
    }
    if (PTE_TwainSelectSource() != 1) {
        std::fprintf(stderr, "pte scan: no scanner found\n");
        return 1;
    }
    if (PTE_TwainAcquire() != 1) {
        std::fprintf(stderr, "pte scan: nothing was scanned from %s\n", PTE_TwainGetSourceName(0));
        return 1;
    }
    return write_new_rgba(args[0], "scan");
}

int run_pdf(const std::vector<std::string>& args) {
    std::vector<std::string> pictures;
    bool slideshow = false;
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--slideshow") slideshow = true;
        else pictures.push_back(args[i]);
    }
    if (args.empty() || pictures.empty()) {
        std::fprintf(stderr, "usage: pte pdf OUT IN... [--slideshow]\n");
        return 2;
    }
    PageCopies copies;
    PTE_I2PDF_Reset();
    for (const std::string& picture : pictures) {
        const std::string copy = copies.copy(picture);
        if (copy.empty() || PTE_I2PDF_AddImage(copy.c_str()) != 1) {
            std::fprintf(stderr, "pte pdf: cannot read %s as a picture\n", picture.c_str());
            PTE_I2PDF_Reset();
            return 1;
        }
    }
    const int made = slideshow ? PTE_I2PDF_MakePDFSlideshow(args[0].c_str()) : PTE_I2PDF_MakePDF(args[0].c_str());
    if (made == 0) {
        std::fprintf(stderr, "pte pdf: cannot write %s\n", args[0].c_str());
        return 1;
    }
    return 0;
}

int run_avi(const std::vector<std::string>& args) {
    int ms = 0;
    if (args.size() < 4 || args[1] != "--ms" || !parse_positive(args[2], ms)) {
        std::fprintf(stderr, "usage: pte avi OUT --ms N FRAME...\n");
        return 2;
    }
    if (PTE_CreateAVI(args[0].c_str(), ms) == nullptr) {
        std::fprintf(stderr, "pte avi: cannot create %s\n", args[0].c_str());
        return 1;
    }
    for (size_t i = 3; i < args.size(); ++i) {
        if (PTE_WriteAVI(args[i].c_str()) != 1) {
            std::fprintf(stderr, "pte avi: frame %s was not written (unreadable, another size, or the write failed)\n",
                         args[i].c_str());
            PTE_CloseAVI();
            return 1;
        }
    }
    if (PTE_CloseAVI() != 0) {
        std::fprintf(stderr, "pte avi: cannot finish %s\n", args[0].c_str());
        return 1;
    }
    return 0;
}

}  // namespace pte
