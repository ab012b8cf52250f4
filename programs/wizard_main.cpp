// varlen-wizard: the wizard program. The varlen program becomes this one (exec, same
// arguments) whenever it is not asked for batch work.
#include "wizard/varlen_app.h"

int main(int argc, char** argv) {
    varlen::CVarlenApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Orvik"));
    QApplication::setApplicationName(QStringLiteral("Varlen"));
    // Lets Wayland compositors match the window to the installed launcher.
    QGuiApplication::setDesktopFileName(QStringLiteral("example.orvik.Varlen"));
    varlen::CVarlenApp varlenApp;
    return varlenApp.Run(QApplication::arguments().mid(1));
}
