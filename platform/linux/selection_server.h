// Serving the CLIPBOARD selection while the host runs.
//
// Another program pastes by asking the selection's owner for the data, at
// any time after the copy returned; the owner has to answer. The server
// takes the selection on a connection of its own, then one thread answers
// the requests on it: the list of targets, the time it took the selection,
// and the picture in each format it offers (large ones a piece at a time,
// as receivers read them). The thread ends when another program takes the
// selection (after finishing the transfers under way) or the server is
// stopped; a transfer whose receiver stops reading is dropped after a few
// seconds, so nothing waits on a receiver for ever.
#pragma once

#include <X11/Xlib.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/linux/x11_connection.h"

namespace platform::x11 {

// The picture the selection offers, once per format: a target name (a MIME
// type) and the bytes sent for it.
struct Offer {
    std::vector<std::pair<std::string, std::vector<uint8_t>>> formats;
};

class SelectionServer {
public:
    // Takes CLIPBOARD on `connection` and starts serving; null when the
    // selection could not be taken (it then stays with its owner).
    static std::unique_ptr<SelectionServer> start(std::unique_ptr<Connection> connection,
                                                  std::shared_ptr<const Offer> offer);
    SelectionServer(const SelectionServer&) = delete;
    SelectionServer& operator=(const SelectionServer&) = delete;
    // Stops the thread, which gives the selection up and closes the
    // connection before it ends.
    ~SelectionServer();

    // Still the owner: no other program took the selection and the server
    // still runs.
    bool serving() const { return serving_.load(); }
    Window window() const { return window_; }

private:
    struct Transfer;
    SelectionServer(std::unique_ptr<Connection> connection, std::shared_ptr<const Offer> offer, Window window,
                    Time since);
    void run();
    void answer(const XSelectionRequestEvent& request);
    void on_property(const XPropertyEvent& event);
    void drop_stalled();
    bool write_data(Window requestor, Atom property, Atom target, const std::vector<uint8_t>& bytes);
    void finish(size_t transfer);

    std::unique_ptr<Connection> connection_;
    std::shared_ptr<const Offer> offer_;
    Window window_;
    Time since_;  // when the selection became ours
    std::vector<Atom> targets_;  // one per offer format
    Atom clipboard_, targets_atom_, timestamp_atom_, incr_atom_;
    size_t chunk_;  // the most bytes sent in one property
    std::vector<Transfer> transfers_;
    int wake_[2] = {-1, -1};  // written to stop the thread
    std::atomic<bool> serving_{true};
    std::atomic<bool> stopping_{false};
    pid_t owner_pid_;
    std::thread thread_;
};

// The atom of a name on a connection.
Atom atom(Display* d, const char* name);

// Makes an unmapped window of our own that reports property changes, and
// the server time of a change made to it (the time stamp to take a
// selection with). 0 when the server does not answer.
Window make_window(Connection& c, Time* now);

}  // namespace platform::x11
