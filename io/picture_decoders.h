// Decoders of encoded picture files (PNG, JPEG, GIF) from memory, each delivering the
// bitmap that the converter to CIcon expects. All three return nothing for data they cannot
// decode completely: truncated or corrupt data, or a picture wider or taller than
// kMaxPictureSide (checked before the pixel buffer is allocated).
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "io/decoded_bitmap.h"

namespace varlen {

// Which of the three it is, by the first bytes; Unknown otherwise.
enum class EncodedKind { Unknown, Png, Jpeg, Gif };
EncodedKind SniffEncoded(std::span<const std::uint8_t> data);

// Any PNG. What arrives:
// - an alpha channel (grey + alpha, RGBA) or a tRNS chunk: 32-bit, fourth byte alpha;
// - a palette without tRNS: indexed with its palette (1, 4 or 8 bits; a 2-bit palette
//   picture arrives as 4 bits);
// - grey of 1, 2, 4 or 8 bits without tRNS: indexed with a grey palette (1, 4, 4, 8 bits);
// - 16-bit grey and RGB of 8 or 16 bits without tRNS: 24-bit.
// 16-bit samples are scaled to 8 bits with rounding; gamma and colour chunks are ignored.
std::optional<DecodedBitmap> DecodePng(std::span<const std::uint8_t> data);

// Baseline and progressive JPEG of 1 (grey), 3 (YCbCr or RGB) or 4 (CMYK or YCCK)
// components, delivered as 24-bit. CMYK with an Adobe marker is taken as stored inverted
// (as Adobe writes it). Data that ends before the end of the picture is an error.
std::optional<DecodedBitmap> DecodeJpeg(std::span<const std::uint8_t> data);

// The first image of a GIF file as 8-bit indexed with its colour table (local, else
// global; padded with black to 256 entries; a grey ramp when the file has none). The image
// is placed at its offset on the logical screen; the screen is widened when the image
// reaches past it, and uncovered pixels get the transparent index of the image's Graphic
// Control Extension, or the background index when it has none. No colour key is applied.
std::optional<DecodedBitmap> DecodeGif(std::span<const std::uint8_t> data);

}  // namespace varlen
