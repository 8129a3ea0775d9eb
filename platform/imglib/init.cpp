#include "platform/imglib/init.h"

#include <atomic>
#include <mutex>
#include <opencv2/core.hpp>

#include "platform/parallel.h"

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
    detail::match_pool_threads();
    flag = true;
    return 1;
}

}  // namespace

namespace detail {

void match_pool_threads() noexcept {
    // The count OpenCV was last given; 0 before the first call.
    static std::atomic<int32_t> applied{0};
    static std::mutex setting;
    const int32_t threads = parallel::thread_count();
    if (applied.load(std::memory_order_acquire) == threads) return;
    const std::lock_guard<std::mutex> lock(setting);
    if (applied.load(std::memory_order_relaxed) == threads) return;
    try {
        // 0 makes OpenCV run its loops on the calling thread, with no pool.
        cv::setNumThreads(threads > 1 ? threads : 0);
    } catch (...) {
    }
    applied.store(threads, std::memory_order_release);
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
