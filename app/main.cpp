// varlen: the program. With a batch switch (--create, --export, --help, --version) it runs
// the command-line front end and creates no QApplication, so it needs no display;
// otherwise it opens the wizard.
#include <QApplication>
#include <iostream>
#include <string>
#include <vector>

#include "app/varlen_app.h"
#include "cli/batch.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (varlen::IsBatchInvocation(args)) {
        return varlen::BatchMain(args, std::cout, std::cerr);
    }
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Orvik"));
    QApplication::setApplicationName(QStringLiteral("Varlen"));
    // Lets Wayland compositors match the window to the installed launcher.
    QGuiApplication::setDesktopFileName(QStringLiteral("example.orvik.Varlen"));
    varlen::CVarlenApp varlenApp;
    return varlenApp.Run(QApplication::arguments().mid(1));
}
