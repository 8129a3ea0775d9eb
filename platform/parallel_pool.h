// Inside the task pool: what each way of running it (oneTBB, or plain
// std::thread where oneTBB is missing) provides. One of the two is built.
#pragma once

#include <cstdint>

#include "platform/parallel.h"

namespace parallel::detail {

// Threads the hardware offers this process.
int32_t hardware_threads();

// Makes the pool `threads` threads, the caller's included; with 1 or fewer
// no thread is kept. Called with no band running.
void resize_pool(int32_t threads);

// For the std::thread pool in a library that is being unloaded (the
// Windows DLL's entry point): the workers end without a join, which the
// system's loader lock would block; at process exit, where the system has
// already ended them, the pool is left as it is.
void release_pool_at_unload(bool process_exiting);

// run_bands on a pool of two or more threads.
void run_on_pool(int64_t count, int64_t grain, BandFunction run, void* context);

}  // namespace parallel::detail
