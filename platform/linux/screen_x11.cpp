// Screen capture on X11: the root window of the default screen, through
// shared memory where the server offers it (a local server), else with
// a plain image request.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <memory>

#include "platform/linux/x11_connection.h"
#include "platform/screen.h"
#include "platform/screen_pixels.h"

namespace platform {

namespace {

using x11::Connection;

struct ImageRelease {
    void operator()(XImage* image) const { XDestroyImage(image); }
};

// A shared-memory image of the root window, released with everything it
// holds; empty when the server cannot share memory with us.
class SharedImage {
public:
    SharedImage(Connection& c, uint32_t width, uint32_t height) : c_(c) {
        Display* d = c.display();
        if (!XShmQueryExtension(d)) return;
        const int screen = DefaultScreen(d);
        image_ = XShmCreateImage(d, DefaultVisual(d, screen), unsigned(DefaultDepth(d, screen)), ZPixmap, nullptr,
                                 &info_, width, height);
        if (image_ == nullptr) return;
        info_.shmid = shmget(IPC_PRIVATE, size_t(image_->bytes_per_line) * size_t(height), IPC_CREAT | 0600);
        if (info_.shmid < 0) return;
        info_.shmaddr = image_->data = static_cast<char*>(shmat(info_.shmid, nullptr, 0));
        // Marked for removal at once: it goes when the last user detaches.
        shmctl(info_.shmid, IPC_RMID, nullptr);
        if (info_.shmaddr == reinterpret_cast<char*>(-1)) {
            info_.shmaddr = image_->data = nullptr;
            return;
        }
        info_.readOnly = False;
        const unsigned errors = c.errors();
        attached_ = XShmAttach(d, &info_) && c.sync() && c.errors() == errors;
    }
    SharedImage(const SharedImage&) = delete;
    SharedImage& operator=(const SharedImage&) = delete;
    ~SharedImage() {
        if (attached_) {
            XShmDetach(c_.display(), &info_);
            c_.sync();
        }
        if (image_ != nullptr) XDestroyImage(image_);  // frees the record only
        if (info_.shmaddr != nullptr) shmdt(info_.shmaddr);
    }

    // The root window's pixels, or null.
    XImage* read(Window root) {
        if (!attached_) return nullptr;
        const unsigned errors = c_.errors();
        if (!XShmGetImage(c_.display(), root, image_, 0, 0, AllPlanes) || !c_.sync() || c_.errors() != errors)
            return nullptr;
        return image_;
    }

private:
    Connection& c_;
    XShmSegmentInfo info_{};
    XImage* image_ = nullptr;
    bool attached_ = false;
};

bool convert(const XImage& image, ScreenCapture& out) {
    const RasterFormat format{uint32_t(image.bits_per_pixel), image.byte_order == MSBFirst, uint32_t(image.red_mask),
                              uint32_t(image.green_mask), uint32_t(image.blue_mask)};
    std::vector<uint8_t> bits(size_t(image.width) * size_t(image.height) * 4);
    if (!raster_to_bgrx(reinterpret_cast<const uint8_t*>(image.data), uint32_t(image.width), uint32_t(image.height),
                        uint64_t(image.bytes_per_line), format, bits.data(), uint64_t(image.width) * 4))
        return false;
    out.width = uint32_t(image.width);
    out.height = uint32_t(image.height);
    out.bits = std::move(bits);
    return true;
}

class X11Screen final : public Screen {
public:
    X11Screen() { x11::install_handlers(); }

    bool capture(ScreenCapture& out) override {
        std::unique_ptr<Connection> c = Connection::open();
        if (!c) return false;
        Display* d = c->display();
        const int screen = DefaultScreen(d);
        const Window root = RootWindow(d, screen);
        const uint32_t width = uint32_t(DisplayWidth(d, screen)), height = uint32_t(DisplayHeight(d, screen));
        SharedImage shared(*c, width, height);
        if (const XImage* image = shared.read(root)) return convert(*image, out);
        const std::unique_ptr<XImage, ImageRelease> image(XGetImage(d, root, 0, 0, width, height, AllPlanes, ZPixmap));
        return image != nullptr && !c->broken() && convert(*image, out);
    }
};

}  // namespace

Screen& system_screen() {
    static X11Screen screen;
    return screen;
}

}  // namespace platform
