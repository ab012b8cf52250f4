// Fuzz target: a packed DIB (header, masks, palette, pixels) as the clipboard holds it.
#include <cstddef>
#include <cstdint>

#include "io/loaders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    varlen::ByteReader reader({data, size});
    const auto icon = varlen::FromDib(reader);
    if (icon) {
        volatile varlen::Pixel sum = 0;
        for (const varlen::Pixel p : icon->Pixels()) {
            sum = sum + p;
        }
    }
    return 0;
}
