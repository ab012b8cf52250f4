// Test inputs of the newer picture kinds: WebP files through libwebp's encoder and muxer,
// TIFF files through libtiff's writer (in memory), icon files and EXIF blocks built
// field by field.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "io/codec_fixtures.h"

namespace varlen::testdata {

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
