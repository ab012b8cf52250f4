// Fuzz target: any bytes as an SVG document, through the check that the SVG drawing
// program makes before librsvg is given the document (libxml2's parse, the entity walk,
// the data: URLs and the pictures they embed).
#include <cstddef>
#include <cstdint>
#include <span>

#include "io/svg_checks.h"
#include "io/svg_library.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const varlen::SvgLibrary lib;
    if (lib.Ok()) {
        volatile bool fits = varlen::SvgEmbedsOnlyWhatFits(lib, std::span(data, size));
        (void)fits;
    }
    return 0;
}
