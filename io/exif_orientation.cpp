// EXIF orientation: the one parser of the tag, and the transform that applies it.
//
// Contract: only the first image directory (IFD0) is read, in either byte order; the tag
// counts when it is a SHORT or LONG with at least one value from 1 to 8.
//
// Traps:
// - Every offset comes from the data and may lie: the directory and each entry are
//   checked against the block's end before they are read, and the entry loop stops at
//   the end of the data whatever the entry count says.
// - 2, 3 and 4 are done in place; 5 to 8 need a new image of the swapped size, filled in
//   square tiles so that the column-wise reads of one side stay in cache.
#include "io/exif_orientation.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace varlen {

namespace {

constexpr std::uint16_t kOrientationTag = 0x0112;
constexpr std::uint16_t kTypeShort = 3;
constexpr std::uint16_t kTypeLong = 4;

class TiffBytes {
  public:
    TiffBytes(std::span<const std::uint8_t> d, bool bigEndian) : m_d(d), m_big(bigEndian) {}
    bool Has(std::size_t at, std::size_t n) const {
        return at <= m_d.size() && n <= m_d.size() - at;
    }
    std::uint16_t U16(std::size_t at) const {
        const std::uint32_t a = m_d[at], b = m_d[at + 1];
        return static_cast<std::uint16_t>(m_big ? (a << 8) | b : (b << 8) | a);
    }
    std::uint32_t U32(std::size_t at) const {
        const std::uint32_t hi = U16(at), lo = U16(at + 2);
        return m_big ? (hi << 16) | lo : (lo << 16) | hi;
    }

  private:
    std::span<const std::uint8_t> m_d;
    bool m_big;
};

}  // namespace

int ExifOrientation(std::span<const std::uint8_t> block) {
    static constexpr std::uint8_t kExifPrefix[6] = {'E', 'x', 'i', 'f', 0, 0};
    if (block.size() >= 6 && std::equal(kExifPrefix, kExifPrefix + 6, block.begin())) {
        block = block.subspan(6);
    }
    if (block.size() < 8) {
        return 1;
    }
    bool big = false;
    if (block[0] == 'I' && block[1] == 'I') {
        big = false;
    } else if (block[0] == 'M' && block[1] == 'M') {
        big = true;
    } else {
        return 1;
    }
    const TiffBytes t(block, big);
    if (t.U16(2) != 42) {
        return 1;
    }
    const std::size_t ifd = t.U32(4);
    if (ifd < 8 || !t.Has(ifd, 2)) {
        return 1;
    }
    const std::size_t count = t.U16(ifd);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = ifd + 2 + 12 * i;
        if (!t.Has(at, 12)) {
            break;
        }
        if (t.U16(at) != kOrientationTag) {
            continue;
        }
        const std::uint16_t type = t.U16(at + 2);
        if (t.U32(at + 4) < 1) {
            return 1;
        }
        std::uint32_t value = 0;
        if (type == kTypeShort) {
            value = t.U16(at + 8);
        } else if (type == kTypeLong) {
            value = t.U32(at + 8);
        } else {
            return 1;
        }
        return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
    }
    return 1;
}

std::unique_ptr<CIcon> TurnUpright(std::unique_ptr<CIcon> icon, int orientation) {
    if (!icon || orientation < 2 || orientation > 8) {
        return icon;
    }
    const int w = icon->Width();
    const int h = icon->Height();
    const auto px = icon->Pixels();
    switch (orientation) {
        case 2:
            for (int y = 0; y < h; ++y) {
                std::reverse(icon->Row(y), icon->Row(y) + w);
            }
            return icon;
        case 3:
            std::reverse(px.begin(), px.end());
            return icon;
        case 4:
            for (int y = 0; y < h / 2; ++y) {
                std::swap_ranges(icon->Row(y), icon->Row(y) + w, icon->Row(h - 1 - y));
            }
            return icon;
        default:
            break;
    }
    // Upright width is the stored height. Pixel (x, y) of the result comes from stored
    // column sx and row sy:
    //   5: (y, x)   6: (y, h-1-x)   7: (w-1-y, h-1-x)   8: (w-1-y, x)
    std::unique_ptr<CIcon> out = CreateIcon(h, w, icon->Bpp());
    if (!out) {
        return nullptr;
    }
    std::copy(icon->Palette().begin(), icon->Palette().end(), out->Palette().begin());
    const bool flipColumn = orientation == 7 || orientation == 8;  // sx runs from w-1 down
    const bool flipRow = orientation == 6 || orientation == 7;     // sy runs from h-1 down
    constexpr int kTile = 64;
    for (int ty = 0; ty < w; ty += kTile) {
        for (int tx = 0; tx < h; tx += kTile) {
            const int yEnd = std::min(ty + kTile, w);
            const int xEnd = std::min(tx + kTile, h);
            for (int y = ty; y < yEnd; ++y) {
                const int sx = flipColumn ? w - 1 - y : y;
                Pixel* dst = out->Row(y);
                for (int x = tx; x < xEnd; ++x) {
                    const int sy = flipRow ? h - 1 - x : x;
                    dst[x] = icon->Row(sy)[sx];
                }
            }
        }
    }
    return out;
}

}  // namespace varlen
