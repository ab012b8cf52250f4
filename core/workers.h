// Workers: a small pool of threads that runs independent pieces of one job.
//
// The core never decides on its own how many threads to use: the caller makes a Workers
// object with a thread count (the front end reads it from its environment) and passes it by
// reference to the functions that can use it. Workers(1) starts no thread at all and runs
// everything on the calling thread, in index order.
//
// Results never depend on the thread count: every task writes its own part of the result
// (its own rows, its own format), and nothing is summed across tasks, so the merge is the
// same whatever ran where.
//
// A Progress may be attached for the length of one job (ObservedBy): every ForRanges call
// then announces its items (rows) and reports each range done, and every task checks for a
// cancel request before it starts, so a cancelled job ends with WorkCancelled after the
// tasks already running. Only one job may use the pool while a Progress is attached.
#pragma once

#include <atomic>

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "core/progress.h"

namespace varlen {

class Workers {
  public:
    // threads: the total number of threads that work, the caller's included; below 1 counts
    // as 1.
    explicit Workers(int threads);
    ~Workers();
    Workers(const Workers&) = delete;
    Workers& operator=(const Workers&) = delete;

    int Threads() const { return m_threads; }

    // Runs task(i) for every i in 0 ... count - 1 and returns when all have finished. The
    // calling thread works too, so For may be called from inside a task (nested work
    // neither deadlocks nor needs a free thread). The first exception thrown by a task is
    // rethrown here once every started task has finished; tasks not yet started are skipped.
    void For(std::size_t count, const std::function<void(std::size_t)>& task);

    // Splits 0 ... count - 1 into contiguous ranges of at least minChunk items (a few per
    // thread) and runs task(begin, end) for each.
    void ForRanges(std::size_t count, std::size_t minChunk,
                   const std::function<void(std::size_t, std::size_t)>& task);

    // The ranges ForRanges uses: ascending bounds b[0] = 0 < b[1] < ... < b[n] = count, range r
    // being b[r] ... b[r + 1] - 1 (empty when count is 0). Callers that must prepare something
    // at the range boundaries before the ranges run use these with For.
    std::vector<std::size_t> Ranges(std::size_t count, std::size_t minChunk) const;

    // Attaches progress to the pool until the guard ends (guards do not nest).
    class ObservedBy {
      public:
        ObservedBy(Workers& workers, Progress& progress);
        ~ObservedBy();
        ObservedBy(const ObservedBy&) = delete;
        ObservedBy& operator=(const ObservedBy&) = delete;

      private:
        Workers& m_workers;
    };
    // The attached progress, or null.
    Progress* Observer() const { return m_progress.load(std::memory_order_acquire); }

  private:
    struct Batch;
    void WorkerLoop();
    // Runs items of batch until none is left to claim; lock is held on entry and exit.
    void Drain(Batch& batch, std::unique_lock<std::mutex>& lock);

    int m_threads = 1;
    std::mutex m_mutex;
    std::condition_variable m_wake;      // work queued or stopping
    std::condition_variable m_finished;  // an item of some batch finished
    std::vector<Batch*> m_queue;         // batches with items left to claim
    bool m_stop = false;
    std::vector<std::thread> m_pool;
    std::atomic<Progress*> m_progress{nullptr};
};

// Runs f(*workers), or f(serial) on a Workers(1) made for the call when workers is null:
// the serial default of the operations that take an optional Workers*.
template <class F>
void OnWorkers(Workers* workers, const F& f) {
    if (workers != nullptr) {
        f(*workers);
        return;
    }
    Workers serial(1);
    f(serial);
}

}  // namespace varlen
