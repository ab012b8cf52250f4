// Render timings: the smoothed resize of a large picture to icon sizes, the placement of a
// large picture with a rotation, and the plain copy used for snapshots.
#include <benchmark/benchmark.h>

#include "bench_images.h"
#include "core/icon.h"

namespace varlen {
namespace {

const CIcon& BigPicture() {
    static const auto picture = bench::PhotoLike(4096, 4096, 11);
    return *picture;
}

// Smoothed resize of a 4096 x 4096 picture to state.range(0) squared.
void BM_RenderSmoothShrink4096(benchmark::State& state) {
    const CIcon& src = BigPicture();
    const int side = static_cast<int>(state.range(0));
    for (auto _ : state) {
        auto icon = CreateIcon(side, side, 32, &src, true);
        benchmark::DoNotOptimize(icon.get());
    }
}
BENCHMARK(BM_RenderSmoothShrink4096)->Arg(256)->Arg(48)->Arg(16)->Unit(benchmark::kMillisecond);

// The batch's resizes of a 1024 x 1024 soft-alpha photo to state.range(0) squared, on one
// thread: range(1) 0 renders the picture as it is (the 32-bit formats), 1 its thresholded
// copy (the formats below 32 bits, every alpha 0 or 255).
void BM_RenderSoftAlpha1024(benchmark::State& state) {
    static const auto soft = bench::SoftAlphaPhoto(1024, 1024, 5);
    static const auto thresholded = [] {
        auto copy = CloneIcon(soft.get());
        copy->ThresholdAlpha();
        return copy;
    }();
    const CIcon& src = state.range(1) == 0 ? *soft : *thresholded;
    const int side = static_cast<int>(state.range(0));
    auto dest = CreateIcon(side, side, 32);
    for (auto _ : state) {
        dest->Render(src, nullptr, nullptr, false, 0.0, true);
        benchmark::DoNotOptimize(dest->Pixels().data());
    }
}
BENCHMARK(BM_RenderSoftAlpha1024)
    ->ArgsProduct({{256, 48, 16}, {0, 1}})
    ->ArgNames({"side", "thresholded"})
    ->Unit(benchmark::kMillisecond);

// Placement of a 4096 x 4096 picture into a working image of the same size, rotated by 30
// degrees, smoothed.
void BM_RenderPlacementRotated4096(benchmark::State& state) {
    const CIcon& src = BigPicture();
    // Smoothing writes every destination pixel, so one working image serves every run and
    // the figure is the render alone (not the 64 MB allocation).
    auto working = CreateIcon(4096, 4096, 32);
    const Rect sr{0, 0, 4096, 4096};
    for (auto _ : state) {
        working->Render(src, nullptr, &sr, false, 30.0, true);
        benchmark::DoNotOptimize(working->Pixels().data());
    }
}
BENCHMARK(BM_RenderPlacementRotated4096)->Unit(benchmark::kMillisecond);

// The same placement at angle 0 with margins (the picture's default square).
void BM_RenderPlacementUpright4096(benchmark::State& state) {
    const CIcon& src = BigPicture();
    auto working = CreateIcon(4096, 4096, 32);
    const Rect sr{0, -100, 4096, 3996};
    for (auto _ : state) {
        working->Render(src, nullptr, &sr, false, 0.0, true);
        benchmark::DoNotOptimize(working->Pixels().data());
    }
}
BENCHMARK(BM_RenderPlacementUpright4096)->Unit(benchmark::kMillisecond);

// Nearest-pixel copy between equal sizes (snapshot restore).
void BM_RenderPlainCopy4096(benchmark::State& state) {
    const CIcon& src = BigPicture();
    auto dest = CreateIcon(4096, 4096, 32);
    for (auto _ : state) {
        dest->Render(src, nullptr, nullptr, false, 0.0, false);
        benchmark::DoNotOptimize(dest->Pixels().data());
    }
}
BENCHMARK(BM_RenderPlainCopy4096)->Unit(benchmark::kMillisecond);

// Nearest-pixel render with a rotation (no separable shortcut).
void BM_RenderNearestRotated4096(benchmark::State& state) {
    const CIcon& src = BigPicture();
    auto dest = CreateIcon(4096, 4096, 32);
    for (auto _ : state) {
        dest->Render(src, nullptr, nullptr, true, 30.0, false);
        benchmark::DoNotOptimize(dest->Pixels().data());
    }
}
BENCHMARK(BM_RenderNearestRotated4096)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace varlen
