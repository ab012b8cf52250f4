// The fast transparent-region clicks must give exactly the pixels of the plain transcriptions
// in reference/region_reference.cpp. Pictures are small, of few colours (many equal and
// near-equal pixels, some already transparent), and every case is seeded so that a failure
// names the seed that reproduces it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "core/icon.h"
#include "reference/region_reference.h"

namespace varlen {
namespace {

constexpr std::uint32_t kBaseSeed = 20240611u;

int Uniform(std::mt19937& rng, int lo, int hi) {
    return std::uniform_int_distribution<int>(lo, hi)(rng);
}

// A picture of 1 to 6 colours. Colours are often near each other so that small tolerances
// split or join them; alpha is opaque, transparent or in between.
std::unique_ptr<CIcon> RandomPicture(std::mt19937& rng) {
    const int width = Uniform(rng, 0, 3) == 0 ? Uniform(rng, 1, 64) : Uniform(rng, 1, 24);
    const int height = Uniform(rng, 0, 3) == 0 ? Uniform(rng, 1, 64) : Uniform(rng, 1, 24);
    auto icon = CreateIcon(width, height, 32);
    const int count = Uniform(rng, 1, 6);
    std::vector<Pixel> colors;
    const int r0 = Uniform(rng, 0, 255);
    const int g0 = Uniform(rng, 0, 255);
    const int b0 = Uniform(rng, 0, 255);
    for (int i = 0; i < count; ++i) {
        const int spread = Uniform(rng, 0, 2) == 0 ? 255 : 40;
        colors.push_back(MakePixel(0, ClampChannel(r0 + Uniform(rng, -spread, spread)),
                                   ClampChannel(g0 + Uniform(rng, -spread, spread)),
                                   ClampChannel(b0 + Uniform(rng, -spread, spread))));
    }
    auto alpha = [&rng] {
        const int k = Uniform(rng, 0, 9);
        return k < 6 ? 255u : (k < 9 ? 0u : static_cast<Pixel>(Uniform(rng, 1, 254)));
    };
    auto pick = [&] { return colors[static_cast<std::size_t>(Uniform(rng, 0, count - 1))]; };
    const int layout = Uniform(rng, 0, 3);
    for (Pixel& p : icon->Pixels()) {
        p = (layout == 3 ? colors[0] : pick()) | (alpha() << 24);
    }
    if (layout == 1 || layout == 3) {
        // Blocks of one colour over the noise (or over the flat colour).
        const int blocks = Uniform(rng, 1, 12);
        for (int i = 0; i < blocks; ++i) {
            const Pixel c = pick();
            const int x0 = Uniform(rng, 0, width - 1);
            const int y0 = Uniform(rng, 0, height - 1);
            const int x1 = std::min(width - 1, x0 + Uniform(rng, 0, width / 2 + 1));
            const int y1 = std::min(height - 1, y0 + Uniform(rng, 0, height / 2 + 1));
            for (int y = y0; y <= y1; ++y) {
                for (int x = x0; x <= x1; ++x) {
                    icon->Row(y)[x] = c | (alpha() << 24);
                }
            }
        }
    } else if (layout == 2) {
        // Thin lines and mazes: each pixel copies its left or upper neighbour most of the time.
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const int k = Uniform(rng, 0, 9);
                if (k < 4 && x > 0) {
                    icon->Row(y)[x] = (icon->Row(y)[x - 1] & 0x00FFFFFFu) | (alpha() << 24);
                } else if (k < 8 && y > 0) {
                    icon->Row(y)[x] = (icon->Row(y - 1)[x] & 0x00FFFFFFu) | (alpha() << 24);
                }
            }
        }
    }
    return icon;
}

int RandomTolerance(std::mt19937& rng) {
    constexpr int kTolerances[] = {0, 0, 0, 1, 5, 20, 40, 80, 160, 255, 300, -20};
    return kTolerances[Uniform(rng, 0, 11)];
}

int RandomExpansion(std::mt19937& rng) {
    const int k = Uniform(rng, 0, 15);
    return k < 3 ? 0 : (k == 15 ? -1 : Uniform(rng, 0, 12));
}

bool SamePixels(const CIcon& a, const CIcon& b) {
    return std::equal(a.Pixels().begin(), a.Pixels().end(), b.Pixels().begin(), b.Pixels().end());
}

TEST(RegionReference, ClearAroundMatchesTheDiamondLoop) {
    for (std::uint32_t trial = 0; trial < 1000; ++trial) {
        const std::uint32_t seed = kBaseSeed + trial;
        SCOPED_TRACE(::testing::Message() << "seed " << seed);
        std::mt19937 rng(seed);
        auto fast = RandomPicture(rng);
        auto ref = CloneIcon(fast.get());
        for (int i = 0; i < 4; ++i) {
            const int x = Uniform(rng, -14, fast->Width() + 13);
            const int y = Uniform(rng, -14, fast->Height() + 13);
            const int n = Uniform(rng, -1, 14);
            fast->ClearAround(x, y, n);
            reference::ClearAround(*ref, x, y, n);
            ASSERT_TRUE(SamePixels(*fast, *ref)) << "x " << x << " y " << y << " n " << n;
        }
    }
}

TEST(RegionReference, FindSpanMatchesTheWalk) {
    for (std::uint32_t trial = 0; trial < 1000; ++trial) {
        const std::uint32_t seed = kBaseSeed + 1000 + trial;
        SCOPED_TRACE(::testing::Message() << "seed " << seed);
        std::mt19937 rng(seed);
        const auto icon = RandomPicture(rng);
        for (int i = 0; i < 40; ++i) {
            const int y = Uniform(rng, -1, icon->Height());
            const Pixel color = Uniform(rng, 0, 3) == 0
                                    ? static_cast<Pixel>(rng())
                                    : icon->GetPixel(Uniform(rng, 0, icon->Width() - 1),
                                                     Uniform(rng, 0, icon->Height() - 1));
            const int t = RandomTolerance(rng);
            const int tolerance2 = Uniform(rng, 0, 9) == 0 ? -1 : t * t;
            for (int x = -2; x <= icon->Width() + 2; ++x) {
                ASSERT_EQ(icon->FindSpan(x, y, color, tolerance2),
                          reference::FindSpan(*icon, x, y, color, tolerance2))
                    << "x " << x << " y " << y << " colour " << color << " t2 " << tolerance2;
            }
        }
    }
}

// Several clicks of both kinds in a row on the same picture, compared after each click.
TEST(RegionReference, ClicksMatchTheReferenceAndAccumulate) {
    for (std::uint32_t trial = 0; trial < 6000; ++trial) {
        const std::uint32_t seed = kBaseSeed + 5000 + trial;
        SCOPED_TRACE(::testing::Message() << "seed " << seed);
        std::mt19937 rng(seed);
        auto fast = RandomPicture(rng);
        auto ref = CloneIcon(fast.get());
        const int clicks = Uniform(rng, 1, 4);
        for (int i = 0; i < clicks; ++i) {
            const int x = Uniform(rng, 0, fast->Width() - 1);
            const int y = Uniform(rng, 0, fast->Height() - 1);
            const int tolerance = RandomTolerance(rng);
            const int expansion = RandomExpansion(rng);
            if (Uniform(rng, 0, 1) == 0) {
                // Mostly the clicked pixel's colour, alpha and all, as the page passes it.
                const Pixel color =
                    Uniform(rng, 0, 3) == 0 ? static_cast<Pixel>(rng()) : fast->GetPixel(x, y);
                fast->ClearColorRegion(color, tolerance, expansion);
                reference::ClearColorRegion(*ref, color, tolerance, expansion);
                ASSERT_TRUE(SamePixels(*fast, *ref))
                    << "colour click " << i << " at " << x << "," << y << " tolerance " << tolerance
                    << " expansion " << expansion;
            } else {
                fast->ClearClosedRegion(x, y, tolerance, expansion);
                reference::ClearClosedRegion(*ref, x, y, tolerance, expansion);
                ASSERT_TRUE(SamePixels(*fast, *ref))
                    << "closed click " << i << " at " << x << "," << y << " tolerance " << tolerance
                    << " expansion " << expansion;
            }
        }
    }
}

}  // namespace
}  // namespace varlen
