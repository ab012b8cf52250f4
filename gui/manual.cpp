// The manual. Trap: the program runs from the build tree as well as installed, so both
// places are tried; the installed one is known only relative to the program (the install
// prefix may be moved).
#include "gui/manual.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include "gui/message_box.h"

namespace varlen {

QStringList ManualCandidates(const QString& programDir) {
    const QDir dir(programDir);
    return {QDir::cleanPath(dir.filePath(QStringLiteral("../doc/varlen.html"))),
            QDir::cleanPath(dir.filePath(QStringLiteral(VARLEN_MANUAL_FROM_WIZARD)))};
}

bool OpenManual(QWidget* parent, const QStringList& candidates) {
    for (const QString& path : candidates) {
        if (QFileInfo(path).isFile()) {
            if (QDesktopServices::openUrl(QUrl::fromLocalFile(path))) {
                return true;
            }
            ShowError(parent, QCoreApplication::translate(
                                  "varlen",
                                  "マニュアルを開けませんでした。\n%1 を開くブラウザが"
                                  "見つかりません。")
                                  .arg(path));
            return false;
        }
    }
    ShowError(parent,
              QCoreApplication::translate("varlen", "マニュアルが見つかりません。\n探した場所:\n%1")
                  .arg(candidates.join(QLatin1Char('\n'))));
    return false;
}

}  // namespace varlen
