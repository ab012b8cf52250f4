// The BMP file header and the 32-bit info header; see bmp_file_header.h.
#include "io/bmp_file_header.h"

#include <algorithm>

#include "io/le_bytes.h"

namespace varlen {

namespace {

constexpr std::size_t kCoreHeaderBytes = 12;  // BITMAPCOREHEADER: 3-byte colour entries
constexpr std::uint32_t kBiBitfields = 3;
constexpr std::uint32_t kBiAlphaBitfields = 6;

}  // namespace

std::vector<std::uint8_t> BmpFileHeaderFor(std::span<const std::uint8_t> dib) {
    if (dib.size() < 4) {
        return {};
    }
    const std::uint32_t headerSize = GetU32(dib, 0);
    std::uint64_t tableBytes = 0;
    if (headerSize == kCoreHeaderBytes) {
        if (dib.size() < kCoreHeaderBytes) {
            return {};
        }
        const unsigned bits = GetU16(dib, 10);
        tableBytes = bits <= 8 ? (std::uint64_t{1} << bits) * 3 : 0;
    } else {
        if (headerSize < kBmpInfoHeaderBytes || dib.size() < kBmpInfoHeaderBytes) {
            return {};
        }
        const unsigned bits = GetU16(dib, 14);
        const std::uint32_t compression = GetU32(dib, 16);
        std::uint64_t colors = GetU32(dib, 32);
        if (colors == 0 && bits <= 8) {
            colors = std::uint64_t{1} << bits;
        }
        tableBytes = colors * 4;
        if (headerSize == kBmpInfoHeaderBytes) {
            if (compression == kBiBitfields) {  // red, green, blue masks
                tableBytes += 12;
            } else if (compression == kBiAlphaBitfields) {
                tableBytes += 16;
            }
        }
    }
    const std::uint64_t fileSize = kBmpFileHeaderBytes + static_cast<std::uint64_t>(dib.size());
    const std::uint64_t offset = std::min<std::uint64_t>(
        kBmpFileHeaderBytes + std::uint64_t{headerSize} + tableBytes, fileSize);
    std::vector<std::uint8_t> header;
    header.reserve(kBmpFileHeaderBytes);
    PutU8(header, 'B');
    PutU8(header, 'M');
    PutU32(header, static_cast<std::uint32_t>(std::min<std::uint64_t>(fileSize, 0xFFFFFFFFu)));
    PutU32(header, 0);  // two reserved words
    PutU32(header, static_cast<std::uint32_t>(offset));
    return header;
}

std::vector<std::uint8_t> Dib32InfoHeader(std::uint32_t width, std::uint32_t height) {
    std::vector<std::uint8_t> h;
    h.reserve(kBmpInfoHeaderBytes);
    PutU32(h, kBmpInfoHeaderBytes);
    PutU32(h, width);
    PutU32(h, height);
    PutU16(h, 1);   // planes
    PutU16(h, 32);  // bits per pixel
    PutU32(h, 0);   // BI_RGB
    PutU32(h, width * 4 * height);
    h.resize(kBmpInfoHeaderBytes, 0);  // resolution and colour counts: 0
    return h;
}

}  // namespace varlen
