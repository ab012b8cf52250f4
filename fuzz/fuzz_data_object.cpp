// Fuzz target: FromDataObject over any set of offered formats with any bytes, including
// a "Pixia_Transp" mask whose size differs from the colour DIB's (see data_object_input.h
// for the layout).
#include <cstddef>
#include <cstdint>

#include "fuzz/data_object_input.h"
#include "io/loaders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const varlen::fuzzing::BytesSource source = varlen::fuzzing::SplitDataObject({data, size});
    const auto icon = varlen::FromDataObject(source);
    if (icon) {
        volatile varlen::Pixel sum = 0;
        for (const varlen::Pixel p : icon->Pixels()) {
            sum = sum + p;
        }
    }
    return 0;
}
