// Stored values checked at use. Contract: nothing here changes what is stored; each
// function maps a stored value to one the image code can take.
// Traps:
// - The record count comes from the store as any integer: 12 x count is worked out in 64
//   bits (a count of 357913942 would wrap to 8 bytes in 32 bits) and compared with the
//   actual length before anything is read.
// - A record is 12 bytes; the enabled flag is two 16-bit halves, low half first.
// - A format of side 0, of side 65535 or of depth 16 would make the pipeline refuse (null)
//   or allocate without need: such records are skipped, never repaired, so the stored
//   list is written back exactly as it was read.
#include "gui/stored_values.h"

#include <algorithm>
#include <iterator>

namespace varlen {

namespace {

std::uint16_t GetU16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

}  // namespace

std::vector<FORMAT> FormatRecords(std::span<const std::uint8_t> bytes) {
    const std::size_t count = bytes.size() / kFormatRecordBytes;
    std::vector<FORMAT> formats;
    formats.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* p = bytes.data() + i * kFormatRecordBytes;
        FORMAT f;
        const std::uint32_t enabled = static_cast<std::uint32_t>(GetU16(p)) |
                                      (static_cast<std::uint32_t>(GetU16(p + 2)) << 16);
        f.bEnabled = static_cast<std::int32_t>(enabled);
        f.wBitCount = GetU16(p + 4);
        f.wWidth = GetU16(p + 6);
        f.wHeight = GetU16(p + 8);
        f.wReserved = GetU16(p + 10);
        formats.push_back(f);
    }
    return formats;
}

std::optional<std::vector<FORMAT>> ParseFormatList(std::span<const std::uint8_t> bytes,
                                                   long long count) {
    if (count < 0) {  // -1 is the "no list stored" mark; other negatives are damage
        return std::nullopt;
    }
    // Compared in unsigned 64 bits: count is at least 0 here and at most 2^63 - 1, and
    // a count above size / 12 can never match, so the product is only formed when it fits.
    const auto records = static_cast<unsigned long long>(count);
    if (records > bytes.size() / kFormatRecordBytes ||
        records * kFormatRecordBytes != bytes.size()) {
        return std::nullopt;
    }
    return FormatRecords(bytes);
}

std::vector<FORMAT> UsableFormats(const std::vector<FORMAT>& formats) {
    std::vector<FORMAT> usable;
    usable.reserve(formats.size());
    std::copy_if(formats.begin(), formats.end(), std::back_inserter(usable), IsUsableFormat);
    return usable;
}

int ClampTransparencyValue(int value) {
    return kToleranceRange.Clamp(value);
}

}  // namespace varlen
