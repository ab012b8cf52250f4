// Temporary names removed by a fatal signal.
//
// Contract: a slot is claimed with a compare-and-swap (free -> filling), filled, then
// published (filling -> ready); the handler unlinks only ready slots, with unlinkat, which
// is async-signal-safe, and re-raises the signal with its default action.
//
// Traps: the handler may run on any thread, while another registers or releases, so a
// slot's state is an atomic and the handler never waits for it. A signal that was ignored
// when we started (nohup, a parent's choice) must stay ignored. Signals delivered while
// the handler runs stay blocked until it returns, so the re-raised one ends the process
// only once the names are gone.
#include "io/temporary_files.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cstring>

namespace varlen {
namespace {

enum SlotState : int { kFree = 0, kFilling = 1, kReady = 2 };

struct Slot {
    std::atomic<int> state{kFree};
    int folder = -1;
    char name[NAME_MAX + 1] = {};
};

constexpr std::size_t kSlots = 64;

std::array<Slot, kSlots>& Table() {
    static std::array<Slot, kSlots> table;
    return table;
}

extern "C" void RemoveAndReraise(int signal) {
    for (Slot& slot : Table()) {
        if (slot.state.load(std::memory_order_acquire) == kReady) {
            ::unlinkat(slot.folder, slot.name, 0);
        }
    }
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

static_assert(std::atomic<int>::is_always_lock_free, "the signal handler needs lock-free slots");

}  // namespace

void RemoveTemporaryFilesOnSignals() {
    Table();  // constructed here, never first in a handler
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction old {};
        if (::sigaction(signal, nullptr, &old) != 0 || old.sa_handler == SIG_IGN) {
            continue;
        }
        struct sigaction action {};
        action.sa_handler = RemoveAndReraise;
        sigemptyset(&action.sa_mask);
        for (const int other : {SIGINT, SIGTERM, SIGHUP}) {
            sigaddset(&action.sa_mask, other);
        }
        ::sigaction(signal, &action, nullptr);
    }
    ::signal(SIGXFSZ, SIG_IGN);
}

void TemporaryName::Register(int folder, std::string_view name) {
    Release();
    if (name.empty() || name.size() > NAME_MAX) {
        return;
    }
    auto& table = Table();
    for (std::size_t i = 0; i < table.size(); ++i) {
        int expected = kFree;
        if (table[i].state.compare_exchange_strong(expected, kFilling, std::memory_order_acq_rel)) {
            table[i].folder = folder;
            std::memcpy(table[i].name, name.data(), name.size());
            table[i].name[name.size()] = '\0';
            table[i].state.store(kReady, std::memory_order_release);
            m_slot = static_cast<int>(i);
            return;
        }
    }
}

void TemporaryName::Release() {
    if (m_slot >= 0) {
        Table()[static_cast<std::size_t>(m_slot)].state.store(kFree, std::memory_order_release);
        m_slot = -1;
    }
}

}  // namespace varlen
