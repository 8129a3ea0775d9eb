// The task pool on std::thread, for builds without oneTBB: the caller and
// threads - 1 workers take the bands of a static partition (one band per
// thread, each at least the grain) in turn.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/parallel_pool.h"

namespace parallel::detail {

namespace {

// Set while a thread runs a band: a band that hands out bands of its own
// runs them itself, so no thread ever waits on the pool it serves.
thread_local bool t_in_band = false;

class Pool {
public:
    explicit Pool(int32_t threads) : threads_(threads) {
        workers_.reserve(size_t(threads - 1));
        for (int32_t i = 1; i < threads; ++i) workers_.emplace_back([this] { work(); });
    }
    ~Pool() {
        {
            const std::lock_guard<std::mutex> lock(m_);
            stop_ = true;
        }
        wake_.notify_all();
        for (std::thread& t : workers_)
            if (t.joinable()) t.join();
    }

    // Ends the workers without joining them, for a library being unloaded:
    // on Windows the unloading thread holds the loader lock, which a thread
    // needs to finish ending, so a join there never returns. The workers
    // are told to stop and waited for until each has left its loop (its
    // last step inside the library), then let go.
    void let_go() {
        {
            const std::lock_guard<std::mutex> lock(m_);
            stop_ = true;
        }
        wake_.notify_all();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (left_.load() < int32_t(workers_.size()) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        // The last instructions of a worker's way out after its count.
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        for (std::thread& t : workers_) t.detach();
    }
    Pool(const Pool&) = delete;
    Pool& operator=(const Pool&) = delete;

    void run(int64_t count, int64_t grain, BandFunction fn, void* context) {
        // One job at a time; a second caller meanwhile does its own work.
        std::unique_lock<std::mutex> busy(running_, std::try_to_lock);
        if (t_in_band || !busy.owns_lock()) return fn(context, 0, count);
        const int64_t bands = std::clamp<int64_t>(count / grain, 1, threads_);
        std::unique_lock<std::mutex> lock(m_);
        job_ = Job{fn, context, count, bands};
        next_ = 0;
        finished_ = 0;
        error_ = nullptr;
        ++generation_;
        lock.unlock();
        wake_.notify_all();
        take_bands();
        lock.lock();
        done_.wait(lock, [&] { return finished_ == job_.bands; });
        if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
    }

private:
    struct Job {
        BandFunction fn = nullptr;
        void* context = nullptr;
        int64_t count = 0;
        int64_t bands = 0;
    };

    // Runs bands of the current job until none is left.
    void take_bands() {
        for (;;) {
            Job job;
            int64_t k;
            {
                const std::lock_guard<std::mutex> lock(m_);
                if (next_ >= job_.bands) return;
                job = job_;
                k = next_++;
            }
            std::exception_ptr error;
            t_in_band = true;
            try {
                job.fn(job.context, k * job.count / job.bands, (k + 1) * job.count / job.bands);
            } catch (...) {
                error = std::current_exception();
            }
            t_in_band = false;
            const std::lock_guard<std::mutex> lock(m_);
            if (error && !error_) error_ = error;
            if (++finished_ == job_.bands) done_.notify_all();
        }
    }

    void work() {
        uint64_t seen = 0;
        for (;;) {
            {
                std::unique_lock<std::mutex> lock(m_);
                wake_.wait(lock, [&] { return stop_ || generation_ != seen; });
                if (stop_) {
                    lock.unlock();
                    left_.fetch_add(1);
                    return;
                }
                seen = generation_;
            }
            take_bands();
        }
    }

    const int32_t threads_;
    std::vector<std::thread> workers_;
    std::mutex running_;
    std::mutex m_;
    std::condition_variable wake_, done_;
    Job job_;
    int64_t next_ = 0;
    int64_t finished_ = 0;
    uint64_t generation_ = 0;
    bool stop_ = false;
    std::atomic<int32_t> left_{0};  // workers that have left their loop
    std::exception_ptr error_;
};

std::unique_ptr<Pool>& pool() {
    static std::unique_ptr<Pool> p;
    return p;
}

}  // namespace

int32_t hardware_threads() {
    const unsigned n = std::thread::hardware_concurrency();
    return n > 0 ? int32_t(n) : 1;
}

void resize_pool(int32_t threads) {
    pool().reset();
    if (threads > 1) pool() = std::make_unique<Pool>(threads);
}

void release_pool_at_unload(bool process_exiting) {
    // At process exit the system has already ended every other thread:
    // nothing is waited for and nothing is freed.
    if (process_exiting) {
        (void)pool().release();
        return;
    }
    if (pool() != nullptr) pool()->let_go();
    pool().reset();
}

void run_on_pool(int64_t count, int64_t grain, BandFunction run, void* context) { pool()->run(count, grain, run, context); }

}  // namespace parallel::detail
