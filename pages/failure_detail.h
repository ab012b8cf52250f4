// The second line of a failed save's message: which file, and why, in the user's words.
#pragma once

#include <QString>

namespace varlen {

// Why path cannot be written, told from what is on disk first (a missing or read-only
// folder, a folder in the file's place, a read-only file) and else from error, the
// system's error number of the failed call (0 when unknown).
QString WriteFailureReason(const QString& path, int error);

// "ファイル: <absolute path>\n理由: <reason>", for MessageRequest::detail.
QString WriteFailureDetail(const QString& path, int error);

}  // namespace varlen
