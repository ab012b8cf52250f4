// The batch front end: the wizard's pipeline from a picture to an icon or one exported
// format, driven by BatchOptions instead of pages. It reads no stored settings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <istream>
#include <optional>
#include <ostream>
#include <vector>

#include "cli/options.h"

namespace varlen {

// Exit statuses of the program.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // picture unreadable or output not written
inline constexpr int kExitUsage = 2;

// Runs a parsed command line; messages go to err (one line per failure), help and version
// to out. With progress set, a progress line is shown on err while formats are built. The
// work is spread over ThreadCount(VARLEN_THREADS) threads; the output does not depend on it.
// A PICTURE of "-" is read from in (standard input without it), at most
// kMaxPictureFileBytes, and then decoded as a file's bytes are.
int RunBatch(const BatchOptions& options, std::istream& in, std::ostream& out, std::ostream& err,
             bool progress);
int RunBatch(const BatchOptions& options, std::ostream& out, std::ostream& err, bool progress);

// The number of threads for a build: setting is the value of the environment variable
// VARLEN_THREADS (null when unset); a whole number of at least 1 is taken (at most 256),
// anything else means one thread per processor the system reports.
int ThreadCount(const char* setting);

// The whole front end: parse args (without the program name), report usage errors, run.
// Standard input is in, or std::cin without it.
int BatchMain(std::span<const std::string> args, std::istream& in, std::ostream& out,
              std::ostream& err);
int BatchMain(std::span<const std::string> args, std::ostream& out, std::ostream& err);

}  // namespace varlen
