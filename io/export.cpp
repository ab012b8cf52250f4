// Single-format export files.
//
// Contract:
// - Bitmap: 14 placeholder bytes, the plain DIB form (biHeight = height, colour table,
//   colour bits, no mask), then the real BITMAPFILEHEADER at offset 0: "BM", bfSize = the
//   length reached, reserved 0, bfOffBits = 54 + 4 * 2^bpp at 8 bits or less, else 54.
// - PNG: exactly the PNG form of the icon writer. GIF: the palette form, 4 and 8 bits only.
// - Cursor: header (0, type 2, count 1), one entry whose bytes 4-7 hold the hotspot
//   instead of planes and bit count, the image at offset 22 in DIB icon form (never PNG);
//   the entry is filled after the image, with bytes in resource = end - 22.
//
// Traps: every saver writes through an AtomicFile, so a failing encoder or a full disk
// never truncates or destroys the file that was there; SaveGif refuses depths above 8
// before it creates anything. The hotspot fields are 16 bits and meaningful only inside
// the image, so a hotspot outside it is refused rather than stored wrapped. bfSize is a
// 32-bit field: a longer file is refused.
#include "io/export.h"

#include <algorithm>
#include <cctype>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "io/atomic_file.h"
#include "io/dib_writer.h"
#include "io/gif_encode.h"
#include "io/icons.h"
#include "io/le_bytes.h"
#include "io/png_encode.h"

namespace varlen {
namespace {

constexpr std::uint32_t kCursorImageOffset = kIconHeaderSize + kIconEntrySize;

}  // namespace

bool WriteBmpFile(const CIcon& icon, OutFile& file) {
    if (file.GetPosition() != 0) {
        return false;
    }
    const std::vector<std::uint8_t> placeholder(kBitmapFileHeaderSize, 0);
    if (!file.Write(placeholder.data(), placeholder.size()) || !WriteDib(icon, file, false)) {
        return false;
    }
    const std::uint64_t size = file.GetPosition();
    if (size > std::numeric_limits<std::uint32_t>::max()) {
        return false;
    }
    std::vector<std::uint8_t> head;
    PutU8(head, 'B');
    PutU8(head, 'M');
    PutU32(head, static_cast<std::uint32_t>(size));  // bfSize
    PutU16(head, 0);                                 // bfReserved1
    PutU16(head, 0);                                 // bfReserved2
    PutU32(head, static_cast<std::uint32_t>(kBitmapFileHeaderSize + kBitmapInfoHeaderSize +
                                            ColorTableBytes(icon)));  // bfOffBits
    return file.Seek(0) && file.Write(head.data(), head.size());
}

bool WriteCursorFile(const CIcon& icon, OutFile& file, int hotspotX, int hotspotY) {
    if (file.GetPosition() != 0 || hotspotX < 0 || hotspotY < 0 || hotspotX >= icon.Width() ||
        hotspotY >= icon.Height() || hotspotX > 0xFFFF || hotspotY > 0xFFFF) {
        return false;
    }
    std::vector<std::uint8_t> head;
    PutU16(head, 0);
    PutU16(head, 2);
    PutU16(head, 1);
    head.resize(kCursorImageOffset, 0);
    if (!file.Write(head.data(), head.size()) || !WriteDib(icon, file, true)) {
        return false;
    }
    const std::uint64_t end = file.GetPosition();
    if (end < kCursorImageOffset || end > std::numeric_limits<std::uint32_t>::max()) {
        return false;
    }
    const std::vector<std::uint8_t> entry =
        DirectoryEntry(icon, static_cast<std::uint32_t>(end - kCursorImageOffset),
                       kCursorImageOffset, true, hotspotX, hotspotY);
    return file.Seek(kIconHeaderSize) && file.Write(entry.data(), entry.size()) && file.SeekToEnd();
}

bool SaveBmp(const CIcon& icon, const std::filesystem::path& path, WriteError* error) {
    return SaveAtomically(path, error, [&](OutFile& f) { return WriteBmpFile(icon, f); });
}

bool SavePng(const CIcon& icon, const std::filesystem::path& path, WriteError* error) {
    return SaveAtomically(path, error, [&](OutFile& f) { return WritePng(icon, f); });
}

bool SaveGif(const CIcon& icon, const std::filesystem::path& path, WriteError* error) {
    if (icon.Bpp() > 8) {
        if (error != nullptr) {
            *error = {0, WriteLimit::kNotEncodable};
        }
        return false;
    }
    return SaveAtomically(path, error, [&](OutFile& f) { return WriteGif(icon, f); });
}

bool SaveCursor(const CIcon& icon, const std::filesystem::path& path, int hotspotX, int hotspotY,
                WriteError* error) {
    return SaveAtomically(path, error,
                          [&](OutFile& f) { return WriteCursorFile(icon, f, hotspotX, hotspotY); });
}

std::optional<ExportType> ExportTypeFromNumber(int number) {
    if (number < static_cast<int>(ExportType::kBmp) ||
        number > static_cast<int>(ExportType::kCursor)) {
        return std::nullopt;
    }
    return static_cast<ExportType>(number);
}

std::string_view ExportExtension(ExportType type) {
    switch (type) {
        case ExportType::kBmp:
            return ".bmp";
        case ExportType::kPng:
            return ".png";
        case ExportType::kGif:
            return ".gif";
        case ExportType::kCursor:
            return ".cur";
    }
    return {};
}

std::optional<ExportType> ExportTypeOf(std::string_view path) {
    const std::size_t dot = path.rfind('.');
    const std::size_t slash = path.find_last_of("/\\");
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) {
        return std::nullopt;
    }
    std::string ext(path.substr(dot));
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (int n = static_cast<int>(ExportType::kBmp); n <= static_cast<int>(ExportType::kCursor);
         ++n) {
        if (ext == ExportExtension(static_cast<ExportType>(n))) {
            return static_cast<ExportType>(n);
        }
    }
    return std::nullopt;
}

bool SaveExport(const CIcon& icon, ExportType type, const std::filesystem::path& path, int hotspotX,
                int hotspotY, WriteError* error) {
    switch (type) {
        case ExportType::kBmp:
            return SaveBmp(icon, path, error);
        case ExportType::kPng:
            return SavePng(icon, path, error);
        case ExportType::kGif:
            return SaveGif(icon, path, error);
        case ExportType::kCursor:
            return SaveCursor(icon, path, hotspotX, hotspotY, error);
    }
    return false;
}

}  // namespace varlen
