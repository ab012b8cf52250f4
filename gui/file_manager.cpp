// Revealing a file. Contract: one call, no message; the result tells whether anything
// could show the file. Traps:
// - FileManager1.ShowItems takes URIs, not paths, and a startup id (empty is fine).
// - Without a session bus, or when no file manager owns or can be started for the name,
//   the call fails; it is made with a short timeout so a bus that does not answer cannot
//   freeze the window, and then the folder itself is opened instead.
// - On Windows Explorer's own "/select," switch does the same job.
#include "gui/file_manager.h"

#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#ifdef Q_OS_WIN
#include <QDir>
#include <QProcess>
#endif

#ifdef VARLEN_HAVE_DBUS
#include <QDBusConnection>
#include <QDBusMessage>
#endif

namespace varlen {

namespace {

#ifdef VARLEN_HAVE_DBUS
bool ShowItemsOverDBus(const QString& filePath) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return false;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(filePath).toString()} << QString();
    constexpr int kTimeoutMs = 3000;
    const QDBusMessage reply = bus.call(call, QDBus::Block, kTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}
#endif

}  // namespace

bool RevealInFileManager(const QString& filePath) {
    const QString absolute = QFileInfo(filePath).absoluteFilePath();
#ifdef Q_OS_WIN
    if (QProcess::startDetached(QStringLiteral("explorer"),
                                {QStringLiteral("/select,"), QDir::toNativeSeparators(absolute)})) {
        return true;
    }
#endif
#ifdef VARLEN_HAVE_DBUS
    if (ShowItemsOverDBus(absolute)) {
        return true;
    }
#endif
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(absolute).absolutePath()));
}

std::filesystem::path FileSystemPath(const QString& path) {
#ifdef Q_OS_WIN
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

}  // namespace varlen
