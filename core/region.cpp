// Transparent regions: the colour-region and closed-region clicks of the transparency page.
//
// Contract. Both clicks set alpha to 0 (colour bytes untouched) at every pixel that lies within
// Manhattan distance `expansion` of a "marked" pixel:
// - ClearColorRegion marks every pixel whose colour is within the tolerance of the given colour;
// - ClearClosedRegion marks the 4-connected component of such pixels (matched against the colour
//   of the seed) that contains the seed.
// A pixel matches colour k with tolerance t when dr^2 + dg^2 + db^2 <= t^2; alpha takes no part,
// so pixels cleared earlier (or already transparent) still match and still carry the fill on.
// Matching ignores alpha and the clicks change alpha only, so matching on the image while it is
// being cleared gives the same answer as matching on an untouched copy: no copy is made.
//
// Traps.
// - The straightforward way clears a diamond of 2n^2 + 2n + 1 pixels around every marked pixel,
//   which is hopeless on a large photo with a large expansion. Instead the marked set is built
//   first, then one city-block distance transform over the marked pixels' bounding box (grown by
//   the expansion and clipped to the image) finds every pixel within the expansion. The L1
//   distance is separable: d(x, y) = min over rows y' of (|y - y'| + h(x, y')), h being the
//   distance to the nearest mark on row y'. So a forward and a backward sweep along every row
//   (rows are independent), then an upward and a downward sweep across the rows (columns
//   are independent; blocks, see ClearWithinDistance) give the exact distance. Clipping to
//   the image is exact too: a shortest staircase path between two pixels of a rectangle
//   never leaves the rectangle, and pixels outside the grown box are farther than the
//   expansion from every mark.
// - Distances are saturated at expansion + 1, so 16 bits suffice for any expansion up to
//   65533; the expansion is first cut to width + height - 2 (no two pixels are farther apart),
//   and only huge images with huge expansions fall back to 32-bit distances.
// - t^2 is computed in 64 bits and capped at 3 * 255^2 (no colour difference is larger), so
//   huge tolerances cannot overflow: they simply match everything. A negative tolerance acts
//   like its absolute value, as its square does.
// - Negative expansion clears nothing at all (a diamond of negative radius is empty).
// - Pixels outside the image never match: FindSpan never walks past either edge, and a row
//   outside the image has an empty run.
// - Progress (when the Workers passed in has one attached): the row passes that spread over
//   the pool report through ForRanges; the two passes that cannot (the fill of a closed
//   region and the distance sweeps) report their rows themselves and hear a cancel between
//   blocks of rows. A cancel there leaves the alpha of the pixels cleared so far cleared: the
//   caller that must keep the image keeps its alpha first (AlphaPlane).
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <memory>
#include <mutex>
#include <vector>

#include "core/icon.h"
#include "core/progress.h"
#include "core/workers.h"

namespace varlen {
namespace {

constexpr Pixel kColorMask = 0x00FFFFFFu;
// The largest possible squared colour difference.
constexpr int kMaxDistance2 = 3 * 255 * 255;
// Rows a range of a parallel pass takes at least.
constexpr std::size_t kMinRows = 16;
// Seeds of the fill between two looks at a cancel request.
constexpr std::size_t kSeedsPerCheck = 4096;

int SquaredTolerance(int tolerance) {
    const auto t = static_cast<std::int64_t>(tolerance);
    return static_cast<int>(std::min<std::int64_t>(t * t, kMaxDistance2));
}

// Colour match against a fixed colour with a squared tolerance; alpha is ignored.
struct ColorMatch {
    int red, green, blue, tolerance2;
    ColorMatch(Pixel color, int t2)
        : red(Red(color)), green(Green(color)), blue(Blue(color)), tolerance2(t2) {}
    bool operator()(Pixel p) const {
        const int dr = Red(p) - red;
        const int dg = Green(p) - green;
        const int db = Blue(p) - blue;
        return dr * dr + dg * dg + db * db <= tolerance2;
    }
};

// Inclusive box of pixel coordinates; empty when left > right.
struct Box {
    int left = std::numeric_limits<int>::max();
    int top = std::numeric_limits<int>::max();
    int right = std::numeric_limits<int>::min();
    int bottom = std::numeric_limits<int>::min();
    bool Empty() const { return left > right || top > bottom; }
    void AddRun(int y, int l, int r) {
        left = std::min(left, l);
        right = std::max(right, r);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
    }
    void Add(const Box& other) {
        left = std::min(left, other.left);
        right = std::max(right, other.right);
        top = std::min(top, other.top);
        bottom = std::max(bottom, other.bottom);
    }
};

// Clears alpha at every pixel of the image within Manhattan distance n (1 <= n, n below the
// saturation limit of Dist) of a pixel for which marked(x, y) holds. `marks` is the bounding box
// of all marked pixels (non-empty); marked() is only asked inside it.
template <class Dist, class Marked>
void ClearWithinDistance(CIcon& icon, const Box& marks, int n, const Marked& marked,
                         Progress* progress) {
    const int left = std::max(0, marks.left - n);
    const int top = std::max(0, marks.top - n);
    const int right = std::min(icon.Width() - 1, marks.right + n);
    const int bottom = std::min(icon.Height() - 1, marks.bottom + n);
    const auto boxWidth = static_cast<std::size_t>(right - left + 1);
    const int boxHeight = bottom - top + 1;
    // Every stored distance is min(true distance, cap); cap + 1 still fits in Dist.
    const unsigned cap = static_cast<unsigned>(n) + 1u;
    auto plusOne = [](Dist a) { return static_cast<unsigned>(a) + 1u; };

    // Distance to the nearest mark on the same row (box row j); rows without marks are at cap.
    auto rowDistances = [&](Dist* row, int j) {
        const int y = top + j;
        if (y < marks.top || y > marks.bottom) {
            std::fill(row, row + boxWidth, static_cast<Dist>(cap));
            return;
        }
        unsigned run = cap;
        for (int x = left; x <= right; ++x) {
            const bool inMarks = x >= marks.left && x <= marks.right;
            run = (inMarks && marked(x, y)) ? 0u : std::min(run + 1u, cap);
            row[x - left] = static_cast<Dist>(run);
        }
        run = cap;
        for (std::size_t i = boxWidth; i-- > 0;) {
            run = std::min<unsigned>(row[i], std::min(run + 1u, cap));
            row[i] = static_cast<Dist>(run);
        }
    };
    // row = min(row, neighbour + 1), element by element.
    auto relax = [&](Dist* row, const Dist* neighbour) {
        for (std::size_t i = 0; i < boxWidth; ++i) {
            row[i] = static_cast<Dist>(std::min<unsigned>(row[i], plusOne(neighbour[i])));
        }
    };

    // The box is handled in blocks of n + 1 rows, two blocks in memory at a time, so the
    // buffer stays small and warm in cache whatever the picture's size. A mark more than one
    // block below a row is farther than n from it and cannot clear it, so the distance looking
    // downward is exact once a block has been swept upward from the first row of the next
    // block. Sweeping the result downward (through the last row of the previous block) then
    // gives the full distance: taking min(row, above + 1) over rows already minimised
    // downward adds no path shorter than the true one.
    const int blockRows = std::min(n + 1, boxHeight);
    const auto blockSize = static_cast<std::size_t>(blockRows) * boxWidth;
    // Left uninitialised: every element is written before it is read.
    const std::size_t blocks = blockRows < boxHeight ? 2 : 1;
    const auto buffer = std::make_unique_for_overwrite<Dist[]>(blocks * blockSize + boxWidth);
    Dist* current = buffer.get();
    Dist* next = current + (blocks - 1) * blockSize;  // unused when one block holds the box
    Dist* previousRow = current + blocks * blockSize;
    std::fill(previousRow, previousRow + boxWidth, static_cast<Dist>(cap));

    // Row distances of the block starting at box row first, swept upward within the block.
    auto prepare = [&](Dist* block, int first) {
        const int count = std::min(blockRows, boxHeight - first);
        for (int j = 0; j < count; ++j) {
            rowDistances(block + static_cast<std::size_t>(j) * boxWidth, first + j);
        }
        for (int j = count - 2; j >= 0; --j) {
            Dist* row = block + static_cast<std::size_t>(j) * boxWidth;
            relax(row, row + boxWidth);
        }
    };

    if (progress != nullptr) {
        progress->Expect(static_cast<std::size_t>(boxHeight));
        progress->Check();
    }
    prepare(current, 0);
    for (int first = 0; first < boxHeight; first += blockRows) {
        const int count = std::min(blockRows, boxHeight - first);
        if (progress != nullptr) {
            progress->Check();
        }
        if (first + blockRows < boxHeight) {
            prepare(next, first + blockRows);
            const Dist* below = next;
            for (int j = count - 1; j >= 0; --j) {
                Dist* row = current + static_cast<std::size_t>(j) * boxWidth;
                relax(row, below);
                below = row;
            }
        }
        const Dist* above = previousRow;
        for (int j = 0; j < count; ++j) {
            Dist* row = current + static_cast<std::size_t>(j) * boxWidth;
            relax(row, above);
            above = row;
            Pixel* pixels = icon.Row(top + first + j) + left;
            for (std::size_t i = 0; i < boxWidth; ++i) {
                if (row[i] <= static_cast<unsigned>(n)) {
                    pixels[i] &= kColorMask;
                }
            }
        }
        std::copy(above, above + boxWidth, previousRow);
        std::swap(current, next);
        if (progress != nullptr) {
            progress->Advance(static_cast<std::size_t>(count));
        }
    }
}

// Clears alpha at every pixel within Manhattan distance n >= 0 of a marked pixel (see above).
template <class Marked>
void ClearExpanded(CIcon& icon, const Box& marks, int n, const Marked& marked, Workers& workers) {
    if (marks.Empty() || n < 0) {
        return;
    }
    if (n == 0) {
        workers.ForRanges(static_cast<std::size_t>(marks.bottom - marks.top + 1), kMinRows,
                          [&](std::size_t begin, std::size_t end) {
                              for (std::size_t j = begin; j < end; ++j) {
                                  const int y = marks.top + static_cast<int>(j);
                                  Pixel* row = icon.Row(y);
                                  for (int x = marks.left; x <= marks.right; ++x) {
                                      if (marked(x, y)) {
                                          row[x] &= kColorMask;
                                      }
                                  }
                              }
                          });
        return;
    }
    // No two pixels are farther apart than this, so a larger expansion changes nothing.
    const int reach = (icon.Width() - 1) + (icon.Height() - 1);
    n = std::min(n, std::max(reach, 1));
    if (n <= std::numeric_limits<std::uint16_t>::max() - 2) {
        ClearWithinDistance<std::uint16_t>(icon, marks, n, marked, workers.Observer());
    } else {
        ClearWithinDistance<std::uint32_t>(icon, marks, n, marked, workers.Observer());
    }
}

// One bit per pixel, for the pixels of the closed region found so far.
class BitMap {
  public:
    explicit BitMap(std::size_t count) : m_words((count + 63) / 64, 0) {}
    bool Test(std::size_t i) const { return (m_words[i >> 6] >> (i & 63)) & 1u; }
    // Sets bits first ... last inclusive.
    void SetRange(std::size_t first, std::size_t last) {
        std::size_t w = first >> 6;
        const std::size_t lastWord = last >> 6;
        const std::uint64_t headMask = ~std::uint64_t{0} << (first & 63);
        const std::uint64_t tailMask = ~std::uint64_t{0} >> (63 - (last & 63));
        if (w == lastWord) {
            m_words[w] |= headMask & tailMask;
            return;
        }
        m_words[w] |= headMask;
        for (++w; w < lastWord; ++w) {
            m_words[w] = ~std::uint64_t{0};
        }
        m_words[lastWord] |= tailMask;
    }

  private:
    std::vector<std::uint64_t> m_words;
};

}  // namespace

void CIcon::ClearAround(int x, int y, int n) {
    if (n < 0) {
        return;
    }
    // 64-bit bounds: x, y and n may be anywhere in the int range.
    const std::int64_t cx = x;
    const std::int64_t cy = y;
    const std::int64_t top = std::max<std::int64_t>(0, cy - n);
    const std::int64_t bottom = std::min<std::int64_t>(m_nHeight - 1, cy + n);
    for (std::int64_t py = top; py <= bottom; ++py) {
        const std::int64_t k = n - (py > cy ? py - cy : cy - py);
        const std::int64_t l = std::max<std::int64_t>(0, cx - k);
        const std::int64_t r = std::min<std::int64_t>(m_nWidth - 1, cx + k);
        Pixel* row = Row(static_cast<int>(py));
        for (std::int64_t px = l; px <= r; ++px) {
            row[px] &= kColorMask;
        }
    }
}

void CIcon::ClearColorRegion(Pixel color, int tolerance, int expansion, Workers* workers) {
    if (expansion < 0) {
        return;
    }
    const ColorMatch match(color, SquaredTolerance(tolerance));
    const auto rows = static_cast<std::size_t>(m_nHeight);
    OnWorkers(workers, [&](Workers& w) {
        if (expansion == 0) {
            w.ForRanges(rows, kMinRows, [&](std::size_t begin, std::size_t end) {
                for (std::size_t y = begin; y < end; ++y) {
                    Pixel* row = Row(static_cast<int>(y));
                    for (int x = 0; x < m_nWidth; ++x) {
                        if (match(row[x])) {
                            row[x] &= kColorMask;
                        }
                    }
                }
            });
            return;
        }
        // The box is a union of the rows' boxes: the same whichever range finds which row.
        Box marks;
        std::mutex merge;
        w.ForRanges(rows, kMinRows, [&](std::size_t begin, std::size_t end) {
            Box found;
            for (std::size_t y = begin; y < end; ++y) {
                const Pixel* row = Row(static_cast<int>(y));
                int first = 0;
                while (first < m_nWidth && !match(row[first])) {
                    ++first;
                }
                if (first == m_nWidth) {
                    continue;
                }
                int last = m_nWidth - 1;
                while (!match(row[last])) {
                    --last;
                }
                found.AddRun(static_cast<int>(y), first, last);
            }
            const std::lock_guard lock(merge);
            marks.Add(found);
        });
        ClearExpanded(
            *this, marks, expansion, [this, &match](int x, int y) { return match(Row(y)[x]); }, w);
    });
}

CIcon::CLOSEDRANGE CIcon::FindSpan(int x, int y, Pixel color, int tolerance2) const {
    CLOSEDRANGE span{y, m_nWidth, m_nWidth - 1};
    if (y < 0 || y >= m_nHeight || x >= m_nWidth) {
        return span;
    }
    const ColorMatch match(color, tolerance2);
    const Pixel* row = Row(y);
    int left = std::max(x, 0);
    if (x >= 0 && match(row[x])) {
        while (left > 0 && match(row[left - 1])) {
            --left;
        }
    } else {
        while (left < m_nWidth && !match(row[left])) {
            ++left;
        }
        if (left == m_nWidth) {
            return span;
        }
    }
    int right = std::max(x, left);
    while (right + 1 < m_nWidth && match(row[right + 1])) {
        ++right;
    }
    span.left = left;
    span.right = right;
    return span;
}

void CIcon::ClearClosedRegion(int x, int y, int tolerance, int expansion, Workers* workers) {
    if (x < 0 || y < 0 || x >= m_nWidth || y >= m_nHeight || expansion < 0) {
        return;
    }
    const Pixel* pixels = m_pixels.data();
    const auto width = static_cast<std::size_t>(m_nWidth);
    const ColorMatch match(GetPixel(x, y), SquaredTolerance(tolerance));
    // Every pixel of a maximal matching stretch of a row belongs to the region or none does,
    // and a stretch is marked whole when first reached, so one bit tells about the stretch.
    BitMap region(m_pixels.size());
    Box marks;
    struct Seed {
        int x, y;
    };
    std::vector<Seed> stack{{x, y}};
    // The fill's progress: a row's worth of pixels reached is a row done; the rows the
    // region does not reach are reported done at its end.
    Progress* progress = workers != nullptr ? workers->Observer() : nullptr;
    const auto rows = static_cast<std::size_t>(m_nHeight);
    std::size_t reached = 0;
    std::size_t reported = 0;
    std::size_t seeds = 0;
    if (progress != nullptr) {
        progress->Expect(rows);
    }
    while (!stack.empty()) {
        if (progress != nullptr && ++seeds % kSeedsPerCheck == 0) {
            progress->Check();
            const std::size_t done = std::min(rows, reached / width);
            progress->Advance(done - reported);
            reported = done;
        }
        const Seed s = stack.back();
        stack.pop_back();
        const std::size_t base = static_cast<std::size_t>(s.y) * width;
        if (region.Test(base + static_cast<std::size_t>(s.x))) {
            continue;
        }
        // Seeds are always matching pixels: the click's own colour matches itself.
        const Pixel* row = pixels + base;
        int left = s.x;
        while (left > 0 && match(row[left - 1])) {
            --left;
        }
        int right = s.x;
        while (right + 1 < m_nWidth && match(row[right + 1])) {
            ++right;
        }
        region.SetRange(base + static_cast<std::size_t>(left),
                        base + static_cast<std::size_t>(right));
        marks.AddRun(s.y, left, right);
        reached += static_cast<std::size_t>(right - left + 1);
        // One seed for each not yet reached stretch that shares a column with this one.
        for (const int ny : {s.y - 1, s.y + 1}) {
            if (ny < 0 || ny >= m_nHeight) {
                continue;
            }
            const std::size_t nbase = static_cast<std::size_t>(ny) * width;
            const Pixel* nrow = pixels + nbase;
            int q = left;
            while (q <= right) {
                if (!match(nrow[q])) {
                    ++q;
                    continue;
                }
                if (!region.Test(nbase + static_cast<std::size_t>(q))) {
                    stack.push_back({q, ny});
                }
                while (q <= right && match(nrow[q])) {
                    ++q;
                }
            }
        }
    }
    if (progress != nullptr) {
        progress->Advance(rows - reported);
    }
    OnWorkers(workers, [&](Workers& w) {
        ClearExpanded(
            *this, marks, expansion,
            [&region, width](int px, int py) {
                return region.Test(static_cast<std::size_t>(py) * width +
                                   static_cast<std::size_t>(px));
            },
            w);
    });
}

}  // namespace varlen
