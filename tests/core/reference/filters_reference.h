// Plain transcription of the tone, light and transparency stages of ApplyFilters, pixel by
// pixel as the formulas are written, for checking the fast (vector, row-parallel) one.
#pragma once

#include <cmath>
#include <cstdint>

#include "core/icon.h"

namespace varlen::reference {

inline int ClampWide(std::int64_t v) {
    return v < 1 ? 0 : (v > 255 ? 255 : static_cast<int>(v));
}

// v + trunc(x), clamped; x beyond +-512 (or NaN) cannot give anything but 0 or 255.
inline int AddTrunc(int v, double x) {
    if (std::isnan(x) || x < -512.0) {
        return 0;
    }
    if (x > 512.0) {
        return 255;
    }
    return ClampWide(v + static_cast<std::int64_t>(x));
}

inline void ToneLightTransparency(CIcon& icon, int brightness, int contrast, int light,
                                  Point lightPos, int transparent) {
    const int W = icon.Width();
    const int H = icon.Height();
    const std::int64_t lx = static_cast<std::int64_t>(W) * lightPos.x / 256;
    const std::int64_t ly = static_cast<std::int64_t>(H) * lightPos.y / 256;
    const double D = std::sqrt(static_cast<double>(W) * W + static_cast<double>(H) * H);
    const double k = light;
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            Pixel& p = icon.Row(y)[x];
            int a = Alpha(p);
            if (a == 0) {
                continue;
            }
            int c[3] = {Red(p), Green(p), Blue(p)};
            for (int& v : c) {
                if (contrast != 0) {
                    v = ClampWide(v + static_cast<std::int64_t>(v - 128) * contrast / 100);
                }
                if (brightness != 0) {
                    v = ClampWide(static_cast<std::int64_t>(v) + brightness);
                }
            }
            if (light != 0) {
                const double dx = static_cast<double>(lx - x);
                const double dy = static_cast<double>(ly - y);
                const double d = std::sqrt(dx * dx + dy * dy);
                for (int& v : c) {
                    if (d < D * 0.5) {
                        v = AddTrunc(v,
                                     static_cast<double>(255 - v) * (D - 2.0 * d) / D * k / 50.0);
                    } else {
                        v = AddTrunc(v,
                                     static_cast<double>(v) * (d - D * 0.5) * 2.0 / D * k / -50.0);
                    }
                }
            }
            if (transparent != 0) {
                a = ClampWide(a + static_cast<std::int64_t>(transparent) * 255 / 100);
            }
            p = MakePixel(a, c[0], c[1], c[2]);
        }
    }
}

}  // namespace varlen::reference
