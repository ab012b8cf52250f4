// Named temporary files that a fatal signal must not leave behind.
//
// AtomicFile registers a temporary's name here for as long as it exists under that name;
// the handlers installed by RemoveTemporaryFilesOnSignals unlink every registered name and
// then let the signal end the process as it would have. The table behind this is the one
// process-wide state of the io layer: a signal handler can reach nothing else.
#pragma once

#include <string_view>

namespace varlen {

// Installs the handlers for SIGINT, SIGTERM and SIGHUP (a signal that is ignored, as under
// nohup, stays ignored) and ignores SIGXFSZ, so a write beyond RLIMIT_FSIZE fails with
// EFBIG and is reported instead of killing the process. Call once at start, before threads.
void RemoveTemporaryFilesOnSignals();

// One registered name. Register before the name is created; Release after it has been
// renamed or unlinked, and before the folder descriptor is closed.
class TemporaryName {
  public:
    TemporaryName() = default;
    ~TemporaryName() { Release(); }
    TemporaryName(const TemporaryName&) = delete;
    TemporaryName& operator=(const TemporaryName&) = delete;

    // Registers name in the folder open as folder (replacing an earlier registration).
    // Never fails the caller: when the table is full, or name is longer than NAME_MAX,
    // the name is simply not covered.
    void Register(int folder, std::string_view name);
    void Release();

  private:
    int m_slot = -1;
};

}  // namespace varlen
