// Which image of an icon Windows draws: the two ways its loaders choose an entry, and the
// surfaces and display scales at which the shell asks for an icon, as data.
//
// Contract: PickIconEntry is the one model of a loader's choice; everything that shows
// "what Windows draws" (the checker's table, the formats page) asks it, cell by cell, over
// kWindowsIconSurfaces x kWindowsScalePercents (WindowsIconView).
//
// Traps:
// - The directory holds one byte per side and 0 stands for 256, so a loader sees every
//   image above 255 pixels as 256; it still draws the image's real pixels, so the scale
//   factor comes from the real side.
// - The two loaders disagree: LoadIconWithScaleDown never scales up while a larger image
//   exists; LookupIconIdFromDirectoryEx scores size and depth together and may take a
//   smaller image when the depth of the larger one is far from the display's. Its
//   corrected scoring also takes 48 for a 40 request where LoadIconWithScaleDown's page
//   says LoadImage takes 32: the scoring is the documented rule, so the model follows it.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace varlen {

// One image of an icon or cursor: its real size and its bits per pixel (a PNG image
// counts as 32).
struct IconEntryShape {
    int width = 0;
    int height = 0;
    int bitCount = 0;
};

enum class IconLoader {
    // LoadIconWithScaleDown and LoadIconMetric, and the shell as Microsoft's icon guidance
    // describes it: the exact size, else the next larger image scaled down.
    kScaleDown,
    // LookupIconIdFromDirectoryEx, which LoadIcon, LoadImage and LoadCursor use: the lowest
    // score of size and depth distance.
    kLookup,
};

enum class IconDraw { kExact, kScaledDown, kScaledUp };

struct IconPick {
    int entry = -1;  // index into the entries given
    IconDraw draw = IconDraw::kExact;
    double factor = 1.0;  // >= 1: how many times larger or smaller than the image it is drawn
};

// The display depth that modern Windows reports for every monitor.
inline constexpr int kDisplayBitCount = 32;

// The entry the loader takes for a request of side x side pixels on a display of
// displayBitCount bits, and how it is drawn; nothing when entries is empty.
std::optional<IconPick> PickIconEntry(std::span<const IconEntryShape> entries, int side,
                                      IconLoader loader, int displayBitCount = kDisplayBitCount);

// A scale factor above this in either direction is flagged as visibly soft.
inline constexpr double kScaleFactorWarning = 1.5;

inline constexpr std::array<int, 7> kWindowsScalePercents = {100, 125, 150, 200, 250, 300, 400};

struct WindowsIconSurface {
    std::string_view id;    // stable key for JSON and tests
    std::string_view name;  // English name of the surfaces
    // Requested side at each of kWindowsScalePercents.
    std::array<int, kWindowsScalePercents.size()> sides;
    IconLoader loader;
    // True when users measured the sizes (Explorer's views); false when Microsoft
    // documents them.
    bool measured;
};

// Microsoft, "Construct your Windows app's icon" (learn.microsoft.com, Windows apps design,
// iconography, app icon construction): the sizes per surface and scale factor, and under
// "Icon scaling": "it will look for an exact size match first. If there is no exact match it
// will look for the next size above and scale down" - the kScaleDown rule.
// Explorer's views are not in that table: users have measured them at 16, 32, 48 and 256
// pixels at 100 %, scaled likewise.
inline constexpr std::array<WindowsIconSurface, 7> kWindowsIconSurfaces = {{
    {"menu-titlebar-tray",
     "context menu, title bar, system tray",
     {16, 20, 24, 32, 40, 48, 64},
     IconLoader::kScaleDown,
     false},
    {"taskbar-search-allapps",
     "taskbar, search, Start all-apps list",
     {24, 30, 36, 48, 60, 72, 96},
     IconLoader::kScaleDown,
     false},
    {"start-pins", "Start pins", {32, 40, 48, 64, 80, 96, 256}, IconLoader::kScaleDown, false},
    {"explorer-16",
     "Explorer views of 16",
     {16, 20, 24, 32, 40, 48, 64},
     IconLoader::kScaleDown,
     true},
    {"explorer-32",
     "Explorer views of 32",
     {32, 40, 48, 64, 80, 96, 128},
     IconLoader::kScaleDown,
     true},
    {"explorer-48",
     "Explorer views of 48",
     {48, 60, 72, 96, 120, 144, 192},
     IconLoader::kScaleDown,
     true},
    {"explorer-256",
     "Explorer views of 256",
     {256, 320, 384, 512, 640, 768, 1024},
     IconLoader::kScaleDown,
     true},
}};

// One cell of the view: a surface at one scale, with the choice of both loaders (the
// surface's own loader is WindowsIconSurface::loader).
struct WindowsIconCell {
    int surface = 0;  // index into kWindowsIconSurfaces
    int scale = 0;    // index into kWindowsScalePercents
    int side = 0;
    std::optional<IconPick> scaleDown;
    std::optional<IconPick> lookup;
};

// Every surface at every scale, surface by surface.
std::vector<WindowsIconCell> WindowsIconView(std::span<const IconEntryShape> entries,
                                             int displayBitCount = kDisplayBitCount);

// The requested sides of every cell where either loader draws an image scaled up, each
// once, ascending: the sizes whose absence makes Windows scale up.
std::vector<int> SidesScaledUp(std::span<const IconEntryShape> entries,
                               int displayBitCount = kDisplayBitCount);

// The square sides to add at 32 bits so that no loader scales up where an image of at most
// maxSide can prevent it, ascending. Adding sizes changes the scoring of the others, so this
// adds until nothing changes; above 256 it adds only the largest side needed, since the
// directory shows every such image as 256.
std::vector<int> SidesToAdd(std::span<const IconEntryShape> entries, int maxSide,
                            int displayBitCount = kDisplayBitCount);

// Whether a pick is drawn scaled up, or scaled down by more than kScaleFactorWarning.
bool IsPoorPick(const IconPick& pick);

}  // namespace varlen
