// The fast colour reduction must give exactly what the plain procedures give: same histogram,
// same permutation after every split, same boundaries, palette and bytes. Inputs are random
// but rich in ties (few colours, channel values from small sets, alpha around the threshold).
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/icon.h"
#include "core/median_cut.h"
#include "core/reference/reduce_reference.h"

namespace varlen {
namespace {

class Rng {
  public:
    explicit Rng(std::uint32_t seed) : m_engine(seed) {}
    int Below(int n) { return static_cast<int>(m_engine() % static_cast<std::uint32_t>(n)); }
    template <typename T, std::size_t N>
    T Pick(const T (&values)[N]) {
        return values[Below(static_cast<int>(N))];
    }

  private:
    std::mt19937 m_engine;
};

constexpr int kTieChannels[] = {0, 1, 127, 128, 254, 255};
constexpr int kCoarseChannels[] = {0, 85, 170, 255};
constexpr int kAlphas[] = {0, 1, 127, 128, 254, 255};

enum class Kind { FewColours, CoarseColours, ManyColours };

Pixel RandomColour(Rng& rng, Kind kind) {
    switch (kind) {
        case Kind::FewColours:
            return MakePixel(0, rng.Pick(kTieChannels), rng.Pick(kTieChannels),
                             rng.Pick(kTieChannels));
        case Kind::CoarseColours:
            return MakePixel(0, rng.Pick(kCoarseChannels), rng.Pick(kCoarseChannels),
                             rng.Pick(kCoarseChannels));
        case Kind::ManyColours:
            break;
    }
    return MakePixel(0, rng.Below(256), rng.Below(256), rng.Below(256));
}

// An image of the given size whose pixels are drawn from a set of `colours` colours (for
// FewColours at most 6, duplicates allowed) with alphas around the threshold.
std::unique_ptr<CIcon> RandomImage(Rng& rng, int width, int height, int bpp, Kind kind,
                                   int colours) {
    std::vector<Pixel> set;
    for (int i = 0; i < colours; ++i) {
        set.push_back(RandomColour(rng, kind));
    }
    auto icon = CreateIcon(width, height, bpp);
    for (Pixel& p : icon->Pixels()) {
        p = set[static_cast<std::size_t>(rng.Below(colours))] |
            (static_cast<Pixel>(rng.Pick(kAlphas)) << 24);
    }
    return icon;
}

struct Case {
    std::unique_ptr<CIcon> icon;
    std::string label;
};

// The test images of one seed: sizes 1 ... 64 for few and coarse colours, smaller for many
// colours so that the quadratic reference stays quick.
Case MakeCase(std::uint32_t seed, int bpp) {
    Rng rng(seed);
    const int pick = rng.Below(10);
    Kind kind = Kind::FewColours;
    int maxSide = 64;
    int colours = 1 + rng.Below(6);
    if (pick >= 5 && pick < 8) {
        kind = Kind::CoarseColours;
        colours = 1 + rng.Below(80);
    } else if (pick >= 8) {
        kind = Kind::ManyColours;
        maxSide = seed % 16 == 0 ? 64 : 28;
        colours = 1 + rng.Below(maxSide * maxSide);
    }
    const int width = 1 + rng.Below(maxSide);
    const int height = 1 + rng.Below(maxSide);
    Case c{RandomImage(rng, width, height, bpp, kind, colours), {}};
    c.label = "seed " + std::to_string(seed) + " bpp " + std::to_string(bpp) + " size " +
              std::to_string(width) + "x" + std::to_string(height) + " colours " +
              std::to_string(colours);
    return c;
}

void ExpectSameEntries(const std::vector<HistEntry>& fast,
                       const std::vector<reference::HistEntry>& ref) {
    ASSERT_EQ(fast.size(), ref.size());
    for (std::size_t i = 0; i < fast.size(); ++i) {
        ASSERT_EQ(fast[i].color, ref[i].color) << "entry " << i;
        ASSERT_EQ(fast[i].count, ref[i].count) << "entry " << i;
    }
}

constexpr std::uint32_t kSeeds = 1000;

// ---------------------------------------------------------------------------------------------

TEST(ReduceEquivalence, HistogramAndColourCount) {
    for (std::uint32_t seed = 1; seed <= kSeeds; ++seed) {
        const Case c = MakeCase(seed, 32);
        SCOPED_TRACE(c.label);
        ExpectSameEntries(BuildHistogram(*c.icon), reference::BuildHistogram(*c.icon));
        if (seed % 20 == 0) {  // the reference clears 16 Mi bits per call
            EXPECT_EQ(c.icon->CountColors(), reference::CountColors(*c.icon));
        }
        if (HasFatalFailure()) {
            return;
        }
    }
}

TEST(ReduceEquivalence, EverySplitAndBoundaries) {
    for (std::uint32_t seed = 1; seed <= kSeeds; ++seed) {
        for (int bpp : {1, 4, 8}) {
            const Case c = MakeCase(seed * 3 + static_cast<std::uint32_t>(bpp), bpp);
            SCOPED_TRACE(c.label);
            std::vector<HistEntry> fast = BuildHistogram(*c.icon);
            std::vector<reference::HistEntry> ref = reference::BuildHistogram(*c.icon);
            const int n = c.icon->GetNumColors();
            // Replay the rounds, comparing the whole entry list after each split.
            std::vector<int> bounds(static_cast<std::size_t>(n) + 1, 0);
            bounds.back() = static_cast<int>(fast.size());
            for (int d = 1; d < n;) {
                d *= 2;
                const int step = n / d;
                for (int k = 0; k < d / 2; ++k) {
                    const int start = bounds[static_cast<std::size_t>(2 * k * step)];
                    const int end = bounds[static_cast<std::size_t>((2 * k + 2) * step)];
                    const int mid = SplitBox(fast, start, end);
                    ASSERT_EQ(mid, reference::SplitBox(ref, start, end));
                    ExpectSameEntries(fast, ref);
                    if (HasFatalFailure()) {
                        ADD_FAILURE() << "split " << start << " ... " << end;
                        return;
                    }
                    bounds[static_cast<std::size_t>((2 * k + 1) * step)] = mid;
                }
            }
            // And the whole procedure in one call.
            std::vector<HistEntry> fast2 = BuildHistogram(*c.icon);
            std::vector<reference::HistEntry> ref2 = reference::BuildHistogram(*c.icon);
            ASSERT_EQ(MedianCutBoxes(fast2, n), reference::MedianCutBoxes(ref2, n));
            ExpectSameEntries(fast2, ref2);
            ExpectSameEntries(fast, ref2);
            ASSERT_EQ(BoxPalette(fast, bounds), reference::BoxPalette(ref, bounds));
        }
    }
}

TEST(ReduceEquivalence, SplitBoxOnLongTieRichRuns) {
    Rng rng(20240607);
    for (int round = 0; round < 300; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const int length = 1 + rng.Below(round < 290 ? 400 : 3000);
        const int spread = 1 + rng.Below(5);  // 1 ... 5 distinct values per channel
        std::vector<HistEntry> fast;
        std::vector<reference::HistEntry> ref;
        for (int i = 0; i < length; ++i) {
            const Pixel c = MakePixel(0, rng.Below(spread) * 60, rng.Below(spread) * 60,
                                      rng.Below(spread) * 60);
            fast.push_back(HistEntry{c, i});
            ref.push_back(reference::HistEntry{c, i});
        }
        const int start = rng.Below(length + 1);
        const int end = start + rng.Below(length - start + 1);
        ASSERT_EQ(SplitBox(fast, start, end), reference::SplitBox(ref, start, end));
        ExpectSameEntries(fast, ref);
        if (HasFatalFailure()) {
            return;
        }
    }
}

TEST(ReduceEquivalence, MakePalette) {
    for (std::uint32_t seed = 1; seed <= kSeeds; ++seed) {
        for (int bpp : {1, 4, 8}) {
            const Case c = MakeCase(seed * 7 + static_cast<std::uint32_t>(bpp), bpp);
            SCOPED_TRACE(c.label);
            auto other = CloneIcon(c.icon.get());
            ASSERT_TRUE(c.icon->MakePalette());
            ASSERT_TRUE(reference::MakePalette(*other));
            const std::vector<RGBQUAD> fast(c.icon->Palette().begin(), c.icon->Palette().end());
            const std::vector<RGBQUAD> ref(other->Palette().begin(), other->Palette().end());
            ASSERT_EQ(fast, ref);
        }
    }
}

TEST(ReduceEquivalence, BuildBits) {
    for (std::uint32_t seed = 1; seed <= kSeeds; ++seed) {
        for (int bpp : {4, 8, 24, 32}) {
            const Case c = MakeCase(seed * 11 + static_cast<std::uint32_t>(bpp), bpp);
            SCOPED_TRACE(c.label);
            if (bpp <= 8) {
                Rng rng(seed);
                if (rng.Below(2) == 0) {
                    c.icon->MakePalette();
                } else {
                    // A palette full of duplicates and near ties.
                    for (RGBQUAD& q : c.icon->Palette()) {
                        q = RGBQUAD{static_cast<std::uint8_t>(rng.Pick(kTieChannels)),
                                    static_cast<std::uint8_t>(rng.Pick(kTieChannels)),
                                    static_cast<std::uint8_t>(rng.Pick(kTieChannels)), 0};
                    }
                }
            }
            const DibBits fast = c.icon->BuildBits();
            const DibBits ref = reference::BuildBits(*c.icon);
            ASSERT_EQ(fast.color, ref.color);
            ASSERT_EQ(fast.mask, ref.mask);
        }
    }
}

TEST(ReduceEquivalence, NearestPaletteIndex) {
    Rng rng(77);
    for (int round = 0; round < 200; ++round) {
        auto icon = CreateIcon(1, 1, round % 2 == 0 ? 4 : 8);
        for (RGBQUAD& q : icon->Palette()) {
            q = RGBQUAD{static_cast<std::uint8_t>(rng.Pick(kCoarseChannels)),
                        static_cast<std::uint8_t>(rng.Pick(kCoarseChannels)),
                        static_cast<std::uint8_t>(rng.Pick(kCoarseChannels)), 0};
        }
        for (int i = 0; i < 50; ++i) {
            const int r = rng.Pick(kTieChannels), g = rng.Pick(kTieChannels),
                      b = i % 2 == 0 ? rng.Pick(kTieChannels) : rng.Below(256);
            ASSERT_EQ(NearestPaletteIndex(*icon, r, g, b),
                      reference::NearestPaletteIndex(*icon, r, g, b))
                << "round " << round << " colour " << r << "," << g << "," << b;
        }
    }
}

}  // namespace
}  // namespace varlen
