// Benchmarks of whole-picture work run at one thread and at every thread
// the task pool has; the thread count is the benchmark's last argument
// (0 for the pool's own size), reported as the "threads" counter.
#pragma once

#include <benchmark/benchmark.h>

#include "platform/parallel.h"

namespace bench {

inline void use_threads(benchmark::State& state, int argument) {
    parallel::set_thread_count(int32_t(state.range(argument)));
    state.counters["threads"] = parallel::thread_count();
}

// Adds the thread counts, one and all, as the last argument.
inline void one_and_all_threads(benchmark::internal::Benchmark* b) { b->ArgName("threads")->Arg(1)->Arg(0); }

}  // namespace bench
