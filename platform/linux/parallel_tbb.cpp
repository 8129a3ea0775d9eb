// The task pool on oneTBB: one arena of the pool's size, bands handed out
// by parallel_for with a static partition (one band per thread, each at
// least the grain), so a band is a run of whole rows.
#include <oneapi/tbb/blocked_range.h>
#include <oneapi/tbb/global_control.h>
#include <oneapi/tbb/info.h>
#include <oneapi/tbb/parallel_for.h>
#include <oneapi/tbb/partitioner.h>
#include <oneapi/tbb/task_arena.h>

#include <algorithm>
#include <memory>

#include "platform/parallel_pool.h"

namespace parallel::detail {

namespace {

struct Pool {
    // Only when the pool is larger than the hardware (tests of many
    // threads): the library's limit on its workers is raised to it. A pool
    // within the hardware leaves that process-wide setting to the host.
    std::unique_ptr<oneapi::tbb::global_control> allowance;
    std::unique_ptr<oneapi::tbb::task_arena> arena;
};

Pool& pool() {
    static Pool p;
    return p;
}

}  // namespace

int32_t hardware_threads() {
    const int n = oneapi::tbb::info::default_concurrency();
    return n > 0 ? n : 1;
}

void resize_pool(int32_t threads) {
    Pool& p = pool();
    p.arena.reset();
    p.allowance.reset();
    if (threads <= 1) return;
    if (threads > hardware_threads())
        p.allowance = std::make_unique<oneapi::tbb::global_control>(
            oneapi::tbb::global_control::max_allowed_parallelism, size_t(threads));
    p.arena = std::make_unique<oneapi::tbb::task_arena>(threads);
    p.arena->initialize();
}

void run_on_pool(int64_t count, int64_t grain, BandFunction run, void* context) {
    // The partition is made here, the same as the std::thread pool makes
    // it: one band per thread at most, every band at least the grain.
    Pool& p = pool();
    const int64_t bands = std::clamp<int64_t>(count / grain, 1, p.arena->max_concurrency());
    using Range = oneapi::tbb::blocked_range<int64_t>;
    p.arena->execute([&] {
        oneapi::tbb::parallel_for(
            Range(0, bands, 1),
            [&](const Range& r) {
                for (int64_t k = r.begin(); k < r.end(); ++k) run(context, k * count / bands, (k + 1) * count / bands);
            },
            oneapi::tbb::static_partitioner());
    });
}

}  // namespace parallel::detail
