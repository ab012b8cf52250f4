// Icon (.ico) and cursor (.cur) files as picture input: one image of the file.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "core/icon.h"

namespace varlen {

// The decodable image of an icon or cursor file with the largest area, and among equal areas the
// greatest depth (the first in the directory when those tie too). Sizes and depths are
// taken from each image's own header (the directory's size bytes may say 0 for 256, and
// its depth fields are often wrong); images whose header cannot be read are passed over.
//
// A PNG image is decoded as a PNG file. A DIB image arrives at its own depth with its
// palette; alpha comes from its 32-bit pixels when it has any that are not 0, otherwise
// from its AND mask (bit set: transparent); a 32-bit image without a whole mask takes its
// alpha, or is opaque when all alpha is 0. When the best image cannot be decoded the next
// best is tried, and so on. Null when the directory is malformed or no image can be
// decoded (malformed, truncated, or larger than kMaxPictureSide).
std::unique_ptr<CIcon> ReadIconFile(std::span<const std::uint8_t> data);

}  // namespace varlen
