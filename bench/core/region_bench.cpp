// Transparent-region clicks on large working images. Every iteration works on a fresh copy of
// the picture; the copy is made with the timer paused and measured on its own in BM_RegionCopy.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>

#include "bench_images.h"
#include "core/icon.h"

namespace varlen {
namespace {

// Restores work's pixels from original, outside the timed part.
void Restore(benchmark::State& state, const CIcon& original, CIcon& work) {
    state.PauseTiming();
    std::copy(original.Pixels().begin(), original.Pixels().end(), work.Pixels().begin());
    state.ResumeTiming();
}

// A flat background with a few discs of other colours: one large closed region.
std::unique_ptr<CIcon> FlatWithDiscs(int side) {
    auto icon = CreateIcon(side, side, 32);
    constexpr Pixel kBackground = MakePixel(255, 240, 240, 240);
    for (int y = 0; y < side; ++y) {
        Pixel* row = icon->Row(y);
        for (int x = 0; x < side; ++x) {
            row[x] = kBackground;
            for (int k = 1; k <= 4; ++k) {
                const int cx = side * k / 5;
                const int cy = side * (5 - k) / 5;
                const int dx = x - cx;
                const int dy = y - cy;
                const int r = side / 12;
                if (dx * dx + dy * dy < r * r) {
                    row[x] = MakePixel(255, 40 * k, 200 - 30 * k, 90);
                }
            }
        }
    }
    return icon;
}

void BM_RegionCopy(benchmark::State& state) {
    const int side = static_cast<int>(state.range(0));
    const auto original = bench::PhotoLike(side, side, 11);
    auto work = CloneIcon(original.get());
    for (auto _ : state) {
        std::copy(original->Pixels().begin(), original->Pixels().end(), work->Pixels().begin());
        benchmark::DoNotOptimize(work->Pixels().data());
    }
}
BENCHMARK(BM_RegionCopy)->Arg(2048)->Arg(4096)->Unit(benchmark::kMillisecond);

// Colour region on a photo: args side, tolerance, expansion.
void BM_ColorRegionPhoto(benchmark::State& state) {
    const int side = static_cast<int>(state.range(0));
    const int tolerance = static_cast<int>(state.range(1));
    const int expansion = static_cast<int>(state.range(2));
    const auto original = bench::PhotoLike(side, side, 11);
    auto work = CloneIcon(original.get());
    const Pixel color = original->GetPixel(side / 3, side / 2);
    for (auto _ : state) {
        Restore(state, *original, *work);
        work->ClearColorRegion(color, tolerance, expansion);
        benchmark::DoNotOptimize(work->Pixels().data());
    }
}
BENCHMARK(BM_ColorRegionPhoto)
    ->Args({2048, 30, 10})
    ->Args({4096, 30, 20})
    ->Args({4096, 30, 255})
    ->Unit(benchmark::kMillisecond);

// Closed region on a photo, seeded in the middle: args side, tolerance, expansion.
void BM_ClosedRegionPhoto(benchmark::State& state) {
    const int side = static_cast<int>(state.range(0));
    const int tolerance = static_cast<int>(state.range(1));
    const int expansion = static_cast<int>(state.range(2));
    const auto original = bench::PhotoLike(side, side, 11);
    auto work = CloneIcon(original.get());
    for (auto _ : state) {
        Restore(state, *original, *work);
        work->ClearClosedRegion(side / 2, side / 2, tolerance, expansion);
        benchmark::DoNotOptimize(work->Pixels().data());
    }
}
BENCHMARK(BM_ClosedRegionPhoto)
    ->Args({4096, 30, 20})
    ->Args({4096, 80, 20})
    ->Unit(benchmark::kMillisecond);

// Closed region click on the large flat background: args side, expansion.
void BM_ClosedRegionFlat(benchmark::State& state) {
    const int side = static_cast<int>(state.range(0));
    const int expansion = static_cast<int>(state.range(1));
    const auto original = FlatWithDiscs(side);
    auto work = CloneIcon(original.get());
    for (auto _ : state) {
        Restore(state, *original, *work);
        work->ClearClosedRegion(1, 1, 0, expansion);
        benchmark::DoNotOptimize(work->Pixels().data());
    }
}
BENCHMARK(BM_ClosedRegionFlat)
    ->Args({4096, 0})
    ->Args({4096, 20})
    ->Args({4096, 255})
    ->Unit(benchmark::kMillisecond);

// A click into one disc of a large flat picture: the work stays near the disc.
void BM_ClosedRegionDisc(benchmark::State& state) {
    const int side = static_cast<int>(state.range(0));
    const int expansion = static_cast<int>(state.range(1));
    const auto original = FlatWithDiscs(side);
    auto work = CloneIcon(original.get());
    for (auto _ : state) {
        Restore(state, *original, *work);
        work->ClearClosedRegion(side / 5, side * 4 / 5, 0, expansion);
        benchmark::DoNotOptimize(work->Pixels().data());
    }
}
BENCHMARK(BM_ClosedRegionDisc)->Args({4096, 20})->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace varlen
