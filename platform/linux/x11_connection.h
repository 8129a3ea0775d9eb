// Connections of the engine's own to the X server, safe to lose.
//
// Xlib reports errors through process-wide handlers whose defaults end the
// process: a protocol error (a window that vanished while we wrote to it)
// and a lost server alike. The engine installs handlers once, chained in
// front of whatever the host had: errors on the engine's connections are
// counted there and go no further; every other connection's errors reach
// the host's handlers as before. A connection whose server went away is
// marked broken, and every Xlib call on it returns at once from then on.
// When the library unloads, the host's handlers are put back if ours are
// still the ones in place.
#pragma once

#include <X11/Xlib.h>

#include <chrono>
#include <functional>
#include <memory>

namespace platform::x11 {

// Puts the engine's error handlers in front of the host's, once. Whoever
// keeps connections in a static object calls this before making it, so
// that the handlers outlive it.
void install_handlers();

class Connection {
public:
    // A connection to the display DISPLAY names; null when there is none,
    // it cannot be reached, or too many of ours are open.
    static std::unique_ptr<Connection> open();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection();

    Display* display() const { return display_; }
    // The server went away; nothing more can be done on this connection.
    bool broken() const;
    // Protocol errors on this connection so far.
    unsigned errors() const;
    // Waits until the server has handled every request sent; false when
    // the connection broke.
    bool sync();
    // Handles events until `done` says so (true) or the time is up or the
    // connection broke (false). `handle` sees every event.
    bool wait(std::chrono::milliseconds timeout, const std::function<bool(const XEvent&)>& handle);

private:
    Connection(Display* display, int slot) : display_(display), slot_(slot) {}
    Display* display_;
    int slot_;
};

}  // namespace platform::x11
