// The alpha plane (kept alpha put back exactly, colours untouched, compact for even areas)
// and the transparent-region clicks on a pool: the same pixels as on the calling thread,
// their rows counted by an attached progress, and a cancel heard.
#include "core/alpha_plane.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "core/icon.h"
#include "core/progress.h"
#include "core/workers.h"

namespace varlen {
namespace {

// Blocks of a few colours (so regions are large and ragged), alphas of every kind.
std::unique_ptr<CIcon> Blocks(std::mt19937& rng, int width, int height, int block) {
    const Pixel colours[] = {0xFF102030u, 0xFF112233u, 0x80C04020u, 0x00FFFFFFu, 0xFF2050A0u};
    auto icon = CreateIcon(width, height, 32);
    std::vector<Pixel> cells(static_cast<std::size_t>((width / block + 1) * (height / block + 1)));
    for (Pixel& c : cells) {
        c = colours[rng() % std::size(colours)];
    }
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            icon->Row(y)[x] =
                cells[static_cast<std::size_t>((y / block) * (width / block + 1) + x / block)];
        }
    }
    return icon;
}

bool Same(const CIcon& a, const CIcon& b) {
    return a.Width() == b.Width() && a.Height() == b.Height() &&
           std::equal(a.Pixels().begin(), a.Pixels().end(), b.Pixels().begin());
}

TEST(AlphaPlane, PutsTheAlphaBackExactlyAndLeavesColour) {
    std::mt19937 rng(11);
    for (const int block : {1, 3, 40}) {  // noise (plain rows), small and large runs
        auto icon = Blocks(rng, 301, 97, block);
        // Random alpha too, here and there, so rows mix runs and single pixels.
        for (std::size_t i = 0; i < icon->PixelCount(); i += 1 + rng() % 50) {
            icon->Pixels()[i] = (icon->Pixels()[i] & 0x00FFFFFFu) | ((rng() & 0xFFu) << 24);
        }
        const auto original = CloneIcon(icon.get());
        Workers pool(3);
        const AlphaPlane plane = AlphaPlane::Of(*icon, &pool);
        ASSERT_TRUE(plane.Fits(*icon));
        icon->ClearColorRegion(0, 1000, 0);  // everything transparent
        ASSERT_FALSE(Same(*icon, *original));
        plane.RestoreInto(*icon);
        EXPECT_TRUE(Same(*icon, *original)) << "block " << block;
        // No row takes more than its width and its tag byte.
        EXPECT_LE(plane.Bytes(), static_cast<std::size_t>(302 * 97));
    }
}

TEST(AlphaPlane, EvenAreasAreSmallAndLongRowsSplitTheirRuns) {
    // Opaque inside, transparent outside: three runs a row.
    auto icon = CreateIcon(CIcon::kMaxSide, 3, 32);
    for (int y = 0; y < icon->Height(); ++y) {
        for (int x = 100; x < icon->Width() - 100; ++x) {
            icon->Row(y)[x] = 0xFF000000u;
        }
    }
    const auto original = CloneIcon(icon.get());
    const AlphaPlane plane = AlphaPlane::Of(*icon);
    EXPECT_LE(plane.Bytes(), 3u * (1 + 3 * 3));
    // A row that is one run of its whole width (65536: the longest run there is).
    icon->ClearColorRegion(0, 1000, 0);
    const AlphaPlane clear = AlphaPlane::Of(*icon);
    EXPECT_EQ(clear.Bytes(), 3u * (1 + 3));
    plane.RestoreInto(*icon);
    EXPECT_TRUE(Same(*icon, *original));
}

TEST(AlphaPlane, AnotherSizeIsLeftAlone) {
    auto a = CreateIcon(4, 4, 32);
    auto b = CreateIcon(4, 5, 32);
    for (Pixel& p : b->Pixels()) {
        p = 0xFF123456u;
    }
    const AlphaPlane plane = AlphaPlane::Of(*a);
    EXPECT_FALSE(plane.Fits(*b));
    plane.RestoreInto(*b);
    for (Pixel p : b->Pixels()) {
        EXPECT_EQ(p, 0xFF123456u);
    }
}

// Every click on a pool with a progress attached gives the pixels of the click on the
// calling thread, and its rows are all reported done.
TEST(RegionOnWorkers, SamePixelsAsOneThreadAndRowsCounted) {
    std::mt19937 rng(5);
    for (int round = 0; round < 12; ++round) {
        const std::uint32_t seed = rng();
        std::mt19937 local(seed);
        const int width = 20 + static_cast<int>(local() % 200);
        const int height = 20 + static_cast<int>(local() % 200);
        auto picture = Blocks(local, width, height, 1 + static_cast<int>(local() % 9));
        const int x = static_cast<int>(local() % static_cast<unsigned>(width));
        const int y = static_cast<int>(local() % static_cast<unsigned>(height));
        const int tolerance = static_cast<int>(local() % 40);
        const int expansion = round % 3 == 0 ? 0 : static_cast<int>(local() % 30);
        const bool closed = round % 2 == 0;
        auto serial = CloneIcon(picture.get());
        auto pooled = CloneIcon(picture.get());
        Workers pool(3);
        Progress progress;
        {
            const Workers::ObservedBy observe(pool, progress);
            if (closed) {
                serial->ClearClosedRegion(x, y, tolerance, expansion);
                pooled->ClearClosedRegion(x, y, tolerance, expansion, &pool);
            } else {
                serial->ClearColorRegion(picture->GetPixel(x, y), tolerance, expansion);
                pooled->ClearColorRegion(picture->GetPixel(x, y), tolerance, expansion, &pool);
            }
        }
        EXPECT_TRUE(Same(*serial, *pooled)) << "seed " << seed;
        EXPECT_GE(progress.Expected(), static_cast<std::size_t>(height)) << "seed " << seed;
        EXPECT_EQ(progress.Done(), progress.Expected()) << "seed " << seed;
    }
}

TEST(RegionOnWorkers, CancelStopsTheClickAndTouchesNoColour) {
    std::mt19937 rng(9);
    auto picture = Blocks(rng, 400, 300, 2);
    for (const bool closed : {false, true}) {
        auto work = CloneIcon(picture.get());
        Workers pool(2);
        Progress progress;
        progress.Cancel();
        const Workers::ObservedBy observe(pool, progress);
        if (closed) {
            EXPECT_THROW(work->ClearClosedRegion(0, 0, 30, 12, &pool), WorkCancelled);
        } else {
            EXPECT_THROW(work->ClearColorRegion(picture->GetPixel(0, 0), 30, 12, &pool),
                         WorkCancelled);
        }
        for (std::size_t i = 0; i < work->PixelCount(); ++i) {
            ASSERT_EQ(work->Pixels()[i] & 0x00FFFFFFu, picture->Pixels()[i] & 0x00FFFFFFu);
        }
    }
}

}  // namespace
}  // namespace varlen
