// Fuzz target: a whole picture file in memory, as FromFile reads it. The sniffing sends
// the bytes to the bitmap reader, the PNG, JPEG, GIF, WebP, TIFF or SVG decoder or the
// icon reader, GIFs also through the transparent-colour scan, and JPEG, WebP and TIFF
// pictures through the EXIF orientation parser and the turn upright.
#include <cstddef>
#include <cstdint>

#include "io/loaders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto icon = varlen::FromFileData({data, size});
    if (icon) {
        // Touch every pixel so a wrong size shows up as a bad read.
        volatile varlen::Pixel sum = 0;
        for (const varlen::Pixel p : icon->Pixels()) {
            sum = sum + p;
        }
    }
    return 0;
}
