#include <benchmark/benchmark.h>

#include <algorithm>

#include "bench_images.h"
#include "core/icon.h"

// Filters on a 4096 x 4096 photo-like picture. Every filter changes the image in place, so
// each iteration restores the original pixels first, outside the timed region; the cost of
// that copy alone is measured by BM_FilterRestoreCopy.

namespace varlen {
namespace {

constexpr int kSide = 4096;

const CIcon& Original() {
    static const auto image = bench::PhotoLike(kSide, kSide, 11);
    return *image;
}

void Restore(CIcon& icon) {
    const auto src = Original().Pixels();
    std::copy(src.begin(), src.end(), icon.Pixels().begin());
}

template <typename Filter>
void RunFilter(benchmark::State& state, Filter filter) {
    auto icon = CloneIcon(&Original());
    for (auto _ : state) {
        state.PauseTiming();
        Restore(*icon);
        state.ResumeTiming();
        filter(*icon);
        benchmark::DoNotOptimize(icon->Pixels().data());
    }
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}

void BM_FilterRestoreCopy(benchmark::State& state) {
    auto icon = CloneIcon(&Original());
    for (auto _ : state) {
        Restore(*icon);
        benchmark::DoNotOptimize(icon->Pixels().data());
    }
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(BM_FilterRestoreCopy)->Unit(benchmark::kMillisecond);

void BM_ApplyFiltersAll(benchmark::State& state) {
    RunFilter(state, [](CIcon& icon) {
        icon.ApplyFilters(20, 30, 50, Point{64, 64}, -10, 50, Point{160, 160});
    });
}
BENCHMARK(BM_ApplyFiltersAll)->Unit(benchmark::kMillisecond);

void BM_ApplyFiltersToneOnly(benchmark::State& state) {
    RunFilter(state, [](CIcon& icon) {
        icon.ApplyFilters(20, 30, 0, Point{}, 0, 0, Point{127, 127});
    });
}
BENCHMARK(BM_ApplyFiltersToneOnly)->Unit(benchmark::kMillisecond);

void BM_ApplyFiltersLightOnly(benchmark::State& state) {
    RunFilter(state, [](CIcon& icon) {
        icon.ApplyFilters(0, 0, 50, Point{64, 64}, 0, 0, Point{});
    });
}
BENCHMARK(BM_ApplyFiltersLightOnly)->Unit(benchmark::kMillisecond);

void BM_ApplyFiltersShadowOnly(benchmark::State& state) {
    RunFilter(state, [](CIcon& icon) {
        icon.ApplyFilters(0, 0, 0, Point{}, 0, 50, Point{160, 160});
    });
}
BENCHMARK(BM_ApplyFiltersShadowOnly)->Unit(benchmark::kMillisecond);

void BM_RoundCorners(benchmark::State& state) {
    RunFilter(state, [](CIcon& icon) { icon.RoundCorners(50, 30); });
}
BENCHMARK(BM_RoundCorners)->Unit(benchmark::kMillisecond);

void BM_RoundCircle(benchmark::State& state) {
    RunFilter(state, [](CIcon& icon) { icon.RoundCorners(120, 30); });
}
BENCHMARK(BM_RoundCircle)->Unit(benchmark::kMillisecond);

void BM_Sharpen(benchmark::State& state) {
    RunFilter(state, [](CIcon& icon) { icon.Sharpen(3); });
}
BENCHMARK(BM_Sharpen)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace varlen
