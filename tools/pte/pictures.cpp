// pte thumbnail IN OUT: a 24-bit BMP thumbnail, 100 pixels along the
// picture's longer side. pte webpic IN OUT MAXW MAXH: a JPEG of the picture
// fitted into MAXW x MAXH, never enlarged. Both read any picture format the
// engine reads; OUT is written whatever its extension says.
#include <cstdio>
#include <string>
#include <vector>

#include "commands.h"
#include "paintcore.h"
#include "picture_files.h"

namespace pte {

namespace {

bool parse_edge(const std::string& text, int& value) {
    char tail = 0;
    return std::sscanf(text.c_str(), "%d%c", &value, &tail) == 1 && value > 0;
}

// The engine reports nothing for these two: the output file tells.
int report(const std::string& in, const std::string& out, const FileStamp& before) {
    if (before.replaced()) return 0;
    std::fprintf(stderr, "pte: nothing written to %s (cannot read %s as a picture, or cannot write there)\n",
                 out.c_str(), in.c_str());
    return 1;
}

}  // namespace

int run_thumbnail(const std::vector<std::string>& args) {
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: pte thumbnail IN OUT\n");
        return 2;
    }
    const FileStamp before(args[1]);
    PTE_MakeThumbnail(args[0].c_str(), args[1].c_str());
    return report(args[0], args[1], before);
}

int run_webpic(const std::vector<std::string>& args) {
    int width = 0, height = 0;
    if (args.size() != 4 || !parse_edge(args[2], width) || !parse_edge(args[3], height)) {
        std::fprintf(stderr, "usage: pte webpic IN OUT MAXW MAXH\n");
        return 2;
    }
    const FileStamp before(args[1]);
    PTE_MakeWebPic(args[0].c_str(), args[1].c_str(), width, height);
    return report(args[0], args[1], before);
}

}  // namespace pte
