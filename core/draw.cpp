// Drawing for views: the pixels a view shows for an image.
//
// Contract: every output pixel (i, j) of the W x H buffer samples one source pixel by
// nearest neighbour, through the source rectangle, optionally mirrored and rotated about
// the rectangle's centre; reads outside the image give transparent black. Transparency
// shows over the background colour or over an 8 x 8 grey/white checkerboard whose squares
// are aligned to the device origin, not to the destination rectangle. The drawing depth is
// 32 (blend) when force32 is set, else the image's own: 24 shows on-or-off transparency,
// 4 and 8 show each opaque pixel as its nearest palette colour, exactly as the icon will.
//
// Traps:
// - The output is opaque (alpha byte 255) so that a toolkit can show it as an RGB image.
// - Mirroring picks x0 = right - offset - 1, so column 0 shows the rectangle's last column.
// - Rotated positions are rounded by adding 0.5 and truncating toward zero: a value in
//   (-1.5, -0.5] still selects column 0. Positions far outside the image are simply
//   outside; they are never converted to int out of range.
#include <cmath>
#include <numbers>
#include <cstdint>
#include <unordered_map>

#include "core/icon.h"

namespace varlen {

namespace {


enum class DrawRule { kBlend, kThreshold, kPalette };

// Truncation toward zero that maps values outside int's range to a value that lies
// outside every image (GetPixel then returns 0).
int TruncToInt(double v) {
    if (!(v > -2147483648.0 && v < 2147483647.0)) {
        return -1;
    }
    return static_cast<int>(v);
}

Pixel Backdrop(bool useBackground, ColorRef cr, int deviceRow, int deviceCol) {
    if (useBackground) {
        return MakePixel(255, GetRValue(cr), GetGValue(cr), GetBValue(cr));
    }
    const int n = deviceRow / 8 + deviceCol / 8;
    const int grey = (n % 2 == 0) ? 192 : 255;
    return MakePixel(255, grey, grey, grey);
}

Pixel Blend(Pixel p, Pixel backdrop) {
    const int a = Alpha(p);
    if (a == 255) {
        return p;
    }
    if (a == 0) {
        return backdrop;
    }
    auto mix = [a](int c, int b) { return (c * a + (255 - a) * b) / 255; };
    return MakePixel(255, mix(Red(p), Red(backdrop)), mix(Green(p), Green(backdrop)),
                     mix(Blue(p), Blue(backdrop)));
}

}  // namespace

std::vector<Pixel> CIcon::Draw(const Rect* dst, const Rect* srcRect, bool force32, bool mirror,
                               double angle, bool useBackground, ColorRef crBackground) const {
    const Rect d = dst ? *dst : Rect{0, 0, m_nWidth, m_nHeight};
    const Rect s = srcRect ? *srcRect : Rect{0, 0, m_nWidth, m_nHeight};
    const int W = d.Width();
    const int H = d.Height();
    if (W <= 0 || H <= 0) {
        return {};
    }

    const int depth = force32 ? 32 : m_nBpp;
    const DrawRule rule = (depth == 4 || depth == 8) ? DrawRule::kPalette
                          : depth == 24              ? DrawRule::kThreshold
                                                     : DrawRule::kBlend;
    // Nearest palette colours, remembered per colour for this call only.
    std::unordered_map<Pixel, Pixel> nearest;
    auto paletteColour = [&](Pixel p) {
        const Pixel key = p & 0x00FFFFFFu;
        auto it = nearest.find(key);
        if (it != nearest.end()) {
            return it->second;
        }
        const int k = NearestPaletteIndex(*this, Red(p), Green(p), Blue(p));
        Pixel out = MakePixel(255, 0, 0, 0);
        if (k >= 0 && static_cast<std::size_t>(k) < m_palette.size()) {
            const RGBQUAD& q = m_palette[static_cast<std::size_t>(k)];
            out = MakePixel(255, q.rgbRed, q.rgbGreen, q.rgbBlue);
        }
        nearest.emplace(key, out);
        return out;
    };

    // Source column of every output column and source row of every output row, before
    // rotation (the same integer arithmetic for every row).
    const std::int64_t sw = static_cast<std::int64_t>(s.right) - s.left;
    const std::int64_t sh = static_cast<std::int64_t>(s.bottom) - s.top;
    std::vector<int> cols(static_cast<std::size_t>(W));
    for (int j = 0; j < W; ++j) {
        const std::int64_t off = sw * j / W;
        cols[static_cast<std::size_t>(j)] =
            static_cast<int>(mirror ? s.right - off - 1 : s.left + off);
    }

    const bool rotate = angle != 0.0;
    const double theta = angle * std::numbers::pi / 180.0;
    const double cosT = std::cos(theta);
    const double sinT = std::sin(theta);
    const double cx = static_cast<double>(sw - 1) * 0.5 + s.left;
    const double cy = static_cast<double>(sh - 1) * 0.5 + s.top;

    std::vector<Pixel> out(static_cast<std::size_t>(W) * static_cast<std::size_t>(H));
    for (int i = 0; i < H; ++i) {
        const int y0 = static_cast<int>(s.top + sh * i / H);
        Pixel* row = out.data() + static_cast<std::size_t>(i) * W;
        for (int j = 0; j < W; ++j) {
            const int x0 = cols[static_cast<std::size_t>(j)];
            Pixel p;
            if (rotate) {
                const double u = x0 - cx;
                const double v = y0 - cy;
                const int x = TruncToInt(u * cosT + v * sinT + cx + 0.5);
                const int y = TruncToInt(v * cosT - u * sinT + cy + 0.5);
                p = GetPixel(x, y);
            } else {
                p = GetPixel(x0, y0);
            }
            const int a = Alpha(p);
            switch (rule) {
                case DrawRule::kBlend:
                    row[j] = (a == 255) ? p
                                        : Blend(p, Backdrop(useBackground, crBackground, i + d.top,
                                                            j + d.left));
                    break;
                case DrawRule::kThreshold:
                    row[j] = a >= 128
                                 ? (p | 0xFF000000u)
                                 : Backdrop(useBackground, crBackground, i + d.top, j + d.left);
                    break;
                case DrawRule::kPalette:
                    row[j] = a >= 128
                                 ? paletteColour(p)
                                 : Backdrop(useBackground, crBackground, i + d.top, j + d.left);
                    break;
            }
        }
    }
    return out;
}

}  // namespace varlen
