#include "platform/pdf_slideshow.h"

#include <cctype>
#include <cinttypes>
#include <cstdio>
#include <map>
#include <optional>

namespace platform {

namespace {

constexpr const char* kEffects[] = {"R",    "Split",    "Blinds", "Box",  "Wipe",  "Dissolve",
                                    "Glitter", "Fly", "Push",   "Cover", "Uncover", "Fade"};

bool is_space(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == '\0'; }
bool is_delimiter(char c) {
    return is_space(c) || c == '/' || c == '<' || c == '>' || c == '[' || c == ']' || c == '(' || c == ')';
}

// Reads an unsigned number at `at`, skipping white space first.
std::optional<uint64_t> number(std::string_view s, size_t& at) {
    while (at < s.size() && is_space(s[at])) ++at;
    if (at >= s.size() || !std::isdigit(static_cast<unsigned char>(s[at]))) return std::nullopt;
    uint64_t v = 0;
    while (at < s.size() && std::isdigit(static_cast<unsigned char>(s[at]))) {
        if (v > (UINT64_MAX - 9) / 10) return std::nullopt;
        v = v * 10 + uint64_t(s[at++] - '0');
    }
    return v;
}

bool keyword(std::string_view s, size_t& at, std::string_view word) {
    while (at < s.size() && is_space(s[at])) ++at;
    if (s.substr(at, word.size()) != word) return false;
    at += word.size();
    return true;
}

// The dictionary starting at `at` ("<<" ... ">>", nested ones and strings
// skipped whole), without its outer brackets; nothing when it does not end.
std::optional<std::string_view> dictionary(std::string_view s, size_t& at) {
    if (!keyword(s, at, "<<")) return std::nullopt;
    const size_t start = at;
    int depth = 1;
    while (at + 1 < s.size()) {
        const char c = s[at];
        if (c == '(') {
            int strings = 1;
            for (++at; at < s.size() && strings > 0; ++at) {
                if (s[at] == '\\') ++at;
                else if (s[at] == '(') ++strings;
                else if (s[at] == ')') --strings;
            }
        } else if (c == '<' && s[at + 1] == '<') {
            ++depth;
            at += 2;
        } else if (c == '>' && s[at + 1] == '>') {
            at += 2;
            if (--depth == 0) return s.substr(start, at - 2 - start);
        } else {
            ++at;
        }
    }
    return std::nullopt;
}

// Whether a dictionary holds /Type with the given name (a whole name).
bool has_type(std::string_view dict, std::string_view name) {
    for (size_t at = dict.find("/Type"); at != std::string_view::npos; at = dict.find("/Type", at + 1)) {
        size_t p = at + 5;
        if (p < dict.size() && !is_delimiter(dict[p])) continue;  // /TypeSomething
        while (p < dict.size() && is_space(dict[p])) ++p;
        if (dict.substr(p, name.size()) == name && (p + name.size() == dict.size() || is_delimiter(dict[p + name.size()])))
            return true;
    }
    return false;
}

// A reference value "N G R" of a key in the trailer, as text.
std::optional<std::string> reference(std::string_view dict, std::string_view key) {
    size_t at = dict.find(key);
    if (at == std::string_view::npos) return std::nullopt;
    at += key.size();
    const auto n = number(dict, at), g = number(dict, at);
    if (!n || !g || !keyword(dict, at, "R")) return std::nullopt;
    return std::to_string(*n) + " " + std::to_string(*g) + " R";
}

struct Object {
    uint64_t generation;
    std::string body;  // the new dictionary, brackets included
};

}  // namespace

std::string slideshow_update(std::string_view pdf, const SlideShow& show) {
    const size_t start_at = pdf.rfind("startxref");
    if (start_at == std::string_view::npos) return {};
    size_t at = start_at + 9;
    const auto xref_at = number(pdf, at);
    if (!xref_at || *xref_at >= pdf.size()) return {};
    at = size_t(*xref_at);
    if (!keyword(pdf, at, "xref")) return {};
    // The table: subsections of "first count", then 20-byte entries.
    std::map<uint64_t, std::pair<uint64_t, uint64_t>> offsets;  // number -> offset, generation
    for (;;) {
        size_t probe = at;
        const auto first = number(pdf, probe);
        if (!first) break;
        const auto count = number(pdf, probe);
        if (!count || *count > pdf.size()) return {};
        at = probe;
        for (uint64_t i = 0; i < *count; ++i) {
            const auto offset = number(pdf, at), generation = number(pdf, at);
            while (at < pdf.size() && is_space(pdf[at])) ++at;
            if (!offset || !generation || at >= pdf.size()) return {};
            if (pdf[at] == 'n') offsets[*first + i] = {*offset, *generation};
            ++at;
        }
    }
    if (!keyword(pdf, at, "trailer")) return {};
    const auto trailer = dictionary(pdf, at);
    if (!trailer) return {};
    size_t size_at = trailer->find("/Size");
    if (size_at == std::string_view::npos) return {};
    size_at += 5;
    const auto size = number(*trailer, size_at);
    const auto root = reference(*trailer, "/Root");
    const auto info = reference(*trailer, "/Info");
    if (!size || !root) return {};

    const int32_t effect = show.effect >= 0 && show.effect < 12 ? show.effect : 0;
    std::map<uint64_t, Object> changed;
    bool catalogue = false, page = false;
    for (const auto& [n, where] : offsets) {
        size_t p = size_t(where.first);
        if (where.first >= pdf.size()) return {};
        const auto number_there = number(pdf, p), generation = number(pdf, p);
        if (number_there != n || !generation || !keyword(pdf, p, "obj")) continue;
        const auto dict = dictionary(pdf, p);
        if (!dict || keyword(pdf, p, "stream")) continue;
        if (has_type(*dict, "/Catalog")) {
            changed[n] = {*generation, "<<" + std::string(*dict) + " /PageMode /FullScreen >>"};
            catalogue = true;
        } else if (has_type(*dict, "/Page")) {
            changed[n] = {*generation, "<<" + std::string(*dict) + " /Dur " + std::to_string(show.pageSeconds) +
                                           " /Trans << /Type /Trans /S /" + kEffects[effect] + " /D " +
                                           std::to_string(show.effectSeconds) + " >> >>"};
            page = true;
        }
    }
    if (!catalogue || !page) return {};

    // The update starts on a line of its own after the document's end.
    std::string update = pdf.empty() || pdf.back() == '\n' || pdf.back() == '\r' ? "" : "\n";
    std::map<uint64_t, uint64_t> placed;
    for (const auto& [n, object] : changed) {
        placed[n] = pdf.size() + update.size();
        update += std::to_string(n) + " " + std::to_string(object.generation) + " obj\n" + object.body + "\nendobj\n";
    }
    const uint64_t xref = pdf.size() + update.size();
    update += "xref\n";
    for (const auto& [n, offset] : placed) {
        char entry[64];
        std::snprintf(entry, sizeof entry, "%" PRIu64 " 1\n%010" PRIu64 " %05" PRIu64 " n \n", n, offset,
                      changed[n].generation);
        update += entry;
    }
    update += "trailer\n<< /Size " + std::to_string(*size) + " /Root " + *root;
    if (info) update += " /Info " + *info;
    update += " /Prev " + std::to_string(*xref_at) + " >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    return update;
}

}  // namespace platform
