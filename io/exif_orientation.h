// The orientation a camera records for its picture (EXIF tag 0x0112), and the transform
// that turns a picture stored that way upright.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "core/icon.h"

namespace varlen {

// The Orientation value (1 ... 8) of the first image directory of a TIFF-structured EXIF
// block (byte order "II" or "MM"), optionally preceded by "Exif\0\0" as in a JPEG APP1
// segment. 1 (stored upright) when the block is malformed or holds no usable value.
int ExifOrientation(std::span<const std::uint8_t> block);

// Turns a picture whose rows are stored in the given orientation upright:
//   1 as stored                 5 transposed (rows become columns)
//   2 mirrored left-right       6 rotated 90 degrees clockwise
//   3 rotated 180 degrees       7 transposed across the other diagonal
//   4 mirrored top-bottom       8 rotated 90 degrees anticlockwise
// 5 to 8 swap width and height. Depth and palette are kept. Any other value, or null,
// returns the argument unchanged.
std::unique_ptr<CIcon> TurnUpright(std::unique_ptr<CIcon> icon, int orientation);

}  // namespace varlen
