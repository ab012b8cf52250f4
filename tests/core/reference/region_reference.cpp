// Literal transcriptions of the transparent-region clicks; see region_reference.h.
#include "region_reference.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace varlen::reference {
namespace {

bool Matches(Pixel p, Pixel color, int tolerance2) {
    const int dr = Red(p) - Red(color);
    const int dg = Green(p) - Green(color);
    const int db = Blue(p) - Blue(color);
    return dr * dr + dg * dg + db * db <= tolerance2;
}

void ClearAlpha(CIcon& icon, int x, int y) {
    icon.Row(y)[x] &= 0x00FFFFFFu;
}

}  // namespace

void ClearAround(CIcon& icon, int x, int y, int n) {
    for (int dy = -n; dy <= n; ++dy) {
        for (int dx = -n; dx <= n; ++dx) {
            if (std::abs(dx) + std::abs(dy) > n) {
                continue;
            }
            const int px = x + dx;
            const int py = y + dy;
            if (px < 0 || py < 0 || px >= icon.Width() || py >= icon.Height()) {
                continue;
            }
            ClearAlpha(icon, px, py);
        }
    }
}

void ClearColorRegion(CIcon& icon, Pixel color, int tolerance, int expansion) {
    const int tolerance2 = tolerance * tolerance;
    for (int y = 0; y < icon.Height(); ++y) {
        for (int x = 0; x < icon.Width(); ++x) {
            if (Matches(icon.GetPixel(x, y), color, tolerance2)) {
                ClearAround(icon, x, y, expansion);
            }
        }
    }
}

CIcon::CLOSEDRANGE FindSpan(const CIcon& icon, int x, int y, Pixel color, int tolerance2) {
    const int width = icon.Width();
    auto match = [&](int px) {
        return px >= 0 && px < width && y >= 0 && y < icon.Height() &&
               Matches(icon.GetPixel(px, y), color, tolerance2);
    };
    CIcon::CLOSEDRANGE range;
    range.y = y;
    if (!match(x)) {
        // From x, or from the image width when x lies beyond it.
        int left = x < width ? x : width;
        while (left < width && !match(left)) {
            ++left;
        }
        int right = left;
        while (right < width && match(right)) {
            ++right;
        }
        range.left = left;
        range.right = right - 1;
    } else {
        int left = x;
        while (match(left - 1)) {
            --left;
        }
        int right = x;
        while (match(right + 1)) {
            ++right;
        }
        range.left = left;
        range.right = right;
    }
    return range;
}

void ClearClosedRegion(CIcon& icon, int x, int y, int tolerance, int expansion) {
    if (x < 0 || y < 0 || x >= icon.Width() || y >= icon.Height()) {
        return;
    }
    const int width = icon.Width();
    const int height = icon.Height();
    // 1. Seed colour, reference clone, visited map, work list, squared tolerance.
    const Pixel color = icon.GetPixel(x, y);
    const auto ref = CloneIcon(&icon, false);
    std::vector<std::uint8_t> visited(static_cast<std::size_t>(width) * height, 0);
    std::vector<CIcon::CLOSEDRANGE> list;
    const int tolerance2 = tolerance * tolerance;
    auto clearRun = [&](const CIcon::CLOSEDRANGE& run) {
        for (int px = run.left; px <= run.right; ++px) {
            ClearAround(icon, px, run.y, expansion);
            visited[static_cast<std::size_t>(run.y) * width + px] = 1;
        }
    };
    // 2. Seed run.
    const CIcon::CLOSEDRANGE seed = FindSpan(*ref, x, y, color, tolerance2);
    clearRun(seed);
    list.push_back(seed);
    // 3. One generation at a time.
    while (!list.empty()) {
        const std::size_t m = list.size();
        for (std::size_t i = 0; i < m; ++i) {
            const CIcon::CLOSEDRANGE s = list.at(i);
            for (const int r : {s.y - 1, s.y + 1}) {
                if (r < 0 || r >= height) {
                    continue;
                }
                int q = s.left;
                while (q < width) {
                    const CIcon::CLOSEDRANGE t = FindSpan(*ref, q, r, color, tolerance2);
                    if (t.left > s.right) {
                        break;
                    }
                    if (visited[static_cast<std::size_t>(r) * width + t.left] == 0) {
                        clearRun(t);
                        list.push_back(t);
                    }
                    q = t.right + 2;
                }
            }
        }
        list.erase(list.begin(), list.begin() + static_cast<std::ptrdiff_t>(m));
    }
    // 4. The clone, the map and the list go out of scope here.
}

}  // namespace varlen::reference
