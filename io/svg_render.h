// Rendering an SVG document with librsvg and cairo, from bytes to straight-alpha pixels.
//
// - The document is read from a stream over the bytes with no base file, so librsvg has no
//   location against which to resolve references: it loads no file and no URL, only data:
//   URLs embedded in the text (which the caller has checked, svg_checks.h). The parser's
//   own safety limits stay on (no RSVG_HANDLE_FLAG_UNLIMITED).
// - The document's size is taken only to find the aspect ratio; the rendered size is
//   fixed (kSvgRenderSide on the longer side), so a document that claims a huge size
//   allocates no more than any other.
// - cairo's ARGB32 pixels are premultiplied native-endian 32-bit values; they are read as
//   values (not bytes) and divided back to straight alpha with rounding.
// - Every GLib and cairo object lives in a guard, so each return path releases it.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "io/decoded_bitmap.h"
#include "io/svg_library.h"

namespace varlen {

// The document rendered as DecodeSvg delivers it; nothing when librsvg cannot read or
// draw it, or it has neither a usable size nor a viewBox.
std::optional<DecodedBitmap> RenderSvgDocument(const SvgLibrary& lib,
                                               std::span<const std::uint8_t> data);

}  // namespace varlen
