// pte convert IN OUT [WIDTHxHEIGHT]: reads a picture file of any supported
// format and writes it in the format OUT's extension names, keeping its
// resolution. Metafiles are rendered at WIDTHxHEIGHT (1024x768 unless given).
#include <cstdio>
#include <string>
#include <vector>

#include "commands.h"
#include "paintcore.h"
#include "picture_files.h"

namespace pte {

namespace {

bool parse_size(const std::string& text, int& width, int& height) {
    return std::sscanf(text.c_str(), "%dx%d", &width, &height) == 2 && width > 0 && height > 0 && width <= 10000 &&
           height <= 10000;
}

// Writes newRGBA: with alpha where the format keeps it, else as RGB24.
bool write_new_rgba(const std::string& out, int dpi) {
    const int w = PTE_GetNewRGBAWidth(), h = PTE_GetNewRGBAHeight();
    std::vector<uint8_t> rgba(size_t(w) * h * 4);
    PTE_GetNewRGBA32(rgba.data());
    return write_picture(out, rgba.data(), w, h, dpi);
}

}  // namespace

int run_convert(const std::vector<std::string>& args) {
    int width = 1024, height = 768;
    if (args.size() < 2 || args.size() > 3 || (args.size() == 3 && !parse_size(args[2], width, height))) {
        std::fprintf(stderr, "usage: pte convert IN OUT [WIDTHxHEIGHT]\n");
        return 2;
    }
    PTE_CreateImage(nullptr, width, height, 16, 0);  // the size metafiles are rendered at
    int status = 0;
    if (PTE_ReadFromFile(args[0].c_str()) != 1) {
        std::fprintf(stderr, "pte convert: cannot read %s as a picture\n", args[0].c_str());
        status = 1;
    } else if (!write_new_rgba(args[1], PTE_GetDPIFromFile(args[0].c_str()))) {
        std::fprintf(stderr,
                     "pte convert: cannot write %s (its extension names no format we write, or the write failed)\n",
                     args[1].c_str());
        status = 1;
    }
    PTE_DeleteNewRGBA();
    PTE_DeleteImage();
    return status;
}

}  // namespace pte
