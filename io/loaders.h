// Loaders: picture files, clipboard and drop payloads, and decoded bitmaps into a new
// CIcon. Every loader returns null on failure and shows nothing.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>

#include "core/icon.h"
#include "io/data_source.h"
#include "io/decoded_bitmap.h"
#include "io/stream.h"

namespace varlen {

// Files larger than this are not read (a 32-bit bitmap of the largest accepted size fits).
inline constexpr std::uintmax_t kMaxPictureFileBytes = (std::uintmax_t{1} << 30) + (1u << 20);

// A picture file: "BM" files through our bitmap reader (of the 14-byte file header only
// the pixel offset is used); PNG, JPEG, GIF, WebP, TIFF, SVG and icon or cursor files by their
// first bytes (see SniffEncoded), whatever the file's name. GIF pixels of the transparent colour
// found by FindGifTransparentIndex become transparent. JPEG, WebP and TIFF pictures that
// record an orientation arrive upright. Null when the file cannot be opened or read, is
// too large, or holds nothing we decode.
std::unique_ptr<CIcon> FromFile(const std::filesystem::path& path);

// What FromFile does with the bytes of a whole file once read: the same sniffing, decoders
// and GIF colour key, from memory.
std::unique_ptr<CIcon> FromFileData(std::span<const std::uint8_t> data);

// Clipboard or drop data, by the first case that applies, never falling back to another:
// "PBPIXEL32"; CF_DIB with "Pixia_Transp" (alpha from the mask's blue byte, 0 where the
// mask does not reach); "PNG"; CF_DIB. Null otherwise or when the chosen case fails.
std::unique_ptr<CIcon> FromDataObject(const DataSource& source);

// A packed DIB from the reader's position to its end. Only a 32-bit BI_RGB DIB keeps its
// fourth bytes as alpha, and only when at least one of them is not 0; otherwise the
// picture is opaque.
std::unique_ptr<CIcon> FromDib(ByteReader& reader);

// An encoded picture (any kind FromFile reads, a "BM" file included) from the reader's
// position to its end, alpha kept, turned upright, no colour key.
std::unique_ptr<CIcon> FromEncoded(ByteReader& reader);

// "PBPIXEL32" data: width and height (little-endian signed 32-bit), then width x height
// pixels of 4 bytes (blue, green, red, alpha), top row first. Null when either size field
// is short, or a size is below 1 or above kMaxPictureSide; pixels the data does not hold
// stay 0.
std::unique_ptr<CIcon> LoadPixelStream(ByteReader& reader);

// Converts a delivered bitmap to a CIcon of its depth (with its palette at 8 bits or
// less). At 32 bits the fourth byte is alpha when keepAlpha is set, else alpha is 255;
// every other depth is opaque. With a colour key, pixels whose red, green and blue equal
// the key's become transparent. Null for an unsupported depth or an inconsistent bitmap.
std::unique_ptr<CIcon> FromImage(const DecodedBitmap& bitmap, bool keepAlpha,
                                 std::optional<Pixel> colorKey);

// The transparent palette index of a GIF file: the first Graphic Control Extension before
// the first image, if its transparency flag is set. Reads from the start of the reader's
// data; nothing when there is none or the data ends first.
std::optional<int> FindGifTransparentIndex(ByteReader& reader);

}  // namespace varlen
