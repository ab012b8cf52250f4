// Helpers of the output page. Contract: plain functions of their arguments, no widget
// state. Traps:
// - A name is bare when it has no folder part at all; "./a.ico" and "sub/a.ico" are not
//   bare and stay relative to the working folder, as typed.
// - The extension rule is the shell's (see HasExtension), the same one page 1 uses when
//   it proposes the name, so a proposed "my.photo album.ico" round-trips unchanged.
// - The old way of checking that the file can be written was to create it, which truncated
//   an existing icon before anything was rendered. CanWriteFile only opens (and at once
//   discards) the writer's temporary file beside the target; the target is replaced by
//   CIcons::Save when the whole new file has been written.
#include "pages/page5_support.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>

#include "gui/file_manager.h"
#include "io/atomic_file.h"

namespace varlen {

namespace {

bool IsSeparator(QChar c) {
#ifdef Q_OS_WIN
    return c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char(':');
#else
    return c == QLatin1Char('/');
#endif
}

QString ExistingFolder(QStandardPaths::StandardLocation location) {
    const QString folder = QStandardPaths::writableLocation(location);
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        return {};
    }
    return folder;
}

}  // namespace

SaveFolders UserSaveFolders() {
    return SaveFolders{ExistingFolder(QStandardPaths::PicturesLocation),
                       ExistingFolder(QStandardPaths::DocumentsLocation)};
}

bool HasExtension(const QString& path) {
    bool dot = false;
    for (const QChar c : path) {
        if (c == QLatin1Char('.')) {
            dot = true;
        } else if (c == QLatin1Char(' ') || IsSeparator(c)) {
            dot = false;
        }
    }
    return dot;
}

QString ResolveIconPath(const QString& text, const QString& savePath, const SaveFolders& folders) {
    QString path = text.isEmpty() ? QStringLiteral("*.ico") : text;
    if (!HasExtension(path)) {
        path += QStringLiteral(".ico");
    }
    const bool bare = std::none_of(path.begin(), path.end(), IsSeparator);
    if (!bare) {
        return path;
    }
    for (const QString& folder : {savePath, folders.pictures, folders.documents}) {
        if (!folder.isEmpty()) {
            const bool endsInSeparator = IsSeparator(folder.back());
            return endsInSeparator ? folder + path : folder + QLatin1Char('/') + path;
        }
    }
    return path;
}

QString IconSaveFilter() {
    return QCoreApplication::translate("varlen", "アイコンファイル (*.ico)");
}

std::unique_ptr<QFileDialog> BuildIconSaveDialog(QWidget* parent, const QString& path) {
    auto dialog = std::make_unique<QFileDialog>(parent);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setOption(QFileDialog::DontConfirmOverwrite);
    dialog->setDefaultSuffix(QStringLiteral("ico"));
    dialog->setNameFilter(IconSaveFilter());
    dialog->setSizeGripEnabled(true);
    const QFileInfo info(path);
    const QString folder = info.path();
    if (!folder.isEmpty() && QFileInfo(folder).isDir()) {
        dialog->setDirectory(folder);
    }
    dialog->selectFile(info.fileName());
    return dialog;
}

bool CanWriteFile(const QString& path) {
    // The probe is removed again when it goes out of scope.
    return AtomicFile::Create(FileSystemPath(path)) != nullptr;
}

}  // namespace varlen
