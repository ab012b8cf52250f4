// What the output page computes without widgets: the icon file's path from the name the
// user typed, the save dialog, and whether a file may be written.
#pragma once

#include <QString>
#include <filesystem>
#include <memory>

class QFileDialog;
class QWidget;

namespace varlen {

// The folders a bare file name goes into when no output folder has been remembered, in
// the order they are tried. Empty means "not available".
struct SaveFolders {
    QString pictures;
    QString documents;
};

// The user's pictures and documents folders, each only when it exists.
SaveFolders UserSaveFolders();

// The extension rule of the shell: a "." in the last path component counts only when no
// space follows it, so "a.png" has one and "v1.0 final" has none.
bool HasExtension(const QString& path);

// The icon file's path for the text of the name field: "*.ico" for an empty text, ".ico"
// appended when there is no extension, and a bare file name put into savePath, else the
// pictures folder, else the documents folder, else left bare.
QString ResolveIconPath(const QString& text, const QString& savePath, const SaveFolders& folders);

// The name filter of the save dialog.
QString IconSaveFilter();
// The save dialog of the browse button: default suffix "ico", initial file path, the icon
// filter, no overwrite question (Finish asks it).
std::unique_ptr<QFileDialog> BuildIconSaveDialog(QWidget* parent, const QString& path);

// Whether the icon file writer can write path: its folder takes a new file and an existing
// file there may be replaced. Nothing at path is created, opened or changed.
bool CanWriteFile(const QString& path);

}  // namespace varlen
