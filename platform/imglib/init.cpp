#include "platform/imglib/init.h"

#include <opencv2/core.hpp>

#include "platform/imglib/picture.h"

namespace imglib {

namespace {

// One flag a module; set by its initialisation, cleared on exit.
struct Modules {
    bool source40 = false;
    bool effects40 = false;
    bool source3 = false;
    bool effects3 = false;
};

Modules& modules() {
    static Modules m;
    return m;
}

BOOL start(bool& flag) {
    detail::keep_to_caller_thread();
    flag = true;
    return 1;
}

}  // namespace

namespace detail {

void keep_to_caller_thread() noexcept {
    // 0 makes OpenCV run its loops on the calling thread instead of a pool.
    static const bool once = [] {
        try {
            cv::setNumThreads(0);
        } catch (...) {
        }
        return true;
    }();
    (void)once;
}

}  // namespace detail

BOOL IS40_Initialize() { return start(modules().source40); }
BOOL ISE40_Initialize() { return start(modules().effects40); }
BOOL IS3Initialize() { return start(modules().source3); }
BOOL ISE3Initialize() { return start(modules().effects3); }

BOOL IS3Exit() {
    modules() = Modules{};
    return 1;
}

BOOL IS3IsInitialized() {
    const Modules& m = modules();
    return (m.source40 && m.effects40 && m.source3 && m.effects3) ? 1 : 0;
}

}  // namespace imglib
