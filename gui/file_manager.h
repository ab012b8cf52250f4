// The desktop's files: a path as the file system takes it, and showing a file in the
// desktop's file manager, the new file selected in its folder.
#pragma once

#include <QString>
#include <filesystem>

namespace varlen {

// Asks the desktop's file manager to show filePath selected in its folder (the freedesktop
// FileManager1 service where there is one); where that is not possible, opens the folder
// with the desktop's default handler. Returns at once; failures are silent, as the file
// itself has been written by then.
void RevealInFileManager(const QString& filePath);

// A path typed or chosen in the program, as the file system takes it (the locale's
// file-name encoding).
std::filesystem::path FileSystemPath(const QString& path);

}  // namespace varlen
