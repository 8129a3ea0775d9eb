// pte thumbnail IN OUT: a 24-bit BMP thumbnail, 100 pixels along the
// picture's longer side. pte webpic IN OUT MAXW MAXH: a JPEG of the picture
// fitted into MAXW x MAXH, never enlarged. Both read any picture format the
// engine reads and write one format only: an OUT whose extension names
// another is refused.
#include <strings.h>

#include <cstdio>
#include <initializer_list>
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

constexpr const char* kThumbnailUsage = "thumbnail IN OUT.bmp";
constexpr const char* kWebpicUsage = "webpic IN OUT.jpg MAXW MAXH";

int usage_error(const char* usage) {
    std::fprintf(stderr, "usage: pte %s\n", usage);
    return 2;
}

// OUT's extension names a format other than the one written (none is fine).
bool extension_contradicts(const std::string& out, std::initializer_list<const char*> fitting, const char* format) {
    const std::string ext = extension_of(out);
    if (ext.empty()) return false;
    for (const char* f : fitting)
        if (strcasecmp(ext.c_str(), f) == 0) return false;
    std::fprintf(stderr, "pte: %s names a %s file, but this command writes %s\n", out.c_str(), ext.c_str(), format);
    return true;
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
    if (args.size() != 2 || extension_contradicts(args[1], {".bmp"}, "BMP")) return usage_error(kThumbnailUsage);
    const FileStamp before(args[1]);
    PTE_MakeThumbnail(args[0].c_str(), args[1].c_str());
    return report(args[0], args[1], before);
}

int run_webpic(const std::vector<std::string>& args) {
    int width = 0, height = 0;
    if (args.size() != 4 || !parse_edge(args[2], width) || !parse_edge(args[3], height) ||
        extension_contradicts(args[1], {".jpg", ".jpeg"}, "JPEG"))
        return usage_error(kWebpicUsage);
    const FileStamp before(args[1]);
    PTE_MakeWebPic(args[0].c_str(), args[1].c_str(), width, height);
    return report(args[0], args[1], before);
}

}  // namespace pte
