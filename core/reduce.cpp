// Colour reduction and masks: the alpha threshold, the count of distinct colours, the
// median-cut palette and the colour bits and mask of an icon image.
//
// Contract and traps:
// - MakePalette must give exactly the palette of the plain algorithm: a histogram searched
//   linearly (black seeded first with count width x height, then first appearance), a
//   selection sort per box and a cut in the middle of the entry list. The fast versions here
//   keep every detail that changes the result:
//   * the histogram is looked up through a hash table but entries are appended in the same
//     order, and black pixels add to the seed entry;
//   * the selection sort is not stable (swapping p with the maximum moves the old entry p
//     behind entries equal to it), so SplitBox replays the very same swaps; it only finds
//     "the first position of the largest value in p ... end - 1" without scanning: keys are
//     placed from the largest down, each key's entries in the order of their positions when
//     its turn comes, and a swap moves one position from one key's set to another's;
//   * the palette sums are 64-bit: a 32-bit sum of channel x count wraps once it passes 2^32
//     (for white, a box of more than 16,843,009 pixels: any all-white image of 4105 x 4105)
//     and then gives a plainly wrong colour. Below that the result is the same.
// - NearestPaletteIndex keeps the first index on ties. BuildBits gives the same answers faster:
//   it searches a copy of the palette sorted by red outwards from the pixel's red, breaking
//   ties by the original index, and caches the answer per colour within one call.
// - Opaque means alpha >= 128 at 4, 8 and 24 bits but alpha != 0 at 32 bits. Transparent
//   pixels are written as the palette index nearest to black (4, 8 bits) or black (24 bits);
//   at 32 bits every pixel is copied unchanged.
// - Rows are written bottom-up and padded to 4 bytes; with an odd width at 4 bits the last
//   pixel takes the high nibble and the low nibble stays 0.
#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

#include "core/icon.h"
#include "core/median_cut.h"
#include "core/workers.h"

namespace varlen {

namespace {

constexpr Pixel kRgbMask = 0x00FFFFFFu;

// Open-addressing map from a 24-bit colour to a non-negative int, local to one call. Key and
// value share a slot, so a lookup touches one cache line.
class ColorIndexMap {
  public:
    // Room for `expected` keys without growing.
    explicit ColorIndexMap(std::size_t expected = 512) {
        std::size_t capacity = 64;
        while (capacity < 2 * expected + 2) {
            capacity *= 2;
        }
        Reset(capacity);
    }

    // The value stored for key, or -1.
    int Find(Pixel key) const {
        for (std::size_t slot = Slot(key);; slot = (slot + 1) & m_mask) {
            const Entry& e = m_slots[slot];
            if (e.key == key) {
                return e.value;
            }
            if (e.key == kEmpty) {
                return -1;
            }
        }
    }

    // Stores value for a key that is not in the map.
    void Insert(Pixel key, int value) {
        if (2 * (m_size + 1) > m_slots.size()) {
            Grow();
        }
        Place(key, value);
    }

  private:
    static constexpr Pixel kEmpty = 0xFFFFFFFFu;  // never a 24-bit key

    struct Entry {
        Pixel key = kEmpty;
        int value = 0;
    };

    void Reset(std::size_t capacity) {
        m_slots.assign(capacity, Entry{});
        m_mask = capacity - 1;
        m_size = 0;
    }

    std::size_t Slot(Pixel key) const {
        // A full avalanche mix: colours made by multiplying a counter (gradients, test
        // patterns) would cluster under a plain multiplicative hash.
        std::uint32_t h = key;
        h ^= h >> 16;
        h *= 0x7FEB352Du;
        h ^= h >> 15;
        h *= 0x846CA68Bu;
        h ^= h >> 16;
        return static_cast<std::size_t>(h) & m_mask;
    }

    void Place(Pixel key, int value) {
        std::size_t slot = Slot(key);
        while (m_slots[slot].key != kEmpty) {
            slot = (slot + 1) & m_mask;
        }
        m_slots[slot] = Entry{key, value};
        ++m_size;
    }

    void Grow() {
        const std::vector<Entry> old = std::move(m_slots);
        Reset(old.size() * 2);
        for (const Entry& e : old) {
            if (e.key != kEmpty) {
                Place(e.key, e.value);
            }
        }
    }

    std::vector<Entry> m_slots;
    std::size_t m_mask = 0;
    std::size_t m_size = 0;
};

// Red, green or blue of a histogram entry, selected by its bit shift (16, 8 or 0).
int Channel(const HistEntry& e, int shift) {
    return static_cast<int>((e.color >> shift) & 0xFF);
}

// Reusable buffers of SplitBox, so the rounds of one palette allocate them once.
struct SplitScratch {
    std::vector<int> positions;
    std::vector<int> slotOf;
};

// SplitBox with caller-provided buffers.
int SplitBoxWith(std::vector<HistEntry>& entries, int start, int end, SplitScratch& scratch) {
    const int middle = (start + end) / 2;
    const int n = end - start;
    if (n <= 1) {
        return middle;
    }
    int minR = 255, minG = 255, minB = 255;
    int maxR = 0, maxG = 0, maxB = 0;
    for (int i = start; i < end; ++i) {
        const Pixel c = entries[static_cast<std::size_t>(i)].color;
        minR = std::min(minR, Red(c));
        maxR = std::max(maxR, Red(c));
        minG = std::min(minG, Green(c));
        maxG = std::max(maxG, Green(c));
        minB = std::min(minB, Blue(c));
        maxB = std::max(maxB, Blue(c));
    }
    const int rr = maxR - minR, rg = maxG - minG, rb = maxB - minB;
    int shift = 0;
    int range = 0;
    if (rg < rr) {
        shift = rr < rb ? 0 : 16;
        range = rr < rb ? rb : rr;
    } else {
        shift = rg < rb ? 0 : 8;
        range = rg < rb ? rb : rg;
    }
    if (range == 0) {
        // All keys equal: the first maximum is always position p itself, nothing moves.
        return middle;
    }

    // Replaying the selection sort key by key. At step p the largest key present, v, is the
    // maximum, and the first position holding it is q; the swap moves the old entry p (key
    // w < v when q != p) to q. So:
    // - the entries of key v are placed in the order of their positions at the moment the
    //   sort reaches key v, and until then the set of positions of key v only changes when
    //   one of its entries is moved from p to some q;
    // - the set of each key is kept unordered in its own segment of `positions`, slotOf[x]
    //   telling where position x is listed, so such a move is one overwrite; the set of key v
    //   is sorted once, when the sort reaches it.
    HistEntry* run = entries.data() + start;
    std::array<int, 256> count{};
    for (int i = 0; i < n; ++i) {
        ++count[static_cast<std::size_t>(Channel(run[i], shift))];
    }
    std::array<int, 256> first{};
    for (std::size_t v = 1; v < 256; ++v) {
        first[v] = first[v - 1] + count[v - 1];
    }
    scratch.positions.resize(static_cast<std::size_t>(n));
    scratch.slotOf.resize(static_cast<std::size_t>(n));
    int* positions = scratch.positions.data();
    int* slotOf = scratch.slotOf.data();
    std::array<int, 256> fill = first;
    for (int i = 0; i < n; ++i) {
        const int slot = fill[static_cast<std::size_t>(Channel(run[i], shift))]++;
        positions[slot] = i;
        slotOf[i] = slot;
    }
    int p = 0;
    for (std::size_t v = 256; v-- > 0;) {
        int* set = positions + first[v];
        const int size = count[v];
        if (!std::is_sorted(set, set + size)) {
            std::sort(set, set + size);
        }
        for (int j = 0; j < size; ++j, ++p) {
            const int q = set[j];
            if (q != p) {
                const int slot = slotOf[p];
                positions[slot] = q;
                slotOf[q] = slot;
                std::swap(run[p], run[q]);
            }
        }
    }
    return middle;
}

// Exact nearest palette entry (smallest squared distance, then smallest index) by searching
// outwards in red: the entries are sorted by red, and the search in one direction stops once
// the red difference alone exceeds the best distance found. Equal distances must still be
// looked at, as a smaller index wins them.
class NearestSearch {
  public:
    explicit NearestSearch(std::span<const RGBQUAD> palette) {
        m_size = static_cast<int>(std::min<std::size_t>(palette.size(), 256));
        std::array<int, 256> order{};
        for (int k = 0; k < m_size; ++k) {
            order[static_cast<std::size_t>(k)] = k;
        }
        std::stable_sort(order.begin(), order.begin() + m_size, [&palette](int a, int b) {
            return palette[static_cast<std::size_t>(a)].rgbRed <
                   palette[static_cast<std::size_t>(b)].rgbRed;
        });
        for (std::size_t i = 0; i < static_cast<std::size_t>(m_size); ++i) {
            const RGBQUAD q = palette[static_cast<std::size_t>(order[i])];
            m_entries[i] = Entry{q.rgbRed, q.rgbGreen, q.rgbBlue, order[i]};
        }
        // m_firstAtLeast[r]: the first sorted position whose red is at least r.
        int pos = 0;
        for (int r = 0; r < 256; ++r) {
            while (pos < m_size && m_entries[static_cast<std::size_t>(pos)].red < r) {
                ++pos;
            }
            m_firstAtLeast[static_cast<std::size_t>(r)] = pos;
        }
    }

    // Channels within 0 ... 255, so every distance fits an int.
    int Nearest(int r, int g, int b) const {
        int best = 0;
        int bestDistance = std::numeric_limits<int>::max();
        auto consider = [&](const Entry& e, int redSquare) {
            const int dg = g - e.green, db = b - e.blue;
            const int d = redSquare + dg * dg + db * db;
            if (d < bestDistance || (d == bestDistance && e.index < best)) {
                bestDistance = d;
                best = e.index;
            }
        };
        const int split = m_firstAtLeast[static_cast<std::size_t>(r)];
        for (int i = split; i < m_size; ++i) {
            const Entry& e = m_entries[static_cast<std::size_t>(i)];
            const int dr = e.red - r;
            if (dr * dr > bestDistance) {
                break;
            }
            consider(e, dr * dr);
        }
        for (int i = split - 1; i >= 0; --i) {
            const Entry& e = m_entries[static_cast<std::size_t>(i)];
            const int dr = r - e.red;
            if (dr * dr > bestDistance) {
                break;
            }
            consider(e, dr * dr);
        }
        return best;
    }

  private:
    struct Entry {
        int red = 0, green = 0, blue = 0, index = 0;
    };
    std::array<Entry, 256> m_entries{};
    std::array<int, 256> m_firstAtLeast{};
    int m_size = 0;
};

// An upper bound of the number of distinct colours, to size the tables of one call. Small
// images use their pixel count and skip the pass over a 2 MiB bit table.
std::size_t ColourBound(const CIcon& icon) {
    constexpr std::size_t kSmall = 4096;
    return icon.PixelCount() <= kSmall ? icon.PixelCount()
                                       : static_cast<std::size_t>(icon.CountColors());
}

}  // namespace

void CIcon::ThresholdAlpha(Workers* workers) {
    OnWorkers(workers, [&](Workers& w) {
        w.ForRanges(m_pixels.size(), std::size_t{1} << 16, [&](std::size_t begin, std::size_t end) {
            for (std::size_t i = begin; i < end; ++i) {
                const Pixel p = m_pixels[i];
                m_pixels[i] = (p & kRgbMask) | (Alpha(p) >= 128 ? 0xFF000000u : 0u);
            }
        });
    });
}

int CIcon::CountColors() const {
    std::vector<std::uint64_t> seen(std::size_t{1} << 18, 0);
    int count = 0;
    for (const Pixel p : m_pixels) {
        const Pixel index = p & kRgbMask;
        std::uint64_t& word = seen[index >> 6];
        const std::uint64_t bit = std::uint64_t{1} << (index & 63);
        if ((word & bit) == 0) {
            word |= bit;
            ++count;
        }
    }
    return count;
}

std::vector<HistEntry> BuildHistogram(const CIcon& icon) {
    // Knowing the number of colours first sizes both tables once.
    const std::size_t colours = ColourBound(icon);
    std::vector<HistEntry> entries;
    entries.reserve(colours + 1);
    entries.push_back(HistEntry{
        0, static_cast<std::int64_t>(icon.Width()) * static_cast<std::int64_t>(icon.Height())});
    ColorIndexMap index(colours + 1);
    index.Insert(0, 0);
    // Neighbouring pixels often share a colour: remember the last one looked up.
    Pixel lastKey = 0;
    std::size_t lastEntry = 0;
    for (const Pixel p : icon.Pixels()) {
        const Pixel key = p & kRgbMask;
        if (key != lastKey) {
            const int found = index.Find(key);
            if (found < 0) {
                lastEntry = entries.size();
                index.Insert(key, static_cast<int>(lastEntry));
                entries.push_back(HistEntry{p, 0});
            } else {
                lastEntry = static_cast<std::size_t>(found);
            }
            lastKey = key;
        }
        ++entries[lastEntry].count;
    }
    return entries;
}

int SplitBox(std::vector<HistEntry>& entries, int start, int end) {
    SplitScratch scratch;
    return SplitBoxWith(entries, start, end, scratch);
}

std::vector<int> MedianCutBoxes(std::vector<HistEntry>& entries, int numColors) {
    const auto n = static_cast<std::size_t>(numColors);
    std::vector<int> bounds(n + 1, 0);
    bounds[n] = static_cast<int>(entries.size());
    SplitScratch scratch;
    for (std::size_t d = 1; d < n;) {
        d *= 2;
        const std::size_t step = n / d;
        for (std::size_t k = 0; k < d / 2; ++k) {
            bounds[(2 * k + 1) * step] =
                SplitBoxWith(entries, bounds[2 * k * step], bounds[(2 * k + 2) * step], scratch);
        }
    }
    return bounds;
}

std::vector<RGBQUAD> BoxPalette(const std::vector<HistEntry>& entries,
                                const std::vector<int>& bounds) {
    const std::size_t boxes = bounds.empty() ? 0 : bounds.size() - 1;
    std::vector<RGBQUAD> palette(boxes);
    for (std::size_t k = 0; k < boxes; ++k) {
        const int start = bounds[k];
        const int end = bounds[k + 1];
        if (start >= end) {
            continue;  // empty box: black
        }
        std::uint64_t count = 0, red = 0, green = 0, blue = 0;
        for (int i = start; i < end; ++i) {
            const HistEntry& e = entries[static_cast<std::size_t>(i)];
            const auto c = static_cast<std::uint64_t>(e.count);
            count += c;
            red += static_cast<std::uint64_t>(Red(e.color)) * c;
            green += static_cast<std::uint64_t>(Green(e.color)) * c;
            blue += static_cast<std::uint64_t>(Blue(e.color)) * c;
        }
        if (count != 0) {
            palette[k].rgbRed = static_cast<std::uint8_t>(red / count);
            palette[k].rgbGreen = static_cast<std::uint8_t>(green / count);
            palette[k].rgbBlue = static_cast<std::uint8_t>(blue / count);
        }
    }
    return palette;
}

bool CIcon::MakePalette() {
    if (m_nBpp > 8) {
        return false;
    }
    std::vector<HistEntry> entries = BuildHistogram(*this);
    const std::vector<int> bounds = MedianCutBoxes(entries, GetNumColors());
    const std::vector<RGBQUAD> palette = BoxPalette(entries, bounds);
    std::copy(palette.begin(), palette.end(), m_palette.begin());
    return true;
}

int NearestPaletteIndex(const CIcon& icon, int red, int green, int blue) {
    // Squares in 64 bits: callers may pass any int, not only channel values.
    int best = 0;
    std::uint64_t bestDistance = std::numeric_limits<std::uint64_t>::max();
    const std::span<const RGBQUAD> palette = icon.Palette();
    for (std::size_t k = 0; k < palette.size(); ++k) {
        const std::int64_t dr = static_cast<std::int64_t>(red) - palette[k].rgbRed;
        const std::int64_t dg = static_cast<std::int64_t>(green) - palette[k].rgbGreen;
        const std::int64_t db = static_cast<std::int64_t>(blue) - palette[k].rgbBlue;
        const std::uint64_t d = static_cast<std::uint64_t>(dr * dr) +
                                static_cast<std::uint64_t>(dg * dg) +
                                static_cast<std::uint64_t>(db * db);
        if (d < bestDistance) {
            bestDistance = d;
            best = static_cast<int>(k);
        }
    }
    return best;
}

DibBits CIcon::BuildBits() const {
    const std::size_t colorStride = ColorStride(m_nWidth, m_nBpp);
    const std::size_t maskStride = MaskStride(m_nWidth);
    const auto rows = static_cast<std::size_t>(m_nHeight);
    DibBits bits;
    bits.color.assign(colorStride * rows, 0);
    bits.mask.assign(maskStride * rows, 0xFF);
    if (m_nBpp != 4 && m_nBpp != 8 && m_nBpp != 24 && m_nBpp != 32) {
        return bits;
    }

    const bool indexed = m_nBpp <= 8;
    const NearestSearch palette(m_palette);
    const int blackIndex = indexed ? palette.Nearest(0, 0, 0) : 0;
    ColorIndexMap cache(indexed ? ColourBound(*this) : 0);
    auto indexOf = [&palette, &cache](Pixel p) {
        const Pixel key = p & kRgbMask;
        int index = cache.Find(key);
        if (index < 0) {
            index = palette.Nearest(Red(p), Green(p), Blue(p));
            cache.Insert(key, index);
        }
        return index;
    };

    for (std::size_t y = 0; y < rows; ++y) {
        const Pixel* src = Row(static_cast<int>(y));
        std::uint8_t* color = bits.color.data() + (rows - 1 - y) * colorStride;
        std::uint8_t* mask = bits.mask.data() + (rows - 1 - y) * maskStride;
        for (std::size_t x = 0; x < static_cast<std::size_t>(m_nWidth); ++x) {
            const Pixel p = src[x];
            const bool opaque = m_nBpp == 32 ? Alpha(p) != 0 : Alpha(p) >= 128;
            if (opaque) {
                mask[x >> 3] &= static_cast<std::uint8_t>(~(0x80u >> (x & 7)));
            }
            switch (m_nBpp) {
                case 4: {
                    const auto index = static_cast<std::uint8_t>(opaque ? indexOf(p) : blackIndex);
                    color[x >> 1] |= (x & 1) == 0 ? static_cast<std::uint8_t>(index << 4) : index;
                    break;
                }
                case 8:
                    color[x] = static_cast<std::uint8_t>(opaque ? indexOf(p) : blackIndex);
                    break;
                case 24:
                    if (opaque) {
                        color[3 * x] = static_cast<std::uint8_t>(Blue(p));
                        color[3 * x + 1] = static_cast<std::uint8_t>(Green(p));
                        color[3 * x + 2] = static_cast<std::uint8_t>(Red(p));
                    }
                    break;
                default:  // 32
                    color[4 * x] = static_cast<std::uint8_t>(Blue(p));
                    color[4 * x + 1] = static_cast<std::uint8_t>(Green(p));
                    color[4 * x + 2] = static_cast<std::uint8_t>(Red(p));
                    color[4 * x + 3] = static_cast<std::uint8_t>(Alpha(p));
                    break;
            }
        }
    }
    return bits;
}

}  // namespace varlen
