// The byte payloads of one image on the clipboard (CopyToClipboard): the GUI maps each
// format name to its platform format and hands over the bytes.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "core/icon.h"

namespace varlen {

struct ClipboardPayload {
    std::string_view format;  // one of the names of io/clipboard_formats.h
    std::vector<std::uint8_t> bytes;
};

// In this order: CF_DIB (the plain DIB form), "PNG" (left out when the PNG form fails),
// and for 32 bits "PBPIXEL32" (width, height, pixels) and "Pixia_Transp" (the alpha as an
// 8-bit grey DIB). Empty when even the CF_DIB form cannot be made (copy abandoned).
std::vector<ClipboardPayload> ClipboardPayloads(const CIcon& icon);

// The "PBPIXEL32" block: width and height (little-endian 32-bit), then every pixel as
// blue, green, red, alpha, top row first.
std::vector<std::uint8_t> PixelStreamPayload(const CIcon& icon);
// The "Pixia_Transp" block: BITMAPINFOHEADER of an 8-bit bottom-up DIB, a 256-entry grey
// table (i, i, i, 0), then rows of each pixel's alpha padded to 4 bytes with zeros.
// Empty when the image is too large for the 32-bit size field.
std::vector<std::uint8_t> TransparencyPayload(const CIcon& icon);

}  // namespace varlen
