#include <benchmark/benchmark.h>

#include <thread>
#include <vector>

#include "bench_images.h"
#include "core/format.h"
#include "core/pipeline.h"
#include "core/workers.h"

namespace varlen {
namespace {

// The 15 default formats from a 1024 x 1024 working image, smoothed, no effects.
void BM_BuildDefaultFormats(benchmark::State& state) {
    const auto working = bench::PhotoLike(1024, 1024, 7);
    const EffectSettings effects;
    for (auto _ : state) {
        for (const FORMAT& f : kDefaultFormats) {
            auto icon = BuildFormatIcon(*working, f.wWidth, f.wHeight, f.wBitCount, true, effects);
            benchmark::DoNotOptimize(icon.get());
        }
    }
}
BENCHMARK(BM_BuildDefaultFormats)->Unit(benchmark::kMillisecond);

// The same 15 formats in one shared build, on state.range(0) threads (0: one per processor),
// from the opaque photo (soft:0) or the photo with a radial alpha falling from 255 to 0
// (soft:1), whose formats below 32 bits are resized from a thresholded copy.
void BM_BuildDefaultFormatsShared(benchmark::State& state) {
    const auto working = state.range(1) != 0 ? bench::SoftAlphaPhoto(1024, 1024, 7)
                                             : bench::PhotoLike(1024, 1024, 7);
    const EffectSettings effects;
    std::vector<FormatRequest> requests;
    for (const FORMAT& f : kDefaultFormats) {
        requests.push_back({f.wWidth, f.wHeight, f.wBitCount});
    }
    const int threads = state.range(0) == 0
                            ? static_cast<int>(std::max(1u, std::thread::hardware_concurrency()))
                            : static_cast<int>(state.range(0));
    Workers workers(threads);
    for (auto _ : state) {
        auto icons = BuildFormatIcons(*working, requests, true, effects, workers);
        benchmark::DoNotOptimize(icons.data());
    }
}
BENCHMARK(BM_BuildDefaultFormatsShared)
    ->ArgNames({"threads", "soft"})
    ->ArgsProduct({{1, 0}, {0, 1}})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace varlen
