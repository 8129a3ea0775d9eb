#include "platform/linux/selection_server.h"

#include <X11/Xatom.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

namespace platform::x11 {

namespace {

using Clock = std::chrono::steady_clock;

// A receiver that has not taken the next piece for this long is given up.
constexpr auto kStallLimit = std::chrono::seconds(5);
constexpr auto kAnswerTimeout = std::chrono::seconds(3);
// How often the thread looks at stalled transfers while any are under way.
constexpr int kStallCheckMs = 250;
constexpr long kLargestPiece = 256 * 1024;

// The largest property we write in one request: what the server takes in
// one request, less room for the request's own fields.
size_t piece_size(Display* d) {
    const long words = XMaxRequestSize(d);
    return size_t(std::clamp(words * 4 - 1024, 4096L, kLargestPiece));
}

}  // namespace

struct SelectionServer::Transfer {
    Window requestor;
    Atom property;
    Atom target;
    const std::vector<uint8_t>* bytes;
    size_t sent = 0;
    Clock::time_point deadline;
};

Atom atom(Display* d, const char* name) { return XInternAtom(d, name, False); }

Window make_window(Connection& c, Time* now) {
    Display* d = c.display();
    const Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 1, 1, 0, 0, 0);
    XSelectInput(d, w, PropertyChangeMask);
    if (now == nullptr) return c.sync() ? w : 0;
    // An empty append changes nothing but tells the server's time.
    const Atom stamp = atom(d, "PAINTCORE_TIME");
    XChangeProperty(d, w, stamp, XA_STRING, 8, PropModeAppend, nullptr, 0);
    *now = CurrentTime;
    const bool told = c.wait(kAnswerTimeout, [&](const XEvent& e) {
        if (e.type != PropertyNotify || e.xproperty.window != w || e.xproperty.atom != stamp) return false;
        *now = e.xproperty.time;
        return true;
    });
    return told ? w : 0;
}

std::unique_ptr<SelectionServer> SelectionServer::start(std::unique_ptr<Connection> connection,
                                                        std::shared_ptr<const Offer> offer) {
    if (!connection || !offer) return nullptr;
    Display* d = connection->display();
    Time now = CurrentTime;
    const Window w = make_window(*connection, &now);
    if (w == 0) return nullptr;
    const Atom clipboard = atom(d, "CLIPBOARD");
    XSetSelectionOwner(d, clipboard, w, now);
    if (XGetSelectionOwner(d, clipboard) != w || connection->broken()) return nullptr;
    return std::unique_ptr<SelectionServer>(new SelectionServer(std::move(connection), std::move(offer), w, now));
}

SelectionServer::SelectionServer(std::unique_ptr<Connection> connection, std::shared_ptr<const Offer> offer,
                                 Window window, Time since)
    : connection_(std::move(connection)), offer_(std::move(offer)), window_(window), since_(since) {
    Display* d = connection_->display();
    for (const auto& format : offer_->formats) targets_.push_back(atom(d, format.first.c_str()));
    clipboard_ = atom(d, "CLIPBOARD");
    targets_atom_ = atom(d, "TARGETS");
    timestamp_atom_ = atom(d, "TIMESTAMP");
    incr_atom_ = atom(d, "INCR");
    chunk_ = piece_size(d);
    owner_pid_ = getpid();
    if (pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) wake_[0] = wake_[1] = -1;
    thread_ = std::thread([this] { run(); });
}

SelectionServer::~SelectionServer() {
    if (getpid() != owner_pid_) {
        // A forked child shares the parent's connection and has no thread:
        // it must neither talk on the connection nor wait for the thread.
        thread_.detach();
        (void)connection_.release();
        return;
    }
    stopping_ = true;
    if (wake_[1] >= 0) {
        const char byte = 1;
        (void)!write(wake_[1], &byte, 1);
    }
    if (thread_.joinable()) thread_.join();
    if (wake_[0] >= 0) close(wake_[0]);
    if (wake_[1] >= 0) close(wake_[1]);
}

void SelectionServer::run() {
    Display* d = connection_->display();
    while (!stopping_) {
        while (!connection_->broken() && XPending(d) > 0) {
            XEvent e;
            XNextEvent(d, &e);
            if (e.type == SelectionRequest) {
                answer(e.xselectionrequest);
            } else if (e.type == SelectionClear) {
                if (e.xselectionclear.window == window_ && e.xselectionclear.selection == clipboard_) serving_ = false;
            } else if (e.type == PropertyNotify) {
                on_property(e.xproperty);
            }
        }
        if (connection_->broken() || (!serving_ && transfers_.empty())) break;
        drop_stalled();
        XFlush(d);
        pollfd fds[2] = {{ConnectionNumber(d), POLLIN, 0}, {wake_[0], POLLIN, 0}};
        // Idle, the thread sleeps until the server or a stop wakes it.
        poll(fds, wake_[0] >= 0 ? 2 : 1, transfers_.empty() && wake_[0] >= 0 ? -1 : kStallCheckMs);
    }
    serving_ = false;
    if (!connection_->broken()) {
        while (!transfers_.empty()) finish(0);
        XDestroyWindow(d, window_);  // gives the selection up if it is still ours
        XFlush(d);
    }
    // Closed by the thread that used it: a connection lost while this thread
    // was in Xlib stays locked to this thread, and closing it from another
    // would wait for ever.
    connection_.reset();
}

void SelectionServer::answer(const XSelectionRequestEvent& r) {
    Display* d = connection_->display();
    XSelectionEvent reply{};
    reply.type = SelectionNotify;
    reply.display = d;
    reply.requestor = r.requestor;
    reply.selection = r.selection;
    reply.target = r.target;
    reply.time = r.time;
    reply.property = None;
    // Receivers of old name no property; the target's name serves then.
    const Atom property = r.property != None ? r.property : r.target;
    const bool ours = serving_ && r.owner == window_ && r.selection == clipboard_ &&
                      (r.time == CurrentTime || r.time >= since_);
    if (ours && r.target == targets_atom_) {
        std::vector<Atom> list{targets_atom_, timestamp_atom_};
        list.insert(list.end(), targets_.begin(), targets_.end());
        XChangeProperty(d, r.requestor, property, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(list.data()), int(list.size()));
        reply.property = property;
    } else if (ours && r.target == timestamp_atom_) {
        const long time = long(since_);
        XChangeProperty(d, r.requestor, property, XA_INTEGER, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&time), 1);
        reply.property = property;
    } else if (ours) {
        const auto found = std::find(targets_.begin(), targets_.end(), r.target);
        if (found != targets_.end() &&
            write_data(r.requestor, property, r.target, offer_->formats[size_t(found - targets_.begin())].second))
            reply.property = property;
    }
    XSendEvent(d, r.requestor, False, NoEventMask, reinterpret_cast<XEvent*>(&reply));
}

bool SelectionServer::write_data(Window requestor, Atom property, Atom target, const std::vector<uint8_t>& bytes) {
    Display* d = connection_->display();
    if (bytes.size() <= chunk_) {
        XChangeProperty(d, requestor, property, target, 8, PropModeReplace, bytes.data(), int(bytes.size()));
        return true;
    }
    // Too large for one request: the receiver takes it a piece at a time,
    // deleting the property each time it has read one.
    const bool watched = std::any_of(transfers_.begin(), transfers_.end(),
                                     [&](const Transfer& t) { return t.requestor == requestor; });
    if (!watched) XSelectInput(d, requestor, PropertyChangeMask);
    const long size = long(bytes.size());
    XChangeProperty(d, requestor, property, incr_atom_, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&size), 1);
    transfers_.push_back({requestor, property, target, &bytes, 0, Clock::now() + kStallLimit});
    return true;
}

void SelectionServer::on_property(const XPropertyEvent& e) {
    if (e.state != PropertyDelete) return;
    for (size_t i = 0; i < transfers_.size(); ++i) {
        Transfer& t = transfers_[i];
        if (t.requestor != e.window || t.property != e.atom) continue;
        const size_t piece = std::min(chunk_, t.bytes->size() - t.sent);
        // The last piece is empty: it tells the receiver the data is complete.
        XChangeProperty(connection_->display(), t.requestor, t.property, t.target, 8, PropModeReplace,
                        t.bytes->data() + t.sent, int(piece));
        t.sent += piece;
        t.deadline = Clock::now() + kStallLimit;
        if (piece == 0) finish(i);
        return;
    }
}

void SelectionServer::drop_stalled() {
    const auto now = Clock::now();
    for (size_t i = transfers_.size(); i-- > 0;)
        if (transfers_[i].deadline < now) finish(i);
}

void SelectionServer::finish(size_t i) {
    const Window requestor = transfers_[i].requestor;
    transfers_.erase(transfers_.begin() + std::ptrdiff_t(i));
    const bool watched = std::any_of(transfers_.begin(), transfers_.end(),
                                     [&](const Transfer& t) { return t.requestor == requestor; });
    if (!watched) XSelectInput(connection_->display(), requestor, NoEventMask);
}

}  // namespace platform::x11
