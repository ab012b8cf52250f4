// The wizard's peak memory on one whole run: a square picture (16384 x 16384 unless the
// first argument gives another side) rotated on page 1, Next, one closed-region click on
// page 2 through the view, Next to page 3, Next, Next and Finish with the default formats.
// Prints each step's wall time and the process's peak resident size after it (VmHWM); run
// it under /usr/bin/time -v for the figure of the whole process. Runs without a display
// (QT_QPA_PLATFORM=offscreen unless set); the settings store and the icon go to temporary
// folders.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <optional>

#include "bench_images.h"
#include "gui/icon_wnd.h"
#include "gui/message_box.h"
#include "pages/page1.h"
#include "pages/page2.h"
#include "pages/page5.h"
#include "wizard/sheet.h"

namespace varlen {
namespace {

// The process's peak resident size so far, in MiB (0 where /proc is missing).
double PeakMiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return 0;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:")) {
            return line.mid(6).trimmed().split(' ').front().toDouble() / 1024.0;
        }
    }
    return 0;
}

// The middle of the view, as a user would click it.
std::optional<QPoint> CentreOf(const CIconWnd& view) {
    const QPoint centre(view.width() / 2, view.height() / 2);
    if (centre.isNull()) {
        return std::nullopt;
    }
    return centre;
}

int Run(int side) {
    QTemporaryDir config;
    QTemporaryDir out;
    if (!config.isValid() || !out.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
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
    sheet.m_strIconFile = QStringLiteral("memory.ico");
    sheet.m_nTransparentMode = 1;
    sheet.m_nTransparentRange = 30;
    sheet.m_nTransparentSurrounding = 20;
    sheet.show();
    QElapsedTimer clock;
    clock.start();
    const auto step = [&](const char* what) {
        std::printf("%-28s %8.0f ms  peak %7.0f MiB\n", what, static_cast<double>(clock.restart()),
                    PeakMiB());
        std::fflush(stdout);
    };
    sheet.m_pIcon = bench::PhotoLike(side, side, 7);
    sheet.m_rcSource = Rect{0, 0, side, side};
    sheet.m_nRotation = 30000;
    sheet.m_pPage1->UpdateControls();
    step("picture");
    sheet.next();
    step("page 1 Next (place)");
    const std::optional<QPoint> at = CentreOf(*sheet.m_pPage2->m_wndIcon);
    if (sheet.currentPage() != sheet.m_pPage2 || !at) {
        std::fprintf(stderr, "page 2 not reached\n");
        return 1;
    }
    QTest::mouseClick(sheet.m_pPage2->m_wndIcon, Qt::LeftButton, Qt::NoModifier, *at);
    step("page 2 click");
    sheet.next();
    step("page 2 Next");
    sheet.next();
    step("page 3 Next");
    sheet.next();
    step("page 4 Next");
    sheet.m_pPage5->OnWizardFinish();
    step("page 5 Finish");
    const QFileInfo icon(out.filePath(QStringLiteral("memory.ico")));
    std::printf("icon: %lld bytes\n", static_cast<long long>(icon.size()));
    return icon.size() > 0 ? 0 : 1;
}

}  // namespace
}  // namespace varlen

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const int side = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 16384;
    if (side < 1 || side > varlen::CIcon::kMaxSide) {
        std::fprintf(stderr, "usage: varlen_wizard_memory [SIDE]\n");
        return 2;
    }
    return varlen::Run(side);
}
