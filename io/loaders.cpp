// Loaders from files, clipboard payloads and decoded bitmaps into CIcon.
//
// Contract:
// - FromImage is the one place where a delivered bitmap becomes 32-bit ARGB pixels: indexed
//   rows through the (2^depth-entry) palette, most significant bits first also in a row's
//   last, partly used byte; 16-bit pixels through their masks, each channel widened to 8
//   bits by repeating its bits; 24-bit opaque; 32-bit with the fourth byte as alpha only
//   when asked. A colour key then clears alpha of every pixel whose colour equals it.
// - FromDib keeps alpha only for 32-bit BI_RGB data and, even then, makes the picture
//   opaque when every fourth byte is 0 (such DIBs simply do not use the byte).
// - FromDataObject takes the first case that applies and never tries another format when
//   the chosen one fails.
// - Picture files go to the decoder their first bytes name; icon and cursor files to the
//   icon reader. A decoded picture stored turned (EXIF or TIFF orientation) is turned
//   upright after conversion, so every loader delivers it as it is meant to be seen.
// - FindGifTransparentIndex walks the GIF blocks itself: only the first Graphic Control
//   Extension before the first image counts.
//
// Traps:
// - Nothing here trusts a size field: the bitmap's stride and buffer are checked against
//   its width, height and depth before conversion, PBPIXEL32 sizes against
//   kMaxPictureSide before the image is made, and the GIF scan stops at the end of the data.
// - Files are read whole into memory, but never more than kMaxPictureFileBytes.
#include "io/loaders.h"

#include <algorithm>
#include <fstream>
#include <span>
#include <vector>

#include "io/bmp_reader.h"
#include "io/clipboard_formats.h"
#include "io/exif_orientation.h"
#include "io/ico_reader.h"
#include "io/picture_decoders.h"

namespace varlen {

namespace {

bool ReadByte(ByteReader& r, std::uint8_t& v) {
    return r.Read(&v, 1) == 1;
}

bool ReadS32(ByteReader& r, std::int32_t& v) {
    std::uint8_t b[4];
    if (r.Read(b, 4) != 4) {
        return false;
    }
    v = static_cast<std::int32_t>(
        static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
        (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24));
    return true;
}

Pixel PalettePixel(const RGBQUAD& q) {
    return MakePixel(255, q.rgbRed, q.rgbGreen, q.rgbBlue);
}

bool ConsistentBitmap(const DecodedBitmap& b) {
    const int d = b.depth;
    if (d != 1 && d != 4 && d != 8 && d != 16 && d != 24 && d != 32) {
        return false;
    }
    if (b.width < 1 || b.height < 1 || b.width > kMaxPictureSide || b.height > kMaxPictureSide) {
        return false;
    }
    if (b.stride < PackedRowBytes(b.width, d) ||
        (b.borrowedRows == nullptr &&
         b.bits.size() / b.stride < static_cast<std::size_t>(b.height))) {
        return false;
    }
    if (d <= 8 ? b.palette.size() != (std::size_t{1} << d) : !b.palette.empty()) {
        return false;
    }
    return true;
}

void ConvertRow(const DecodedBitmap& b, const std::uint8_t* src, Pixel* dst, bool keepAlpha,
                const ChannelField* fields) {
    const int w = b.width;
    switch (b.depth) {
        case 1:
        case 4:
        case 8: {
            const int perByte = 8 / b.depth;
            const int maskBits = (1 << b.depth) - 1;
            for (int x = 0; x < w; ++x) {
                const int shift = b.depth * (perByte - 1 - x % perByte);
                const int index = (src[x / perByte] >> shift) & maskBits;
                dst[x] = PalettePixel(b.palette[static_cast<std::size_t>(index)]);
            }
            break;
        }
        case 16:
            for (int x = 0; x < w; ++x) {
                const std::uint32_t p = static_cast<std::uint32_t>(src[2 * x]) |
                                        (static_cast<std::uint32_t>(src[2 * x + 1]) << 8);
                dst[x] =
                    MakePixel(255, fields[0].Expand(p), fields[1].Expand(p), fields[2].Expand(p));
            }
            break;
        case 24:
            for (int x = 0; x < w; ++x) {
                dst[x] = MakePixel(255, src[3 * x + 2], src[3 * x + 1], src[3 * x]);
            }
            break;
        default:  // 32
            for (int x = 0; x < w; ++x) {
                const int a = keepAlpha ? src[4 * x + 3] : 255;
                dst[x] = MakePixel(a, src[4 * x + 2], src[4 * x + 1], src[4 * x]);
            }
            break;
    }
}

std::unique_ptr<CIcon> FromDibBytes(std::span<const std::uint8_t> dib,
                                    std::optional<std::size_t> pixelOffset = std::nullopt) {
    // The rows are converted straight from dib: no copy of a large picture is made.
    const std::optional<DibPicture> picture = ReadPackedDib(dib, pixelOffset, true);
    if (!picture) {
        return nullptr;
    }
    const bool keepAlpha = picture->fourthByteMayBeAlpha;
    std::unique_ptr<CIcon> icon = FromImage(picture->bitmap, keepAlpha, std::nullopt);
    if (icon && keepAlpha) {
        const auto px = icon->Pixels();
        const bool anyAlpha =
            std::any_of(px.begin(), px.end(), [](Pixel p) { return Alpha(p) != 0; });
        if (!anyAlpha) {
            for (Pixel& p : px) {
                p |= 0xFF000000u;
            }
        }
    }
    return icon;
}

// A whole picture file in memory; the GIF colour key is applied only when asked (files).
std::unique_ptr<CIcon> FromPictureBytes(std::span<const std::uint8_t> data, bool gifColorKey) {
    if (data.size() >= 2 && data[0] == 'B' && data[1] == 'M') {
        if (data.size() < 14) {
            return nullptr;
        }
        // bfOffBits counts from the start of the file; the DIB starts after 14 bytes.
        const std::uint32_t offBits = static_cast<std::uint32_t>(data[10]) |
                                      (static_cast<std::uint32_t>(data[11]) << 8) |
                                      (static_cast<std::uint32_t>(data[12]) << 16) |
                                      (static_cast<std::uint32_t>(data[13]) << 24);
        const std::optional<std::size_t> pixelOffset =
            offBits >= 14 ? std::optional<std::size_t>(offBits - 14) : std::nullopt;
        return FromDibBytes(data.subspan(14), pixelOffset);
    }
    std::optional<DecodedBitmap> bitmap;
    std::optional<Pixel> key;
    switch (SniffEncoded(data)) {
        case EncodedKind::Png:
            bitmap = DecodePng(data);
            break;
        case EncodedKind::Jpeg:
            bitmap = DecodeJpeg(data);
            break;
        case EncodedKind::Gif:
            bitmap = DecodeGif(data);
            if (bitmap && gifColorKey) {
                ByteReader scan(data);
                const std::optional<int> index = FindGifTransparentIndex(scan);
                if (index && static_cast<std::size_t>(*index) < bitmap->palette.size()) {
                    const RGBQUAD& q = bitmap->palette[static_cast<std::size_t>(*index)];
                    key = MakePixel(0, q.rgbRed, q.rgbGreen, q.rgbBlue);
                }
            }
            break;
        case EncodedKind::Webp:
            bitmap = DecodeWebp(data);
            break;
        case EncodedKind::Tiff:
            bitmap = DecodeTiff(data);
            break;
        case EncodedKind::Svg:
            bitmap = DecodeSvg(data);
            break;
        case EncodedKind::Icon:
            return ReadIconFile(data);
        case EncodedKind::Unknown:
            return nullptr;
    }
    if (!bitmap) {
        return nullptr;
    }
    std::unique_ptr<CIcon> icon = FromImage(*bitmap, true, key);
    const int orientation = bitmap->orientation;
    bitmap.reset();  // before a turn by 90 degrees makes a second picture
    return TurnUpright(std::move(icon), orientation);
}

std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (!in || size < 0 || static_cast<std::uintmax_t>(size) > kMaxPictureFileBytes) {
        return std::nullopt;
    }
    in.seekg(0, std::ios::beg);
    std::vector<std::uint8_t> data(static_cast<std::size_t>(size));
    if (size > 0) {
        in.read(reinterpret_cast<char*>(data.data()), size);
        if (!in || in.gcount() != size) {
            return std::nullopt;
        }
    }
    return data;
}

}  // namespace

std::unique_ptr<CIcon> FromImage(const DecodedBitmap& bitmap, bool keepAlpha,
                                 std::optional<Pixel> colorKey) {
    if (!ConsistentBitmap(bitmap)) {
        return nullptr;
    }
    ChannelField fields[3];
    if (bitmap.depth == 16) {
        std::uint32_t masks[3] = {bitmap.redMask, bitmap.greenMask, bitmap.blueMask};
        if ((masks[0] | masks[1] | masks[2]) == 0) {
            masks[0] = 0x7C00;
            masks[1] = 0x03E0;
            masks[2] = 0x001F;
        }
        for (int i = 0; i < 3; ++i) {
            if (!ChannelField::Make(masks[i], fields[i])) {
                return nullptr;
            }
        }
    }
    std::unique_ptr<CIcon> icon = CreateIcon(bitmap.width, bitmap.height, bitmap.depth);
    if (!icon) {
        return nullptr;
    }
    if (bitmap.depth <= 8) {
        const auto palette = icon->Palette();
        for (std::size_t i = 0; i < palette.size(); ++i) {
            const RGBQUAD& q = bitmap.palette[i];
            palette[i] = RGBQUAD{q.rgbBlue, q.rgbGreen, q.rgbRed, 0};
        }
    }
    for (int y = 0; y < bitmap.height; ++y) {
        ConvertRow(bitmap, bitmap.Row(y), icon->Row(y), keepAlpha, fields);
    }
    if (colorKey) {
        const Pixel key = *colorKey & 0x00FFFFFFu;
        for (Pixel& p : icon->Pixels()) {
            if ((p & 0x00FFFFFFu) == key) {
                p &= 0x00FFFFFFu;
            }
        }
    }
    return icon;
}

std::unique_ptr<CIcon> FromDib(ByteReader& reader) {
    const std::span<const std::uint8_t> dib = reader.Remaining();
    reader.Seek(reader.GetLength());
    return FromDibBytes(dib);
}

std::unique_ptr<CIcon> FromEncoded(ByteReader& reader) {
    const std::span<const std::uint8_t> data = reader.Remaining();
    reader.Seek(reader.GetLength());
    return FromPictureBytes(data, false);
}

std::unique_ptr<CIcon> FromFile(const std::filesystem::path& path) {
    const std::optional<std::vector<std::uint8_t>> data = ReadWholeFile(path);
    if (!data) {
        return nullptr;
    }
    return FromFileData(*data);
}

std::unique_ptr<CIcon> FromFileData(std::span<const std::uint8_t> data) {
    return FromPictureBytes(data, true);
}

std::unique_ptr<CIcon> LoadPixelStream(ByteReader& reader) {
    std::int32_t width = 0;
    std::int32_t height = 0;
    if (!ReadS32(reader, width) || !ReadS32(reader, height)) {
        return nullptr;
    }
    if (width < 1 || height < 1 || width > kMaxPictureSide || height > kMaxPictureSide) {
        return nullptr;
    }
    std::unique_ptr<CIcon> icon = CreateIcon(width, height, 32);
    if (!icon) {
        return nullptr;
    }
    const std::span<const std::uint8_t> bytes = reader.Remaining();
    const std::size_t count = std::min(icon->PixelCount(), bytes.size() / 4);
    const auto px = icon->Pixels();
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* b = bytes.data() + 4 * i;
        px[i] = MakePixel(b[3], b[2], b[1], b[0]);
    }
    reader.Skip(count * 4);
    return icon;
}

std::optional<int> FindGifTransparentIndex(ByteReader& reader) {
    std::uint8_t packed = 0;
    if (!reader.Seek(10) || !ReadByte(reader, packed) || !reader.Skip(2)) {
        return std::nullopt;
    }
    if ((packed & 0x80) != 0 && !reader.Skip(3u * (1u << ((packed & 7) + 1)))) {
        return std::nullopt;
    }
    std::uint8_t introducer = 0;
    std::uint8_t label = 0;
    if (!ReadByte(reader, introducer) || !ReadByte(reader, label)) {
        return std::nullopt;
    }
    while (introducer == 0x21) {
        if (label == 0xF9) {
            std::uint8_t blockSize = 0;
            std::uint8_t flags = 0;
            std::uint8_t index = 0;
            if (!ReadByte(reader, blockSize) || !ReadByte(reader, flags) || !reader.Skip(2) ||
                !ReadByte(reader, index)) {
                return std::nullopt;
            }
            if ((flags & 1) != 0) {
                return index;
            }
            return std::nullopt;
        }
        for (;;) {
            std::uint8_t size = 0;
            if (!ReadByte(reader, size)) {
                return std::nullopt;
            }
            if (size == 0) {
                break;
            }
            if (!reader.Skip(size)) {
                return std::nullopt;
            }
        }
        if (!ReadByte(reader, introducer) || !ReadByte(reader, label)) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

std::unique_ptr<CIcon> FromDataObject(const DataSource& source) {
    if (const auto pixels = source.GetData(kCfPbPixel32)) {
        ByteReader reader(*pixels);
        return LoadPixelStream(reader);
    }
    const auto dib = source.GetData(kCfDib);
    if (dib) {
        if (const auto transp = source.GetData(kCfTransp)) {
            ByteReader colourReader(*dib);
            std::unique_ptr<CIcon> colour = FromDib(colourReader);
            ByteReader maskReader(*transp);
            const std::unique_ptr<CIcon> mask = FromDib(maskReader);
            if (!colour || !mask) {
                return nullptr;
            }
            for (int y = 0; y < colour->Height(); ++y) {
                Pixel* row = colour->Row(y);
                for (int x = 0; x < colour->Width(); ++x) {
                    const auto alpha = static_cast<Pixel>(mask->GetPixel(x, y) & 0xFF);
                    row[x] = (row[x] & 0x00FFFFFFu) | (alpha << 24);
                }
            }
            return colour;
        }
    }
    if (const auto png = source.GetData(kCfPng)) {
        ByteReader reader(*png);
        return FromEncoded(reader);
    }
    if (dib) {
        ByteReader reader(*dib);
        return FromDib(reader);
    }
    return nullptr;
}

}  // namespace varlen
