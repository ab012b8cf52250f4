// Decoders of encoded picture files (PNG, JPEG, GIF, WebP, TIFF, SVG) from memory, each
// delivering the bitmap that the converter to CIcon expects. All return nothing for data
// they cannot decode completely: truncated or corrupt data, or a picture wider or taller
// than kMaxPictureSide (checked before the pixel buffer is allocated). Icon and cursor
// files are read by io/ico_reader.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "io/decoded_bitmap.h"

namespace varlen {

// Which kind of picture file it is, by its first bytes; Unknown otherwise. Icon covers
// icon and cursor files. Svg is text: after an optional UTF-8 byte order mark and white
// space the data starts with "<" and holds "<svg" within its first kSvgSniffBytes.
enum class EncodedKind { Unknown, Png, Jpeg, Gif, Webp, Tiff, Icon, Svg };
inline constexpr std::size_t kSvgSniffBytes = 64 * 1024;
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
// (as Adobe writes it). Data that ends before the end of the picture is an error. The
// orientation comes from the first APP1 "Exif" segment.
std::optional<DecodedBitmap> DecodeJpeg(std::span<const std::uint8_t> data);

// The first image of a GIF file as 8-bit indexed with its colour table (local, else
// global; padded with black to 256 entries; a grey ramp when the file has none). The image
// is placed at its offset on the logical screen; the screen is widened when the image
// reaches past it, and uncovered pixels get the transparent index of the image's Graphic
// Control Extension, or the background index when it has none. No colour key is applied.
std::optional<DecodedBitmap> DecodeGif(std::span<const std::uint8_t> data);

// WebP, lossy or lossless: 32-bit with straight alpha when the picture has alpha, else
// 24-bit. An animation delivers its first frame on the transparent canvas (32-bit unless
// that frame is opaque and covers the whole canvas). The orientation comes from the EXIF
// chunk.
std::optional<DecodedBitmap> DecodeWebp(std::span<const std::uint8_t> data);

// The first image of a TIFF (or BigTIFF) file, any layout libtiff can turn into RGBA:
// 32-bit with straight alpha when the picture has an alpha sample, else 24-bit. The
// orientation comes from the file's Orientation tag.
std::optional<DecodedBitmap> DecodeTiff(std::span<const std::uint8_t> data);

// SVG text up to kMaxSvgBytes, rendered on a transparent field so that its longer side is
// kSvgRenderSide pixels (the other side in proportion, at least 1): 32-bit with straight
// alpha. The size comes from the document's width and height, or else its viewBox; a
// document with neither is refused. Nothing outside the data is loaded (no files, no
// network); only resources embedded as data: URLs are drawn, and only PNG and JPEG
// pictures (each within kMaxPictureSide, all together within kMaxSvgEmbeddedPixels) and
// SVG documents: a document embedding anything else, or more, is refused.
inline constexpr int kSvgRenderSide = 1024;
inline constexpr std::size_t kMaxSvgBytes = 16u << 20;
inline constexpr std::int64_t kMaxSvgEmbeddedPixels =
    std::int64_t{kMaxPictureSide / 2} * (kMaxPictureSide / 2);
std::optional<DecodedBitmap> DecodeSvg(std::span<const std::uint8_t> data);

}  // namespace varlen
