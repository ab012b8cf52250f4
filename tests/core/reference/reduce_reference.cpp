// Literal transcription of the colour reduction procedures (slow on purpose: linear search,
// selection sort, a palette scan per pixel). Test code only.
#include "core/reference/reduce_reference.h"

#include <utility>
#include <vector>

namespace varlen::reference {

int CountColors(const CIcon& icon) {
    std::vector<bool> seen(std::size_t{1} << 24, false);
    int count = 0;
    for (const Pixel p : icon.Pixels()) {
        const Pixel index = p & 0xFFFFFFu;
        if (!seen[index]) {
            seen[index] = true;
            ++count;
        }
    }
    return count;
}

std::vector<HistEntry> BuildHistogram(const CIcon& icon) {
    std::vector<HistEntry> entries;
    entries.push_back(HistEntry{0, icon.Width() * icon.Height()});
    for (int y = 0; y < icon.Height(); ++y) {
        for (int x = 0; x < icon.Width(); ++x) {
            const Pixel p = icon.Pixels()[static_cast<std::size_t>(y * icon.Width() + x)];
            bool found = false;
            for (HistEntry& e : entries) {
                if (Red(e.color) == Red(p) && Green(e.color) == Green(p) &&
                    Blue(e.color) == Blue(p)) {
                    e.count += 1;
                    found = true;
                    break;
                }
            }
            if (!found) {
                entries.push_back(HistEntry{p, 1});
            }
        }
    }
    return entries;
}

int SplitBox(std::vector<HistEntry>& entries, int start, int end) {
    int minR = 255, minG = 255, minB = 255;
    int maxR = 0, maxG = 0, maxB = 0;
    for (int i = start; i < end; ++i) {
        const Pixel c = entries[static_cast<std::size_t>(i)].color;
        if (Red(c) < minR)
            minR = Red(c);
        if (Red(c) > maxR)
            maxR = Red(c);
        if (Green(c) < minG)
            minG = Green(c);
        if (Green(c) > maxG)
            maxG = Green(c);
        if (Blue(c) < minB)
            minB = Blue(c);
        if (Blue(c) > maxB)
            maxB = Blue(c);
    }
    const int rr = maxR - minR;
    const int rg = maxG - minG;
    const int rb = maxB - minB;
    int (*channel)(Pixel) = nullptr;
    if (rg < rr) {
        channel = rr < rb ? Blue : Red;
    } else {
        channel = rg < rb ? Blue : Green;
    }
    for (int p = start; p < end; ++p) {
        int best = p;
        for (int i = p; i < end; ++i) {
            if (channel(entries[static_cast<std::size_t>(i)].color) >
                channel(entries[static_cast<std::size_t>(best)].color)) {
                best = i;
            }
        }
        std::swap(entries[static_cast<std::size_t>(p)], entries[static_cast<std::size_t>(best)]);
    }
    return (start + end) / 2;
}

std::vector<int> MedianCutBoxes(std::vector<HistEntry>& entries, int numColors) {
    std::vector<int> bounds(static_cast<std::size_t>(numColors) + 1, 0);
    bounds[0] = 0;
    bounds[static_cast<std::size_t>(numColors)] = static_cast<int>(entries.size());
    int d = 1;
    while (d < numColors) {
        d = 2 * d;
        const int step = numColors / d;
        for (int k = 0; k <= d / 2 - 1; ++k) {
            bounds[static_cast<std::size_t>((2 * k + 1) * step)] =
                SplitBox(entries, bounds[static_cast<std::size_t>(2 * k * step)],
                         bounds[static_cast<std::size_t>((2 * k + 2) * step)]);
        }
    }
    return bounds;
}

std::vector<RGBQUAD> BoxPalette(const std::vector<HistEntry>& entries,
                                const std::vector<int>& bounds) {
    const int n = static_cast<int>(bounds.size()) - 1;
    std::vector<RGBQUAD> palette(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k) {
        std::uint32_t count = 0, red = 0, green = 0, blue = 0;
        const int start = bounds[static_cast<std::size_t>(k)];
        const int end = bounds[static_cast<std::size_t>(k) + 1];
        for (int i = start; i < end; ++i) {
            const HistEntry& e = entries[static_cast<std::size_t>(i)];
            const auto c = static_cast<std::uint32_t>(e.count);
            count += c;
            red += static_cast<std::uint32_t>(Red(e.color)) * c;
            green += static_cast<std::uint32_t>(Green(e.color)) * c;
            blue += static_cast<std::uint32_t>(Blue(e.color)) * c;
        }
        RGBQUAD q{};
        if (start < end && count != 0) {
            q.rgbRed = static_cast<std::uint8_t>(red / count);
            q.rgbGreen = static_cast<std::uint8_t>(green / count);
            q.rgbBlue = static_cast<std::uint8_t>(blue / count);
        }
        palette[static_cast<std::size_t>(k)] = q;
    }
    return palette;
}

bool MakePalette(CIcon& icon) {
    if (icon.Bpp() > 8) {
        return false;
    }
    std::vector<HistEntry> entries = BuildHistogram(icon);
    const std::vector<int> bounds = MedianCutBoxes(entries, icon.GetNumColors());
    const std::vector<RGBQUAD> palette = BoxPalette(entries, bounds);
    for (int k = 0; k < icon.GetNumColors(); ++k) {
        icon.Palette()[static_cast<std::size_t>(k)] = palette[static_cast<std::size_t>(k)];
    }
    return true;
}

int NearestPaletteIndex(const CIcon& icon, int red, int green, int blue) {
    if (icon.Palette().empty()) {
        return 0;
    }
    int best = 0;
    int bestDistance = 0x7FFFFFFF;
    for (int k = 0; k < icon.GetNumColors(); ++k) {
        const RGBQUAD q = icon.Palette()[static_cast<std::size_t>(k)];
        const int d = (red - q.rgbRed) * (red - q.rgbRed) +
                      (green - q.rgbGreen) * (green - q.rgbGreen) +
                      (blue - q.rgbBlue) * (blue - q.rgbBlue);
        if (d < bestDistance) {
            bestDistance = d;
            best = k;
        }
    }
    return best;
}

DibBits BuildBits(const CIcon& icon) {
    const int width = icon.Width();
    const int height = icon.Height();
    const int bpp = icon.Bpp();
    const int colorStride = ((width * bpp + 31) >> 3) & ~3;
    const int maskStride = ((width + 31) >> 3) & ~3;
    DibBits bits;
    bits.color.assign(static_cast<std::size_t>(colorStride * height), 0);
    bits.mask.assign(static_cast<std::size_t>(maskStride * height), 0xFF);
    for (int i = 0; i < height; ++i) {
        const int row = height - 1 - i;
        std::uint8_t* color = bits.color.data() + row * colorStride;
        std::uint8_t* mask = bits.mask.data() + row * maskStride;
        for (int x = 0; x < width; ++x) {
            const Pixel p = icon.Pixels()[static_cast<std::size_t>(i * width + x)];
            bool opaque = false;
            if (bpp == 4 || bpp == 8 || bpp == 24) {
                opaque = Alpha(p) >= 128;
            } else if (bpp == 32) {
                opaque = Alpha(p) != 0;
            } else {
                continue;
            }
            if (opaque) {
                mask[x >> 3] = static_cast<std::uint8_t>(mask[x >> 3] & ~(0x80 >> (x & 7)));
            }
            if (bpp == 4) {
                const int index =
                    opaque ? reference::NearestPaletteIndex(icon, Red(p), Green(p), Blue(p))
                           : reference::NearestPaletteIndex(icon, 0, 0, 0);
                if (x % 2 == 0) {
                    color[x / 2] = static_cast<std::uint8_t>(color[x / 2] | (index << 4));
                } else {
                    color[x / 2] = static_cast<std::uint8_t>(color[x / 2] | index);
                }
            } else if (bpp == 8) {
                const int index =
                    opaque ? reference::NearestPaletteIndex(icon, Red(p), Green(p), Blue(p))
                           : reference::NearestPaletteIndex(icon, 0, 0, 0);
                color[x] = static_cast<std::uint8_t>(index);
            } else if (bpp == 24) {
                if (opaque) {
                    color[x * 3] = static_cast<std::uint8_t>(Blue(p));
                    color[x * 3 + 1] = static_cast<std::uint8_t>(Green(p));
                    color[x * 3 + 2] = static_cast<std::uint8_t>(Red(p));
                }
            } else {
                color[x * 4] = static_cast<std::uint8_t>(Blue(p));
                color[x * 4 + 1] = static_cast<std::uint8_t>(Green(p));
                color[x * 4 + 2] = static_cast<std::uint8_t>(Red(p));
                color[x * 4 + 3] = static_cast<std::uint8_t>(Alpha(p));
            }
        }
    }
    return bits;
}

}  // namespace varlen::reference
