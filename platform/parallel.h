// The engine's task pool: whole-picture work split into bands of rows.
//
// The host calls the engine from one thread; an operation over the whole
// picture may hand bands of its rows to the pool and returns only when every
// band is done, so the host sees one call on its own thread, as before. A
// band must compute exactly what the same rows compute in one pass: rows (or
// pixels) must be independent of one another, bands share no scratch and no
// random generator, and a band writes only its own rows. Then the result is
// the same at every thread count.
//
// The pool starts on first use, sized by the hardware; PAINTCORE_THREADS=N
// in the environment caps it, and with N = 1 everything runs on the caller's
// thread and no thread is started. Work below a threshold (a dab, a small
// rectangle, a small render) stays on the caller's thread.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <type_traits>
#include <utility>

namespace parallel {

// Threads whole-picture work runs on, the caller's included: 1 means no pool.
int32_t thread_count();

// Makes the pool n threads (the caller's included), or for n <= 0 the
// size the environment and the hardware give. For tests and benchmarks,
// which compare thread counts in one process; the engine never calls it.
void set_thread_count(int32_t n);

// The size PAINTCORE_THREADS asks for, given the hardware's: the number
// when it is a whole number from 1 to the hardware's, the hardware's for a
// larger one, and the hardware's for anything else (unset, empty, 0,
// negative, not a number).
int32_t threads_from_environment(const char* value, int32_t hardware);

// Work units (about one pixel of plain per-pixel arithmetic each) below
// which an operation stays on the caller's thread; a band gets at least
// half of it. Tests lower it to 1 so that small pictures split too.
int64_t min_parallel_work();
void set_min_parallel_work(int64_t units);
inline constexpr int64_t kDefaultMinParallelWork = int64_t(1) << 16;

// Work units per pixel of the kinds of loop the engine hands out.
inline constexpr int64_t kCopyWork = 1;      // per 4 pixels: copies and fills
inline constexpr int64_t kPixelWork = 1;     // conversions, masks, loads
inline constexpr int64_t kBlendWork = 4;     // the blend step, per layer
inline constexpr int64_t kColourWork = 16;   // colour-model conversions, filter kernels

// Whether two pictures of `rows` rows share no byte: picture a has rows of
// a_row_bytes bytes, a_stride bytes apart (negative: upward), and so has b.
// A host may hand one buffer as both source and destination of a
// conversion, which then must run in one pass in order; for_bands_if
// keeps such a call on the caller's thread.
bool disjoint_rows(const void* a, int64_t a_stride, int64_t a_row_bytes, const void* b, int64_t b_stride,
                   int64_t b_row_bytes, int64_t rows);

// How many operations have been handed to the pool since the process
// started (work that stayed on the caller's thread is not counted).
int64_t pool_runs();

namespace detail {
using BandFunction = void (*)(void* context, int64_t begin, int64_t end);
// Calls run(context, begin, end) for disjoint bands covering [0, count),
// each of at least `grain` items (the last may be shorter), on the pool;
// returns when all are done. A band that throws has its exception passed
// on to the caller once every band has finished.
void run_bands(int64_t count, int64_t grain, BandFunction run, void* context);
}  // namespace detail

// Whether count items of work_per_item units each go to the pool: more
// than one item, at least min_parallel_work() units, and a pool.
inline bool worth_bands(int64_t count, int64_t work_per_item) {
    const int64_t per_item = work_per_item > 0 ? work_per_item : 1;
    const int64_t min_work = min_parallel_work();
    return count >= 2 && count >= (min_work + per_item - 1) / per_item && thread_count() > 1;
}

// Calls body(begin, end) over bands covering [0, count) (rows, or pixels of
// a flat buffer), each costing about work_per_item units an item; on the
// caller's thread, in one call, when the whole costs less than
// min_parallel_work() or the pool has one thread.
template <class Body>
void for_bands(int64_t count, int64_t work_per_item, Body&& body) {
    if (count <= 0) return;
    if (!worth_bands(count, work_per_item)) {
        body(int64_t(0), count);
        return;
    }
    const int64_t per_item = work_per_item > 0 ? work_per_item : 1;
    const int64_t grain = std::max<int64_t>(1, min_parallel_work() / 2 / per_item);
    using B = std::remove_reference_t<Body>;
    detail::run_bands(
        count, grain,
        [](void* context, int64_t begin, int64_t end) { (*static_cast<B*>(context))(begin, end); },
        const_cast<void*>(static_cast<const void*>(&body)));
}

// for_bands when `independent`, else body(0, count) on the caller's thread.
template <class Body>
void for_bands_if(bool independent, int64_t count, int64_t work_per_item, Body&& body) {
    if (independent)
        for_bands(count, work_per_item, std::forward<Body>(body));
    else if (count > 0)
        body(int64_t(0), count);
}

// for_bands for items whose cost varies across the picture (a render over
// layers that are empty in one part and full in another): each band claims
// runs of `chunk` items in turn until none is left, so no band waits on a
// heavier one. body(begin, end) is called once per run; on the caller's
// thread, once for the whole.
template <class Body>
void for_chunks(int64_t count, int64_t chunk, int64_t work_per_item, Body&& body) {
    if (count <= 0) return;
    const int64_t step = std::max<int64_t>(1, chunk);
    std::atomic<int64_t> next{0};
    for_bands(count, work_per_item, [&](int64_t begin, int64_t end) {
        if (begin == 0 && end == count) return body(begin, end);
        for (int64_t first; (first = next.fetch_add(step, std::memory_order_relaxed)) < count;)
            body(first, std::min(first + step, count));
    });
}

// The items of for_runs: each band has a run of its own, taken from the
// front, and once it is done takes the back half of the largest run left.
class Runs {
public:
    Runs(int64_t count, int32_t bands);
    ~Runs();
    // The next item for `band`, or -1 once every item is taken.
    int64_t next(int32_t band);

private:
    struct Run;
    std::unique_ptr<Run[]> runs_;
    int32_t bands_;
};

// for_chunks for work that carries something from one item to the next (a
// window of rows already made, reused by the rows below): body(take) is
// called once per band, and take() gives the band's next item, in rising
// order until the band steals from another, or -1 when none is left. A band
// slowed by the rest of the machine then holds up no other, and a band
// starts afresh only where it steals. On the caller's thread take() gives
// 0 .. count - 1 in order.
template <class Body>
void for_runs(int64_t count, int64_t work_per_item, Body&& body) {
    if (count <= 0) return;
    const int32_t bands = worth_bands(count, work_per_item) ? int32_t(std::min<int64_t>(thread_count(), count)) : 1;
    Runs runs(count, bands);
    const int64_t per_band = std::max<int64_t>(1, work_per_item) * (count / bands);
    for_bands(bands, per_band, [&](int64_t first, int64_t end) {
        for (int64_t band = first; band < end; ++band) body([&runs, band] { return runs.next(int32_t(band)); });
    });
}

// Copies n bytes (no overlap) in bands; sets n bytes to a value in bands.
void copy_bytes(void* dst, const void* src, size_t n);
void fill_bytes(void* dst, uint8_t value, size_t n);

// Calls body(i) for each of `count` items, each costing about
// work_per_item units; the same rules as for_bands. The items are few and
// large (bands of a file), so a band claims one at a time: one slowed by
// the rest of the machine holds up no other.
template <class Body>
void for_each(int64_t count, int64_t work_per_item, Body&& body) {
    for_chunks(count, 1, work_per_item, [&body](int64_t begin, int64_t end) {
        for (int64_t i = begin; i < end; ++i) body(i);
    });
}

}  // namespace parallel
