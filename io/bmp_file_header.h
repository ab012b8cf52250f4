// The headers around a packed DIB (info header, masks, colour table, pixels): the 14-byte
// BMP file header that turns one into a .bmp file (clipboard image/bmp), and the info
// header of a plain 32-bit bottom-up DIB.
//
// Traps: the pixel offset must count the bit masks (BI_BITFIELDS or BI_ALPHABITFIELDS
// with a 40-byte header) and the colour table (biClrUsed, or 2^bits at 8 bits or less), or
// readers that trust it show garbage; it is worked out in 64 bits and capped at the file's
// size, so a hostile biClrUsed cannot overflow it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace varlen {

inline constexpr std::size_t kBmpFileHeaderBytes = 14;
inline constexpr std::size_t kBmpInfoHeaderBytes = 40;

// "BM", the file size (capped at 2^32 - 1) and the pixel offset for dib; empty when dib
// is too short for the header size it states or that size is unknown.
std::vector<std::uint8_t> BmpFileHeaderFor(std::span<const std::uint8_t> dib);

// A BITMAPINFOHEADER for width x height at 32 bits, BI_RGB, positive height (bottom row
// first), biSizeImage = width * 4 * height.
std::vector<std::uint8_t> Dib32InfoHeader(std::uint32_t width, std::uint32_t height);

}  // namespace varlen
