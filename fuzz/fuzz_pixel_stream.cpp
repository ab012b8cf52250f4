// Fuzz target: "PBPIXEL32" data (two little-endian sizes, then 4-byte pixels).
#include <cstddef>
#include <cstdint>

#include "io/loaders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    varlen::ByteReader reader({data, size});
    const auto icon = varlen::LoadPixelStream(reader);
    if (icon && reader.GetPosition() > size) {
        __builtin_trap();  // the reader may never run past its data
    }
    return 0;
}
