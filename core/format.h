// FORMAT: one image format of an icon file, what makes one usable, and the list a new user
// starts with. Every part of the program that checks a format reads these rules.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>

namespace varlen {

// 12 bytes as stored: bEnabled (selected for output), then depth and size; the two
// filler bytes are kept as read so a stored list is written back unchanged.
struct FORMAT {
    std::int32_t bEnabled = 1;
    std::uint16_t wBitCount = 32;
    std::uint16_t wWidth = 32;
    std::uint16_t wHeight = 32;
    std::uint16_t wReserved = 0;
    friend constexpr bool operator==(const FORMAT&, const FORMAT&) = default;
};
static_assert(sizeof(FORMAT) == 12);

// The depths a format may have, in the order the formats page lists them.
inline constexpr std::array<int, 4> kFormatDepths = {4, 8, 24, 32};
// The sides a format may have.
inline constexpr int kMinFormatSide = 1;
inline constexpr int kMaxFormatSide = 512;

constexpr bool IsFormatDepth(int bits) {
    return std::find(kFormatDepths.begin(), kFormatDepths.end(), bits) != kFormatDepths.end();
}
constexpr bool IsFormatSide(int side) {
    return side >= kMinFormatSide && side <= kMaxFormatSide;
}
// A record the pipeline can build: both sides and the depth as above.
constexpr bool IsUsableFormat(const FORMAT& f) {
    return IsFormatDepth(f.wBitCount) && IsFormatSide(f.wWidth) && IsFormatSide(f.wHeight);
}

// The 15 formats of a first start, in list order, all selected.
inline constexpr std::array<FORMAT, 15> kDefaultFormats = {{
    {1, 4, 32, 32, 0},
    {1, 4, 16, 16, 0},
    {1, 8, 48, 48, 0},
    {1, 8, 32, 32, 0},
    {1, 8, 24, 24, 0},
    {1, 8, 16, 16, 0},
    {1, 24, 48, 48, 0},
    {1, 24, 32, 32, 0},
    {1, 24, 24, 24, 0},
    {1, 24, 16, 16, 0},
    {1, 32, 256, 256, 0},
    {1, 32, 48, 48, 0},
    {1, 32, 32, 32, 0},
    {1, 32, 24, 24, 0},
    {1, 32, 16, 16, 0},
}};

}  // namespace varlen
