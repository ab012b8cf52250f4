// Single-format files: Windows bitmap, PNG, GIF and mouse cursor.
//
// Every Save function replaces its target only after the whole file has been written: on
// failure an existing file keeps its content and no partial file is left. The Write
// functions produce the same bytes into any OutFile positioned at 0.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

#include "core/icon.h"
#include "io/stream.h"
#include "io/write_error.h"

namespace varlen {

// Size of a BITMAPFILEHEADER.
inline constexpr std::uint32_t kBitmapFileHeaderSize = 14;

// BITMAPFILEHEADER followed by the plain DIB form (no mask).
bool WriteBmpFile(const CIcon& icon, OutFile& file);
// Cursor header (type 2, one image), its entry with the hotspot, then the DIB icon form.
// False when the hotspot lies outside the image.
bool WriteCursorFile(const CIcon& icon, OutFile& file, int hotspotX, int hotspotY);

// On failure *error (when given) says why.
bool SaveBmp(const CIcon& icon, const std::filesystem::path& path, WriteError* error = nullptr);
bool SavePng(const CIcon& icon, const std::filesystem::path& path, WriteError* error = nullptr);
// Fails without touching anything when the depth is above 8.
bool SaveGif(const CIcon& icon, const std::filesystem::path& path, WriteError* error = nullptr);
bool SaveCursor(const CIcon& icon, const std::filesystem::path& path, int hotspotX, int hotspotY,
                WriteError* error = nullptr);

// The single-format file types, numbered as the settings store them (and as the export
// dialog's list has them at 8 bits or less).
enum class ExportType { kBmp = 1, kPng = 2, kGif = 3, kCursor = 4 };

// The type of a stored number; nothing for any other number.
std::optional<ExportType> ExportTypeFromNumber(int number);
// ".bmp", ".png", ".gif" or ".cur".
std::string_view ExportExtension(ExportType type);
// The type named by the extension of the file name in path (any case); nothing when it
// has none or another one.
std::optional<ExportType> ExportTypeOf(std::string_view path);
// The Save function of type; the hotspot is used by the cursor only.
bool SaveExport(const CIcon& icon, ExportType type, const std::filesystem::path& path, int hotspotX,
                int hotspotY, WriteError* error = nullptr);

}  // namespace varlen
