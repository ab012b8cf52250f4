// The DIB form of one image: BITMAPINFOHEADER, colour table, colour (XOR) bits and, in
// icon form, the transparency (AND) mask — the bytes an icon or cursor entry stores.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/icon.h"
#include "io/stream.h"

namespace varlen {

// Size of a BITMAPINFOHEADER.
inline constexpr std::uint32_t kBitmapInfoHeaderSize = 40;

// Appends the DIB form of icon to file at its current position. With iconForm, biHeight is
// twice the height and the AND mask follows the colour bits; without it (the plain form of
// bitmap files and the clipboard) the colour bits end the data. False on a write error or
// when the image is too large for the 32-bit size fields; the file may then hold part of
// the data.
bool WriteDib(const CIcon& icon, OutFile& file, bool iconForm);

// The BITMAPINFOHEADER (40 bytes) followed by the colour table (2^bpp entries for 8 bits
// or less), as WriteDib writes them. Empty when the colour bits would not fit the 32-bit
// biSizeImage field.
std::vector<std::uint8_t> DibHeaderAndPalette(const CIcon& icon, bool iconForm);

// Number of bytes of the colour table: 4 * 2^bpp for 8 bits or less, else 0.
std::size_t ColorTableBytes(const CIcon& icon);

}  // namespace varlen
