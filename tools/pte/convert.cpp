// pte convert IN OUT [WIDTHxHEIGHT]: reads a picture file of any supported
// format and writes it in the format OUT's extension names, keeping its
// resolution. With a size, the picture comes out at that size: metafiles
// are drawn at it, other pictures resampled to it; without one, metafiles
// are drawn at 1024x768 and other pictures keep theirs.
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
    const bool sized = args.size() == 3;
    if (args.size() < 2 || args.size() > 3 || (sized && !parse_size(args[2], width, height))) {
        std::fprintf(stderr, "usage: pte convert IN OUT [WIDTHxHEIGHT]\n");
        return 2;
    }
    std::vector<uint8_t> rgba;
    int w = 0, h = 0;
    if (!read_picture(args[0], rgba, w, h, width, height)) {
        std::fprintf(stderr, "pte convert: cannot read %s as a picture\n", args[0].c_str());
        return 1;
    }
    if (sized && (w != width || h != height) && !resample_picture(rgba, w, h, width, height)) {
        std::fprintf(stderr, "pte convert: cannot resample %s to %dx%d: %s\n", args[0].c_str(), width, height,
                     PTE_GetLastError());
        return 1;
    }
    if (!write_picture(args[1], rgba.data(), w, h, PTE_GetDPIFromFile(args[0].c_str()))) {
        std::fprintf(stderr,
                     "pte convert: cannot write %s (its extension names no format we write, or the write failed)\n",
                     args[1].c_str());
        return 1;
    }
    return 0;
}

}  // namespace pte
