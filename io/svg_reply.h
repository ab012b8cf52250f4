// The reply of the SVG drawing program (varlen-svg) to its parent, written by the child and
// read back by the parent (svg_process.h).
//
// Contract: 16 bytes of header, "VSVG", then three little-endian 32-bit values: the kind
// (kSvgReplyDrawn or kSvgReplyRefused), the width and the height; a drawn reply then holds
// width x height pixels of 4 bytes (blue, green, red, straight alpha), top row first, and
// nothing after them. A refused reply has width and height 0 and no pixels.
// Traps: the reader trusts nothing: the size is held to kMaxPictureSide and to the drawn
// size DecodeSvg promises (kSvgRenderSide on the longer side) before the pixel buffer is
// allocated, and a reply that stops short or goes on past its pixels is refused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "io/decoded_bitmap.h"

namespace varlen {

inline constexpr std::uint32_t kSvgReplyDrawn = 0;
inline constexpr std::uint32_t kSvgReplyRefused = 1;
inline constexpr std::size_t kSvgReplyHeaderBytes = 16;

// The header of a reply of that kind and size.
std::vector<std::uint8_t> SvgReplyHeader(std::uint32_t kind, int width, int height);

// Reads up to n bytes into dst: the count read, 0 at the end, -1 on an error.
using SvgReplyRead = std::function<std::ptrdiff_t(std::uint8_t* dst, std::size_t n)>;

enum class SvgReplyStatus { kDrawn, kRefused, kMalformed };

struct SvgReply {
    SvgReplyStatus status = SvgReplyStatus::kMalformed;
    std::optional<DecodedBitmap> bitmap;  // 32-bit, for kDrawn only
};

// The whole reply, read to its end.
SvgReply ReadSvgReply(const SvgReplyRead& read);

}  // namespace varlen
