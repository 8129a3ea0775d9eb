// The Escape key through the X server named by DISPLAY: its state in the
// keymap the server reports (XQueryKeymap). The connection is the engine's
// own, opened on first use and kept; without DISPLAY, or when the server
// cannot be reached or goes away, the key reads as up.
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <cstdlib>

#include "platform/keys.h"

namespace platform {

namespace {

struct Keyboard {
    Display* display = nullptr;
    KeyCode escape = 0;
    bool lost = false;  // the connection broke: never touched again
};

Keyboard& keyboard();

// When a connection breaks, Xlib's default handler ends the process. A
// library must not end its host: for its own connection the engine only
// notes the loss (the exit handler then returns too); the host's
// connections keep the handler they had.
XIOErrorHandler g_hostHandler = nullptr;

int connection_broken(Display* display) {
    if (display == keyboard().display) return 0;
    return g_hostHandler != nullptr ? g_hostHandler(display) : 0;
}

void connection_lost(Display*, void* keyboard) { static_cast<Keyboard*>(keyboard)->lost = true; }

bool open_keyboard(Keyboard& k) {
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || *name == '\0') return false;
    k.display = XOpenDisplay(name);
    if (k.display == nullptr) return false;
    XSetIOErrorExitHandler(k.display, connection_lost, &k);
    g_hostHandler = XSetIOErrorHandler(connection_broken);
    k.escape = XKeysymToKeycode(k.display, XK_Escape);
    return true;
}

Keyboard& keyboard() {
    static Keyboard k;
    static const bool opened = open_keyboard(k);
    (void)opened;
    return k;
}

}  // namespace

bool escape_key_down() {
    Keyboard& k = keyboard();
    if (k.display == nullptr || k.escape == 0 || k.lost) return false;
    char keys[32] = {};
    XQueryKeymap(k.display, keys);
    if (k.lost) return false;
    return (keys[k.escape / 8] >> (k.escape % 8)) & 1;
}

}  // namespace platform
