// The filters page's refresh after a slider step settles: the page rebuilds its preview of a
// 1024 x 1024 working picture with typical effects (brightness, contrast, light, shadow,
// sharpen, rounded corners with a fade) and repaints its view. This is what the page's
// timer runs; the goal is under 100 ms of wall time. The CPU column is the work of every
// thread (the preview is spread over the page's worker pool). Run with
// QT_QPA_PLATFORM=offscreen.
#include <benchmark/benchmark.h>

#include <QAbstractSlider>
#include <QApplication>
#include <QSlider>

#include "gui/icon_wnd.h"
#include "wizard/sheet.h"
#include "bench_images.h"
#include "pages/effect_dialogs.h"
#include "pages/page3.h"

namespace varlen {
namespace {

void BM_Page3RefreshAfterStep(benchmark::State& state) {
    const int side = static_cast<int>(state.range(0));
    CVarlen sheet;
    sheet.m_pIcon = bench::PhotoLike(side, side, 11);
    sheet.m_nBrightness = 10;
    sheet.m_nContrast = 20;
    sheet.m_nLight = 40;
    sheet.m_ptLight = Point{64, 64};
    sheet.m_nShadow = 50;
    sheet.m_ptShadow = Point{20, 20};
    sheet.m_nSharp = 2;
    sheet.m_nRound = 30;
    sheet.m_nFade = 20;
    sheet.setStartId(2);
    sheet.show();
    CVarlenPage3& page = *sheet.m_pPage3;
    QSlider& slider = *page.m_dlgBrightness->Slider(IDC_BRIGHTNESS);
    bool up = true;
    for (auto _ : state) {
        // One arrow-key step, then what the timer does when it fires.
        slider.triggerAction(up ? QAbstractSlider::SliderSingleStepAdd
                                : QAbstractSlider::SliderSingleStepSub);
        up = !up;
        page.UpdatePreview();
        page.m_wndIcon->repaint();
    }
    state.counters["builds"] = page.PreviewBuilds();
}
BENCHMARK(BM_Page3RefreshAfterStep)
    ->Arg(1024)
    ->ArgName("side")
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

}  // namespace
}  // namespace varlen
