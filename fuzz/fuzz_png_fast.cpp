// Fuzz target: the fast PNG reading against libpng's. Whenever the fast reading delivers a
// bitmap, libpng must deliver the same one; any difference aborts. The input is tried as it
// is and again with every chunk's CRC made right, so that mutations get past the CRC
// check and reach the chunk order, the header, the zlib stream and the filters.
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <vector>

#include "io/png_fast.h"

namespace {

bool Same(const varlen::DecodedBitmap& a, const varlen::DecodedBitmap& b) {
    return a.width == b.width && a.height == b.height && a.depth == b.depth &&
           a.stride == b.stride && a.orientation == b.orientation && a.palette == b.palette &&
           a.redMask == b.redMask && a.greenMask == b.greenMask && a.blueMask == b.blueMask &&
           a.borrowedRows == nullptr && b.borrowedRows == nullptr && a.bits == b.bits;
}

void Compare(std::span<const std::uint8_t> data) {
    for (const auto how : {varlen::PngUnfilter::Best, varlen::PngUnfilter::Plain}) {
        const auto fast = varlen::DecodePngFast(data, how);
        if (!fast) {
            continue;
        }
        const auto libpng = varlen::DecodePngWithLibpng(data);
        if (!libpng || !Same(*fast, *libpng)) {
            std::fprintf(stderr, "fast PNG reading %s libpng's\n",
                         libpng ? "differs from" : "takes a file refused by");
            std::abort();
        }
    }
}

// The data with the CRC of every whole chunk after the signature recomputed.
std::vector<std::uint8_t> WithRightCrcs(std::span<const std::uint8_t> data) {
    std::vector<std::uint8_t> out(data.begin(), data.end());
    std::size_t pos = 8;
    while (out.size() >= pos && out.size() - pos >= 12) {
        const std::size_t length = (std::size_t{out[pos]} << 24) |
                                   (std::size_t{out[pos + 1]} << 16) |
                                   (std::size_t{out[pos + 2]} << 8) | out[pos + 3];
        if (length > out.size() - pos - 12) {
            break;
        }
        const auto crc = static_cast<std::uint32_t>(
            crc32(0L, out.data() + pos + 4, static_cast<uInt>(length + 4)));
        std::uint8_t* at = out.data() + pos + 8 + length;
        at[0] = static_cast<std::uint8_t>(crc >> 24);
        at[1] = static_cast<std::uint8_t>(crc >> 16);
        at[2] = static_cast<std::uint8_t>(crc >> 8);
        at[3] = static_cast<std::uint8_t>(crc);
        pos += length + 12;
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> input(data, size);
    Compare(input);
    const std::vector<std::uint8_t> fixed = WithRightCrcs(input);
    if (fixed != std::vector<std::uint8_t>(input.begin(), input.end())) {
        Compare(fixed);
    }
    return 0;
}
