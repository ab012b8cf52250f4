// Interactive costs on a 4096 x 4096 working image, each with a limit the user notices:
// - a page-2 click (colour region and closed region, tolerance 30, expansion 20), together
//   with the undo snapshot the page keeps before it changes the image: under 300 ms;
// - the page-3 preview refresh (BuildViewPreview with brightness, contrast, light, shadow,
//   sharpen and rounded corners): under 300 ms;
// - the picture view's repaint: CIcon::Draw of a 256 x 256 view of the whole image, with
//   and without a rotation: under 5 ms.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <thread>

#include "bench_images.h"
#include "core/alpha_plane.h"
#include "core/effects.h"
#include "core/icon.h"
#include "core/pipeline.h"
#include "core/workers.h"

namespace varlen {
namespace {

constexpr int kSide = 4096;

// Made once, outside the timed loops (every benchmark asks for it before its loop).
const CIcon& Working() {
    static const auto image = bench::PhotoLike(kSide, kSide, 5);
    return *image;
}

// args: 0 colour region, 1 closed region.
void BM_Page2Click4096(benchmark::State& state) {
    const bool closed = state.range(0) == 1;
    auto work = CloneIcon(&Working());
    const Pixel color = Working().GetPixel(kSide / 3, kSide / 2);
    for (auto _ : state) {
        state.PauseTiming();
        std::copy(Working().Pixels().begin(), Working().Pixels().end(), work->Pixels().begin());
        state.ResumeTiming();
        auto snapshot = AlphaPlane::Of(*work);  // what the page keeps to take the click back
        if (closed) {
            work->ClearClosedRegion(kSide / 2, kSide / 2, 30, 20);
        } else {
            work->ClearColorRegion(color, 30, 20);
        }
        benchmark::DoNotOptimize(snapshot.Bytes());
        benchmark::DoNotOptimize(work->Pixels().data());
    }
}
BENCHMARK(BM_Page2Click4096)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

EffectSettings TypicalEffects() {
    EffectSettings e;
    e.brightness = 10;
    e.contrast = 20;
    e.light = 40;
    e.lightPos = {64, 64};
    e.shadow = 50;
    e.shadowPos = {20, 20};
    e.sharp = 4;
    e.round = 30;
    e.fade = 20;
    return e;
}

void BM_Page3Preview4096(benchmark::State& state) {
    const EffectSettings effects = TypicalEffects();
    Working();
    for (auto _ : state) {
        auto preview = BuildViewPreview(Working(), effects);
        benchmark::DoNotOptimize(preview.get());
    }
}
BENCHMARK(BM_Page3Preview4096)->Unit(benchmark::kMillisecond);

// The same refresh spread over one thread per processor, as the wizard runs it.
void BM_Page3PreviewThreads4096(benchmark::State& state) {
    const EffectSettings effects = TypicalEffects();
    Workers workers(static_cast<int>(std::max(1u, std::thread::hardware_concurrency())));
    Working();
    for (auto _ : state) {
        auto preview = BuildViewPreview(Working(), effects, workers);
        benchmark::DoNotOptimize(preview.get());
    }
}
BENCHMARK(BM_Page3PreviewThreads4096)->UseRealTime()->Unit(benchmark::kMillisecond);

// args: rotation in degrees.
void BM_ViewRepaint256Of4096(benchmark::State& state) {
    const Rect view{0, 0, 256, 256};
    const double angle = static_cast<double>(state.range(0));
    Working();
    for (auto _ : state) {
        auto pixels = Working().Draw(&view, nullptr, false, false, angle, false, 0);
        benchmark::DoNotOptimize(pixels.data());
    }
}
BENCHMARK(BM_ViewRepaint256Of4096)->Arg(0)->Arg(30)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace varlen
