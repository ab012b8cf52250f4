// Plain transcription of the n x n convolution, for checking the fast one: reads from a
// full copy, visits every tap, sums in 64 bits, divides by the inside weight when it is not
// 0, clamps all four channels.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "core/icon.h"

namespace varlen::reference {

inline void Convolve(CIcon& icon, int n, std::span<const int> kernel) {
    const int W = icon.Width();
    const int H = icon.Height();
    const std::vector<Pixel> copy(icon.Pixels().begin(), icon.Pixels().end());
    auto clamp = [](std::int64_t v) { return v < 1 ? 0 : (v > 255 ? 255 : static_cast<int>(v)); };
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            std::int64_t weight = 0, a = 0, r = 0, g = 0, b = 0;
            for (int ky = 0; ky < n; ++ky) {
                for (int kx = 0; kx < n; ++kx) {
                    const int sx = x - n / 2 + kx;
                    const int sy = y - n / 2 + ky;
                    if (sx < 0 || sy < 0 || sx >= W || sy >= H) {
                        continue;
                    }
                    const std::int64_t k = kernel[static_cast<std::size_t>(ky * n + kx)];
                    const Pixel p = copy[static_cast<std::size_t>(sy) * W + sx];
                    weight += k;
                    a += k * Alpha(p);
                    r += k * Red(p);
                    g += k * Green(p);
                    b += k * Blue(p);
                }
            }
            if (weight != 0) {
                a /= weight;
                r /= weight;
                g /= weight;
                b /= weight;
            }
            icon.Row(y)[x] = MakePixel(clamp(a), clamp(r), clamp(g), clamp(b));
        }
    }
}

}  // namespace varlen::reference
