// Repaint cost of the picture view: one synchronous repaint of a 256 x 256 view showing a
// 4000 x 3000 photo, as during every step of a drag. The view must stay well under 10 ms.
// Run with QT_QPA_PLATFORM=offscreen.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QWindow>

#include "gui/icon_wnd.h"
#include "bench_images.h"

namespace varlen {
namespace {

const CIcon& Photo() {
    static const auto picture = bench::PhotoLike(4000, 3000, 7);
    return *picture;
}

enum Case { kPlain, kRotated, kMirrored, kLargeSource };

void BM_IconWndRepaint256(benchmark::State& state) {
    CIconWnd view;
    view.setFixedSize(256, 256);
    view.SetImage(&Photo());
    switch (state.range(0)) {
        case kRotated:
            view.SetRotation(30000);
            break;
        case kMirrored:
            view.SetMirror(true);
            break;
        case kLargeSource:
            view.SetSourceRect(Rect{-4000, -4500, 8000, 7500});
            break;
        default:
            break;
    }
    view.show();
    QElapsedTimer wait;
    wait.start();
    while (!view.windowHandle()->isExposed() && wait.elapsed() < 5000) {
        QCoreApplication::processEvents();
    }
    if (!view.windowHandle()->isExposed()) {
        state.SkipWithError("the view was not shown");
        return;
    }
    for (auto _ : state) {
        view.repaint();
    }
}
BENCHMARK(BM_IconWndRepaint256)
    ->Arg(kPlain)
    ->Arg(kRotated)
    ->Arg(kMirrored)
    ->Arg(kLargeSource)
    ->ArgName("case")
    ->Unit(benchmark::kMicrosecond);

// The core's part of the same repaint: the 256 x 256 buffer alone.
void BM_IconDraw256(benchmark::State& state) {
    const Rect dst{0, 0, 256, 256};
    const Rect src{0, -500, 4000, 3500};
    const double angle = state.range(0) == kRotated ? 30.0 : 0.0;
    const bool mirror = state.range(0) == kMirrored;
    for (auto _ : state) {
        auto pixels = Photo().Draw(&dst, &src, true, mirror, angle, false, 0x00FFFFFF);
        benchmark::DoNotOptimize(pixels.data());
    }
}
BENCHMARK(BM_IconDraw256)
    ->Arg(kPlain)
    ->Arg(kRotated)
    ->Arg(kMirrored)
    ->ArgName("case")
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace varlen

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
