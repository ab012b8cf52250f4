// Test inputs: little-endian byte building, packed DIBs built field by field, and PNG,
// JPEG and GIF files made with the libraries' own encoders.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/icon.h"
#include "io/data_source.h"

namespace varlen::testdata {

using Bytes = std::vector<std::uint8_t>;

void PutU16(Bytes& b, std::uint32_t v);
void PutU32(Bytes& b, std::uint32_t v);
void SetU32(Bytes& b, std::size_t at, std::uint32_t v);

// A packed DIB: header of headerSize bytes (40, 52, 56, 108, 124, or anything for hostile
// tests; the fields past 40 are zero except the masks at 40), then the masks after a
// 40-byte header when compression is 3, then the palette, then the stored pixel bytes.
struct DibLayout {
    std::uint32_t headerSize = 40;
    std::int32_t width = 1;
    std::int32_t height = 1;
    std::uint16_t bpp = 24;
    std::uint32_t compression = 0;
    std::uint32_t clrUsed = 0;
    std::vector<std::uint32_t> masks;  // red, green, blue
    std::vector<RGBQUAD> palette;
    Bytes pixels;
};
Bytes BuildDib(const DibLayout& layout);
// A BM file: 14-byte file header (with deliberately wrong size and offset fields) + DIB.
Bytes BuildBmpFile(const Bytes& dib);

// PNG through libpng. rows holds the rows exactly as PNG stores them before filtering
// (big-endian 16-bit samples, packed low depths).
struct PngLayout {
    int width = 1;
    int height = 1;
    int colorType = 2;  // PNG_COLOR_TYPE_*
    int bitDepth = 8;
    bool interlace = false;
    std::vector<std::uint8_t> plte;       // r, g, b triples
    std::vector<std::uint8_t> trnsAlpha;  // palette: alpha per entry
    std::optional<int> trnsGrey;          // grey: the transparent level
    std::vector<Bytes> rows;
};
Bytes EncodePng(const PngLayout& layout);

// JPEG through libjpeg: components 1 (grey), 3 (RGB in, 4:4:4 YCbCr stored) or 4 (CMYK
// stored as given; adobe decides whether the Adobe marker is written).
struct JpegLayout {
    int width = 8;
    int height = 8;
    int components = 3;
    bool progressive = false;
    bool adobe = true;
    Bytes samples;  // width * height * components
};
Bytes EncodeJpeg(const JpegLayout& layout);

// GIF through giflib: screen, a global colour table, optional extensions before the one
// image, the image's indexes (top row first).
struct GifLayout {
    int screenWidth = 1;
    int screenHeight = 1;
    int background = 0;
    std::vector<std::uint8_t> globalColors;  // r, g, b triples, count a power of two
    std::vector<std::uint8_t> localColors;   // empty: none
    bool applicationExtensionFirst = false;
    std::optional<std::uint8_t> gceFlags;  // a Graphic Control Extension with these flags
    std::uint8_t gceIndex = 0;
    int left = 0, top = 0, width = 1, height = 1;
    bool interlace = false;
    Bytes indexes;
};
Bytes EncodeGif(const GifLayout& layout);

// A DataSource over a map of format name -> bytes.
class MapSource final : public DataSource {
  public:
    std::map<std::string, Bytes, std::less<>> formats;
    std::optional<std::vector<std::uint8_t>> GetData(std::string_view format) const override {
        const auto it = formats.find(format);
        if (it == formats.end()) {
            return std::nullopt;
        }
        return it->second;
    }
};

// Writes bytes to a fresh file in the test temp directory and returns its path.
std::string WriteTempFile(const std::string& name, const Bytes& bytes);

}  // namespace varlen::testdata
