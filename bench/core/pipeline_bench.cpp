#include <benchmark/benchmark.h>

#include "bench_images.h"
#include "core/format.h"
#include "core/pipeline.h"

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

}  // namespace
}  // namespace varlen
