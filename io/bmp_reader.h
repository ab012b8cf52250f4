// Our own reader of packed device-independent bitmaps (the body of a BM file after its
// 14-byte file header, and the CF_DIB clipboard format).
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "io/decoded_bitmap.h"

namespace varlen {

struct DibPicture {
    DecodedBitmap bitmap;
    // True only for 32-bit BI_RGB data: the only kind whose fourth byte may carry alpha.
    bool fourthByteMayBeAlpha = false;
};

// Decodes a packed DIB that starts with its info header. Accepts info headers of 40, 52,
// 56, 108 and 124 bytes and the OS/2 headers of 12, 16 and 64 bytes; depths 1, 4, 8, 16, 24 and 32;
// BI_RGB, BI_RLE8 (8 bits), BI_RLE4 (4 bits) and BI_BITFIELDS (16 and 32 bits); bottom-up and
// top-down rows. Returns nothing for anything else and for every inconsistent or truncated input.
//
// What is delivered: indexed and 24-bit pictures and 32-bit BI_RGB unchanged; 16-bit
// pictures with their channel masks (5-5-5 for BI_RGB); 32-bit BI_BITFIELDS converted to
// blue, green, red and a fourth byte 0 (it is never alpha). RLE pictures arrive as 8- or
// 4-bit indexed rows; pixels that the RLE data skips get index 0.
// pixelOffset: where a BM file's header says the pixels start, counted from the start of
// dib; used when it lies past the header and colour table and inside dib. With borrow set,
// uncompressed rows that arrive unchanged are not copied: the bitmap borrows them from dib
// (see DecodedBitmap::borrowedRows), which must then outlive it.
std::optional<DibPicture> ReadPackedDib(std::span<const std::uint8_t> dib,
                                        std::optional<std::size_t> pixelOffset = std::nullopt,
                                        bool borrow = false);

// An icon's DIB image: biHeight counts the colour rows and the AND mask rows together, and
// only the colour rows (half of it, a Windows info header of 40 bytes or more) are read.
// Rows that arrive unchanged are borrowed from dib, which must outlive the bitmap.
std::optional<DibPicture> ReadIconDib(std::span<const std::uint8_t> dib);

}  // namespace varlen
