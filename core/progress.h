// Progress: how far one long piece of pixel work has come, and the request to stop it,
// shared between the threads that do the work and the thread that shows it.
//
// The work announces units it will do (Expect) and reports them done (Advance); the watcher
// reads Done() and Expected() at any time and may call Cancel(). Work that sees the request
// (Check) throws WorkCancelled, which ends it like any other failure: whatever it was making
// is dropped and nothing it was given has been changed.
// Traps: the counters only ever grow, so a fraction read while the work runs may lag but is
// never wrong by more than the units in flight; Expect may be called while the work runs
// (a later stage announcing itself), so the fraction can also step back a little.
#pragma once

#include <atomic>
#include <cstddef>
#include <exception>

namespace varlen {

struct WorkCancelled : std::exception {
    const char* what() const noexcept override { return "work cancelled"; }
};

class Progress {
  public:
    void Expect(std::size_t units) { m_expected.fetch_add(units, std::memory_order_relaxed); }
    void Advance(std::size_t units) { m_done.fetch_add(units, std::memory_order_relaxed); }
    std::size_t Expected() const { return m_expected.load(std::memory_order_relaxed); }
    std::size_t Done() const { return m_done.load(std::memory_order_relaxed); }

    void Cancel() { m_cancel.store(true, std::memory_order_relaxed); }
    bool Cancelled() const { return m_cancel.load(std::memory_order_relaxed); }
    // Throws WorkCancelled once Cancel has been called.
    void Check() const {
        if (Cancelled()) {
            throw WorkCancelled();
        }
    }

  private:
    std::atomic<std::size_t> m_expected{0};
    std::atomic<std::size_t> m_done{0};
    std::atomic<bool> m_cancel{false};
};

}  // namespace varlen
