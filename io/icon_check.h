// The icon and cursor checker: reads any .ico or .cur file and reports its directory, what
// each entry's payload really holds, and every finding against the documented format.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/icon_choice.h"

namespace varlen {

enum class CheckSeverity {
    kError,    // a Windows loader or a resource compiler rejects or misreads it
    kWarning,  // legal but unwise or unportable
    kNote,     // worth knowing
};
std::string_view SeverityName(CheckSeverity severity);

struct CheckFinding {
    CheckSeverity severity = CheckSeverity::kError;
    std::string_view code;  // short and stable: scripts may match on it
    int entry = -1;         // directory index, or -1 for the file as a whole
    std::string message;    // one plain sentence
};

enum class PayloadKind { kNone, kBmp, kPng, kUnknown };

// A DIB payload as its BITMAPINFOHEADER says.
struct BmpPayload {
    std::uint32_t headerSize = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;  // colour and mask rows together
    std::uint16_t planes = 0;
    std::uint16_t bitCount = 0;
    std::uint32_t compression = 0;
    std::uint32_t sizeImage = 0;
    std::uint32_t clrUsed = 0;
    std::uint32_t paletteEntries = 0;  // colour table entries the layout holds
    std::uint64_t colorBytes = 0;      // the colour (XOR) rows
    std::uint64_t maskBytes = 0;       // the AND mask rows it needs
    std::uint64_t maskPresent = 0;     // how many of them the entry holds
};

// A PNG payload as its IHDR says.
struct PngPayload {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    int colorType = -1;
    int bitDepth = 0;
    int interlace = 0;
    bool intact = false;  // signature, chunks, CRCs, IHDR and IDAT size all sound
};

struct CheckedEntry {
    // The 16-byte directory entry as stored (width and height 0 stand for 256).
    int width = 0;
    int height = 0;
    int colorCount = 0;
    int reserved = 0;
    int planes = 0;    // hotspot x in a cursor
    int bitCount = 0;  // hotspot y in a cursor
    std::uint32_t bytes = 0;
    std::uint32_t offset = 0;

    PayloadKind kind = PayloadKind::kNone;
    BmpPayload bmp;
    PngPayload png;

    // Size and depth of the image itself: the payload's when its header could be read
    // (readable), else the directory's. This is what Windows draws.
    IconEntryShape shape;
    bool readable = false;
};

struct IconCheckResult {
    bool recognised = false;  // a header of an icon (type 1) or cursor (type 2)
    int type = 0;
    int count = 0;
    std::vector<CheckedEntry> entries;
    std::vector<CheckFinding> findings;

    bool HasError() const;
    bool IsCursor() const { return type == 2; }
};

// What the caller expects from the file's name: a cursor (.cur), an icon (.ico), or
// nothing known.
enum class ExpectedKind { kAny, kIcon, kCursor };
ExpectedKind ExpectedKindOf(std::string_view path);

// Every check over data. Never reads outside data; payload checks stay within the entry's
// own bytes; no PNG is inflated to more than kMaxPictureSide x kMaxPictureSide pixels.
IconCheckResult CheckIconFile(std::span<const std::uint8_t> data,
                              ExpectedKind expected = ExpectedKind::kAny);

}  // namespace varlen
