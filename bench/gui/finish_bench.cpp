// Finish in the wizard against `varlen --create` for the same picture and choices, side by
// side in one run: a 4000 x 3000 photo-like JPEG opened on page 1, taken through the pages
// with their defaults, and written with the 15 formats of a first start. The command line
// gets the square page 1 placed (--square) and does the whole job (decoding and placing
// too); Finish only builds and writes, so it should take no longer (the goal is at most
// 1.1 x). Counters: finish_ms and cli_ms (each the best of the iterations), their ratio,
// and same_bytes (1 when both files are identical). Run with QT_QPA_PLATFORM=offscreen; the
// settings store is redirected to a temporary folder.
#include <benchmark/benchmark.h>

#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <algorithm>

#include "bench_images.h"
#include "gui/message_box.h"
#include "pages/page1.h"
#include "pages/page5.h"
#include "wizard/sheet.h"

namespace varlen {
namespace {

QImage ToQImage(const CIcon& icon) {
    QImage image(icon.Width(), icon.Height(), QImage::Format_ARGB32);
    for (int y = 0; y < icon.Height(); ++y) {
        const Pixel* row = icon.Row(y);
        std::copy(row, row + icon.Width(), reinterpret_cast<Pixel*>(image.scanLine(y)));
    }
    return image.convertToFormat(QImage::Format_RGB32);
}

void BM_FinishAgainstCommandLine(benchmark::State& state) {
    QTemporaryDir config;
    QTemporaryDir dir;
    if (!config.isValid() || !dir.isValid()) {
        state.SkipWithError("no temporary folder");
        return;
    }
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config.path());
    const QString picture = dir.filePath(QStringLiteral("photo.jpg"));
    if (!ToQImage(*bench::PhotoLike(4000, 3000, 5)).save(picture, "JPEG", 90)) {
        state.SkipWithError("cannot write the JPEG picture");
        return;
    }
    const ScopedMessageHook answer([](const MessageRequest& r) {
        return r.buttons == MessageButtons::kYesNo ? MessageAnswer::kYes : MessageAnswer::kOk;
    });

    double bestFinish = 1e300;
    double bestCli = 1e300;
    bool same = true;
    for (auto _ : state) {
        CVarlen sheet;
        sheet.m_bFinishOpenFolder = false;
        sheet.m_bFinishClose = false;
        sheet.m_pPage1->SetFileChooser([&](QWidget*, const QString&) { return picture; });
        sheet.show();
        sheet.m_pPage1->m_btnOpen->click();
        for (int i = 0; i < 4; ++i) {
            sheet.next();
        }
        const QString wizardIcon = dir.filePath(QStringLiteral("wizard.ico"));
        sheet.m_pPage5->m_editFile->setText(wizardIcon);
        QElapsedTimer clock;
        clock.start();
        sheet.m_pPage5->OnWizardFinish();
        bestFinish = std::min(bestFinish, static_cast<double>(clock.nsecsElapsed()) / 1e6);

        const Rect& sq = sheet.m_rcSource;
        const QString cliIcon = dir.filePath(QStringLiteral("cli.ico"));
        QProcess cli;
        clock.restart();
        cli.start(QStringLiteral(VARLEN_EXE),
                  {QStringLiteral("--create"), cliIcon, QStringLiteral("--square"),
                   QStringLiteral("%1,%2,%3").arg(sq.left).arg(sq.top).arg(sq.Width()), picture});
        if (!cli.waitForFinished(-1) || cli.exitCode() != 0) {
            state.SkipWithError("the command line failed");
            return;
        }
        bestCli = std::min(bestCli, static_cast<double>(clock.nsecsElapsed()) / 1e6);
        QFile a(wizardIcon);
        QFile b(cliIcon);
        same = same && a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly) &&
               a.readAll() == b.readAll();
    }
    state.counters["finish_ms"] = bestFinish;
    state.counters["cli_ms"] = bestCli;
    state.counters["finish_per_cli"] = bestFinish / bestCli;
    state.counters["same_bytes"] = same ? 1 : 0;
}
BENCHMARK(BM_FinishAgainstCommandLine)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace varlen
