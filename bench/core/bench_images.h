// Deterministic test pictures for the benchmarks.
#pragma once

#include <cmath>
#include <cstdint>
#include <memory>

#include "core/icon.h"

namespace varlen::bench {

// A smooth photo-like picture: gradients, soft shapes and a little noise, fully opaque
// except for a transparent border band. Many distinct colours, as in a camera photo.
inline std::unique_ptr<CIcon> PhotoLike(int width, int height, std::uint32_t seed) {
    auto icon = CreateIcon(width, height, 32);
    std::uint32_t state = seed * 2654435761u + 1u;
    auto noise = [&state] {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return static_cast<int>(state & 15u) - 8;
    };
    for (int y = 0; y < height; ++y) {
        Pixel* row = icon->Row(y);
        for (int x = 0; x < width; ++x) {
            const int dx = x - width / 2;
            const int dy = y - height / 2;
            const int r = ClampChannel(x * 255 / width + noise());
            const int g = ClampChannel(y * 255 / height + noise());
            const int b = ClampChannel(((dx * dx + dy * dy) / (width + 1)) % 256 + noise());
            const bool border = x < width / 32 || y < height / 32;
            row[x] = MakePixel(border ? 0 : 255, r, g, b);
        }
    }
    return icon;
}

// PhotoLike with a radial alpha instead of the border band: 255 at the centre falling to 0
// at the corners, so nearly every pixel is partly transparent (a photo cut out with a soft
// vignette). The smoothed render takes its slow, dividing path on such pixels.
inline std::unique_ptr<CIcon> SoftAlphaPhoto(int width, int height, std::uint32_t seed) {
    auto icon = PhotoLike(width, height, seed);
    const long long cornerSquared =
        static_cast<long long>(width) * width / 4 + static_cast<long long>(height) * height / 4;
    for (int y = 0; y < height; ++y) {
        Pixel* row = icon->Row(y);
        for (int x = 0; x < width; ++x) {
            const long long dx = x - width / 2;
            const long long dy = y - height / 2;
            // 255 * (1 - d / corner), with d / corner taken from the squared distances.
            const double t = static_cast<double>(dx * dx + dy * dy) / cornerSquared;
            const int a = ClampChannel(static_cast<int>(255 * (1 - std::sqrt(t))));
            row[x] = MakePixel(a, Red(row[x]), Green(row[x]), Blue(row[x]));
        }
    }
    return icon;
}

}  // namespace varlen::bench
