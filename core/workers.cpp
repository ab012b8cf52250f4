// Workers: batches of indexed tasks shared by the calling thread and a fixed set of threads.
//
// Contract and traps:
// - A batch lives on the stack of the For call that made it. Items are claimed under the
//   mutex one at a time (tasks are coarse: a range of rows, a whole format), so claiming costs
//   nothing measurable. The caller keeps claiming items of its own batch; once none is left
//   it waits until the items claimed by other threads have finished, and only then returns,
//   so the batch never outlives its frame while a thread still uses it.
// - Nested For calls from inside a task work because the nested caller drains its own batch
//   itself: a thread only ever waits for items that other threads are already running.
// - After a task throws, the batch stops handing out items; the exception is rethrown by the
//   caller of For after the running items have finished.
// - With a Progress attached, a cancel request is a task that throws WorkCancelled before it
//   starts, so it takes the error path above. Ranges are then finer (about 64 per call),
//   so that the progress moves and a cancel is heard soon; results do not depend on ranges.
#include "core/workers.h"

#include <algorithm>
#include <exception>

namespace varlen {

struct Workers::Batch {
    const std::function<void(std::size_t)>* task = nullptr;
    std::size_t count = 0;
    std::size_t next = 0;      // next item to claim
    std::size_t finished = 0;  // items done (or skipped after an error)
    std::exception_ptr error;
};

Workers::Workers(int threads) : m_threads(std::max(1, threads)) {
    m_pool.reserve(static_cast<std::size_t>(m_threads - 1));
    for (int i = 1; i < m_threads; ++i) {
        m_pool.emplace_back([this] { WorkerLoop(); });
    }
}

Workers::~Workers() {
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    for (std::thread& t : m_pool) {
        t.join();
    }
}

void Workers::Drain(Batch& batch, std::unique_lock<std::mutex>& lock) {
    while (batch.next < batch.count) {
        const std::size_t item = batch.next++;
        if (batch.next == batch.count) {
            std::erase(m_queue, &batch);
        }
        lock.unlock();
        std::exception_ptr error;
        try {
            if (const Progress* progress = Observer()) {
                progress->Check();
            }
            (*batch.task)(item);
        } catch (...) {
            error = std::current_exception();
        }
        lock.lock();
        ++batch.finished;
        if (error) {
            if (!batch.error) {
                batch.error = error;
            }
            // Skip the items nobody has claimed yet.
            batch.finished += batch.count - batch.next;
            batch.next = batch.count;
            std::erase(m_queue, &batch);
        }
        if (batch.finished == batch.count) {
            m_finished.notify_all();
        }
    }
}

void Workers::WorkerLoop() {
    std::unique_lock<std::mutex> lock(m_mutex);
    while (true) {
        m_wake.wait(lock, [this] { return m_stop || !m_queue.empty(); });
        if (m_stop) {
            return;
        }
        Drain(*m_queue.front(), lock);
    }
}

void Workers::For(std::size_t count, const std::function<void(std::size_t)>& task) {
    if (count == 0) {
        return;
    }
    if (m_pool.empty() || count == 1) {
        const Progress* progress = Observer();
        for (std::size_t i = 0; i < count; ++i) {
            if (progress != nullptr) {
                progress->Check();
            }
            task(i);
        }
        return;
    }
    Batch batch;
    batch.task = &task;
    batch.count = count;
    std::unique_lock<std::mutex> lock(m_mutex);
    m_queue.push_back(&batch);
    m_wake.notify_all();
    Drain(batch, lock);
    m_finished.wait(lock, [&batch] { return batch.finished == batch.count; });
    if (batch.error) {
        std::rethrow_exception(batch.error);
    }
}

std::vector<std::size_t> Workers::Ranges(std::size_t count, std::size_t minChunk) const {
    std::vector<std::size_t> bounds{0};
    if (count == 0) {
        return bounds;
    }
    const auto threads = static_cast<std::size_t>(m_threads);
    // A few ranges per thread even out uneven rows; none smaller than minChunk.
    std::size_t ranges = threads == 1 ? 1 : threads * 4;
    if (Observer() != nullptr) {
        ranges = std::max<std::size_t>(ranges, 64);
    }
    ranges = std::min(ranges, std::max<std::size_t>(1, count / std::max<std::size_t>(1, minChunk)));
    const std::size_t base = count / ranges;
    const std::size_t extra = count % ranges;
    for (std::size_t r = 0; r < ranges; ++r) {
        bounds.push_back(bounds.back() + base + (r < extra ? 1 : 0));
    }
    return bounds;
}

void Workers::ForRanges(std::size_t count, std::size_t minChunk,
                        const std::function<void(std::size_t, std::size_t)>& task) {
    const std::vector<std::size_t> bounds = Ranges(count, minChunk);
    Progress* progress = Observer();
    if (progress == nullptr) {
        For(bounds.size() - 1, [&](std::size_t r) { task(bounds[r], bounds[r + 1]); });
        return;
    }
    progress->Expect(count);
    For(bounds.size() - 1, [&](std::size_t r) {
        task(bounds[r], bounds[r + 1]);
        progress->Advance(bounds[r + 1] - bounds[r]);
    });
}

Workers::ObservedBy::ObservedBy(Workers& workers, Progress& progress) : m_workers(workers) {
    m_workers.m_progress.store(&progress, std::memory_order_release);
}

Workers::ObservedBy::~ObservedBy() {
    m_workers.m_progress.store(nullptr, std::memory_order_release);
}
}  // namespace varlen
