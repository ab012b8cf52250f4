// The PNG form of one image: a complete PNG file keeping the image's pixel format.
#pragma once

#include <cstdint>
#include <vector>

#include "core/icon.h"
#include "io/stream.h"

namespace varlen {

// Encodes icon as a PNG file into out (replacing its content): 32 bits as RGBA with straight
// alpha, 24 bits as RGB, 4 and 8 bits as a palette image of that bit depth carrying all
// 2^bpp palette entries. The samples come from the colour bits of CIcon::BuildBits, so
// transparent 24-bit pixels are black and palette images use BuildBits' indices. Other
// depths fail. False (out left empty) on any encoder failure.
bool EncodePng(const CIcon& icon, std::vector<std::uint8_t>& out);

// Appends the PNG form of icon to file at its current position. Encodes fully in memory
// first, so a failed encoding writes nothing; false on encoder failure or write error.
bool WritePng(const CIcon& icon, OutFile& file);

}  // namespace varlen
