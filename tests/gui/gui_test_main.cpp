// Entry point of the widget tests: the wizard program's QApplication without a display, a
// Japanese desktop (the program's source texts) unless VARLEN_EXPECT_LANGUAGE says the run
// brings its own locale, and a settings store in a fresh temporary folder so that no test
// reads or writes the user's real settings.
#include <gtest/gtest.h>
#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

#include "wizard/varlen_app.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // LANGUAGE, not LANG: the programs the tests run (icotool, Python) keep their own locale
    // and print nothing about a Japanese locale that the machine may not have.
    if (qEnvironmentVariableIsEmpty("VARLEN_EXPECT_LANGUAGE")) {
        qputenv("LANGUAGE", "ja");
    }
    QTemporaryDir config;
    if (!config.isValid()) {
        return 1;
    }
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config.path());

    varlen::CVarlenApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
