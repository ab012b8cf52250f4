// The desktop's files: a path as the file system takes it, and showing a file in the
// desktop's file manager, the new file selected in its folder.
#pragma once

#include <QString>
#include <filesystem>

namespace varlen {

// Asks the desktop's file manager to show filePath selected in its folder (the freedesktop
// FileManager1 service where there is one); where that is not possible, opens the folder
// with the desktop's default handler. Returns at once: false when neither could be done
// (no file manager, no handler for folders), for the caller to tell the user.
bool RevealInFileManager(const QString& filePath);

// A path typed or chosen in the program, as the file system takes it (the locale's
// file-name encoding).
std::filesystem::path FileSystemPath(const QString& path);

}  // namespace varlen
