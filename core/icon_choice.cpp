// The loaders' choice of an icon image. Contract and traps: see icon_choice.h.
#include "core/icon_choice.h"

#include <algorithm>
#include <cstdlib>

namespace varlen {

namespace {

// The side a loader reads from the directory: one byte, 0 for 256 (Microsoft, "Icons" in
// the Win32 menu and resources documentation: bWidth, "0 means 256"; Raymond Chen, "The
// evolution of the ICO file format, part 4: PNG images").
int DirectorySide(int side) {
    return side > 255 ? 256 : side;
}

// Among images of one size, the depth a loader prefers: the display's, else the deepest
// below it, else the shallowest above it (LookupIconIdFromDirectoryEx, as its remarks
// stood before 2026, which KB 307213's scoring agrees with when sizes tie).
bool BetterDepth(int a, int b, int display) {
    const bool aFits = a <= display;
    const bool bFits = b <= display;
    if (aFits != bFits) {
        return aFits;
    }
    return aFits ? a > b : a < b;
}

std::int64_t Area(const IconEntryShape& e) {
    return static_cast<std::int64_t>(e.width) * e.height;
}

// LoadIconWithScaleDown (Microsoft, LoadIconWithScaleDown, commctrl.h): "If the icon is not
// a standard size, this function scales down a larger image instead of scaling up a smaller
// image"; the same rule as "Construct your Windows app's icon", "Icon scaling". With no
// larger image the largest smaller one is all there is, and it is scaled up.
int ScaleDownChoice(std::span<const IconEntryShape> entries, int side, int display) {
    int best = -1;
    auto fits = [&](const IconEntryShape& e) {
        return DirectorySide(e.width) >= side && DirectorySide(e.height) >= side;
    };
    for (int i = 0; i < static_cast<int>(entries.size()); ++i) {
        const IconEntryShape& e = entries[static_cast<std::size_t>(i)];
        if (best < 0) {
            best = i;
            continue;
        }
        const IconEntryShape& b = entries[static_cast<std::size_t>(best)];
        const bool eFits = fits(e);
        const bool bFits = fits(b);
        if (eFits != bFits) {
            if (eFits) {
                best = i;
            }
            continue;
        }
        // Both larger: the smaller of them; both smaller: the larger of them.
        const std::int64_t ea = Area(e), ba = Area(b);
        if (ea != ba) {
            if (eFits ? ea < ba : ea > ba) {
                best = i;
            }
        } else if (BetterDepth(e.bitCount, b.bitCount, display)) {
            best = i;
        }
    }
    return best;
}

// LookupIconIdFromDirectoryEx (Microsoft, winuser.h, corrected in 2026 by MicrosoftDocs
// sdk-api pull requests 2240 and 2242 after KB 307213, "Windows XP icon and cursor support",
// "Icon selection"): each image is scored by how far it departs from the request; the
// lowest score wins. A side smaller than asked counts twice its distance ("it is not a good
// idea to expand width and height"), a larger one once; the depth distance always counts
// twice ("it is not a good idea to compress colors"). Of equal scores the larger image
// wins, then the first in the directory.
std::int64_t LookupScore(const IconEntryShape& e, int side, int display) {
    auto sizeTerm = [side](int s) -> std::int64_t {
        const int seen = DirectorySide(s);
        return seen >= side ? seen - side : 2 * static_cast<std::int64_t>(side - seen);
    };
    return sizeTerm(e.width) + sizeTerm(e.height) + 2 * std::abs(e.bitCount - display);
}

int LookupChoice(std::span<const IconEntryShape> entries, int side, int display) {
    int best = -1;
    std::int64_t bestScore = 0;
    for (int i = 0; i < static_cast<int>(entries.size()); ++i) {
        const IconEntryShape& e = entries[static_cast<std::size_t>(i)];
        const std::int64_t score = LookupScore(e, side, display);
        if (best < 0 || score < bestScore ||
            (score == bestScore && Area(e) > Area(entries[static_cast<std::size_t>(best)]))) {
            best = i;
            bestScore = score;
        }
    }
    return best;
}

}  // namespace

std::optional<IconPick> PickIconEntry(std::span<const IconEntryShape> entries, int side,
                                      IconLoader loader, int displayBitCount) {
    if (entries.empty() || side < 1) {
        return std::nullopt;
    }
    const int index = loader == IconLoader::kScaleDown
                          ? ScaleDownChoice(entries, side, displayBitCount)
                          : LookupChoice(entries, side, displayBitCount);
    const IconEntryShape& e = entries[static_cast<std::size_t>(index)];
    IconPick pick;
    pick.entry = index;
    // The image is stretched to side x side; its larger side decides the direction.
    const int real = std::max(e.width, e.height);
    if (e.width == side && e.height == side) {
        pick.draw = IconDraw::kExact;
    } else if (real > side) {
        pick.draw = IconDraw::kScaledDown;
        pick.factor = static_cast<double>(real) / side;
    } else {
        pick.draw = IconDraw::kScaledUp;
        pick.factor = static_cast<double>(side) / std::max(real, 1);
    }
    return pick;
}

std::vector<WindowsIconCell> WindowsIconView(std::span<const IconEntryShape> entries,
                                             int displayBitCount) {
    std::vector<WindowsIconCell> cells;
    cells.reserve(kWindowsIconSurfaces.size() * kWindowsScalePercents.size());
    for (std::size_t s = 0; s < kWindowsIconSurfaces.size(); ++s) {
        for (std::size_t k = 0; k < kWindowsScalePercents.size(); ++k) {
            WindowsIconCell cell;
            cell.surface = static_cast<int>(s);
            cell.scale = static_cast<int>(k);
            cell.side = kWindowsIconSurfaces[s].sides[k];
            cell.scaleDown =
                PickIconEntry(entries, cell.side, IconLoader::kScaleDown, displayBitCount);
            cell.lookup = PickIconEntry(entries, cell.side, IconLoader::kLookup, displayBitCount);
            cells.push_back(cell);
        }
    }
    return cells;
}

std::vector<int> SidesScaledUp(std::span<const IconEntryShape> entries, int displayBitCount) {
    std::vector<int> sides;
    for (const WindowsIconCell& c : WindowsIconView(entries, displayBitCount)) {
        const bool up = (c.scaleDown && c.scaleDown->draw == IconDraw::kScaledUp) ||
                        (c.lookup && c.lookup->draw == IconDraw::kScaledUp);
        if (up) {
            sides.push_back(c.side);
        }
    }
    std::sort(sides.begin(), sides.end());
    sides.erase(std::unique(sides.begin(), sides.end()), sides.end());
    return sides;
}

std::vector<int> SidesToAdd(std::span<const IconEntryShape> entries, int maxSide,
                            int displayBitCount) {
    std::vector<IconEntryShape> current(entries.begin(), entries.end());
    std::vector<int> added;
    auto has = [&added](int side) {
        return std::find(added.begin(), added.end(), side) != added.end();
    };
    // Each round adds at least one new side of the view's few dozen, so this ends.
    for (;;) {
        std::vector<int> round;
        int large = 0;
        for (const int side : SidesScaledUp(current, displayBitCount)) {
            if (side <= 256) {
                if (!has(side)) {
                    round.push_back(side);
                }
            } else if (side <= maxSide) {
                large = std::max(large, side);
            }
        }
        if (large > 0 && !has(large)) {
            round.push_back(large);
        }
        if (round.empty()) {
            break;
        }
        for (const int side : round) {
            added.push_back(side);
            current.push_back({side, side, 32});
        }
    }
    std::sort(added.begin(), added.end());
    return added;
}

bool IsPoorPick(const IconPick& pick) {
    return pick.draw == IconDraw::kScaledUp ||
           (pick.draw == IconDraw::kScaledDown && pick.factor > kScaleFactorWarning);
}

}  // namespace varlen
