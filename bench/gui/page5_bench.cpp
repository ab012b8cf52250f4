// Finish on the output page: the 15 formats of a first start built from a 1024 x 1024
// working picture and written as an icon file, progress bar and all, as the user waits for
// it (the target is under 2 seconds). For comparison, the same formats built in one batch
// (all formats at once, shared work), as the command-line front end does it.
// Run with QT_QPA_PLATFORM=offscreen. The settings store is redirected to a temporary
// folder, so the user's own settings are not touched.
#include <benchmark/benchmark.h>

#include <QSettings>
#include <QTemporaryDir>
#include <QThread>

#include "gui/message_box.h"
#include "wizard/sheet.h"
#include "bench_images.h"
#include "core/pipeline.h"
#include "core/workers.h"
#include "io/icons.h"
#include "pages/page5.h"

namespace varlen {
namespace {

constexpr int kSide = 1024;

std::unique_ptr<CIcon> Working() {
    return bench::PhotoLike(kSide, kSide, 11);
}

// Typical filter choices, so that the effect stages have work too.
void ChooseEffects(VarlenSettings& s) {
    s.m_nBrightness = 10;
    s.m_nContrast = 15;
    s.m_nSharp = 2;
    s.m_nRound = 30;
    s.m_nFade = 20;
}

void BM_Page5Finish15Formats(benchmark::State& state) {
    QTemporaryDir config;
    QTemporaryDir out;
    if (!config.isValid() || !out.isValid()) {
        state.SkipWithError("no temporary folder");
        return;
    }
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config.path());

    CVarlen sheet;
    sheet.m_pIcon = Working();
    ChooseEffects(sheet);
    sheet.m_aFormat.assign(kDefaultFormats.begin(), kDefaultFormats.end());
    sheet.m_bPng = state.range(0) != 0;
    sheet.m_bFinishOpenFolder = false;
    sheet.m_bFinishClose = false;
    sheet.m_strSavePath = out.path();
    sheet.m_strIconFile = QStringLiteral("bench.ico");
    for (int id : {0, 1, 2, 3}) {
        sheet.removePage(id);
    }
    sheet.show();
    CVarlenPage5* page = sheet.m_pPage5;
    const ScopedMessageHook answer([](const MessageRequest& r) {
        return r.buttons == MessageButtons::kYesNo ? MessageAnswer::kYes : MessageAnswer::kOk;
    });
    for (auto _ : state) {
        page->OnWizardFinish();
    }
    state.counters["threads"] = QThread::idealThreadCount();
}
BENCHMARK(BM_Page5Finish15Formats)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("png")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);

void BM_Batch15Formats(benchmark::State& state) {
    const auto working = Working();
    VarlenSettings settings;
    ChooseEffects(settings);
    const EffectSettings effects = ToEffectSettings(settings);
    std::vector<FormatRequest> requests;
    for (const FORMAT& f : kDefaultFormats) {
        requests.push_back({f.wWidth, f.wHeight, f.wBitCount});
    }
    Workers workers(QThread::idealThreadCount());
    for (auto _ : state) {
        auto images = BuildFormatIcons(*working, requests, true, effects, workers);
        benchmark::DoNotOptimize(images.data());
    }
}
BENCHMARK(BM_Batch15Formats)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

}  // namespace
}  // namespace varlen
