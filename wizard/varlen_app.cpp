// Start-up. Contract: with the "del" switch the program asks one question, removes the
// whole "Orvik/Varlen" store on Yes, and ends without a window either way; otherwise it
// builds the wizard (which reads the settings), hands it the picture path, runs it
// modally, and destroys it (which stores the format list). Traps:
// - Only a switch is "del": the bare word del is a picture path.
// - "/" introduces a switch on Windows, but on Linux it begins every absolute path; there
//   only "/del" itself counts as a switch, so "varlen /home/me/a.png" opens the picture.
// - An allocation failure is caught where the event was delivered, one level below the
//   event loop that is running (a modal dialog's loop included), so the dialog stays open.
//   Telling the user needs memory too; when even that fails the failure is only swallowed.
#include "wizard/varlen_app.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <new>

#include "gui/message_box.h"
#include "gui/settings.h"
#include "wizard/sheet.h"

namespace varlen {

void CVarlenCommandLineInfo::ParseParam(const QString& param, bool flag, bool /*last*/) {
    if (flag) {
        if (param.compare(QLatin1String("del"), Qt::CaseInsensitive) == 0) {
            m_bDelete = true;
        }
        return;
    }
    if (m_strFileName.isEmpty()) {
        m_strFileName = param;
    }
}

CVarlenCommandLineInfo ParseCommandLine(const QStringList& args) {
    CVarlenCommandLineInfo info;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        const bool last = i + 1 == args.size();
        bool flag = arg.startsWith(QLatin1Char('-'));
        if (arg.startsWith(QLatin1Char('/'))) {
#ifdef Q_OS_WIN
            flag = true;
#else
            flag = arg.compare(QLatin1String("/del"), Qt::CaseInsensitive) == 0;
#endif
        }
        info.ParseParam(flag ? arg.mid(1) : arg, flag, last);
    }
    return info;
}

CVarlenApplication::CVarlenApplication(int& argc, char** argv) : QApplication(argc, argv) {}

QString CVarlenApplication::OutOfMemoryText() {
    return tr(
        "メモリが足りないため、操作を完了できませんでした。\n"
        "操作の前の状態のまま続けます。");
}

bool CVarlenApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::bad_alloc&) {
        try {
            ShowError(activeWindow(), OutOfMemoryText());
        } catch (const std::bad_alloc&) {
        }
        return false;
    }
}

bool InstallQtTranslation(QCoreApplication& app, QTranslator& translator) {
    if (!translator.load(QStringLiteral("qtbase_ja"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        return false;
    }
    return app.installTranslator(&translator);
}

bool PrefersJapanese(const QStringList& uiLanguages) {
    return !uiLanguages.isEmpty() && (uiLanguages.front() == QLatin1String("ja") ||
                                      uiLanguages.front().startsWith(QLatin1String("ja-")) ||
                                      uiLanguages.front().startsWith(QLatin1String("ja_")));
}

bool InstallTranslations(QCoreApplication& app, const QStringList& uiLanguages,
                         QTranslator& qtTranslator, QTranslator& programTranslator) {
    if (PrefersJapanese(uiLanguages)) {
        return InstallQtTranslation(app, qtTranslator);
    }
    return programTranslator.load(QStringLiteral(":/i18n/varlen_en.qm")) &&
           app.installTranslator(&programTranslator);
}

bool CVarlenApp::OfferToDeleteSettings() {
    if (!AskYesNo(nullptr, tr("設定情報を削除しますか？"))) {
        return false;
    }
    DeleteSettingsStore();
    return true;
}

int CVarlenApp::Run(const QStringList& args) {
    if (QCoreApplication* app = QCoreApplication::instance()) {
        InstallTranslations(*app, QLocale::system().uiLanguages(), m_translator,
                            m_programTranslator);
    }
    const CVarlenCommandLineInfo info = ParseCommandLine(args);
    if (info.m_bDelete) {
        OfferToDeleteSettings();
        return 0;
    }
    CVarlen sheet;
    sheet.m_strStartupFile = info.m_strFileName;
    sheet.exec();
    return 0;
}

}  // namespace varlen
