// varlen-svg: draws one SVG document for its parent (io/svg_process.h starts it). The
// document arrives on standard input, read to its end; the reply (io/svg_reply.h) leaves
// on standard output. Before reading, the program limits its own CPU time and data memory
// as its arguments say and turns core files off, so a document that runs away or eats
// memory ends here, as SIGXCPU, SIGKILL or an aborted allocation, and never in the parent.
// Exit status 0 with a reply; 2 for arguments that are not the parent's.
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <vector>

#include "io/picture_decoders.h"
#include "io/svg_checks.h"
#include "io/svg_library.h"
#include "io/svg_process.h"
#include "io/svg_render.h"
#include "io/svg_reply.h"

namespace {

bool SetLimit(int resource, rlim_t soft, rlim_t hard) {
    const rlimit limit{soft, hard};
    return ::setrlimit(resource, &limit) == 0;
}

// The whole of standard input, or nothing when it holds more than kMaxSvgBytes or
// reading fails.
std::optional<std::vector<std::uint8_t>> ReadDocument() {
    std::vector<std::uint8_t> data;
    std::uint8_t chunk[64 * 1024];
    for (;;) {
        const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (n == 0) {
            return data;
        }
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return std::nullopt;
        }
        if (data.size() + static_cast<std::size_t>(n) > varlen::kMaxSvgBytes) {
            return std::nullopt;
        }
        data.insert(data.end(), chunk, chunk + n);
    }
}

bool WriteAll(const std::uint8_t* p, std::size_t n) {
    while (n > 0) {
        const ssize_t done = ::write(STDOUT_FILENO, p, n);
        if (done < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        p += done;
        n -= static_cast<std::size_t>(done);
    }
    return true;
}

std::optional<varlen::DecodedBitmap> Draw(std::span<const std::uint8_t> data) {
    if (varlen::SniffEncoded(data) != varlen::EncodedKind::Svg) {
        return std::nullopt;
    }
    const varlen::SvgLibrary lib;
    if (!lib.Ok() || !varlen::SvgEmbedsOnlyWhatFits(lib, data)) {
        return std::nullopt;
    }
    return varlen::RenderSvgDocument(lib, data);
}

}  // namespace

int main(int argc, char** argv) {
    const std::optional<varlen::SvgChildLimits> limits = varlen::ParseSvgChildArguments(argc, argv);
    if (!limits) {
        return 2;
    }
    const rlim_t cpu = static_cast<rlim_t>(limits->cpuSeconds);
    // SIGXCPU at the limit, SIGKILL a second later should a handler ignore it.
    if (!SetLimit(RLIMIT_CORE, 0, 0) || !SetLimit(RLIMIT_CPU, cpu, cpu + 1) ||
        (limits->memoryBytes > 0 &&
         !SetLimit(RLIMIT_DATA, limits->memoryBytes, limits->memoryBytes))) {
        return 1;
    }
    const std::optional<std::vector<std::uint8_t>> data = ReadDocument();
    const std::optional<varlen::DecodedBitmap> bitmap =
        data ? Draw(*data) : std::optional<varlen::DecodedBitmap>();
    std::vector<std::uint8_t> header =
        bitmap ? varlen::SvgReplyHeader(varlen::kSvgReplyDrawn, bitmap->width, bitmap->height)
               : varlen::SvgReplyHeader(varlen::kSvgReplyRefused, 0, 0);
    if (!WriteAll(header.data(), header.size()) ||
        (bitmap && !WriteAll(bitmap->bits.data(), bitmap->bits.size()))) {
        return 1;
    }
    return 0;
}
