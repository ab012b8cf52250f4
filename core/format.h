// FORMAT: one image format of an icon file, what makes one usable, the list a new user
// starts with, and the named size presets that replace a list at once. Every part of the
// program that checks a format reads these rules.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <string_view>

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

// Size presets. Each list stands in the order the formats page writes a list back (by depth:
// 4, 8, 24, 32 bits, sizes descending), so an icon made from a preset has the same entries in
// the same order whether the wizard or the command line made it.
// Windows 11 app icons: the sizes listed for the display scales 100 % to 400 %.
inline constexpr std::array<FORMAT, 14> kWin11Formats = {{
    {1, 32, 256, 256, 0},
    {1, 32, 96, 96, 0},
    {1, 32, 80, 80, 0},
    {1, 32, 72, 72, 0},
    {1, 32, 64, 64, 0},
    {1, 32, 60, 60, 0},
    {1, 32, 48, 48, 0},
    {1, 32, 40, 40, 0},
    {1, 32, 36, 36, 0},
    {1, 32, 32, 32, 0},
    {1, 32, 30, 30, 0},
    {1, 32, 24, 24, 0},
    {1, 32, 20, 20, 0},
    {1, 32, 16, 16, 0},
}};
// A web site's favicon.ico: tab and address bar, taskbar, desktop shortcut.
inline constexpr std::array<FORMAT, 3> kFaviconFormats = {{
    {1, 32, 48, 48, 0},
    {1, 32, 32, 32, 0},
    {1, 32, 16, 16, 0},
}};
// Small and light: the 32-bit sizes Windows draws most, and 256 colours for 32 and 16.
inline constexpr std::array<FORMAT, 7> kLightFormats = {{
    {1, 8, 32, 32, 0},
    {1, 8, 16, 16, 0},
    {1, 32, 256, 256, 0},
    {1, 32, 48, 48, 0},
    {1, 32, 32, 32, 0},
    {1, 32, 24, 24, 0},
    {1, 32, 16, 16, 0},
}};

enum class FormatPresetId { kWin11, kClassic, kFavicon, kLight };

struct FormatPreset {
    FormatPresetId id;
    std::string_view name;  // as the command line takes it
    std::span<const FORMAT> formats;
};

// Every preset, in the order they are offered.
inline constexpr std::array<FormatPreset, 4> kFormatPresets = {{
    {FormatPresetId::kWin11, "win11", kWin11Formats},
    {FormatPresetId::kClassic, "classic", kDefaultFormats},
    {FormatPresetId::kFavicon, "favicon", kFaviconFormats},
    {FormatPresetId::kLight, "light", kLightFormats},
}};

// The preset of that command-line name (exact, lower case); null for any other name.
constexpr const FormatPreset* FindFormatPreset(std::string_view name) {
    for (const FormatPreset& preset : kFormatPresets) {
        if (preset.name == name) {
            return &preset;
        }
    }
    return nullptr;
}

}  // namespace varlen
