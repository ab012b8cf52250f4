// Running the SVG drawing program (see svg_process.h).
#include "io/svg_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "io/svg_reply.h"

extern char** environ;

namespace varlen {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::string_view kCpuArgument = "--cpu-seconds=";
constexpr std::string_view kMemoryArgument = "--memory-bytes=";

struct Descriptor {
    int fd = -1;
    Descriptor() = default;
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() { Close(); }
    void Close() {
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
    }
};

struct SpawnActions {
    posix_spawn_file_actions_t actions;
    bool ok = posix_spawn_file_actions_init(&actions) == 0;
    SpawnActions() = default;
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
    ~SpawnActions() {
        if (ok) {
            posix_spawn_file_actions_destroy(&actions);
        }
    }
};

struct SpawnAttributes {
    posix_spawnattr_t attributes;
    bool ok = posix_spawnattr_init(&attributes) == 0;
    SpawnAttributes() = default;
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;
    ~SpawnAttributes() {
        if (ok) {
            posix_spawnattr_destroy(&attributes);
        }
    }
};

// Waits for the child, and kills it first when it is still there at the deadline; the
// destructor kills and reaps a child nobody waited for.
class ChildGuard {
  public:
    explicit ChildGuard(pid_t pid) : m_pid(pid) {}
    ChildGuard(const ChildGuard&) = delete;
    ChildGuard& operator=(const ChildGuard&) = delete;
    ~ChildGuard() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            Reap(0);
        }
    }

    // The wait status, and whether the deadline passed first (the child then killed);
    // nothing when waiting failed.
    std::optional<int> Wait(Clock::time_point deadline, bool& timedOut) {
        for (;;) {
            const std::optional<int> status = Reap(WNOHANG);
            if (status || m_pid <= 0) {
                return status;
            }
            if (Clock::now() >= deadline) {
                timedOut = true;
                ::kill(m_pid, SIGKILL);
                return Reap(0);
            }
            ::poll(nullptr, 0, 1);  // the child is leaving: a millisecond at a time
        }
    }

  private:
    std::optional<int> Reap(int options) {
        int status = 0;
        for (;;) {
            const pid_t got = ::waitpid(m_pid, &status, options);
            if (got == m_pid) {
                m_pid = -1;
                return status;
            }
            if (got == 0) {
                return std::nullopt;  // still running (WNOHANG)
            }
            if (errno != EINTR) {
                m_pid = -1;  // not our child any more: nothing to reap
                return std::nullopt;
            }
        }
    }

    pid_t m_pid;
};

// Milliseconds left until the deadline for poll, 0 when it has passed.
int MillisecondsLeft(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, 1'000'000));
}

// Waits until fd is ready for events; false at the deadline or on an error.
bool WaitReady(int fd, short events, Clock::time_point deadline, bool& timedOut) {
    for (;;) {
        pollfd p{fd, events, 0};
        const int left = MillisecondsLeft(deadline);
        const int n = ::poll(&p, 1, left);
        if (n > 0) {
            return true;  // readiness, hang-up or error: the call that follows tells
        }
        if (n == 0) {
            if (left == 0 || Clock::now() >= deadline) {
                timedOut = true;
                return false;
            }
            continue;
        }
        if (errno != EINTR) {
            return false;
        }
    }
}

// Sends the document; false when the child stopped reading (or the deadline passed).
bool SendAll(int fd, std::span<const std::uint8_t> data, Clock::time_point deadline,
             bool& timedOut) {
    while (!data.empty()) {
        const ssize_t n = ::send(fd, data.data(), data.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            data = data.subspan(static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!WaitReady(fd, POLLOUT, deadline, timedOut)) {
                return false;
            }
            continue;
        }
        return false;  // EPIPE, ECONNRESET: the child has gone
    }
    return true;
}

std::string Argument(std::string_view name, std::uint64_t value) {
    return std::string(name) + std::to_string(value);
}

std::optional<std::uint64_t> ArgumentValue(std::string_view arg, std::string_view name) {
    if (arg.substr(0, name.size()) != name) {
        return std::nullopt;
    }
    arg.remove_prefix(name.size());
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(arg.data(), arg.data() + arg.size(), value);
    if (error != std::errc() || end != arg.data() + arg.size() || arg.empty()) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::optional<std::filesystem::path> FindSvgProgram() {
    const char* named = std::getenv("VARLEN_SVG_PROGRAM");
    if (named != nullptr && *named != '\0') {
        return std::filesystem::path(named);
    }
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        return std::nullopt;
    }
    const std::filesystem::path dir = self.parent_path();
    for (const std::filesystem::path& candidate :
         {dir / "varlen-svg", (dir / VARLEN_SVG_FROM_BINDIR).lexically_normal()}) {
        if (::access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return std::nullopt;
}

std::optional<SvgChildLimits> ParseSvgChildArguments(int argc, const char* const* argv) {
    if (argc != 3) {
        return std::nullopt;
    }
    const std::optional<std::uint64_t> cpu = ArgumentValue(argv[1], kCpuArgument);
    const std::optional<std::uint64_t> memory = ArgumentValue(argv[2], kMemoryArgument);
    if (!cpu || !memory || *cpu < 1 || *cpu > 86'400) {
        return std::nullopt;
    }
    SvgChildLimits limits;
    limits.cpuSeconds = static_cast<int>(*cpu);
    limits.memoryBytes = *memory;
    return limits;
}

SvgChildResult RenderSvgInChild(const std::filesystem::path& program,
                                std::span<const std::uint8_t> document,
                                const SvgChildLimits& limits) {
    SvgChildResult result;
    const Clock::time_point deadline =
        Clock::now() + std::chrono::milliseconds(limits.wallMilliseconds);

    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
        return result;
    }
    Descriptor ours;
    Descriptor theirs;
    ours.fd = pair[0];
    theirs.fd = pair[1];

    SpawnActions actions;
    SpawnAttributes attributes;
    if (!actions.ok || !attributes.ok) {
        return result;
    }
    const char* passStderr = std::getenv("VARLEN_SVG_STDERR");
    const bool quiet = passStderr == nullptr || std::string_view(passStderr) != "1";
    sigset_t none;
    sigset_t defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    for (const int s : {SIGPIPE, SIGXCPU, SIGXFSZ, SIGINT, SIGTERM, SIGHUP, SIGCHLD}) {
        sigaddset(&defaults, s);
    }
    if (posix_spawn_file_actions_adddup2(&actions.actions, theirs.fd, STDIN_FILENO) != 0 ||
        posix_spawn_file_actions_adddup2(&actions.actions, theirs.fd, STDOUT_FILENO) != 0 ||
        (quiet && posix_spawn_file_actions_addopen(&actions.actions, STDERR_FILENO, "/dev/null",
                                                   O_WRONLY, 0) != 0) ||
        posix_spawn_file_actions_addclosefrom_np(&actions.actions, STDERR_FILENO + 1) != 0 ||
        posix_spawnattr_setflags(&attributes.attributes,
                                 POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF) != 0 ||
        posix_spawnattr_setsigmask(&attributes.attributes, &none) != 0 ||
        posix_spawnattr_setsigdefault(&attributes.attributes, &defaults) != 0) {
        return result;
    }
    const std::uint64_t memory = kSvgChildMemoryLimited ? limits.memoryBytes : 0;
    std::string arguments[] = {
        program.string(),
        Argument(kCpuArgument, static_cast<std::uint64_t>(std::max(1, limits.cpuSeconds))),
        Argument(kMemoryArgument, memory)};
    char* argv[] = {arguments[0].data(), arguments[1].data(), arguments[2].data(), nullptr};
    pid_t pid = -1;
    if (::posix_spawn(&pid, program.c_str(), &actions.actions, &attributes.attributes, argv,
                      environ) != 0) {
        result.end = SvgChildEnd::kNoProgram;
        return result;
    }
    ChildGuard child(pid);
    theirs.Close();
    const int flags = ::fcntl(ours.fd, F_GETFL);
    if (flags < 0 || ::fcntl(ours.fd, F_SETFL, flags | O_NONBLOCK) != 0) {
        return result;
    }

    bool timedOut = false;
    if (SendAll(ours.fd, document, deadline, timedOut)) {
        ::shutdown(ours.fd, SHUT_WR);
    }
    SvgReply reply;
    if (!timedOut) {
        const SvgReplyRead read = [&](std::uint8_t* dst, std::size_t n) -> std::ptrdiff_t {
            for (;;) {
                const ssize_t got = ::recv(ours.fd, dst, n, MSG_DONTWAIT);
                if (got >= 0) {
                    return got;
                }
                if (errno == EINTR) {
                    continue;
                }
                if ((errno != EAGAIN && errno != EWOULDBLOCK) ||
                    !WaitReady(ours.fd, POLLIN, deadline, timedOut)) {
                    return -1;
                }
            }
        };
        reply = ReadSvgReply(read);
    }
    ours.Close();  // a child still writing gets EPIPE and ends
    const std::optional<int> status = child.Wait(deadline, timedOut);
    if (timedOut) {
        result.end = SvgChildEnd::kTimedOut;
    } else if (!status) {
        result.end = SvgChildEnd::kSystem;
    } else if (WIFSIGNALED(*status)) {
        result.end = SvgChildEnd::kSignalled;
        result.detail = WTERMSIG(*status);
    } else if (!WIFEXITED(*status) || WEXITSTATUS(*status) != 0) {
        result.end = SvgChildEnd::kFailed;
        result.detail = WIFEXITED(*status) ? WEXITSTATUS(*status) : -1;
    } else if (reply.status == SvgReplyStatus::kDrawn) {
        result.end = SvgChildEnd::kDrawn;
        result.bitmap = std::move(reply.bitmap);
    } else if (reply.status == SvgReplyStatus::kRefused) {
        result.end = SvgChildEnd::kRefused;
    } else {
        result.end = SvgChildEnd::kBadReply;
    }
    return result;
}

}  // namespace varlen
