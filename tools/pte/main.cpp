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
    {"convert", "convert IN OUT [WxH] convert a picture file to the format of OUT's extension\n"
                "                      at WxH if given (metafiles are drawn at it, else at 1024x768)",
     pte::run_convert},
    {"lua", "lua SCRIPT IN OUT [--slider1..6 N] [--style1..2 N] [--flag1..6 N]\n"
            "                      run a Lua filter script over a picture",
     pte::run_lua},
    {"thumbnail", "thumbnail IN OUT.bmp write a BMP thumbnail, 100 pixels along the longer side", pte::run_thumbnail},
    {"webpic", "webpic IN OUT.jpg W H\n                      write a JPEG of IN fitted into W x H, never enlarged",
     pte::run_webpic},
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

void print_usage(std::FILE* out) {
    std::fprintf(out, "usage: pte COMMAND [ARGS]\n       pte help [COMMAND]\n");
    for (const Command& c : kCommands) std::fprintf(out, "  pte %s\n", c.usage);
}

const Command* find_command(const char* name) {
    for (const Command& c : kCommands)
        if (std::strcmp(name, c.name) == 0) return &c;
    return nullptr;
}

bool asks_for_help(const char* arg) { return std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0; }

// Wrong usage: what was wrong and the usage on standard error, status 2.
int usage_error(const char* what, const char* name) {
    std::fprintf(stderr, "pte: %s '%s'\n", what, name);
    print_usage(stderr);
    return 2;
}

}  // namespace

// Help goes to standard output with status 0; wrong usage to standard
// error with status 2; a command that fails returns 1.
int main(int argc, char** argv) {
    if (argc < 2) {
        print_usage(stderr);
        return 2;
    }
    if (asks_for_help(argv[1]) || std::strcmp(argv[1], "help") == 0) {
        if (argc == 2) {
            print_usage(stdout);
            return 0;
        }
        const Command* c = find_command(argv[2]);
        if (c == nullptr || argc > 3) return usage_error("no help for", argv[2]);
        std::printf("usage: pte %s\n", c->usage);
        return 0;
    }
    const Command* c = find_command(argv[1]);
    if (c == nullptr) return usage_error("unknown command", argv[1]);
    if (argc == 3 && asks_for_help(argv[2])) {
        std::printf("usage: pte %s\n", c->usage);
        return 0;
    }
    return c->run(std::vector<std::string>(argv + 2, argv + argc));
}
