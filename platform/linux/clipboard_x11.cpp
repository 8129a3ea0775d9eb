// The clipboard on X11: the CLIPBOARD selection, served by a thread of the
// engine (selection_server.h) and read from whichever program owns it.
// Without a display the clipboard lives inside the process.
#include <X11/Xatom.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <memory>
#include <optional>

#include "platform/clipboard.h"
#include "platform/imglib/dib.h"
#include "platform/imglib/files.h"
#include "platform/linux/selection_server.h"
#include "platform/linux/x11_connection.h"
#include "platform/process_clipboard.h"

namespace platform {

namespace {

using x11::Connection;

constexpr auto kAnswerTimeout = std::chrono::seconds(3);
// The formats a paste asks for, the first the owner offers winning.
constexpr std::array kPasteTargets = {"image/png", "image/bmp", "image/x-bmp", "image/x-MS-bmp", "image/jpeg",
                                      "image/tiff", "image/gif"};

using Block = std::unique_ptr<uint8_t, void (*)(void*)>;

std::vector<uint8_t> bytes_of(const Block& block, uint64_t size) {
    return block ? std::vector<uint8_t>(block.get(), block.get() + size) : std::vector<uint8_t>();
}

// The picture in the formats other programs read: PNG and BMP.
std::shared_ptr<const x11::Offer> offer_of(const Dib& dib) {
    using namespace imglib;
    const uint32_t w = IS3DIBWidth(dib.data(), dib.size()), h = IS3DIBHeight(dib.data(), dib.size());
    if (w == 0 || h == 0) return nullptr;
    std::vector<uint8_t> rgba(size_t(w) * h * 4);
    if (!IS3DIBToRGBA(dib.data(), dib.size(), rgba.data(), 255)) return nullptr;
    uint64_t png_size = 0, bmp_size = 0;
    const Block png(IS3WritePNGToMemory(rgba.data(), w, h, w * 4, 6, &png_size), GlobalFree);
    const Block bmp(IS3DIBToBMPFile(dib.data(), dib.size(), &bmp_size), GlobalFree);
    if (!png || !bmp) return nullptr;
    auto offer = std::make_shared<x11::Offer>();
    offer->formats.emplace_back("image/png", bytes_of(png, png_size));
    offer->formats.emplace_back("image/bmp", bytes_of(bmp, bmp_size));
    return offer;
}

// A picture file's bytes as a packed bitmap; empty when they do not decode.
Dib dib_of_file(const std::vector<uint8_t>& bytes) {
    using namespace imglib;
    HISSRC src = IS3OpenMemorySource(bytes.data(), bytes.size());
    uint32_t w = 0, h = 0;
    const Block rgba(src != nullptr ? IS3ReadImageToRGBA(src, &w, &h) : nullptr, GlobalFree);
    IS3CloseSource(src);
    if (!rgba) return {};
    Dib dib(size_t(IS3DIBSizeOfRGBA(w, h)));
    if (dib.empty() || !IS3RGBAToDIB(rgba.get(), w, h, dib.data(), dib.size())) return {};
    return dib;
}

// A property of our window, read whole and deleted; nothing when it is not there.
std::optional<std::vector<uint8_t>> take_property(Display* d, Window w, Atom property, Atom* type) {
    std::vector<uint8_t> out;
    long offset = 0;
    for (;;) {
        Atom actual = None;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(d, w, property, offset, 1 << 20, True, AnyPropertyType, &actual, &format, &items,
                               &after, &data) != Success)
            return std::nullopt;
        const std::unique_ptr<unsigned char, int (*)(void*)> owned(data, XFree);
        if (actual == None) return std::nullopt;
        *type = actual;
        // 32-bit items arrive as longs; the bytes we read are 8-bit items.
        const size_t item_bytes = format == 32 ? sizeof(long) : size_t(format / 8);
        if (data != nullptr) out.insert(out.end(), data, data + items * item_bytes);
        if (after == 0) return out;
        offset += long(items * size_t(format) / 32);
    }
}

// Asks the selection's owner for a target and reads its answer, pieces
// and all. Nothing when the owner refuses or does not answer in time.
std::optional<std::vector<uint8_t>> convert(Connection& c, Window w, Atom target) {
    Display* d = c.display();
    const Atom selection = x11::atom(d, "CLIPBOARD"), into = x11::atom(d, "PAINTCORE_PASTE");
    XDeleteProperty(d, w, into);
    XConvertSelection(d, selection, target, into, w, CurrentTime);
    Atom property = None;
    const bool answered = c.wait(kAnswerTimeout, [&](const XEvent& e) {
        if (e.type != SelectionNotify || e.xselection.requestor != w) return false;
        property = e.xselection.property;
        return true;
    });
    if (!answered || property == None) return std::nullopt;
    Atom type = None;
    std::optional<std::vector<uint8_t>> first = take_property(d, w, property, &type);
    if (!first || type != x11::atom(d, "INCR")) return first;
    // Sent a piece at a time: each deletion asks for the next; an empty
    // piece ends the data.
    std::vector<uint8_t> all;
    for (;;) {
        const bool more = c.wait(kAnswerTimeout, [&](const XEvent& e) {
            return e.type == PropertyNotify && e.xproperty.window == w && e.xproperty.atom == property &&
                   e.xproperty.state == PropertyNewValue;
        });
        if (!more) return std::nullopt;
        std::optional<std::vector<uint8_t>> piece = take_property(d, w, property, &type);
        if (!piece) return std::nullopt;
        if (piece->empty()) return all;
        all.insert(all.end(), piece->begin(), piece->end());
    }
}

std::vector<Atom> offered_targets(Connection& c, Window w) {
    std::vector<Atom> targets;
    const std::optional<std::vector<uint8_t>> list = convert(c, w, x11::atom(c.display(), "TARGETS"));
    if (!list) return targets;
    const size_t count = list->size() / sizeof(long);
    for (size_t i = 0; i < count; ++i) {
        long value = 0;
        std::memcpy(&value, list->data() + i * sizeof(long), sizeof(long));
        targets.push_back(Atom(value));
    }
    return targets;
}

class X11Clipboard final : public Clipboard {
public:
    X11Clipboard() { x11::install_handlers(); }

    bool put(Dib dib) override {
        std::unique_ptr<Connection> c = Connection::open();
        if (!c) return local_.put(std::move(dib));
        const std::shared_ptr<const x11::Offer> offer = offer_of(dib);
        if (!offer) return false;
        std::unique_ptr<x11::SelectionServer> server = x11::SelectionServer::start(std::move(c), offer);
        if (!server) return false;
        // The server before lost the selection to this one; it stops here.
        server_ = std::move(server);
        return local_.put(std::move(dib));
    }

    Dib take() override {
        std::unique_ptr<Connection> c = Connection::open();
        if (!c) return local_.take();
        Display* d = c->display();
        const Window owner = XGetSelectionOwner(d, x11::atom(d, "CLIPBOARD"));
        if (owner == None || c->broken()) return {};
        if (server_ && server_->serving() && server_->window() == owner) return local_.take();
        const Window w = x11::make_window(*c, nullptr);
        if (w == 0) return {};
        const std::vector<Atom> offered = offered_targets(*c, w);
        for (const char* name : kPasteTargets) {
            const Atom target = x11::atom(d, name);
            if (!offered.empty() && std::find(offered.begin(), offered.end(), target) == offered.end()) continue;
            const std::optional<std::vector<uint8_t>> bytes = convert(*c, w, target);
            if (!bytes) continue;
            Dib dib = dib_of_file(*bytes);
            if (!dib.empty()) return dib;
        }
        return {};
    }

    bool owned() override { return server_ && server_->serving(); }

private:
    std::unique_ptr<x11::SelectionServer> server_;
    // The last picture put: what the server offers, and the clipboard while
    // there is no display (also after the display went away).
    ProcessClipboard local_;
};

}  // namespace

Clipboard& system_clipboard() {
    static X11Clipboard clipboard;
    return clipboard;
}

}  // namespace platform
