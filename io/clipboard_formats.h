// Names of the clipboard and drag-and-drop formats that Varlen reads and writes. The io
// layer handles them as named byte payloads; the GUI maps each name to its platform
// format (image/bmp, image/png, or the name itself).
#pragma once

#include <string_view>

namespace varlen {

inline constexpr std::string_view kCfDib = "CF_DIB";           // a packed DIB
inline constexpr std::string_view kCfPng = "PNG";              // an encoded picture file
inline constexpr std::string_view kCfPbPixel32 = "PBPIXEL32";  // width, height, raw pixels
inline constexpr std::string_view kCfTransp = "Pixia_Transp";  // 8-bit alpha mask as a DIB

}  // namespace varlen
