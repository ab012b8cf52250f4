// Reasons of failed saves. Contract: reads the file system only (never creates or opens
// anything). Trap: errno is only a hint: the failing call may have been a later one (the
// rename over the target), so what can be seen on disk is told first.
#include "pages/failure_detail.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

namespace varlen {

QString WriteFailureReason(const QString& path, int error) {
    const QFileInfo file(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
    const QFileInfo folder(file.absolutePath());
    if (!folder.exists()) {
        return QCoreApplication::translate("varlen::WriteFailure",
                                           "保存先のフォルダがありません。");
    }
    if (!folder.isDir()) {
        return QCoreApplication::translate("varlen::WriteFailure",
                                           "保存先がフォルダではありません。");
    }
    if (file.isDir()) {
        return QCoreApplication::translate("varlen::WriteFailure",
                                           "同じ名前のフォルダがあります。");
    }
    switch (error) {
        case ENOSPC:
#ifdef EDQUOT
        case EDQUOT:
#endif
            return QCoreApplication::translate("varlen::WriteFailure",
                                               "ディスクの空き容量が足りません。");
        case EFBIG:
            return QCoreApplication::translate("varlen::WriteFailure", "ファイルが大きすぎます。");
        case EROFS:
            return QCoreApplication::translate("varlen::WriteFailure",
                                               "保存先は読み取り専用です。");
        case EACCES:
        case EPERM:
            return QCoreApplication::translate("varlen::WriteFailure",
                                               "書き込みの権限がありません。");
        case ENAMETOOLONG:
            return QCoreApplication::translate("varlen::WriteFailure", "ファイル名が長すぎます。");
        default:
            break;
    }
    if (!folder.isWritable() || (file.exists() && !file.isWritable())) {
        return QCoreApplication::translate("varlen::WriteFailure", "書き込みの権限がありません。");
    }
    if (error != 0) {
        return QString::fromLocal8Bit(std::strerror(error));
    }
    return QCoreApplication::translate("varlen::WriteFailure", "書き込めませんでした。");
}

QString WriteFailureDetail(const QString& path, int error) {
    return QCoreApplication::translate("varlen::WriteFailure", "ファイル: %1\n理由: %2")
        .arg(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()),
             WriteFailureReason(path, error));
}

}  // namespace varlen
