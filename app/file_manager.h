// Showing a file in the desktop's file manager, the new file selected in its folder.
#pragma once

#include <QString>

namespace varlen {

// Asks the desktop's file manager to show filePath selected in its folder (the freedesktop
// FileManager1 service where there is one); where that is not possible, opens the folder
// with the desktop's default handler. Returns at once; failures are silent, as the file
// itself has been written by then.
void RevealInFileManager(const QString& filePath);

}  // namespace varlen
