// The thread pool, and the row-parallel and shared-work paths against the plain ones: every
// operation run on several threads must give the very pixels it gives on one thread, and the
// shared-work format build the images of the literal pipeline, format by format. Random
// images with few colours (ties everywhere) and every alpha value; each case prints its seed.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <random>
#include <stdexcept>
#include <vector>

#include "core/effects.h"
#include "core/icon.h"
#include "core/pipeline.h"
#include "core/progress.h"
#include "core/reference/pipeline_reference.h"
#include "core/reference/render_reference.h"
#include "core/workers.h"

namespace varlen {
namespace {

// 1 to 6 colours; alphas drawn from 0, 255 and anything between.
std::unique_ptr<CIcon> RandomImage(std::mt19937& rng, int width, int height) {
    const int n = std::uniform_int_distribution<int>(1, 6)(rng);
    std::vector<Pixel> colours;
    for (int k = 0; k < n; ++k) {
        const int kind = static_cast<int>(rng() % 3);
        const Pixel alpha = kind == 0 ? 0u : kind == 1 ? 255u : static_cast<Pixel>(rng() % 256);
        colours.push_back((rng() & 0x00FFFFFFu) | (alpha << 24));
    }
    auto icon = CreateIcon(width, height, 32);
    for (Pixel& p : icon->Pixels()) {
        p = colours[rng() % colours.size()];
    }
    return icon;
}

void ExpectSamePixels(const CIcon& a, const CIcon& b, std::uint32_t seed) {
    ASSERT_EQ(a.Width(), b.Width()) << "seed " << seed;
    ASSERT_EQ(a.Height(), b.Height()) << "seed " << seed;
    ASSERT_EQ(a.Bpp(), b.Bpp()) << "seed " << seed;
    for (std::size_t i = 0; i < a.PixelCount(); ++i) {
        ASSERT_EQ(a.Pixels()[i], b.Pixels()[i]) << "seed " << seed << " pixel " << i;
    }
    ASSERT_TRUE(
        std::equal(a.Palette().begin(), a.Palette().end(), b.Palette().begin(), b.Palette().end()))
        << "seed " << seed;
}

EffectSettings RandomEffects(std::mt19937& rng) {
    auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    auto maybe = [&](int lo, int hi) { return rng() % 2 == 0 ? 0 : pick(lo, hi); };
    EffectSettings e;
    e.brightness = maybe(-100, 100);
    e.contrast = maybe(-100, 100);
    e.sharp = maybe(1, 8);
    e.light = maybe(1, 100);
    e.lightPos = {pick(0, 255), pick(0, 255)};
    e.noLight4Bit = rng() % 2 == 0;
    e.transparent = maybe(-100, 100);
    e.shadow = maybe(1, 100);
    e.shadowPos = {pick(-127, 128), pick(-127, 128)};
    e.round = maybe(1, 200);
    e.fade = maybe(1, 100);
    return e;
}

TEST(Workers, RunsEveryIndexOnceAndNestedCallsFinish) {
    for (const int threads : {1, 2, 5}) {
        Workers workers(threads);
        std::vector<std::atomic<int>> hits(200);
        workers.For(hits.size(), [&](std::size_t i) {
            workers.For(3, [&](std::size_t) { hits[i].fetch_add(1); });
        });
        for (std::size_t i = 0; i < hits.size(); ++i) {
            ASSERT_EQ(hits[i].load(), 3) << threads << " threads, index " << i;
        }
    }
}

TEST(Workers, RangesCoverTheCountInOrder) {
    Workers workers(3);
    for (const std::size_t count : {0u, 1u, 15u, 16u, 100u, 1001u}) {
        const auto bounds = workers.Ranges(count, 16);
        ASSERT_EQ(bounds.front(), 0u);
        ASSERT_EQ(bounds.back(), count);
        for (std::size_t r = 0; r + 1 < bounds.size(); ++r) {
            EXPECT_LT(bounds[r], bounds[r + 1]);
            if (bounds.size() > 2) {
                EXPECT_GE(bounds[r + 1] - bounds[r], 16u) << count;
            }
        }
    }
}

TEST(Workers, AnExceptionReachesTheCaller) {
    Workers workers(3);
    EXPECT_THROW(workers.For(50,
                             [](std::size_t i) {
                                 if (i == 17) {
                                     throw std::runtime_error("task 17");
                                 }
                             }),
                 std::runtime_error);
    // The pool still works afterwards.
    std::atomic<int> sum{0};
    workers.For(10, [&](std::size_t i) { sum += static_cast<int>(i); });
    EXPECT_EQ(sum.load(), 45);
}

TEST(ParallelRender, ManyThreadsGiveTheOneThreadPixels) {
    Workers workers(3);
    for (std::uint32_t seed = 1; seed <= 600; ++seed) {
        std::mt19937 rng(seed);
        auto side = [&rng](int lo, int hi) {
            return std::uniform_int_distribution<int>(lo, hi)(rng);
        };
        auto src = RandomImage(rng, side(1, 64), side(1, 64));
        const int dw = side(1, 64), dh = side(1, 64);
        auto one = RandomImage(rng, dw, dh);
        auto many = CloneIcon(one.get());
        const bool smoothing = rng() % 4 != 0;
        const bool mirror = rng() % 2 == 0;
        const double angle = rng() % 2 == 0 ? 0.0 : std::uniform_real_distribution<>(0, 360)(rng);
        const Rect sr{side(-8, 8), side(-8, 8), side(1, 70), side(1, 70)};
        const Rect* srcRect = rng() % 2 == 0 ? nullptr : &sr;
        one->Render(*src, nullptr, srcRect, mirror, angle, smoothing);
        many->Render(*src, nullptr, srcRect, mirror, angle, smoothing, &workers);
        ExpectSamePixels(*one, *many, seed);
    }
}

// A smoothed render between equal sizes lands every tap exactly on a pixel; that case is
// looked up in a table and must match the literal sampler for every alpha value.
TEST(ParallelRender, UprightPlacementMatchesTheLiteralRenderForEveryAlpha) {
    Workers workers(2);
    std::mt19937 rng(4242);
    auto src = CreateIcon(256, 40, 32);
    for (Pixel& p : src->Pixels()) {
        p = rng();
    }
    for (int x = 0; x < 256; ++x) {  // every alpha with extreme colours too
        src->Row(0)[x] = MakePixel(x, 255, 0, x);
    }
    for (const Rect sr : {Rect{0, 0, 256, 40}, Rect{-3, -5, 253, 35}}) {
        auto fast = CreateIcon(256, 40, 32);
        auto slow = CreateIcon(256, 40, 32);
        fast->Render(*src, nullptr, &sr, false, 0.0, true, &workers);
        reference::Render(*slow, *src, nullptr, &sr, false, 0.0, true);
        ExpectSamePixels(*fast, *slow, 4242);
    }
}

// A large single-tap render shares one exact-tap table, filled before the rows run; the
// shared table must give the literal sampler's pixels, in place and into another image.
TEST(ParallelRender, SharedExactTapTableMatchesTheLiteralRender) {
    Workers workers(2);
    std::mt19937 rng(777);
    auto src = CreateIcon(640, 420, 32);  // above the size that shares the table
    for (Pixel& p : src->Pixels()) {
        p = rng();
    }
    auto fast = CreateIcon(640, 420, 32);
    auto slow = CreateIcon(640, 420, 32);
    const Rect sr{0, 0, 640, 420};
    fast->Render(*src, nullptr, &sr, false, 0.0, true, &workers);
    reference::Render(*slow, *src, nullptr, &sr, false, 0.0, true);
    ExpectSamePixels(*fast, *slow, 777);
    auto inPlace = CloneIcon(src.get());
    inPlace->Render(*inPlace, nullptr, &sr, false, 0.0, true, &workers);
    ExpectSamePixels(*inPlace, *slow, 777);
}

TEST(WorkersProgress, RowsAreCountedAndTheResultIsUnchanged) {
    Workers workers(2);
    std::mt19937 rng(99);
    auto src = RandomImage(rng, 300, 200);
    auto plain = CreateIcon(97, 61, 32);
    auto watched = CreateIcon(97, 61, 32);
    plain->Render(*src, nullptr, nullptr, false, 12.5, true, &workers);
    Progress progress;
    {
        const Workers::ObservedBy observe(workers, progress);
        watched->Render(*src, nullptr, nullptr, false, 12.5, true, &workers);
    }
    ExpectSamePixels(*plain, *watched, 99);
    EXPECT_EQ(progress.Expected(), 61u);  // the destination rows
    EXPECT_EQ(progress.Done(), 61u);
    EXPECT_EQ(workers.Observer(), nullptr);
}

TEST(WorkersProgress, CancelEndsTheWorkWithoutFinishingIt) {
    for (const int threads : {1, 3}) {
        Workers workers(threads);
        Progress progress;
        std::atomic<std::size_t> ran{0};
        const Workers::ObservedBy observe(workers, progress);
        EXPECT_THROW(workers.ForRanges(1000, 1,
                                       [&](std::size_t, std::size_t) {
                                           if (++ran == 3) {
                                               progress.Cancel();
                                           }
                                       }),
                     WorkCancelled)
            << threads;
        // The ranges running when the request came may finish; no new one starts.
        EXPECT_LT(ran.load(), 3u + static_cast<std::size_t>(threads)) << threads;
        EXPECT_LT(progress.Done(), 1000u) << threads;
    }
}

// A whole format build, cancelled part way, throws and builds nothing; the working image is
// untouched.
TEST(WorkersProgress, CancelledFormatBuildLeavesTheWorkingImage) {
    Workers workers(2);
    std::mt19937 rng(5);
    auto working = RandomImage(rng, 400, 400);
    const auto before = CloneIcon(working.get());
    const std::vector<FormatRequest> formats = {{256, 256, 32}, {48, 48, 8}, {16, 16, 4}};
    Progress progress;
    const Workers::ObservedBy observe(workers, progress);
    progress.Cancel();
    EXPECT_THROW(BuildFormatIcons(*working, formats, true, EffectSettings{}, workers),
                 WorkCancelled);
    ExpectSamePixels(*working, *before, 5);
}

TEST(ParallelFilters, ManyThreadsGiveTheOneThreadPixels) {
    Workers workers(3);
    for (std::uint32_t seed = 1; seed <= 150; ++seed) {
        std::mt19937 rng(seed);
        auto side = [&rng](int lo, int hi) {
            return std::uniform_int_distribution<int>(lo, hi)(rng);
        };
        auto one = RandomImage(rng, side(1, 90), side(1, 150));
        auto many = CloneIcon(one.get());
        const EffectSettings e = RandomEffects(rng);
        one->ApplyFilters(e.brightness, e.contrast, e.light, e.lightPos, e.transparent, e.shadow,
                          e.shadowPos);
        many->ApplyFilters(e.brightness, e.contrast, e.light, e.lightPos, e.transparent, e.shadow,
                           e.shadowPos, &workers);
        ExpectSamePixels(*one, *many, seed);
        one->RoundCorners(e.round, e.fade);
        many->RoundCorners(e.round, e.fade, &workers);
        ExpectSamePixels(*one, *many, seed);
        const int strength = side(1, 8);
        one->Sharpen(strength);
        many->Sharpen(strength, &workers);
        ExpectSamePixels(*one, *many, seed);
    }
}

TEST(ParallelFilters, ConvolutionRangesReadOnlyOriginalRows) {
    Workers workers(3);
    for (std::uint32_t seed = 1; seed <= 120; ++seed) {
        std::mt19937 rng(seed);
        auto one = RandomImage(rng, std::uniform_int_distribution<int>(1, 40)(rng),
                               std::uniform_int_distribution<int>(1, 200)(rng));
        auto many = CloneIcon(one.get());
        const int n = seed % 3 == 0 ? 5 : 3;
        std::vector<int> kernel(static_cast<std::size_t>(n * n));
        for (int& k : kernel) {
            k = std::uniform_int_distribution<int>(-3, 9)(rng);
        }
        one->Convolve(n, kernel);
        many->Convolve(n, kernel, &workers);
        ExpectSamePixels(*one, *many, seed);
        const int strength = static_cast<int>(seed % 8) + 1;
        one->Sharpen(strength);
        many->Sharpen(strength, &workers);
        ExpectSamePixels(*one, *many, seed);
    }
}

TEST(ParallelPipeline, SharedBuildGivesTheLiteralImageOfEveryFormat) {
    Workers workers(3);
    static constexpr std::array<int, 4> kDepths = {4, 8, 24, 32};
    for (std::uint32_t seed = 1; seed <= 120; ++seed) {
        std::mt19937 rng(seed);
        auto side = [&rng](int lo, int hi) {
            return std::uniform_int_distribution<int>(lo, hi)(rng);
        };
        const int s = side(1, 48);
        auto working = RandomImage(rng, s, side(1, 48));
        if (seed % 4 == 0) {
            working->ThresholdAlpha();  // the case where thresholding changes nothing
        }
        const EffectSettings e = seed % 5 == 0 ? EffectSettings{} : RandomEffects(rng);
        const bool smoothing = rng() % 3 != 0;
        std::vector<FormatRequest> formats;
        const int count = side(1, 10);
        for (int k = 0; k < count; ++k) {
            // Few sizes, so that formats share them; some larger than the working image.
            const int w = rng() % 2 == 0 ? side(1, 6) : side(1, 60);
            formats.push_back({w, rng() % 2 == 0 ? w : side(1, 60), kDepths[rng() % 4]});
        }
        const auto built = BuildFormatIcons(*working, formats, smoothing, e, workers);
        ASSERT_EQ(built.size(), formats.size());
        for (std::size_t k = 0; k < formats.size(); ++k) {
            const FormatRequest& f = formats[k];
            const auto expected =
                reference::BuildFormatIcon(*working, f.width, f.height, f.bpp, smoothing, e);
            ASSERT_TRUE(built[k]) << "seed " << seed;
            ExpectSamePixels(*built[k], *expected, seed);
        }
    }
}

TEST(ParallelPipeline, RefusedSizesGiveNullAndTheOthersAreBuilt) {
    Workers workers(2);
    auto working = CreateIcon(8, 8, 32);
    std::fill(working->Pixels().begin(), working->Pixels().end(), 0xFF102030u);
    const std::vector<FormatRequest> formats = {{0, 4, 32}, {4, 4, 32}, {4, 4, 7}};
    const auto built = BuildFormatIcons(*working, formats, true, EffectSettings{}, workers);
    EXPECT_FALSE(built[0]);
    ASSERT_TRUE(built[1]);
    EXPECT_EQ(built[1]->GetPixel(3, 3), 0xFF102030u);
    EXPECT_FALSE(built[2]);
}

TEST(ParallelPipeline, PreviewOnManyThreadsEqualsOneThread) {
    Workers workers(3);
    for (std::uint32_t seed = 1; seed <= 40; ++seed) {
        std::mt19937 rng(seed);
        auto working = RandomImage(rng, std::uniform_int_distribution<int>(1, 80)(rng),
                                   std::uniform_int_distribution<int>(1, 120)(rng));
        const EffectSettings e = RandomEffects(rng);
        ExpectSamePixels(*BuildViewPreview(*working, e), *BuildViewPreview(*working, e, workers),
                         seed);
    }
}

}  // namespace
}  // namespace varlen
