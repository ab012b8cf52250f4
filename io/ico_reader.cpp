// Icon and cursor file reader.
//
// Contract: see ReadIconFile in ico_reader.h. The file is a 6-byte header (0, type 1 for
// icons or 2 for cursors, image count) and a 16-byte directory entry per image whose last
// two fields are the image's length and offset. An image is a PNG file or a DIB in icon
// form: a BITMAPINFOHEADER whose biHeight counts the colour (XOR) rows and the AND mask
// rows together, the colour table, the colour rows and the 1-bit mask rows, both bottom
// row first and padded to 4 bytes.
//
// Traps:
// - Every length and offset may lie: the directory must lie inside the data, each image
//   within it, and an image's own header is read only when the image holds it. The DIB
//   reader checks the colour part (and the size limit) before allocating; the mask is
//   checked here against what is left of the image.
// - The directory's width, height and depth bytes are never used: 0 stands for 256 and
//   writers often put anything into the depth. Each image's own header decides.
// - A DIB image is read by the DIB reader with its biHeight halved, so it reads exactly
//   the colour rows, borrowed from the file's bytes (no copy of a large image); RLE and
//   OS/2 headers do not exist in icons and are refused.
// - A broken image (damaged PNG, rows cut short) does not sink the file: the next best
//   image is tried, down to the last one.
// - Only a 32-bit DIB image may lack its AND mask or have it cut short (some writers leave
//   it out, since alpha says everything): its alpha is used, or it is opaque when every
//   alpha byte is 0. At every other depth the mask is the transparency and must be whole.
#include "io/ico_reader.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "io/bmp_reader.h"
#include "io/icons.h"
#include "io/le_bytes.h"
#include "io/loaders.h"
#include "io/picture_decoders.h"

namespace varlen {

namespace {

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitfields = 3;
constexpr std::size_t kPngIhdrEnd = 33;    // signature, IHDR length and type, 13 data bytes
constexpr std::size_t kMinDibHeader = 40;  // BITMAPINFOHEADER

std::uint32_t Be32(std::span<const std::uint8_t> d, std::size_t at) {
    return (static_cast<std::uint32_t>(d[at]) << 24) |
           (static_cast<std::uint32_t>(d[at + 1]) << 16) |
           (static_cast<std::uint32_t>(d[at + 2]) << 8) | d[at + 3];
}

struct Candidate {
    std::span<const std::uint8_t> bytes;
    bool png = false;
    std::int64_t area = 0;
    int depth = 0;
};

// Size and depth from the image's own header; nothing when it cannot be read.
std::optional<Candidate> Inspect(std::span<const std::uint8_t> image) {
    Candidate c;
    c.bytes = image;
    if (SniffEncoded(image) == EncodedKind::Png) {
        if (image.size() < kPngIhdrEnd) {
            return std::nullopt;
        }
        const std::uint32_t w = Be32(image, 16);
        const std::uint32_t h = Be32(image, 20);
        int channels = 0;
        switch (image[25]) {  // colour type
            case 0:
            case 3:
                channels = 1;
                break;
            case 2:
                channels = 3;
                break;
            case 4:
                channels = 2;
                break;
            case 6:
                channels = 4;
                break;
            default:
                return std::nullopt;
        }
        if (w < 1 || h < 1 || w > 0x7FFFFFFFu || h > 0x7FFFFFFFu) {
            return std::nullopt;
        }
        c.png = true;
        c.area = static_cast<std::int64_t>(w) * h;
        c.depth = channels * image[24];
        return c;
    }
    if (image.size() < kMinDibHeader) {
        return std::nullopt;
    }
    const auto w = static_cast<std::int32_t>(GetU32(image, 4));
    const auto h = static_cast<std::int32_t>(GetU32(image, 8)) / 2;
    if (w < 1 || h < 1) {
        return std::nullopt;
    }
    c.area = static_cast<std::int64_t>(w) * h;
    c.depth = static_cast<int>(GetU16(image, 14));
    return c;
}

std::unique_ptr<CIcon> DecodeDibImage(std::span<const std::uint8_t> image) {
    const std::uint32_t headerSize = GetU32(image, 0);
    const int height = static_cast<std::int32_t>(GetU32(image, 8)) / 2;
    const int bpp = static_cast<int>(GetU16(image, 14));
    const std::uint32_t compression = GetU32(image, 16);
    const std::uint32_t clrUsed = GetU32(image, 32);
    if (compression != kBiRgb && compression != kBiBitfields) {
        return nullptr;
    }
    if (headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 108 &&
        headerSize != 124) {
        return nullptr;  // icons hold Windows info headers only
    }
    const std::optional<DibPicture> picture = ReadIconDib(image);
    if (!picture) {
        return nullptr;
    }
    const int width = picture->bitmap.width;

    // Where the mask starts: the same layout the DIB reader has just accepted.
    std::size_t offset = headerSize;
    if (compression == kBiBitfields && headerSize == 40) {
        offset += 12;
    }
    if (bpp <= 8) {
        offset += 4 * static_cast<std::size_t>(clrUsed != 0 ? clrUsed : 1u << bpp);
    }
    offset += CIcon::ColorStride(width, bpp) * static_cast<std::size_t>(height);
    const std::size_t maskStride = CIcon::MaskStride(width);
    const bool maskWhole = offset <= image.size() &&
                           (image.size() - offset) / maskStride >= static_cast<std::size_t>(height);
    if (!maskWhole && bpp != 32) {
        return nullptr;  // the AND mask is missing or cut short
    }

    std::unique_ptr<CIcon> icon =
        FromImage(picture->bitmap, picture->fourthByteMayBeAlpha, std::nullopt);
    if (!icon) {
        return nullptr;
    }
    if (picture->fourthByteMayBeAlpha) {
        const auto px = icon->Pixels();
        if (std::any_of(px.begin(), px.end(), [](Pixel p) { return Alpha(p) != 0; })) {
            return icon;
        }
    }
    if (!maskWhole) {
        // 32 bits without a whole mask and without alpha: nothing says transparent.
        for (Pixel& p : icon->Pixels()) {
            p |= 0xFF000000u;
        }
        return icon;
    }
    const std::span<const std::uint8_t> mask = image.subspan(offset);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* bits =
            mask.data() + static_cast<std::size_t>(height - 1 - y) * maskStride;
        Pixel* row = icon->Row(y);
        for (int x = 0; x < width; ++x) {
            const bool transparent = ((bits[x / 8] >> (7 - x % 8)) & 1) != 0;
            row[x] = (row[x] & 0x00FFFFFFu) | (transparent ? 0u : 0xFF000000u);
        }
    }
    return icon;
}

}  // namespace

std::unique_ptr<CIcon> ReadIconFile(std::span<const std::uint8_t> data) {
    if (data.size() < kIconHeaderSize || GetU16(data, 0) != 0) {
        return nullptr;
    }
    const std::uint32_t type = GetU16(data, 2);
    const std::size_t count = GetU16(data, 4);
    if ((type != 1 && type != 2) || count == 0 ||
        data.size() < kIconHeaderSize + kIconEntrySize * count) {
        return nullptr;
    }
    std::vector<Candidate> candidates;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t entry = kIconHeaderSize + kIconEntrySize * i;
        const std::size_t length = GetU32(data, entry + 8);
        const std::size_t offset = GetU32(data, entry + 12);
        if (length == 0 || offset > data.size() || length > data.size() - offset) {
            continue;
        }
        if (const std::optional<Candidate> c = Inspect(data.subspan(offset, length))) {
            candidates.push_back(*c);
        }
    }
    // Best first; a stable sort keeps directory order among equals.
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Candidate& a, const Candidate& b) {
                         return a.area != b.area ? a.area > b.area : a.depth > b.depth;
                     });
    for (const Candidate& c : candidates) {
        std::unique_ptr<CIcon> icon;
        if (c.png) {
            const std::optional<DecodedBitmap> bitmap = DecodePng(c.bytes);
            icon = bitmap ? FromImage(*bitmap, true, std::nullopt) : nullptr;
        } else {
            icon = DecodeDibImage(c.bytes);
        }
        if (icon) {
            return icon;
        }
    }
    return nullptr;
}

}  // namespace varlen
