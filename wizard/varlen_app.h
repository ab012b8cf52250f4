// CVarlenApp: the start of the desktop program. It reads the command line, loads Qt's
// Japanese texts, and either offers to delete the stored settings (the "del" switch) or
// runs the wizard. There is no other main window: when the wizard ends, the program ends.
#pragma once

#include <QApplication>
#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <QTranslator>

class QCoreApplication;

namespace varlen {

// The command line of the wizard. Arguments beginning with "-" are switches (the prefix
// is removed), and "del" in any letter case asks to delete the settings. Elsewhere than on
// Windows an argument beginning with "/" is a switch only when it is "/del" in any case,
// because absolute paths begin with "/". The first other argument is the picture path;
// further ones and unknown switches have no effect.
struct CVarlenCommandLineInfo {
    bool m_bDelete = false;
    QString m_strFileName;

    // One argument, its prefix already removed when flag is set.
    void ParseParam(const QString& param, bool flag, bool last);
};

// args excludes the program name.
CVarlenCommandLineInfo ParseCommandLine(const QStringList& args);

// Installs Qt's own Japanese texts (qtbase_ja from Qt's translations folder) into app,
// so standard buttons and dialogs speak the program's language. False when the file is
// missing; the program then runs with Qt's English texts.
bool InstallQtTranslation(QCoreApplication& app, QTranslator& translator);

// The interface language follows the user's first UI language, as Qt reads it from
// LANGUAGE, LC_ALL, LC_MESSAGES and LANG (QLocale::uiLanguages): Japanese when that is
// Japanese, English otherwise.
bool PrefersJapanese(const QStringList& uiLanguages);
// Installs that language into app: for Japanese, Qt's own Japanese texts (the program's
// source texts are Japanese); otherwise the program's English translation (Qt's own
// texts are English already). False when the file it needs is missing.
bool InstallTranslations(QCoreApplication& app, const QStringList& uiLanguages,
                         QTranslator& qtTranslator, QTranslator& programTranslator);

// The wizard program's QApplication. Every event is delivered through notify, so a handler
// that runs out of memory ends there: the user is told, the event counts as not handled,
// and the program goes on with the state that handler left (every action keeps the state
// it found until its work has succeeded).
class CVarlenApplication : public QApplication {
    Q_OBJECT

  public:
    CVarlenApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;

    // The message shown after an action ran out of memory.
    static QString OutOfMemoryText();
};

class CVarlenApp {
    Q_DECLARE_TR_FUNCTIONS(CVarlenApp)

  public:
    // The whole run after the QApplication exists: returns the exit status.
    int Run(const QStringList& args);

    // The "del" switch: asks "設定情報を削除しますか？" and removes the store on Yes.
    // Returns whether it was removed.
    static bool OfferToDeleteSettings();

  private:
    QTranslator m_translator;         // Qt's own texts (Japanese)
    QTranslator m_programTranslator;  // the program's texts (English)
};

}  // namespace varlen
