// The SVG drawing program, varlen-svg, run as a child process for each SVG document: the
// one place where the program is found, started, fed, read and reaped.
//
// Contract: librsvg, libxml2, cairo, Pango and GLib run only in the child. The child limits
// itself (CPU seconds, data memory, no core file) from its arguments before it reads the
// document; the parent kills it when the wall-time limit passes, and takes its reply
// (svg_reply.h) only when the child then exits with status 0. Whatever the child does, the
// parent gets an outcome and carries on. The child's standard input and output are one end
// of a socket pair (the parent writes with MSG_NOSIGNAL, so a child that goes away never
// raises SIGPIPE here) and its standard error is /dev/null, unless VARLEN_SVG_STDERR=1
// lets it through (sanitizer reports of the child in a test run). The child costs a few
// milliseconds: a tiny SVG through `varlen --create` takes a median 61 ms against 56 ms
// when it was drawn in process (30 interleaved runs each on a 2-core machine; median
// paired difference 7.5 ms), as librsvg and its forty libraries are loaded by the child
// instead of by us.
// Traps: posix_spawn, not fork (the wizard is multi-threaded); every descriptor of ours
// but the three given is closed in the child; the child is killed and reaped on every
// return path (ChildGuard in the .cpp).
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>

#include "io/decoded_bitmap.h"

namespace varlen {

struct SvgChildLimits {
    int cpuSeconds = 20;
    // RLIMIT_DATA, which counts what librsvg, GLib and cairo allocate but not the address
    // space their threads and malloc arenas only reserve (RLIMIT_AS would). Not set in a
    // sanitizer build: AddressSanitizer's shadow memory alone is far beyond it.
    std::uint64_t memoryBytes = std::uint64_t{2} << 30;
    int wallMilliseconds = 30'000;
};

// False when the child runs without the memory limit (the sanitizer build).
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kSvgChildMemoryLimited = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kSvgChildMemoryLimited = false;
#else
inline constexpr bool kSvgChildMemoryLimited = true;
#endif
#else
inline constexpr bool kSvgChildMemoryLimited = true;
#endif

enum class SvgChildEnd {
    kDrawn,      // bitmap holds the picture
    kRefused,    // the child could not read or draw the document, or it embeds too much
    kNoProgram,  // varlen-svg was not found or could not be started
    kTimedOut,   // killed by the parent at the wall-time limit
    kSignalled,  // ended by a signal: a crash, a panic, the CPU limit
    kFailed,     // exited with a status other than 0 (an allocation failure, a sanitizer)
    kBadReply,   // exited with 0 but its reply was malformed
    kSystem,     // the socket pair, sending or receiving failed
};

struct SvgChildResult {
    SvgChildEnd end = SvgChildEnd::kSystem;
    int detail = 0;  // the signal for kSignalled, the exit status for kFailed
    std::optional<DecodedBitmap> bitmap;
};

// The program the environment names in VARLEN_SVG_PROGRAM; else varlen-svg beside the
// running program (the build tree, the wizard program's installed place); else at its
// installed place relative to the command-line program. Nothing when none exists.
std::optional<std::filesystem::path> FindSvgProgram();

// The document drawn by program (varlen-svg or a stand-in speaking its protocol).
SvgChildResult RenderSvgInChild(const std::filesystem::path& program,
                                std::span<const std::uint8_t> document,
                                const SvgChildLimits& limits = {});

// The arguments the child gets for those limits, and reads back: argv[1..] of the child.
// Nothing when the arguments do not come from RenderSvgInChild's.
std::optional<SvgChildLimits> ParseSvgChildArguments(int argc, const char* const* argv);

}  // namespace varlen
