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
    return std::sscanf(text.c_str(), "%dx%d", &width, &height) == 2 && width > 0 && height > 0 && width <= kMaxImageSide &&
           height <= kMaxImageSide;
}

}  // namespace

int run_convert(const std::vector<std::string>& args) {
    int width = 1024, height = 768;
    if (args.size() < 2 || args.size() > 3 || (args.size() == 3 && !parse_size(args[2], width, height))) {
        std::fprintf(stderr, "usage: pte convert IN OUT [WIDTHxHEIGHT]\n");
        return 2;
    }
    std::vector<uint8_t> rgba;
    int w = 0, h = 0;
    int status = 0;
    if (!read_picture(args[0], rgba, w, h, width, height)) {
        std::fprintf(stderr, "pte convert: cannot read %s as a picture\n", args[0].c_str());
        status = 1;
    } else if (!write_picture(args[1], rgba.data(), w, h, PTE_GetDPIFromFile(args[0].c_str()))) {
        std::fprintf(stderr,
                     "pte convert: cannot write %s (its extension names no format we write, or the write failed)\n",
                     args[1].c_str());
        status = 1;
    }
    return status;
}

}  // namespace pte
