#include "platform/linux/x11_connection.h"

#include <poll.h>

#include <array>
#include <atomic>
#include <mutex>

namespace platform::x11 {

namespace {

struct Slot {
    std::atomic<Display*> display{nullptr};
    std::atomic<unsigned> errors{0};
    std::atomic<bool> broken{false};
};

// Few connections are ever open at once: the clipboard's server, a paste
// or a capture, and one for the keyboard.
constexpr int kSlots = 16;
std::array<Slot, kSlots> slots;

Slot* slot_of(Display* d) {
    for (Slot& s : slots)
        if (s.display.load() == d) return &s;
    return nullptr;
}

XErrorHandler host_error_handler = nullptr;
XIOErrorHandler host_io_handler = nullptr;

int on_error(Display* d, XErrorEvent* e) {
    if (Slot* s = slot_of(d)) {
        s->errors.fetch_add(1);
        return 0;
    }
    return host_error_handler != nullptr ? host_error_handler(d, e) : 0;
}

int on_io_error(Display* d) {
    if (Slot* s = slot_of(d)) {
        s->broken.store(true);
        return 0;  // the connection's own exit handler then returns too
    }
    return host_io_handler != nullptr ? host_io_handler(d) : 0;
}

void keep_process(Display*, void*) {}

// Installs the handlers on first use and puts the host's back at unload.
class Handlers {
public:
    Handlers() {
        // The serving thread and the host's thread use Xlib at once (each on
        // a connection of its own); libX11 1.8 makes itself ready for that
        // on load, older ones only when asked before any display is opened.
        XInitThreads();
        host_error_handler = XSetErrorHandler(on_error);
        host_io_handler = XSetIOErrorHandler(on_io_error);
    }
    ~Handlers() {
        // Someone who installed a handler after ours may call ours as the one
        // before theirs; ours then stays, and it only forwards.
        const XErrorHandler current = XSetErrorHandler(host_error_handler);
        if (current != on_error) XSetErrorHandler(current);
        const XIOErrorHandler current_io = XSetIOErrorHandler(host_io_handler);
        if (current_io != on_io_error) XSetIOErrorHandler(current_io);
    }
};

std::mutex slots_lock;  // taking and giving back slots

}  // namespace

void install_handlers() { static Handlers handlers; }

std::unique_ptr<Connection> Connection::open() {
    install_handlers();
    Display* d = XOpenDisplay(nullptr);
    if (d == nullptr) return nullptr;
    std::lock_guard<std::mutex> guard(slots_lock);
    for (int i = 0; i < kSlots; ++i) {
        if (slots[i].display.load() != nullptr) continue;
        slots[i].errors = 0;
        slots[i].broken = false;
        slots[i].display = d;
        XSetIOErrorExitHandler(d, keep_process, nullptr);
        return std::unique_ptr<Connection>(new Connection(d, i));
    }
    XCloseDisplay(d);
    return nullptr;
}

Connection::~Connection() {
    XCloseDisplay(display_);
    std::lock_guard<std::mutex> guard(slots_lock);
    slots[slot_].display = nullptr;
}

bool Connection::broken() const { return slots[slot_].broken.load(); }

unsigned Connection::errors() const { return slots[slot_].errors.load(); }

bool Connection::sync() {
    if (broken()) return false;
    XSync(display_, False);
    return !broken();
}

bool Connection::wait(std::chrono::milliseconds timeout, const std::function<bool(const XEvent&)>& handle) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        while (!broken() && XPending(display_) > 0) {
            XEvent event;
            XNextEvent(display_, &event);
            if (handle(event)) return true;
        }
        if (broken()) return false;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd fd{ConnectionNumber(display_), POLLIN, 0};
        poll(&fd, 1, int(left.count()));
    }
}

}  // namespace platform::x11
