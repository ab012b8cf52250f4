// Stored values checked where they are used. The settings store keeps every value exactly
// as read (and writes it back unchanged); only where a value is handed to the image code
// is it brought into the range that code was made for, so a damaged or foreign store can
// neither crash nor hang the program. No Qt here: this is plain data work.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "core/effects.h"
#include "core/format.h"

namespace varlen {

// Bytes of one stored format record.
inline constexpr std::size_t kFormatRecordBytes = 12;

// The records of bytes, 12 bytes each, little-endian, filler kept; a short tail is ignored.
std::vector<FORMAT> FormatRecords(std::span<const std::uint8_t> bytes);

// The stored "Format" value with its "FormatCount": the records, or nothing (keep the
// list there is) when the count is -1 or the byte length is not exactly 12 x count.
// Every record is returned as stored, usable or not.
std::optional<std::vector<FORMAT>> ParseFormatList(std::span<const std::uint8_t> bytes,
                                                   long long count);

// The list as the pages use it: records that are not usable (IsUsableFormat) are left out,
// order kept.
std::vector<FORMAT> UsableFormats(const std::vector<FORMAT>& formats);

// Transparency tolerance and expansion as the region code takes them: 0 ... 255.
int ClampTransparencyValue(int value);

}  // namespace varlen
