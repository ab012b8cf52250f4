// How long the user-interface thread stops answering while the wizard works on a large
// picture: the longest gap between two ticks of a 10 ms timer on that thread while one
// action runs (Next on page 1 with the picture rotated, one slider step on page 3 with the
// refresh it starts, Finish on page 5 with the 15 formats of a first start, Preview, Copy
// and Export of page 4's first 32-bit size, Next on page 4 with the view preview of page 5
// it makes; BM_PreviewZoomStall: the preview window's
// largest zoom step). The goal is under 100 ms. The action's own wall time is the
// benchmark's time. Each action runs once per benchmark (a 16384 x 16384 picture is 1 GiB).
// Run with QT_QPA_PLATFORM=offscreen; the settings store is redirected to a temporary folder.
#include <benchmark/benchmark.h>

#include <QAbstractSlider>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QScrollArea>
#include <QSettings>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <optional>

#include "bench_images.h"
#include "gui/message_box.h"
#include "pages/effect_dialogs.h"
#include "pages/export_dialog.h"
#include "pages/icon_preview_wnd.h"
#include "pages/page1.h"
#include "pages/page3.h"
#include "pages/page4.h"
#include "pages/page5.h"
#include "wizard/sheet.h"

namespace varlen {
namespace {

enum Action {
    kNext = 0,
    kSliderStep = 1,
    kFinish = 2,
    kPreview = 3,
    kCopy = 4,
    kExport = 5,
    kNextToPage5 = 6
};

// Runs action from the event loop with a 10 ms timer ticking; returns the longest gap
// between ticks (the start and the end count as ticks), in milliseconds.
double LongestGapMs(const std::function<void()>& action) {
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longest = 0;
    const auto tick = [&] {
        const qint64 now = clock.elapsed();
        longest = std::max(longest, now - last);
        last = now;
    };
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, tick);
    QEventLoop loop;
    QTimer::singleShot(0, &loop, [&] {
        action();
        tick();
        loop.quit();
    });
    clock.start();
    timer.start(10);
    loop.exec();
    return static_cast<double>(longest);
}

void BM_GuiStall(benchmark::State& state) {
    const int side = static_cast<int>(state.range(0));
    const auto action = static_cast<Action>(state.range(1));
    QTemporaryDir config;
    QTemporaryDir out;
    if (!config.isValid() || !out.isValid()) {
        state.SkipWithError("no temporary folder");
        return;
    }
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config.path());
    const ScopedMessageHook answer([](const MessageRequest& r) {
        return r.buttons == MessageButtons::kYesNo ? MessageAnswer::kYes : MessageAnswer::kOk;
    });

    CVarlen sheet;
    sheet.m_bFinishOpenFolder = false;
    sheet.m_bFinishClose = false;
    sheet.m_strSavePath = out.path();
    sheet.m_strIconFile = QStringLiteral("stall.ico");
    sheet.m_nBrightness = 10;
    sheet.m_nSharp = 2;
    sheet.show();
    // The picture as page 1 holds it, rotated by 30 degrees in its own square.
    sheet.m_pIcon = bench::PhotoLike(side, side, 7);
    sheet.m_rcSource = Rect{0, 0, side, side};
    sheet.m_nRotation = 30000;
    sheet.m_pPage1->UpdateControls();
    if (action != kNext) {
        sheet.next();  // page 2
        sheet.next();  // page 3
        if (action != kSliderStep) {
            sheet.next();  // page 4
            QTreeWidget& tree = *sheet.m_pPage4->Tree();
            tree.setCurrentItem(tree.topLevelItem(3)->child(0));
        }
        if (action == kFinish) {
            sheet.next();  // page 5
        }
    }
    CVarlenPage4& page4 = *sheet.m_pPage4;
    double gap = 0;
    for (auto _ : state) {
        switch (action) {
            case kNext:
            case kNextToPage5:
                gap = LongestGapMs([&] { sheet.next(); });
                break;
            case kSliderStep: {
                QSlider& slider = *sheet.m_pPage3->m_dlgBrightness->Slider(IDC_BRIGHTNESS);
                gap = LongestGapMs([&] {
                    slider.triggerAction(QAbstractSlider::SliderSingleStepAdd);
                    // What the page's timer does once the step has settled.
                    sheet.m_pPage3->UpdatePreview();
                });
                break;
            }
            case kFinish:
                gap = LongestGapMs([&] { sheet.m_pPage5->OnWizardFinish(); });
                break;
            case kPreview: {
                CIconPreviewWnd* window = nullptr;
                gap = LongestGapMs([&] { window = page4.Preview(); });
                if (window != nullptr) {
                    window->close();
                }
                break;
            }
            case kCopy:
                gap = LongestGapMs([&] { page4.Copy(); });
                break;
            case kExport: {
                const std::optional<FormatRequest> format = page4.TargetFormat();
                const QString path = out.filePath(QStringLiteral("stall.png"));
                gap = LongestGapMs(
                    [&] { FinishExport(&page4, sheet, *format, true, kExportPng, path, 0, 0); });
                break;
            }
        }
    }
    state.counters["max_gap_ms"] = gap;
}
BENCHMARK(BM_GuiStall)
    ->ArgsProduct({{4096, 16384},
                   {kNext, kSliderStep, kFinish, kPreview, kCopy, kExport, kNextToPage5}})
    ->ArgNames({"side", "action"})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The preview window's last zoom step of the largest format (512 x 512 to 5 times, 2560 x
// 2560 drawn pixels) and its repaint: this drawing stays on the user-interface thread.
void BM_PreviewZoomStall(benchmark::State& state) {
    QWidget owner;
    auto* window = new CIconPreviewWnd(bench::PhotoLike(512, 512, 3), &owner);
    window->show();
    double gap = 0;
    for (auto _ : state) {
        state.PauseTiming();
        while (window->GetZoom() > CIconPreviewWnd::kMaxZoom - 1) {
            window->Zoom(false);
        }
        while (window->GetZoom() < CIconPreviewWnd::kMaxZoom - 1) {
            window->Zoom(true);
        }
        window->repaint();
        state.ResumeTiming();
        gap = std::max(gap, LongestGapMs([&] {
                           window->Zoom(true);
                           window->ScrollArea()->widget()->repaint();
                       }));
    }
    state.counters["max_gap_ms"] = gap;
    window->close();
}
BENCHMARK(BM_PreviewZoomStall)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace varlen
