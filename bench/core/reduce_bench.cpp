#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <memory>

#include "bench_images.h"
#include "core/icon.h"
#include "core/median_cut.h"

namespace varlen {
namespace {

// An image of the given depth holding the pixels of a PhotoLike picture.
std::unique_ptr<CIcon> PhotoAtDepth(int side, int bpp) {
    const auto photo = bench::PhotoLike(side, side, 3);
    auto icon = CreateIcon(side, side, bpp);
    std::copy(photo->Pixels().begin(), photo->Pixels().end(), icon->Pixels().begin());
    return icon;
}

// 512 x 512 8-bit image with exactly `distinct` colours, scattered over the colour cube
// (an odd multiplier permutes the 24-bit values).
std::unique_ptr<CIcon> ManyColours(int distinct) {
    auto icon = CreateIcon(512, 512, 8);
    std::uint32_t i = 0;
    for (Pixel& p : icon->Pixels()) {
        const std::uint32_t k = i++ % static_cast<std::uint32_t>(distinct);
        p = 0xFF000000u | ((k * 2654435761u) & 0xFFFFFFu);
    }
    return icon;
}

void BM_MakePalette8Photo(benchmark::State& state) {
    auto icon = PhotoAtDepth(static_cast<int>(state.range(0)), 8);
    state.counters["colours"] = icon->CountColors();
    for (auto _ : state) {
        benchmark::DoNotOptimize(icon->MakePalette());
    }
}
BENCHMARK(BM_MakePalette8Photo)->Arg(256)->Arg(512)->Unit(benchmark::kMillisecond);

void BM_MakePalette8ManyColours(benchmark::State& state) {
    auto icon = ManyColours(200000);
    state.counters["colours"] = icon->CountColors();
    for (auto _ : state) {
        benchmark::DoNotOptimize(icon->MakePalette());
    }
}
BENCHMARK(BM_MakePalette8ManyColours)->Unit(benchmark::kMillisecond);

void BM_BuildBits8Photo(benchmark::State& state) {
    auto icon = PhotoAtDepth(512, 8);
    icon->MakePalette();
    for (auto _ : state) {
        DibBits bits = icon->BuildBits();
        benchmark::DoNotOptimize(bits.color.data());
    }
}
BENCHMARK(BM_BuildBits8Photo)->Unit(benchmark::kMillisecond);

void BM_CountColorsPhoto(benchmark::State& state) {
    auto icon = PhotoAtDepth(512, 32);
    for (auto _ : state) {
        benchmark::DoNotOptimize(icon->CountColors());
    }
}
BENCHMARK(BM_CountColorsPhoto)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace varlen

namespace varlen {
namespace {

// The two phases of the palette on their own.
void BM_HistogramManyColours(benchmark::State& state) {
    auto icon = ManyColours(200000);
    for (auto _ : state) {
        benchmark::DoNotOptimize(BuildHistogram(*icon).data());
    }
}
BENCHMARK(BM_HistogramManyColours)->Unit(benchmark::kMillisecond);

void BM_MedianCutBoxesManyColours(benchmark::State& state) {
    auto icon = ManyColours(200000);
    const std::vector<HistEntry> histogram = BuildHistogram(*icon);
    for (auto _ : state) {
        std::vector<HistEntry> entries = histogram;
        benchmark::DoNotOptimize(MedianCutBoxes(entries, 256).data());
    }
}
BENCHMARK(BM_MedianCutBoxesManyColours)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace varlen
