// The task pool: its size from the environment, how it cuts work into bands,
// what stays on the caller's thread, and how bands meet the caller again.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/parallel.h"
#include "support/engine_fixture.h"

namespace {

// The pool at n threads, and bands as small as one item, for one test.
class PoolAt {
public:
    explicit PoolAt(int32_t threads, int64_t min_work = 1) {
        parallel::set_thread_count(threads);
        parallel::set_min_parallel_work(min_work);
    }
    ~PoolAt() {
        parallel::set_thread_count(0);
        parallel::set_min_parallel_work(parallel::kDefaultMinParallelWork);
    }
};

TEST(TaskPoolSize, EnvironmentCapsTheHardware) {
    struct Row {
        const char* value;
        int32_t hardware, expected;
    };
    for (const Row& r : {Row{nullptr, 8, 8}, Row{"", 8, 8}, Row{"1", 8, 1}, Row{"3", 8, 3}, Row{"8", 8, 8},
                         Row{"9", 8, 8}, Row{"64", 2, 2}, Row{"0", 8, 8}, Row{"-2", 8, 8}, Row{"two", 8, 8},
                         Row{"3x", 8, 8}, Row{" 3", 8, 3}, Row{"99999999999999999999", 4, 4},
                         Row{"2", 0, 1}}) {
        EXPECT_EQ(parallel::threads_from_environment(r.value, r.hardware), r.expected)
            << (r.value ? r.value : "(unset)") << " on " << r.hardware;
    }
}

TEST(TaskPoolSize, SetAndDefault) {
    {
        const PoolAt pool(3);
        EXPECT_EQ(parallel::thread_count(), 3);
    }
    const PoolAt one(1);
    EXPECT_EQ(parallel::thread_count(), 1);
}

// Every item lands in exactly one band, bands are at least the grain the
// work gives them (the last may be shorter), at every thread count.
TEST(TaskPoolBands, CoverEachItemOnce) {
    for (const int32_t threads : {1, 2, 3, 8}) {
        const PoolAt pool(threads, 16);
        for (const int64_t count : {int64_t(1), int64_t(2), int64_t(7), int64_t(8), int64_t(9), int64_t(1000)}) {
            for (const int64_t work : {int64_t(1), int64_t(3), int64_t(100)}) {
                std::vector<std::atomic<int>> seen(static_cast<size_t>(count));
                std::mutex m;
                std::vector<std::pair<int64_t, int64_t>> bands;
                parallel::for_bands(count, work, [&](int64_t first, int64_t end) {
                    for (int64_t i = first; i < end; ++i) seen[size_t(i)]++;
                    const std::lock_guard<std::mutex> lock(m);
                    bands.emplace_back(first, end);
                });
                for (int64_t i = 0; i < count; ++i)
                    ASSERT_EQ(seen[size_t(i)].load(), 1) << i << " of " << count << " at " << threads;
                // The grain: at least half the minimum work, and one item.
                const int64_t grain = std::max<int64_t>(1, 16 / 2 / work);
                for (const auto& [first, end] : bands) {
                    if (end == count) continue;
                    EXPECT_GE(end - first, grain) << first << ".." << end << " of " << count;
                }
                EXPECT_LE(int64_t(bands.size()), std::max<int64_t>(threads, 1)) << count << " at " << threads;
            }
        }
    }
}

TEST(TaskPoolChunks, CoverEachItemOnceInRunsOfTheChunk) {
    for (const int32_t threads : {1, 2, 3, 8}) {
        const PoolAt pool(threads);
        for (const int64_t count : {int64_t(1), int64_t(7), int64_t(8), int64_t(9), int64_t(1001)}) {
            std::vector<std::atomic<int>> seen(static_cast<size_t>(count));
            std::mutex m;
            std::vector<std::pair<int64_t, int64_t>> runs;
            parallel::for_chunks(count, 8, 100, [&](int64_t first, int64_t end) {
                for (int64_t i = first; i < end; ++i) seen[size_t(i)]++;
                const std::lock_guard<std::mutex> lock(m);
                runs.emplace_back(first, end);
            });
            for (int64_t i = 0; i < count; ++i)
                ASSERT_EQ(seen[size_t(i)].load(), 1) << i << " of " << count << " at " << threads;
            if (threads == 1 || count == 1) {
                ASSERT_EQ(runs.size(), 1u);
                continue;
            }
            // Runs start at whole chunks and end at the next or at the end.
            for (const auto& [first, end] : runs) {
                EXPECT_EQ(first % 8, 0) << first;
                EXPECT_EQ(end, std::min<int64_t>(first + 8, count)) << first;
            }
        }
    }
}

TEST(TaskPoolRuns, ABandThatIsDoneTakesTheBackHalfOfTheLargestRunLeft) {
    parallel::Runs runs(10, 2);  // band 0 holds 0..4, band 1 holds 5..9
    std::vector<int64_t> taken;
    for (int i = 0; i < 5; ++i) taken.push_back(runs.next(0));
    EXPECT_EQ(taken, (std::vector<int64_t>{0, 1, 2, 3, 4}));
    // Band 1 has not started: band 0 takes 7, 8, 9, then 6, then 5.
    taken.clear();
    for (int64_t i; (i = runs.next(0)) >= 0;) taken.push_back(i);
    EXPECT_EQ(taken, (std::vector<int64_t>{7, 8, 9, 6, 5}));
    EXPECT_EQ(runs.next(1), -1);

    parallel::Runs three(7, 3);  // 0..1, 2..3, 4..6
    EXPECT_EQ(three.next(2), 4);
    EXPECT_EQ(three.next(1), 2);
    EXPECT_EQ(three.next(1), 3);
    EXPECT_EQ(three.next(1), 1);  // runs of 2 and 2 left: the first largest, from its back
    EXPECT_EQ(three.next(0), 0);
    EXPECT_EQ(three.next(0), 6);
    EXPECT_EQ(three.next(2), 5);
    EXPECT_EQ(three.next(2), -1);
}

TEST(TaskPoolRuns, EveryItemOnceAndRisingBetweenSteals) {
    for (const int32_t threads : {1, 2, 3, 8}) {
        const PoolAt pool(threads);
        for (const int64_t count : {int64_t(1), int64_t(2), int64_t(9), int64_t(1001)}) {
            std::vector<std::atomic<int>> seen(static_cast<size_t>(count));
            std::atomic<int> bands{0}, jumps{0};
            parallel::for_runs(count, 100, [&](auto take) {
                const int band = bands++;
                int64_t last = -1;
                for (int64_t i; (i = take()) >= 0; last = i) {
                    seen[size_t(i)]++;
                    if (i != last + 1 && last >= 0) ++jumps;
                    // The first band is slow, so the others steal from it.
                    if (band == 0) std::this_thread::sleep_for(std::chrono::microseconds(20));
                }
            });
            for (int64_t i = 0; i < count; ++i)
                ASSERT_EQ(seen[size_t(i)].load(), 1) << i << " of " << count << " at " << threads;
            if (threads == 1) {
                EXPECT_EQ(bands.load(), 1);
                EXPECT_EQ(jumps.load(), 0);
            }
        }
    }
}

TEST(TaskPoolBands, SmallWorkStaysOnTheCallersThread) {
    const PoolAt pool(4, parallel::kDefaultMinParallelWork);
    const std::thread::id caller = std::this_thread::get_id();
    const int64_t runs = parallel::pool_runs();
    int calls = 0;
    // 64 x 64 pixels of plain work: below the threshold.
    parallel::for_bands(64, 64, [&](int64_t first, int64_t end) {
        ++calls;
        EXPECT_EQ(std::this_thread::get_id(), caller);
        EXPECT_EQ(first, 0);
        EXPECT_EQ(end, 64);
    });
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(parallel::pool_runs(), runs);

    // A picture's worth goes to the pool, in more than one band.
    std::mutex m;
    std::set<int64_t> starts;
    parallel::for_bands(4096, 4096, [&](int64_t first, int64_t) {
        const std::lock_guard<std::mutex> lock(m);
        starts.insert(first);
    });
    EXPECT_GT(starts.size(), 1u);
    EXPECT_EQ(parallel::pool_runs(), runs + 1);
}

TEST(TaskPoolBands, OneThreadMeansOneCallInOrder) {
    const PoolAt pool(1);
    const int64_t runs = parallel::pool_runs();
    std::vector<std::pair<int64_t, int64_t>> bands;
    parallel::for_bands(1000, 1000, [&](int64_t first, int64_t end) { bands.emplace_back(first, end); });
    ASSERT_EQ(bands.size(), 1u);
    EXPECT_EQ(bands[0], std::make_pair(int64_t(0), int64_t(1000)));
    EXPECT_EQ(parallel::pool_runs(), runs);
}

TEST(TaskPoolBands, BandsMayHandOutBandsOfTheirOwn) {
    const PoolAt pool(3);
    std::atomic<int64_t> sum{0};
    parallel::for_each(12, 1000, [&](int64_t outer) {
        parallel::for_each(100, 1000, [&](int64_t inner) { sum += outer * 100 + inner; });
    });
    const int64_t n = 1200;
    EXPECT_EQ(sum.load(), n * (n - 1) / 2);
}

TEST(TaskPoolBands, AFailingBandReachesTheCallerAndThePoolGoesOn) {
    const PoolAt pool(3);
    EXPECT_THROW(parallel::for_bands(100, 1000,
                                     [](int64_t first, int64_t end) {
                                         if (first <= 50 && 50 < end) throw std::runtime_error("band");
                                     }),
                 std::runtime_error);
    std::atomic<int64_t> visited{0};
    parallel::for_bands(100, 1000, [&](int64_t first, int64_t end) { visited += end - first; });
    EXPECT_EQ(visited.load(), 100);
}

TEST(TaskPoolOverlap, DisjointRows) {
    std::vector<uint8_t> buffer(1000);
    uint8_t* p = buffer.data();
    // Packed pictures side by side, one inside the other, and the same one.
    EXPECT_TRUE(parallel::disjoint_rows(p, 10, 10, p + 100, 10, 10, 10));
    EXPECT_FALSE(parallel::disjoint_rows(p, 10, 10, p + 99, 10, 10, 10));
    EXPECT_FALSE(parallel::disjoint_rows(p, 40, 40, p, 30, 30, 5));
    // Rows going upward: the last row lies lowest.
    EXPECT_TRUE(parallel::disjoint_rows(p + 90, -10, 10, p + 100, 10, 10, 10));
    EXPECT_FALSE(parallel::disjoint_rows(p + 95, -10, 10, p + 100, 10, 10, 10));
    // Interleaved rows of two pictures still share the span.
    EXPECT_FALSE(parallel::disjoint_rows(p, 20, 10, p + 10, 20, 10, 5));
    EXPECT_TRUE(parallel::disjoint_rows(p, 10, 10, p, 10, 10, 0));
}

// What must stay as fast as before: dabs, the render of the area they
// changed, and saving and undoing a stroke-sized step never reach the pool.
// (Ending the stroke clears the whole paint layer: that fill is
// whole-picture work and may.)
class TaskPoolThreshold : public EngineTest {};

TEST_F(TaskPoolThreshold, StrokeSizedWorkStaysOnTheCallersThread) {
    const PoolAt pool(4, parallel::kDefaultMinParallelWork);
    make_image(1024, 1024, 3);
    PTE_SetUndoLevels(10);
    PTE_SetUndoMB(64);
    PTE_SetViewSize(1024, 1024);
    PTE_SetScale(1, 1);
    PTE_SetLayer(2);
    PTE_SetSize(30);
    PTE_SetAlpha(100);
    PTE_SetTool(1.0f, 0, 0, 0, 100, 0, 0, 0, 0, 0, 0, 0, 0, "", "", 0);
    std::vector<uint8_t> display(1024 * 1024 * 3);
    const int64_t runs = parallel::pool_runs();
    for (int32_t i = 0; i < 8; ++i) PTE_DrawDabGrit(480 + 5 * i, 500, 65535, 0, 0);
    PTE_Render(display.data(), 1024 * 3, 460, 480, 64, 64);
    PTE_SaveUndoBuffer(1, 0);
    PTE_Undo();
    PTE_Redo();
    EXPECT_EQ(parallel::pool_runs(), runs);
    EXPECT_GT(px(2, 500, 500, 3), 0) << "the dabs were painted, undone and redone";
    PTE_Render(display.data(), 1024 * 3, 0, 0, 1024, 1024);
    EXPECT_GT(parallel::pool_runs(), runs) << "a full view goes to the pool";
}

}  // namespace
