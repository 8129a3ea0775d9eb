#include "platform/parallel.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/parallel_pool.h"

namespace parallel {

namespace {

std::atomic<int32_t> g_threads{0};  // 0 until the pool is first used
std::atomic<int64_t> g_min_work{kDefaultMinParallelWork};
std::atomic<int64_t> g_pool_runs{0};
std::mutex g_sizing;

int32_t size_pool(int32_t n) {
    const std::lock_guard<std::mutex> lock(g_sizing);
    if (n <= 0) n = threads_from_environment(std::getenv("PAINTCORE_THREADS"), detail::hardware_threads());
    detail::resize_pool(n);
    g_threads.store(n, std::memory_order_release);
    return n;
}

}  // namespace

int32_t threads_from_environment(const char* value, int32_t hardware) {
    if (hardware < 1) hardware = 1;
    if (value == nullptr || *value == '\0') return hardware;
    char* end = nullptr;
    errno = 0;
    const long n = std::strtol(value, &end, 10);
    if (errno != 0 || *end != '\0' || n < 1) return hardware;
    return n < hardware ? int32_t(n) : hardware;
}

int32_t thread_count() {
    const int32_t n = g_threads.load(std::memory_order_acquire);
    return n > 0 ? n : size_pool(0);
}

void set_thread_count(int32_t n) { size_pool(n); }

int64_t min_parallel_work() { return g_min_work.load(std::memory_order_relaxed); }

void set_min_parallel_work(int64_t units) {
    g_min_work.store(units > 0 ? units : kDefaultMinParallelWork, std::memory_order_relaxed);
}

namespace {

// The lowest and one past the highest byte address of a picture's rows.
struct ByteSpan {
    uintptr_t first, end;
};

ByteSpan span_of(const void* base, int64_t stride, int64_t row_bytes, int64_t rows) {
    const auto p = reinterpret_cast<uintptr_t>(base);
    const int64_t last_row = (rows - 1) * stride;
    return {p + uintptr_t(std::min<int64_t>(last_row, 0)), p + uintptr_t(std::max<int64_t>(last_row, 0) + row_bytes)};
}

}  // namespace

bool disjoint_rows(const void* a, int64_t a_stride, int64_t a_row_bytes, const void* b, int64_t b_stride,
                   int64_t b_row_bytes, int64_t rows) {
    if (rows <= 0) return true;
    const ByteSpan x = span_of(a, a_stride, a_row_bytes, rows), y = span_of(b, b_stride, b_row_bytes, rows);
    return x.end <= y.first || y.end <= x.first;
}

namespace {

// Calls f(offset, bytes) over n bytes in chunks, in bands.
template <class F>
void each_chunk(size_t n, F&& f) {
    constexpr int64_t kChunk = int64_t(1) << 16;
    const int64_t chunks = (int64_t(n) + kChunk - 1) / kChunk;
    // A chunk holds kChunk / 8 pixels of RGBA64, four to a unit of work.
    for_bands(chunks, kChunk / 8 / 4 * kCopyWork, [&](int64_t first, int64_t end) {
        const int64_t from = first * kChunk, to = std::min<int64_t>(end * kChunk, int64_t(n));
        f(size_t(from), size_t(to - from));
    });
}

}  // namespace

void copy_bytes(void* dst, const void* src, size_t n) {
    each_chunk(n, [&](size_t at, size_t bytes) {
        std::memcpy(static_cast<uint8_t*>(dst) + at, static_cast<const uint8_t*>(src) + at, bytes);
    });
}

void fill_bytes(void* dst, uint8_t value, size_t n) {
    each_chunk(n, [&](size_t at, size_t bytes) { std::memset(static_cast<uint8_t*>(dst) + at, value, bytes); });
}

struct alignas(64) Runs::Run {
    std::mutex lock;
    int64_t next = 0, end = 0;
};

Runs::Runs(int64_t count, int32_t bands)
    : runs_(std::make_unique<Run[]>(size_t(std::max(bands, 1)))), bands_(std::max(bands, 1)) {
    for (int32_t b = 0; b < bands_; ++b) {
        runs_[b].next = count * b / bands_;
        runs_[b].end = count * (b + 1) / bands_;
    }
}

// Out of line: Run is complete only here.
Runs::~Runs() = default;

int64_t Runs::next(int32_t band) {
    Run& own = runs_[band];
    {
        const std::lock_guard<std::mutex> hold(own.lock);
        if (own.next < own.end) return own.next++;
    }
    for (;;) {
        int32_t victim = -1;
        int64_t most = 0;
        for (int32_t b = 0; b < bands_; ++b) {
            const std::lock_guard<std::mutex> hold(runs_[b].lock);
            if (runs_[b].end - runs_[b].next > most) most = runs_[b].end - runs_[b].next, victim = b;
        }
        if (victim < 0) return -1;
        int64_t first, end;
        {
            Run& other = runs_[victim];
            const std::lock_guard<std::mutex> hold(other.lock);
            const int64_t left = other.end - other.next;
            if (left <= 0) continue;  // taken meanwhile: look again
            end = other.end;
            first = end - (left + 1) / 2;
            other.end = first;
        }
        const std::lock_guard<std::mutex> hold(own.lock);
        own.next = first + 1;
        own.end = end;
        return first;
    }
}

int64_t pool_runs() { return g_pool_runs.load(std::memory_order_relaxed); }

namespace detail {

void run_bands(int64_t count, int64_t grain, BandFunction run, void* context) {
    if (count <= 0) return;
    if (thread_count() <= 1 || count < 2) return run(context, 0, count);
    g_pool_runs.fetch_add(1, std::memory_order_relaxed);
    run_on_pool(count, grain < 1 ? 1 : grain, run, context);
}

}  // namespace detail

}  // namespace parallel
