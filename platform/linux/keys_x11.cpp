// The Escape key through the X server named by DISPLAY: its state in the
// keymap the server reports (XQueryKeymap). The connection is the engine's
// own, opened on first use and kept, with the engine's error handlers in
// front of the host's; without DISPLAY, or when the server cannot be
// reached or goes away, the key reads as up.
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <memory>

#include "platform/keys.h"
#include "platform/linux/x11_connection.h"

namespace platform {

namespace {

struct Keyboard {
    std::unique_ptr<x11::Connection> connection;
    KeyCode escape = 0;
};

Keyboard open_keyboard() {
    Keyboard k;
    k.connection = x11::Connection::open();
    if (k.connection != nullptr) k.escape = XKeysymToKeycode(k.connection->display(), XK_Escape);
    return k;
}

Keyboard& keyboard() {
    // The handlers are made first, so they outlive the kept connection.
    x11::install_handlers();
    static Keyboard k = open_keyboard();
    return k;
}

}  // namespace

bool escape_key_down() {
    Keyboard& k = keyboard();
    if (k.connection == nullptr || k.escape == 0 || k.connection->broken()) return false;
    char keys[32] = {};
    XQueryKeymap(k.connection->display(), keys);
    if (k.connection->broken()) return false;
    return (keys[k.escape / 8] >> (k.escape % 8)) & 1;
}

}  // namespace platform
