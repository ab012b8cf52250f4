// Packed DIB reader.
//
// Contract: the input is a BITMAPINFOHEADER (or one of its longer versions, 52, 56, 108 or
// 124 bytes: biSize says which), an OS/2 1.x BITMAPCOREHEADER (12 bytes: 16-bit width and
// height, bottom-up rows, 3-byte colour table entries, no compression) or an OS/2 2.x
// header (64 bytes, or the first 16 of them), followed by the colour table or bit-field
// masks and the pixel rows. The pixel data starts right after the header, the masks (only
// when a 40-byte header announces BI_BITFIELDS; longer headers hold them inside) and the
// colour table, or at the file's pixel offset (bfOffBits) when that lies further on and
// inside the data. The colour table exists only at 8 bits or less and has biClrUsed entries, or
// 2^bits when biClrUsed is 0; for deeper pictures biClrUsed is ignored and no table is
// skipped, which is how the 40-byte case has always been laid out.
//
// Traps:
// - In the OS/2 2.x header compression 3 and 4 mean Huffman 1D and RLE24, not bit fields:
//   both are refused. A core header has no colour count; its table is 2^bits entries or
//   ends early where the pixel offset says the pixels begin.
// - A pixel offset inside the header or table, or past the data, is ignored.
// - Every header field may lie. Width, height and depth are checked before anything is
//   allocated; biClrUsed above 2^bits, a table or pixel rows running past the data, and
//   bit-field masks with holes are all errors. biSizeImage is never trusted.
// - biHeight is negative for top-down rows; its magnitude is taken in 64 bits so that
//   INT32_MIN cannot overflow. RLE is only defined bottom-up.
// - A colour table shorter than 2^bits is padded with black, so an index past the table
//   maps to black instead of reading outside it.
// - RLE: a run or a literal that passes the end of its row, a pixel or delta beyond the
//   last row, or data that ends before the end-of-bitmap code rejects the whole picture.
#include "io/bmp_reader.h"
#include "io/le_bytes.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace varlen {

namespace {

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiRle4 = 2;
constexpr std::uint32_t kBiBitfields = 3;

constexpr std::uint32_t kCoreHeader = 12;      // OS/2 1.x BITMAPCOREHEADER
constexpr std::uint32_t kOs2ShortHeader = 16;  // OS/2 2.x header cut after the bit count
constexpr std::uint32_t kOs2Header = 64;       // OS/2 2.x BITMAPINFOHEADER2

bool ValidHeaderSize(std::uint32_t size) {
    return size == kCoreHeader || size == kOs2ShortHeader || size == 40 || size == 52 ||
           size == 56 || size == kOs2Header || size == 108 || size == 124;
}

// Row stride of the stored rows: each row padded to a multiple of 4 bytes.
std::size_t StoredStride(int width, int bpp) {
    return ((static_cast<std::size_t>(width) * static_cast<std::size_t>(bpp) + 31) / 32) * 4;
}

void SetIndex(DecodedBitmap& bmp, int x, int row, int index) {
    std::uint8_t* line = bmp.bits.data() + static_cast<std::size_t>(row) * bmp.stride;
    if (bmp.depth == 8) {
        line[x] = static_cast<std::uint8_t>(index);
    } else {
        std::uint8_t& b = line[x / 2];
        if (x % 2 == 0) {
            b = static_cast<std::uint8_t>((b & 0x0F) | (index << 4));
        } else {
            b = static_cast<std::uint8_t>((b & 0xF0) | (index & 0x0F));
        }
    }
}

// Decodes RLE8 or RLE4 data into bmp (already sized, all indexes 0). y counts lines from
// the bottom as the data does.
bool DecodeRle(std::span<const std::uint8_t> d, DecodedBitmap& bmp, bool rle4) {
    const int w = bmp.width;
    const int h = bmp.height;
    std::size_t pos = 0;
    int x = 0;
    int y = 0;
    for (;;) {
        if (d.size() - pos < 2) {
            return false;  // ended before the end-of-bitmap code
        }
        const int count = d[pos];
        const int value = d[pos + 1];
        pos += 2;
        if (count > 0) {
            if (y >= h || count > w - x) {
                return false;
            }
            for (int i = 0; i < count; ++i) {
                const int index = rle4 ? ((i % 2 == 0) ? (value >> 4) : (value & 0x0F)) : value;
                SetIndex(bmp, x + i, h - 1 - y, index);
            }
            x += count;
        } else if (value == 0) {  // end of line
            x = 0;
            ++y;
            if (y > h) {
                return false;
            }
        } else if (value == 1) {  // end of bitmap
            return true;
        } else if (value == 2) {  // delta
            if (d.size() - pos < 2) {
                return false;
            }
            x += d[pos];
            y += d[pos + 1];
            pos += 2;
            if (x > w || y > h) {
                return false;
            }
        } else {  // literal pixels, padded to a 16-bit boundary
            const int n = value;
            const std::size_t bytes =
                rle4 ? static_cast<std::size_t>((n + 1) / 2) : static_cast<std::size_t>(n);
            const std::size_t padded = bytes + (bytes & 1);
            if (d.size() - pos < padded || y >= h || n > w - x) {
                return false;
            }
            for (int i = 0; i < n; ++i) {
                const std::uint8_t b = d[pos + static_cast<std::size_t>(rle4 ? i / 2 : i)];
                const int index = rle4 ? ((i % 2 == 0) ? (b >> 4) : (b & 0x0F)) : b;
                SetIndex(bmp, x + i, h - 1 - y, index);
            }
            x += n;
            pos += padded;
        }
    }
}

std::optional<DibPicture> ReadDib(std::span<const std::uint8_t> dib,
                                  std::optional<std::size_t> pixelOffset, bool borrow,
                                  bool iconRows) {
    if (dib.size() < 12) {
        return std::nullopt;
    }
    const std::uint32_t headerSize = GetU32(dib, 0);
    if (!ValidHeaderSize(headerSize) || dib.size() < headerSize) {
        return std::nullopt;
    }
    std::int32_t width = 0;
    std::int64_t rawHeight = 0;
    int bpp = 0;
    std::uint32_t compression = kBiRgb;
    std::uint32_t clrUsed = 0;
    std::size_t entryBytes = 4;  // RGBQUAD; the OS/2 1.x core header has RGBTRIPLE entries
    if (headerSize == kCoreHeader) {
        width = GetU16(dib, 4);
        rawHeight = GetU16(dib, 6);
        bpp = GetU16(dib, 10);
        entryBytes = 3;
    } else if (headerSize == kOs2ShortHeader) {
        width = GetI32(dib, 4);
        rawHeight = GetI32(dib, 8);
        bpp = GetU16(dib, 14);
    } else {
        width = GetI32(dib, 4);
        rawHeight = iconRows ? GetI32(dib, 8) / 2 : GetI32(dib, 8);
        bpp = GetU16(dib, 14);
        compression = GetU32(dib, 16);
        clrUsed = GetU32(dib, 32);
        // In the OS/2 2.x header, 3 and 4 are Huffman 1D and RLE24, which are not read.
        if (headerSize == kOs2Header && compression >= kBiBitfields) {
            return std::nullopt;
        }
    }
    if (headerSize == kCoreHeader && bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24) {
        return std::nullopt;
    }

    const bool topDown = rawHeight < 0;
    const std::int64_t absHeight = topDown ? -rawHeight : rawHeight;
    if (width <= 0 || width > kMaxPictureSide || absHeight == 0 || absHeight > kMaxPictureSide) {
        return std::nullopt;
    }
    const int height = static_cast<int>(absHeight);
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) {
        return std::nullopt;
    }
    switch (compression) {
        case kBiRgb:
            break;
        case kBiRle8:
            if (bpp != 8 || topDown) {
                return std::nullopt;
            }
            break;
        case kBiRle4:
            if (bpp != 4 || topDown) {
                return std::nullopt;
            }
            break;
        case kBiBitfields:
            if (bpp != 16 && bpp != 32) {
                return std::nullopt;
            }
            break;
        default:
            return std::nullopt;
    }

    std::size_t offset = headerSize;
    std::uint32_t masks[3] = {0, 0, 0};
    if (compression == kBiBitfields) {
        const std::size_t at = 40;  // right after a 40-byte header, inside a longer one
        if (dib.size() < at + 12) {
            return std::nullopt;
        }
        for (int i = 0; i < 3; ++i) {
            masks[i] = GetU32(dib, at + 4 * static_cast<std::size_t>(i));
        }
        if (headerSize == 40) {
            offset += 12;
        }
    } else if (bpp == 16) {
        masks[0] = 0x7C00;
        masks[1] = 0x03E0;
        masks[2] = 0x001F;
    }
    ChannelField fields[3];
    for (int i = 0; i < 3; ++i) {
        if (!ChannelField::Make(masks[i], fields[i])) {
            return std::nullopt;
        }
    }
    if (compression == kBiBitfields) {
        const std::uint32_t all = masks[0] | masks[1] | masks[2];
        if (all == 0 || (bpp == 16 && all > 0xFFFF)) {
            return std::nullopt;
        }
    }

    DibPicture out;
    DecodedBitmap& bmp = out.bitmap;
    bmp.width = width;
    bmp.height = height;
    bmp.depth = bpp;
    if (bpp <= 8) {
        const std::uint32_t full = 1u << bpp;
        if (clrUsed > full) {
            return std::nullopt;
        }
        std::uint32_t count = clrUsed != 0 ? clrUsed : full;
        if (headerSize == kCoreHeader && pixelOffset && *pixelOffset >= offset &&
            *pixelOffset < offset + count * entryBytes) {
            // A core header has no colour count: the table ends where the pixels begin.
            count = static_cast<std::uint32_t>((*pixelOffset - offset) / entryBytes);
        }
        if (dib.size() - offset < static_cast<std::size_t>(count) * entryBytes) {
            return std::nullopt;
        }
        bmp.palette.assign(full, RGBQUAD{});
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::size_t at = offset + static_cast<std::size_t>(i) * entryBytes;
            bmp.palette[i] = RGBQUAD{dib[at], dib[at + 1], dib[at + 2], 0};
        }
        offset += static_cast<std::size_t>(count) * entryBytes;
    }
    if (pixelOffset && *pixelOffset >= offset && *pixelOffset <= dib.size()) {
        offset = *pixelOffset;  // a gap between the table and the pixels
    }
    const std::span<const std::uint8_t> pixels = dib.subspan(offset);

    if (compression == kBiRle8 || compression == kBiRle4) {
        bmp.stride = PackedRowBytes(width, bpp);
        bmp.bits.assign(bmp.stride * static_cast<std::size_t>(height), 0);
        if (!DecodeRle(pixels, bmp, compression == kBiRle4)) {
            return std::nullopt;
        }
        return out;
    }

    const std::size_t srcStride = StoredStride(width, bpp);
    if (pixels.size() / srcStride < static_cast<std::size_t>(height)) {
        return std::nullopt;  // truncated pixel rows
    }
    auto sourceRow = [&](int y) {
        const int stored = topDown ? y : height - 1 - y;
        return pixels.data() + static_cast<std::size_t>(stored) * srcStride;
    };

    if (bpp == 32 && compression == kBiBitfields) {
        bmp.stride = static_cast<std::size_t>(width) * 4;
        bmp.bits.resize(bmp.stride * static_cast<std::size_t>(height));
        for (int y = 0; y < height; ++y) {
            const std::uint8_t* src = sourceRow(y);
            std::uint8_t* dst = bmp.bits.data() + static_cast<std::size_t>(y) * bmp.stride;
            for (int x = 0; x < width; ++x) {
                const std::uint32_t p =
                    GetU32(std::span(src, srcStride), static_cast<std::size_t>(x) * 4);
                dst[4 * x + 0] = static_cast<std::uint8_t>(fields[2].Expand(p));
                dst[4 * x + 1] = static_cast<std::uint8_t>(fields[1].Expand(p));
                dst[4 * x + 2] = static_cast<std::uint8_t>(fields[0].Expand(p));
                dst[4 * x + 3] = 0;
            }
        }
        return out;
    }

    bmp.stride = srcStride;
    if (borrow) {
        bmp.borrowedRows = sourceRow(0);
        bmp.borrowedStep = topDown ? static_cast<std::ptrdiff_t>(srcStride)
                                   : -static_cast<std::ptrdiff_t>(srcStride);
    } else {
        bmp.bits.resize(srcStride * static_cast<std::size_t>(height));
    }
    for (int y = 0; y < height && !borrow; ++y) {
        const std::uint8_t* src = sourceRow(y);
        std::copy(src, src + srcStride,
                  bmp.bits.begin() +
                      static_cast<std::ptrdiff_t>(static_cast<std::size_t>(y) * srcStride));
    }
    if (bpp == 16) {
        bmp.redMask = masks[0];
        bmp.greenMask = masks[1];
        bmp.blueMask = masks[2];
    }
    out.fourthByteMayBeAlpha = bpp == 32 && compression == kBiRgb;
    return out;
}

}  // namespace

std::optional<DibPicture> ReadPackedDib(std::span<const std::uint8_t> dib,
                                        std::optional<std::size_t> pixelOffset, bool borrow) {
    return ReadDib(dib, pixelOffset, borrow, false);
}

std::optional<DibPicture> ReadIconDib(std::span<const std::uint8_t> dib) {
    if (dib.size() < 12 || GetU32(dib, 0) < 40) {
        return std::nullopt;
    }
    return ReadDib(dib, std::nullopt, true, true);
}

}  // namespace varlen
