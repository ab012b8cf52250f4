// Fuzz target: any bytes as the reply of the SVG drawing program, read by the parent's
// reader as the socket would deliver it: in pieces whose sizes the first byte chooses, so
// a header or a row split anywhere is read too. A reply taken must hold the pixels of the
// size it claims.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "io/svg_reply.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::size_t piece = std::size_t{data[0]} * 61 + 1;
    const std::uint8_t* at = data + 1;
    const std::uint8_t* const end = data + size;
    const varlen::SvgReply reply =
        varlen::ReadSvgReply([&](std::uint8_t* dst, std::size_t n) -> std::ptrdiff_t {
            const std::size_t k = std::min({n, piece, static_cast<std::size_t>(end - at)});
            std::copy_n(at, k, dst);
            at += k;
            return static_cast<std::ptrdiff_t>(k);
        });
    if (reply.status == varlen::SvgReplyStatus::kDrawn &&
        (!reply.bitmap ||
         reply.bitmap->bits.size() != static_cast<std::size_t>(reply.bitmap->width) *
                                          static_cast<std::size_t>(reply.bitmap->height) * 4 ||
         static_cast<std::size_t>(end - (data + 1)) !=
             varlen::kSvgReplyHeaderBytes + reply.bitmap->bits.size())) {
        std::abort();
    }
    return 0;
}
