// Test inputs: little-endian byte building, packed DIBs, icon files and EXIF blocks built
// field by field; PNG, JPEG, GIF and WebP files made with the libraries' own encoders and
// TIFF files with libtiff's writer (in memory).
#pragma once

#include <cstddef>
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
// Big-endian, as PNG stores its numbers: appended, or written over b[at] ... b[at + 3].
void PutBe32(Bytes& b, std::uint32_t v);
void SetBe32(Bytes& b, std::size_t at, std::uint32_t v);
// The CRC-32 of the PNG standard over n bytes at p, bit by bit (independent of zlib, which
// the readers use).
std::uint32_t PngCrc(const std::uint8_t* p, std::size_t n);

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
    std::optional<int> filters;           // png_set_filter's PNG_FILTER_* set; else libpng's
    std::size_t idatBytes = 0;            // longest IDAT chunk (0: libpng's 8 KiB)
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

// --- WebP, TIFF, icon files, EXIF blocks ------------------------------------------------

// "Exif\0\0", then a TIFF-structured block in the given byte order whose first directory
// holds two other entries and then the Orientation tag (SHORT) with this value.
Bytes ExifBlock(int orientation, bool bigEndian);
// The JPEG with an APP1 segment holding payload inserted right after its SOI marker.
Bytes WithApp1(const Bytes& jpeg, const Bytes& payload);

// A WebP picture from tightly packed rows: blue, green, red, alpha when alpha is set,
// else blue, green, red. Lossless files keep every value (also under alpha 0).
struct WebpLayout {
    int width = 1;
    int height = 1;
    bool alpha = false;
    bool lossless = true;
    Bytes pixels;
};
Bytes EncodeWebp(const WebpLayout& layout);
// The WebP file with an EXIF chunk holding exif.
Bytes WithWebpExif(const Bytes& webp, const Bytes& exif);
// An animation: frames (each drawn at its offset, which must be even) on a canvas.
struct WebpFrame {
    WebpLayout picture;
    int x = 0;
    int y = 0;
};
Bytes EncodeWebpAnimation(int canvasWidth, int canvasHeight, const std::vector<WebpFrame>& frames);

// A TIFF file of 8-bit samples, contiguous, written by libtiff into memory. samples is 1
// (grey), 2 (grey + extra), 3 (RGB) or 4 (RGB + extra); the extra sample is of type
// extraType (EXTRASAMPLE_*). Further directories follow the first when pages is above 1,
// each a copy of the first with its samples inverted.
struct TiffLayout {
    int width = 1;
    int height = 1;
    int samples = 3;
    int extraType = 2;  // EXTRASAMPLE_UNASSALPHA
    int orientation = 1;
    int compression = 1;  // COMPRESSION_NONE
    int rowsPerStrip = 1;
    bool bigEndian = false;
    int pages = 1;
    Bytes data;  // width * height * samples
};
Bytes EncodeTiff(const TiffLayout& layout);

// An icon or cursor file (type 1 or 2) holding the images in order, with directory
// entries whose size, colour-count and depth fields are all 0.
Bytes BuildIconFile(const std::vector<Bytes>& images, int type = 1);
// A DIB in icon form: colour's header with biHeight doubled, its palette and pixel rows,
// then the AND mask rows (bottom row first, 4-byte padded).
Bytes IconDib(DibLayout colour, const Bytes& maskRows);

// The bytes in base64 with padding, for data: URLs in SVG documents.
std::string Base64(const Bytes& b);

}  // namespace varlen::testdata
