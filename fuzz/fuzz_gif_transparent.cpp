// Fuzz target: the GIF transparent-colour scan over arbitrary bytes (the decoder is not
// involved, so the block walk is reached even when the rest of the file is broken).
#include <cstddef>
#include <cstdint>

#include "io/loaders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    varlen::ByteReader reader({data, size});
    const auto index = varlen::FindGifTransparentIndex(reader);
    if (index && (*index < 0 || *index > 255)) {
        __builtin_trap();
    }
    if (reader.GetPosition() > size) {
        __builtin_trap();
    }
    return 0;
}
