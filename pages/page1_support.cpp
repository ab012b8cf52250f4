// Helpers of the source page. Contract: plain functions of their arguments, no widget
// state. Traps:
// - The extension rule follows the shell's: a "." counts only in the last path component
//   and only when no space follows it, so "my.photo album" has no extension.
// - QFileDialog takes the patterns from the last parenthesised group and splits them at
//   spaces, so the displayed "(*.bmp; *.png; ...)" cannot serve as patterns; each filter
//   carries its real patterns in a second group that the dialog hides.
// - Side arithmetic is done in 64 bits: the view keeps coordinates within +-2^28, but the
//   typed side may be any int.
#include "pages/page1_support.h"

#include "core/placement.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMimeData>
#include <algorithm>
#include <limits>
#include <string_view>

#include "gui/clipboard_adapter.h"
#include "io/clipboard_formats.h"

namespace varlen {

namespace {

struct OpenFilter {
    const char* text;
    const char* patterns;
};

constexpr OpenFilter kOpenFilters[] = {
    {QT_TRANSLATE_NOOP(
         "varlen",
         "画像ファイル (*.bmp; *.png; *.gif; *.jpg; *.jpe; *.jpeg; *.webp; *.tif; *.tiff; *.svg; "
         "*.ico; *.cur)"),
     "*.bmp *.png *.gif *.jpg *.jpe *.jpeg *.webp *.tif *.tiff *.svg *.ico *.cur"},
    {QT_TRANSLATE_NOOP("varlen", "Windows ビットマップ (*.bmp)"), "*.bmp"},
    {QT_TRANSLATE_NOOP("varlen", "PNG イメージ (*.png)"), "*.png"},
    {QT_TRANSLATE_NOOP("varlen", "GIF イメージ (*.gif)"), "*.gif"},
    {QT_TRANSLATE_NOOP("varlen", "JPEG イメージ (*.jpg; *.jpe; *.jpeg)"), "*.jpg *.jpe *.jpeg"},
    {QT_TRANSLATE_NOOP("varlen", "すべてのファイル (*.*)"), "*"},
};

bool IsSeparator(QChar c) {
#ifdef Q_OS_WIN
    return c == QLatin1Char('/') || c == QLatin1Char('\\');
#else
    return c == QLatin1Char('/');
#endif
}

int ClampToInt(long long v) {
    return static_cast<int>(
        std::clamp<long long>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

}  // namespace

QString IconFileFor(const QString& picturePath) {
    qsizetype dot = -1;
    for (qsizetype i = 0; i < picturePath.size(); ++i) {
        const QChar c = picturePath[i];
        if (c == QLatin1Char('.')) {
            dot = i;
        } else if (c == QLatin1Char(' ') || IsSeparator(c)) {
            dot = -1;
        }
    }
    const QString stem = dot < 0 ? picturePath : picturePath.left(dot);
    return stem + QStringLiteral(".ico");
}

QString FolderOf(const QString& filePath) {
    return QFileInfo(filePath).absolutePath();
}

QStringList OpenFilterTexts() {
    QStringList texts;
    for (const OpenFilter& f : kOpenFilters) {
        texts.append(QCoreApplication::translate("varlen", f.text));
    }
    return texts;
}

QStringList OpenNameFilters() {
    QStringList filters;
    for (const OpenFilter& f : kOpenFilters) {
        filters.append(QStringLiteral("%1 (%2)").arg(QCoreApplication::translate("varlen", f.text),
                                                     QString::fromLatin1(f.patterns)));
    }
    return filters;
}

std::unique_ptr<QFileDialog> BuildOpenDialog(QWidget* parent, const QString& folder) {
    auto dialog = std::make_unique<QFileDialog>(parent);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setOption(QFileDialog::HideNameFilterDetails);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setNameFilters(OpenNameFilters());
    if (!folder.isEmpty()) {
        dialog->setDirectory(folder);
    }
    return dialog;
}

QString OpenFailedText() {
    return QCoreApplication::translate(
        "varlen::CVarlenPage1", "ファイルが開けません。\n画像ではないか、対応していない形式です。");
}

bool OffersFiles(const QMimeData& data) {
    return !FilePathsOf(data).isEmpty();
}

bool OffersPicture(const QMimeData& data) {
    if (OffersFiles(data) || data.hasImage()) {
        return true;
    }
    constexpr std::string_view kPictureFormats[] = {kCfDib, kCfPng, kCfPbPixel32};
    return std::any_of(std::begin(kPictureFormats), std::end(kPictureFormats),
                       [&data](std::string_view name) { return data.hasFormat(MimeTypeOf(name)); });
}

Rect SquareAround(const Rect& current, int n) {
    const long long side = n == 0 ? 1 : n;
    const long long cx = current.left + (static_cast<long long>(current.right) - current.left) / 2;
    const long long cy = current.top + (static_cast<long long>(current.bottom) - current.top) / 2;
    const long long a = side / 2;
    const long long e = side % 2 != 0 ? 1 : 0;
    return Rect{ClampToInt(cx - a), ClampToInt(cy - a), ClampToInt(cx + a + e),
                ClampToInt(cy + a + e)};
}

Rect Inflated(const Rect& rect, int d) {
    return Rect{ClampToInt(static_cast<long long>(rect.left) - d),
                ClampToInt(static_cast<long long>(rect.top) - d),
                ClampToInt(static_cast<long long>(rect.right) + d),
                ClampToInt(static_cast<long long>(rect.bottom) + d)};
}

int PlacementLimit(const CIcon& picture) {
    return MaxPlacedSide(picture.Width(), picture.Height());
}

}  // namespace varlen
