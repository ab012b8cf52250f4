// The GIF form of one palette image.
#pragma once

#include <cstdint>
#include <vector>

#include "core/icon.h"
#include "io/stream.h"

namespace varlen {

// Encodes a 4- or 8-bit icon as a GIF file into out (replacing its content): one image,
// a global colour table of all 2^bpp palette entries, the palette indices that
// CIcon::BuildBits chooses, no transparency. False (out empty) for any other depth, for a
// side above 65535, or on encoder failure.
bool EncodeGif(const CIcon& icon, std::vector<std::uint8_t>& out);

// Appends the GIF form of icon to file at its current position; a failed encoding writes
// nothing. False on encoder failure or write error.
bool WriteGif(const CIcon& icon, OutFile& file);

}  // namespace varlen
