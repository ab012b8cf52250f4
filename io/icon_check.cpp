// The icon and cursor checker.
//
// Contract: see icon_check.h. The layout checked: a 6-byte header (reserved 0, type 1 for
// an icon or 2 for a cursor, count), count 16-byte directory entries (width, height,
// colour count, reserved, planes and bit count or a cursor's hotspot, bytes, offset), then
// each entry's payload: a PNG file, or a DIB whose height counts the colour rows and the
// AND mask rows together, followed by its colour table, colour rows and 1-bit mask rows.
// Sources are named at each rule: Microsoft's "Icons" (ICONDIR, ICONDIRENTRY) and
// BITMAPINFOHEADER documentation, Raymond Chen's "The evolution of the ICO file format"
// parts 1 to 4 (The Old New Thing, 2010), and the PNG standard (W3C, 3rd edition).
//
// Traps:
// - Every field may lie. Payload checks see only the bytes that are both inside the file
//   and inside the entry; sizes are computed in 64 bits from sides limited first.
// - A PNG's IDAT is inflated in small pieces and counted, never kept, and only when the
//   image is within kMaxPictureSide: a tiny file can ask for gigabytes. Entries may all
//   point at the same bytes: the payloads inspected add up to at most twice the file, and
//   their PNG images inflate to at most 64 times the file plus 1 GiB in all.
// - A cursor's planes and bit count fields are its hotspot: depth rules do not apply.
#include "io/icon_check.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <map>
#include <tuple>

#include "io/decoded_bitmap.h"
#include "io/icons.h"
#include "io/le_bytes.h"
#include "io/stream.h"

namespace varlen {

namespace {

constexpr std::array<std::uint8_t, 8> kPngSignature = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitfields = 3;
constexpr std::uint32_t kCoreHeaderSize = 12;  // BITMAPCOREHEADER
constexpr std::uint32_t kInfoHeaderSize = 40;  // BITMAPINFOHEADER
// Sides beyond this are not laid out: no icon image comes near it.
constexpr std::int64_t kMaxBmpSide = 1 << 16;

std::uint32_t Be32(const std::uint8_t* p) {
    return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
           (static_cast<std::uint32_t>(p[2]) << 8) | p[3];
}

int DirectorySide(int stored) {
    return stored == 0 ? 256 : stored;
}

class Findings {
  public:
    explicit Findings(std::vector<CheckFinding>& out) : m_out(out) {}
    void Error(std::string_view code, int entry, std::string message) {
        m_out.push_back({CheckSeverity::kError, code, entry, std::move(message)});
    }
    void Warning(std::string_view code, int entry, std::string message) {
        m_out.push_back({CheckSeverity::kWarning, code, entry, std::move(message)});
    }
    void Note(std::string_view code, int entry, std::string message) {
        m_out.push_back({CheckSeverity::kNote, code, entry, std::move(message)});
    }

  private:
    std::vector<CheckFinding>& m_out;
};

std::string N(std::uint64_t v) {
    return std::to_string(v);
}

// An inflate stream over IDAT data that only counts what comes out.
class InflateCounter {
  public:
    InflateCounter() { m_ok = inflateInit(&m_z) == Z_OK; }
    ~InflateCounter() {
        if (m_ok) {
            inflateEnd(&m_z);
        }
    }
    InflateCounter(const InflateCounter&) = delete;
    InflateCounter& operator=(const InflateCounter&) = delete;

    // Feeds data; stops counting once more than limit bytes came out. False on a zlib error.
    bool Feed(std::span<const std::uint8_t> data, std::uint64_t limit) {
        if (!m_ok || m_failed) {
            return false;
        }
        m_z.next_in = const_cast<Bytef*>(data.data());
        m_z.avail_in = static_cast<uInt>(data.size());
        while (m_z.avail_in > 0 && !m_ended && m_out <= limit) {
            m_z.next_out = m_buffer.data();
            m_z.avail_out = static_cast<uInt>(m_buffer.size());
            const int rc = inflate(&m_z, Z_NO_FLUSH);
            m_out += m_buffer.size() - m_z.avail_out;
            if (rc == Z_STREAM_END) {
                m_ended = true;
            } else if (rc != Z_OK) {
                // Z_BUF_ERROR with input left cannot happen: there is always output room.
                m_failed = true;
                return false;
            }
        }
        return true;
    }
    std::uint64_t Out() const { return m_out; }
    bool Ended() const { return m_ended; }
    bool Failed() const { return m_failed || !m_ok; }

  private:
    z_stream m_z{};
    bool m_ok = false;
    bool m_failed = false;
    bool m_ended = false;
    std::uint64_t m_out = 0;
    std::array<Bytef, 1 << 14> m_buffer{};
};

int PngChannels(int colorType) {
    switch (colorType) {
        case 0:
        case 3:
            return 1;
        case 2:
            return 3;
        case 4:
            return 2;
        case 6:
            return 4;
        default:
            return 0;
    }
}

// PNG standard, 11.2.2 IHDR: the bit depths allowed for each colour type.
bool ValidPngDepth(int colorType, int bitDepth) {
    switch (colorType) {
        case 0:
            return bitDepth == 1 || bitDepth == 2 || bitDepth == 4 || bitDepth == 8 ||
                   bitDepth == 16;
        case 3:
            return bitDepth == 1 || bitDepth == 2 || bitDepth == 4 || bitDepth == 8;
        case 2:
        case 4:
        case 6:
            return bitDepth == 8 || bitDepth == 16;
        default:
            return false;
    }
}

// PNG standard, 7.2 Scanlines and 8.2 Interlace methods (Adam7): the filtered bytes
// an image inflates to, one filter byte before every row of every pass.
std::uint64_t PngRawSize(std::uint64_t w, std::uint64_t h, int bitsPerPixel, bool interlaced) {
    auto rows = [bitsPerPixel](std::uint64_t pw, std::uint64_t ph) -> std::uint64_t {
        if (pw == 0 || ph == 0) {
            return 0;
        }
        return ph * (1 + (pw * static_cast<std::uint64_t>(bitsPerPixel) + 7) / 8);
    };
    if (!interlaced) {
        return rows(w, h);
    }
    struct Pass {
        std::uint64_t x0, y0, dx, dy;
    };
    constexpr std::array<Pass, 7> kPasses = {{{0, 0, 8, 8},
                                              {4, 0, 8, 8},
                                              {0, 4, 4, 8},
                                              {2, 0, 4, 4},
                                              {0, 2, 2, 4},
                                              {1, 0, 2, 2},
                                              {0, 1, 1, 2}}};
    std::uint64_t total = 0;
    for (const Pass& p : kPasses) {
        const std::uint64_t pw = w > p.x0 ? (w - p.x0 + p.dx - 1) / p.dx : 0;
        const std::uint64_t ph = h > p.y0 ? (h - p.y0 + p.dy - 1) / p.dy : 0;
        total += rows(pw, ph);
    }
    return total;
}

// inflateBudget: the bytes all PNG images of the file may still inflate to; taken from.
void CheckPng(std::span<const std::uint8_t> payload, int index, CheckedEntry& e, Findings& f,
              std::uint64_t& inflateBudget) {
    e.kind = PayloadKind::kPng;
    PngPayload& png = e.png;
    ByteReader in(payload);
    std::array<std::uint8_t, 8> sig{};
    if (in.Read(sig.data(), sig.size()) != sig.size() || sig != kPngSignature) {
        // PNG standard, 5.2 PNG signature.
        f.Error("png-signature", index,
                "The PNG image's signature is damaged (its line-ending bytes are wrong).");
        return;
    }
    bool sawIhdr = false;
    bool sawIend = false;
    bool sound = true;
    bool inflating = false;
    std::uint64_t expected = 0;
    InflateCounter inflater;
    std::vector<std::uint8_t> chunk;
    for (int n = 0; !sawIend; ++n) {
        std::array<std::uint8_t, 8> head{};
        const std::size_t got = in.Read(head.data(), head.size());
        if (got == 0) {
            break;
        }
        if (got != head.size()) {
            f.Error("png-truncated", index, "The PNG image ends inside a chunk header.");
            return;
        }
        const std::uint32_t length = Be32(head.data());
        const std::string type(reinterpret_cast<const char*>(head.data() + 4), 4);
        // PNG standard, 5.3 Chunk layout: length, type, data, CRC of type and data.
        if (length > 0x7FFFFFFFu || length > in.Remaining().size() ||
            in.Remaining().size() - length < 4) {
            f.Error("png-truncated", index,
                    "The PNG image's " + type + " chunk runs past the end of the entry.");
            return;
        }
        const std::span<const std::uint8_t> data = in.Remaining().subspan(0, length);
        in.Skip(length);
        std::array<std::uint8_t, 4> crcBytes{};
        in.Read(crcBytes.data(), crcBytes.size());
        uLong crc = crc32(0L, head.data() + 4, 4);
        crc = crc32(crc, data.data(), static_cast<uInt>(data.size()));
        if (crc != Be32(crcBytes.data())) {
            f.Error("png-crc", index, "The PNG image's " + type + " chunk has a wrong CRC.");
            sound = false;
        }
        if (n == 0) {
            // PNG standard, 5.6 Chunk ordering: IHDR first, 13 bytes.
            if (type != "IHDR" || length != 13) {
                f.Error("png-ihdr", index,
                        "The PNG image does not start with a 13-byte IHDR chunk.");
                return;
            }
            sawIhdr = true;
            png.width = Be32(data.data());
            png.height = Be32(data.data() + 4);
            png.bitDepth = data[8];
            png.colorType = data[9];
            png.interlace = data[12];
            if (png.width == 0 || png.height == 0 || png.width > 0x7FFFFFFFu ||
                png.height > 0x7FFFFFFFu || !ValidPngDepth(png.colorType, png.bitDepth) ||
                data[10] != 0 || data[11] != 0 || data[12] > 1) {
                f.Error("png-ihdr", index,
                        "The PNG image's IHDR is invalid (size 0, or a colour type, bit depth, "
                        "compression, filter or interlace method the PNG standard does "
                        "not define).");
                return;
            }
            e.shape = {static_cast<int>(std::min<std::uint32_t>(png.width, 1u << 30)),
                       static_cast<int>(std::min<std::uint32_t>(png.height, 1u << 30)), 32};
            e.readable = true;
            // Raymond Chen, "The evolution of the ICO file format, part 4: PNG images": the
            // PNG must be 32-bit RGBA; Windows' loader rejects other PNG forms in icons.
            if (png.colorType != 6 || png.bitDepth != 8) {
                f.Error("png-not-rgba", index,
                        "The PNG image is colour type " +
                            N(static_cast<std::uint64_t>(png.colorType)) + " at " +
                            N(static_cast<std::uint64_t>(png.bitDepth)) +
                            " bits per sample; icons need 8-bit RGBA (colour type 6).");
            }
            if (png.width <= static_cast<std::uint32_t>(kMaxPictureSide) &&
                png.height <= static_cast<std::uint32_t>(kMaxPictureSide)) {
                expected =
                    PngRawSize(png.width, png.height, PngChannels(png.colorType) * png.bitDepth,
                               png.interlace == 1);
                inflating = expected <= inflateBudget;
                if (inflating) {
                    inflateBudget -= expected;
                } else {
                    f.Warning("not-inspected", index,
                              "The PNG image's pixel data was not inflated: the images before "
                              "it already inflated to many times the file's size.");
                }
            } else {
                f.Warning("png-too-large", index,
                          "The PNG image is larger than " + N(kMaxPictureSide) + " x " +
                              N(kMaxPictureSide) + "; its pixel data was not inflated.");
            }
            continue;
        }
        if (type == "IDAT" && inflating && !inflater.Failed()) {
            inflater.Feed(data, expected);
        } else if (type == "IEND") {
            sawIend = true;
        }
    }
    if (!sawIhdr) {
        f.Error("png-truncated", index, "The PNG image holds no chunks.");
        return;
    }
    if (!sawIend) {
        f.Error("png-truncated", index, "The PNG image has no IEND chunk: it is cut short.");
        sound = false;
    }
    if (inflating) {
        // PNG standard, 10.2 and 13.8: the zlib stream of the IDAT chunks decompresses
        // to exactly the filtered rows.
        if (inflater.Failed()) {
            f.Error("png-idat", index, "The PNG image's IDAT data does not inflate (zlib error).");
            sound = false;
        } else if (inflater.Out() != expected || !inflater.Ended()) {
            f.Error(
                "png-idat", index,
                "The PNG image's IDAT data inflates to " +
                    (inflater.Out() > expected ? "more than " + N(expected) : N(inflater.Out())) +
                    " bytes" + (inflater.Ended() ? "" : " without ending its zlib stream") + "; " +
                    N(png.width) + " x " + N(png.height) + " needs " + N(expected) + ".");
            sound = false;
        }
    }
    png.intact = sound && inflating;
}

void CheckBmp(std::span<const std::uint8_t> payload, int index, CheckedEntry& e, Findings& f) {
    e.kind = PayloadKind::kBmp;
    BmpPayload& b = e.bmp;
    ByteReader in(payload);
    std::array<std::uint8_t, kInfoHeaderSize> h{};
    const std::size_t got = in.Read(h.data(), h.size());
    b.headerSize = GetU32(h.data());
    const bool core = b.headerSize == kCoreHeaderSize;
    if (got < (core ? kCoreHeaderSize : kInfoHeaderSize)) {
        f.Error("bmp-truncated", index, "The entry ends inside its bitmap header.");
        return;
    }
    if (core) {
        b.width = GetU16(h.data() + 4);
        b.height = GetU16(h.data() + 6);
        b.planes = GetU16(h.data() + 8);
        b.bitCount = GetU16(h.data() + 10);
        // Raymond Chen, "The format of icon resources, revisited": Windows also accepts
        // the old BITMAPCOREHEADER, few other readers do.
        f.Warning("bmp-core-header", index,
                  "The bitmap has the old 12-byte BITMAPCOREHEADER; few readers other than "
                  "Windows accept it.");
    } else {
        b.width = GetI32(h.data() + 4);
        b.height = GetI32(h.data() + 8);
        b.planes = GetU16(h.data() + 12);
        b.bitCount = GetU16(h.data() + 14);
        b.compression = GetU32(h.data() + 16);
        b.sizeImage = GetU32(h.data() + 20);
        b.clrUsed = GetU32(h.data() + 32);
        if (b.headerSize != kInfoHeaderSize) {
            // Raymond Chen, part 1: the icon image is a BITMAPINFOHEADER-based DIB; larger
            // headers (V4, V5) are read by Windows but by few other tools.
            f.Warning("bmp-header-size", index,
                      "The bitmap header is " + N(b.headerSize) +
                          " bytes; icon readers other than Windows expect the 40-byte "
                          "BITMAPINFOHEADER.");
        }
    }
    // BITMAPINFOHEADER: biPlanes "must be set to 1"; biBitCount one of 1, 4, 8, 16, 24, 32.
    if (b.planes != 1) {
        f.Error("bmp-planes", index,
                "The bitmap header gives " + N(b.planes) + " planes; it must be 1.");
    }
    const std::uint16_t bpp = b.bitCount;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) {
        f.Error("bmp-depth", index,
                "The bitmap has " + N(bpp) + " bits per pixel, which no DIB has.");
        return;
    }
    // Raymond Chen, part 1: icon bitmaps are uncompressed; BI_BITFIELDS only at 16 and 32 bits.
    if (b.compression == kBiBitfields && (bpp == 16 || bpp == 32)) {
        f.Warning("bmp-bitfields", index,
                  "The bitmap uses BI_BITFIELDS; many icon readers take only BI_RGB.");
    } else if (b.compression != kBiRgb) {
        f.Error("bmp-compression", index,
                "The bitmap is compressed (biCompression " + N(b.compression) +
                    "); icon bitmaps must be uncompressed.");
        return;
    }
    // Raymond Chen, part 1: biHeight counts the colour rows and the mask rows, so it is
    // twice the image's height; a negative (top-down) height does not exist in icons.
    if (b.width <= 0 || b.height <= 0 || b.width > kMaxBmpSide || b.height > 2 * kMaxBmpSide) {
        f.Error("bmp-size", index,
                "The bitmap header gives a size of " + std::to_string(b.width) + " x " +
                    std::to_string(b.height) + ", which no icon image has.");
        return;
    }
    const int dirH = DirectorySide(e.height);
    const bool doubled = b.height % 2 == 0;
    if (b.height == dirH && b.height != 2 * dirH) {
        f.Error("bmp-height-not-doubled", index,
                "The bitmap height " + std::to_string(b.height) +
                    " equals the image height; in an icon it must be doubled (colour rows "
                    "plus mask rows), so Windows reads a " +
                    std::to_string(b.height / 2) + "-row image.");
    } else if (!doubled) {
        f.Error("bmp-height-odd", index,
                "The bitmap height " + std::to_string(b.height) +
                    " is odd; in an icon it is twice the image height.");
    }
    const std::int64_t imageH = std::max<std::int64_t>(b.height / 2, 1);
    e.shape = {b.width, static_cast<int>(imageH), bpp};
    e.readable = true;

    const std::uint64_t w = static_cast<std::uint64_t>(b.width);
    std::uint64_t offset = core ? kCoreHeaderSize : b.headerSize;
    if (b.compression == kBiBitfields && b.headerSize == kInfoHeaderSize) {
        offset += 12;  // the three masks after a 40-byte header
    }
    if (bpp <= 8) {
        const std::uint32_t full = 1u << bpp;
        // BITMAPINFOHEADER: biClrUsed 0 means the maximum, 2^biBitCount.
        if (b.clrUsed > full) {
            f.Error("bmp-palette", index,
                    "The bitmap claims " + N(b.clrUsed) + " palette colours; " + N(bpp) +
                        " bits per pixel allow at most " + N(full) + ".");
            return;
        }
        b.paletteEntries = b.clrUsed != 0 && !core ? b.clrUsed : full;
        offset += static_cast<std::uint64_t>(b.paletteEntries) * (core ? 3 : 4);
    }
    b.colorBytes = ((w * bpp + 31) / 32) * 4 * static_cast<std::uint64_t>(imageH);
    b.maskBytes = ((w + 31) / 32) * 4 * static_cast<std::uint64_t>(imageH);
    if (payload.size() < offset + b.colorBytes) {
        f.Error("bmp-truncated", index,
                "The entry holds " + N(payload.size()) +
                    " bytes; header, palette and colour "
                    "rows need " +
                    N(offset + b.colorBytes) + ".");
        return;
    }
    b.maskPresent = std::min<std::uint64_t>(payload.size() - offset - b.colorBytes, b.maskBytes);
    // Raymond Chen, parts 1 to 3: every icon bitmap, 32-bit ones too, carries the 1-bit AND
    // mask after its colour rows; Windows uses it where alpha is not drawn.
    if (b.maskPresent == 0) {
        f.Error("mask-missing", index, "The bitmap has no AND mask after its colour rows.");
    } else if (b.maskPresent < b.maskBytes) {
        f.Error(
            "mask-short", index,
            "The AND mask is cut short: " + N(b.maskPresent) + " of " + N(b.maskBytes) + " bytes.");
    }
    const std::uint64_t used = offset + b.colorBytes + b.maskBytes;
    if (payload.size() > used) {
        f.Note("bytes-extra", index,
               "The entry holds " + N(payload.size() - used) + " bytes after its mask.");
    }
    // BITMAPINFOHEADER: biSizeImage may be 0 for BI_RGB; when set, it is the colour rows'
    // size (some writers count the mask too).
    if (b.sizeImage != 0 && b.sizeImage != b.colorBytes &&
        b.sizeImage != b.colorBytes + b.maskBytes) {
        f.Warning("bmp-size-image", index,
                  "biSizeImage says " + N(b.sizeImage) + " bytes; the colour rows are " +
                      N(b.colorBytes) + ".");
    }
}

// Directory against payload: size, depth, colour count.
void CheckAgreement(const CheckedEntry& e, int index, bool cursor, Findings& f) {
    if (!e.readable) {
        return;
    }
    const int dirW = DirectorySide(e.width);
    const int dirH = DirectorySide(e.height);
    // Microsoft, ICONDIRENTRY: bWidth and bHeight, 0 means 256. An image above 255 can only
    // be written as 0, so 0 is right for every side from 256 up.
    auto agrees = [](int dir, int real) { return dir == real || (dir == 256 && real > 256); };
    if (!agrees(dirW, e.shape.width) || !agrees(dirH, e.shape.height)) {
        f.Error("size-mismatch", index,
                "The directory says " + std::to_string(dirW) + " x " + std::to_string(dirH) +
                    ", the image is " + std::to_string(e.shape.width) + " x " +
                    std::to_string(e.shape.height) +
                    "; Windows chooses by the directory and draws the image scaled.");
    }
    const int realBits = e.kind == PayloadKind::kPng ? PngChannels(e.png.colorType) * e.png.bitDepth
                                                     : e.bmp.bitCount;
    if (!cursor) {
        // LookupIconIdFromDirectoryEx scores by the directory's wBitCount; 0 leaves it to
        // the colour count and the payload.
        if (e.bitCount == 0) {
            f.Note("depth-unset", index, "The directory gives no bit count (0).");
        } else if (e.bitCount != realBits) {
            f.Error("depth-mismatch", index,
                    "The directory says " + std::to_string(e.bitCount) +
                        " bits per pixel, the image has " + std::to_string(realBits) +
                        "; Windows chooses by the directory's depth.");
        }
    }
    // Microsoft, ICONDIRENTRY: bColorCount is the number of palette colours, 0 when the
    // image has 256 or more (8 bits and up).
    int colors = 0;
    if (e.kind == PayloadKind::kBmp && e.bmp.bitCount < 8) {
        colors = static_cast<int>(e.bmp.paletteEntries);
    }
    if (e.colorCount != colors) {
        f.Warning(
            "colors-mismatch", index,
            "The directory gives " + std::to_string(e.colorCount) + " colours, the image has " +
                (colors == 0 ? std::string("256 or more (stored as 0)") : std::to_string(colors)) +
                ".");
    }
}

}  // namespace

std::string_view SeverityName(CheckSeverity severity) {
    switch (severity) {
        case CheckSeverity::kError:
            return "error";
        case CheckSeverity::kWarning:
            return "warning";
        case CheckSeverity::kNote:
            return "note";
    }
    return "error";
}

bool IconCheckResult::HasError() const {
    return !recognised || std::any_of(findings.begin(), findings.end(), [](const CheckFinding& f) {
        return f.severity == CheckSeverity::kError;
    });
}

ExpectedKind ExpectedKindOf(std::string_view path) {
    auto endsWith = [path](std::string_view ext) {
        if (path.size() < ext.size()) {
            return false;
        }
        const std::string_view tail = path.substr(path.size() - ext.size());
        return std::equal(tail.begin(), tail.end(), ext.begin(), [](char a, char b) {
            return (a >= 'A' && a <= 'Z' ? static_cast<char>(a - 'A' + 'a') : a) == b;
        });
    };
    return endsWith(".cur")   ? ExpectedKind::kCursor
           : endsWith(".ico") ? ExpectedKind::kIcon
                              : ExpectedKind::kAny;
}

IconCheckResult CheckIconFile(std::span<const std::uint8_t> data, ExpectedKind expected) {
    IconCheckResult r;
    Findings f(r.findings);
    ByteReader in(data);
    std::array<std::uint8_t, kIconHeaderSize> head{};
    if (in.Read(head.data(), head.size()) != head.size()) {
        f.Error("not-icon", -1, "The file is too short for an icon or cursor header.");
        return r;
    }
    const std::uint16_t reserved = GetU16(head.data());
    r.type = GetU16(head.data() + 2);
    r.count = GetU16(head.data() + 4);
    // Microsoft, ICONDIR: idType 1 for icons, 2 for cursors.
    if (r.type != 1 && r.type != 2) {
        f.Error("not-icon", -1,
                "The header's type is " + std::to_string(r.type) +
                    "; an icon has 1 and a cursor 2, so this is neither.");
        return r;
    }
    r.recognised = true;
    const bool cursor = r.IsCursor();
    // Microsoft, ICONDIR: idReserved "must be 0".
    if (reserved != 0) {
        f.Error("header-reserved", -1,
                "The header's reserved field is " + std::to_string(reserved) + "; it must be 0.");
    }
    // Raymond Chen, part 1: the same layout serves both; the type tells the loader which.
    if (expected == ExpectedKind::kIcon && cursor) {
        f.Error("type-mismatch", -1,
                "The file is named as an icon (.ico) but its header says cursor (type 2).");
    } else if (expected == ExpectedKind::kCursor && !cursor) {
        f.Error("type-mismatch", -1,
                "The file is named as a cursor (.cur) but its header says icon (type 1).");
    }
    if (r.count == 0) {
        f.Error("no-entries", -1, "The directory lists no images.");
        return r;
    }
    // Microsoft, ICONDIR: idCount entries of 16 bytes follow the header.
    const std::uint64_t directoryEnd =
        kIconHeaderSize +
        static_cast<std::uint64_t>(kIconEntrySize) * static_cast<std::uint64_t>(r.count);
    int listed = r.count;
    if (directoryEnd > data.size()) {
        listed = static_cast<int>((data.size() - kIconHeaderSize) / kIconEntrySize);
        f.Error("directory-truncated", -1,
                "The directory lists " + std::to_string(r.count) + " images but the file holds " +
                    "only " + std::to_string(listed) + " entries.");
    }

    for (int i = 0; i < listed; ++i) {
        std::array<std::uint8_t, kIconEntrySize> raw{};
        in.Read(raw.data(), raw.size());
        CheckedEntry e;
        e.width = raw[0];
        e.height = raw[1];
        e.colorCount = raw[2];
        e.reserved = raw[3];
        e.planes = GetU16(raw.data() + 4);
        e.bitCount = GetU16(raw.data() + 6);
        e.bytes = GetU32(raw.data() + 8);
        e.offset = GetU32(raw.data() + 12);
        e.shape = {DirectorySide(e.width), DirectorySide(e.height), cursor ? 0 : e.bitCount};
        r.entries.push_back(e);
    }

    std::uint64_t budget = 2 * static_cast<std::uint64_t>(data.size()) + (1u << 16);
    std::uint64_t inflateBudget = 64 * static_cast<std::uint64_t>(data.size()) + (1u << 30);
    for (int i = 0; i < listed; ++i) {
        CheckedEntry& e = r.entries[static_cast<std::size_t>(i)];
        // Microsoft, ICONDIRENTRY: bReserved "must be 0".
        if (e.reserved != 0) {
            f.Warning(
                "entry-reserved", i,
                "The entry's reserved byte is " + std::to_string(e.reserved) + "; it should be 0.");
        }
        // Microsoft, ICONDIRENTRY: wPlanes "should be 0 or 1".
        if (!cursor && e.planes > 1) {
            f.Warning("planes", i,
                      "The entry gives " + std::to_string(e.planes) +
                          " colour planes; it should be 0 or 1.");
        }
        // Microsoft, ICONDIRENTRY: dwBytesInRes bytes of image at dwImageOffset, a position in
        // the file; they lie after the directory and inside the file.
        const std::uint64_t end = static_cast<std::uint64_t>(e.offset) + e.bytes;
        if (e.bytes == 0) {
            f.Error("entry-empty", i, "The entry's image is 0 bytes long.");
            continue;
        }
        if (e.offset < directoryEnd) {
            f.Error("entry-in-directory", i,
                    "The entry's image starts at " + N(e.offset) +
                        ", inside the header and directory (which end at " + N(directoryEnd) +
                        ").");
        }
        if (end > data.size()) {
            f.Error("entry-outside", i,
                    "The entry's image (bytes " + N(e.offset) + " to " + N(end) +
                        ") reaches past the end of the file (" + N(data.size()) + " bytes).");
        }
        if (e.offset >= data.size()) {
            continue;
        }
        const std::span<const std::uint8_t> payload = data.subspan(
            e.offset,
            static_cast<std::size_t>(std::min<std::uint64_t>(e.bytes, data.size() - e.offset)));
        // Overlapping entries can make every entry the whole file: the payloads read in all
        // stay within a few times the file, the rest is reported and passed over.
        if (payload.size() > budget) {
            f.Warning("not-inspected", i,
                      "The entry's image was not inspected: the entries before it already "
                      "cover the file several times over.");
            continue;
        }
        budget -= payload.size();
        // Raymond Chen, part 4: a PNG image is told by its signature; anything else is a DIB.
        if (payload.size() >= 4 &&
            std::equal(kPngSignature.begin(), kPngSignature.begin() + 4, payload.begin())) {
            CheckPng(payload, i, e, f, inflateBudget);
            // Raymond Chen, part 4: PNG images were added in Windows Vista; older readers and
            // some tools read only DIB images.
            if (e.shape.width < 256 && e.kind == PayloadKind::kPng) {
                f.Note("png-small", i,
                       "The " + std::to_string(e.shape.width) +
                           "-pixel image is stored as PNG; readers before Windows Vista and some "
                           "tools take PNG only at 256.");
            }
        } else if (payload.size() >= 4 &&
                   (GetU32(payload.data()) == kInfoHeaderSize ||
                    GetU32(payload.data()) == kCoreHeaderSize || GetU32(payload.data()) == 52 ||
                    GetU32(payload.data()) == 56 || GetU32(payload.data()) == 108 ||
                    GetU32(payload.data()) == 124)) {
            CheckBmp(payload, i, e, f);
        } else {
            e.kind = PayloadKind::kUnknown;
            f.Error("payload-unknown", i,
                    "The entry's image is neither a PNG file nor a bitmap with a known header.");
            continue;
        }
        CheckAgreement(e, i, cursor, f);
        // Microsoft, cursor files: the directory's planes and bit count hold the hotspot,
        // which lies inside the image.
        if (cursor && (e.planes >= e.shape.width || e.bitCount >= e.shape.height)) {
            f.Error("hotspot-outside", i,
                    "The hotspot " + std::to_string(e.planes) + "," + std::to_string(e.bitCount) +
                        " lies outside the " + std::to_string(e.shape.width) + " x " +
                        std::to_string(e.shape.height) + " image.");
        }
    }

    // Entries sharing bytes (ICONDIRENTRY: each entry has its own image): at most one of
    // them can be read as its directory says.
    std::vector<int> order;
    for (int i = 0; i < listed; ++i) {
        if (r.entries[static_cast<std::size_t>(i)].bytes > 0) {
            order.push_back(i);
        }
    }
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        return r.entries[static_cast<std::size_t>(a)].offset <
               r.entries[static_cast<std::size_t>(b)].offset;
    });
    std::uint64_t reach = 0;
    int reacher = -1;
    for (const int i : order) {
        const CheckedEntry& e = r.entries[static_cast<std::size_t>(i)];
        if (reacher >= 0 && e.offset < reach) {
            f.Error(
                "entries-overlap", i,
                "The entry's image overlaps the image of entry " + std::to_string(reacher) + ".");
        }
        const std::uint64_t end = static_cast<std::uint64_t>(e.offset) + e.bytes;
        if (end > reach) {
            reach = end;
            reacher = i;
        }
    }

    // Microsoft, ICONDIRENTRY and LookupIconIdFromDirectoryEx: images are told apart by the
    // directory's size and depth; of two alike, Windows only ever takes one.
    std::map<std::tuple<int, int, int>, int> seen;
    int over255 = 0;
    for (int i = 0; i < listed; ++i) {
        const CheckedEntry& e = r.entries[static_cast<std::size_t>(i)];
        const auto key = std::make_tuple(DirectorySide(e.width), DirectorySide(e.height),
                                         cursor ? 0 : e.shape.bitCount);
        if (const auto it = seen.find(key); it != seen.end()) {
            f.Warning("duplicate", i,
                      "The entry has the same size and depth as entry " +
                          std::to_string(it->second) + "; Windows never draws one of them.");
        } else {
            seen.emplace(key, i);
        }
        if (e.shape.width > 255 || e.shape.height > 255) {
            ++over255;
        }
    }
    // Raymond Chen, part 4: the directory's 0 stands for 256 and for everything larger.
    if (over255 > 1) {
        f.Warning("several-over-255", -1,
                  std::to_string(over255) +
                      " images are larger than 255 pixels; the directory shows all of them as "
                      "256, so Windows cannot tell them apart.");
    }
    return r;
}

}  // namespace varlen
