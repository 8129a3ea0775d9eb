// pte: a command-line host of the painting engine. It drives the engine
// only through the exported functions of paintcore.h.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "commands.h"

namespace {

struct Command {
    const char* name;
    const char* usage;
    int (*run)(const std::vector<std::string>&);
};

constexpr Command kCommands[] = {
    {"demo", "demo OUT.png        build a picture through the engine, save it as a page, write the display beside it",
     pte::run_demo},
    {"convert", "convert IN OUT [WxH] convert a picture file to the format of OUT's extension", pte::run_convert},
    {"lua", "lua SCRIPT IN OUT [--slider1..6 N] [--style1..2 N] [--flag1..6 N]\n"
            "                      run a Lua filter script over a picture",
     pte::run_lua},
    {"thumbnail", "thumbnail IN OUT    write a BMP thumbnail, 100 pixels along the longer side", pte::run_thumbnail},
    {"webpic", "webpic IN OUT W H   write a JPEG of IN fitted into W x H, never enlarged", pte::run_webpic},
    {"clip", "clip copy FILE | clip paste FILE\n"
             "                      copy a picture (and serve it until another program copies) or paste one",
     pte::run_clip},
    {"capture", "capture OUT         write the screen", pte::run_capture},
    {"scan", "scan OUT [--device NAME]\n                      scan one picture", pte::run_scan},
    {"pdf", "pdf OUT IN... [--slideshow]\n                      one PDF page per picture", pte::run_pdf},
    {"avi", "avi OUT --ms N FRAME...\n                      an AVI of uncompressed frames, N ms each", pte::run_avi},
    {"effect", "effect NAME IN OUT [--p1..8 N] [--f1..6 N] [--color R,G,B] [--seed N] [--text PATH]\n"
               "                      apply a named effect to a picture",
     pte::run_effect},
    {"effects", "effects             list the effect names and how each is carried out", pte::run_effects},
    {"gallery", "gallery OUT.png     draw every effect on one labelled sheet", pte::run_gallery},
    {"draw", "draw IN OUT STEP... draw shapes, gradients, text, fills and selections on a picture\n"
             "                      (pte draw alone lists the steps)",
     pte::run_draw},
};

int usage() {
    std::fprintf(stderr, "usage: pte COMMAND [ARGS]\n");
    for (const Command& c : kCommands) std::fprintf(stderr, "  pte %s\n", c.usage);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage();
    const std::vector<std::string> args(argv + 2, argv + argc);
    for (const Command& c : kCommands)
        if (std::strcmp(argv[1], c.name) == 0) return c.run(args);
    return usage();
}
