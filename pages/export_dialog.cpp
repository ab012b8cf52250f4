// Export of one format. Contract:
// - The filter list depends on the depth: four entries (bmp, png, gif, cur) at 8 bits or
//   less, three (bmp, png, cur) above. Entry numbers equal type numbers except above 8
//   bits, where entry = type - 1 for types above 2 on the way in (GIF thus falls back to
//   PNG) and type = entry + 1 for entries above 2 on the way out.
// - The hotspot fields hold 0 ... width - 1 and 0 ... height - 1 once they lose the focus
//   and when the name is accepted.
// - The extension is added only when the file name has none at all ("a.b" is kept).
// - A successful export saves every setting; a failed one saves nothing; a cancelled one
//   changes nothing at all (the cancel is checked once more just before the write, which
//   goes through the io layer's atomic file, so an old file is either replaced or kept).
// - The overwrite question is asked in accept, about the name with the type's extension
//   added (the file that will be written); QFileDialog's own would name the typed one.
// Traps:
// - QFileDialog builds its own widgets only when it is not native, so the option is set
//   before anything touches its layout; the hotspot row joins that grid layout.
// - Pressing Enter in a hotspot field accepts the dialog without a focus change; the
//   fields are clamped in accept too, so an out-of-range hotspot never reaches the writer
//   (which would refuse it and fail the export).
#include "pages/export_dialog.h"

#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QStandardPaths>
#include <algorithm>
#include <cerrno>

#include "core/progress.h"
#include "core/workers.h"
#include "gui/message_box.h"
#include "gui/varlen_state.h"
#include "io/export.h"
#include "pages/failure_detail.h"
#include "pages/number_edit.h"
#include "pages/page4_support.h"

namespace varlen {

namespace {

const char* const kAskReplace =
    QT_TRANSLATE_NOOP("varlen::CExportFileDialog", "%1 は既に存在します。\n上書きしますか？");

const char* const kExporting =
    QT_TRANSLATE_NOOP("varlen::CExportFileDialog", "エクスポートしています...");

const char* const kFilterTexts[4] = {
    QT_TRANSLATE_NOOP("varlen::CExportFileDialog", "Windows ビットマップ (*.bmp)"),
    QT_TRANSLATE_NOOP("varlen::CExportFileDialog", "PNG イメージ (*.png)"),
    QT_TRANSLATE_NOOP("varlen::CExportFileDialog", "GIF イメージ (*.gif)"),
    QT_TRANSLATE_NOOP("varlen::CExportFileDialog", "マウスカーソル (*.cur)")};

QString FilterText(int type) {
    return CExportFileDialog::tr(kFilterTexts[type - 1]);
}

std::filesystem::path PathOf(const QString& path) {
    return std::filesystem::path(path.toStdU16String());
}

}  // namespace

QString DefaultExtension(int type) {
    const auto known = ExportTypeFromNumber(type);
    if (!known) {
        return {};
    }
    const std::string_view ext = ExportExtension(*known);
    return QString::fromLatin1(ext.data(), static_cast<qsizetype>(ext.size()));
}

QString WithDefaultExtension(const QString& path, int type) {
    if (QFileInfo(path).fileName().contains(u'.')) {
        return path;
    }
    return path + DefaultExtension(type);
}

bool WriteExportFile(const CIcon& image, int type, const QString& path, int hotspotX,
                     int hotspotY) {
    const auto known = ExportTypeFromNumber(type);
    return known && SaveExport(image, *known, PathOf(path), hotspotX, hotspotY);
}

CExportFileDialog::CExportFileDialog(int width, int height, int depth, QWidget* parent)
    : QFileDialog(parent), m_nWidth(width), m_nHeight(height), m_nDepth(depth) {
    setOption(QFileDialog::DontUseNativeDialog, true);
    // The dialog's own question would name the file as typed, without the extension.
    setOption(QFileDialog::DontConfirmOverwrite, true);
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    QStringList filters{FilterText(kExportBmp), FilterText(kExportPng)};
    if (m_nDepth <= 8) {
        filters << FilterText(kExportGif);
    }
    filters << FilterText(kExportCursor);
    setNameFilters(filters);

    m_label = new QLabel(tr("ホットスポット(&H):"), this);
    m_editX = new CNumberEdit(this);
    m_editY = new CNumberEdit(this);
    m_editX->SetRange(0, std::max(0, m_nWidth - 1));
    m_editY->SetRange(0, std::max(0, m_nHeight - 1));
    m_editX->SetValue(m_nHotspotX);
    m_editY->SetValue(m_nHotspotY);
    m_label->setBuddy(m_editX);
    for (CNumberEdit* edit : {m_editX, m_editY}) {
        edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("00000")) * 2);
        connect(edit, &CNumberEdit::focusLost, edit, &CNumberEdit::ClampToRange);
    }
    // One row below the file-type row: the label in the label column, the fields in the
    // column of the file-type box.
    if (auto* grid = qobject_cast<QGridLayout*>(layout())) {
        const int row = grid->rowCount();
        auto* fields = new QHBoxLayout;
        fields->addWidget(m_editX);
        fields->addWidget(m_editY);
        fields->addStretch(1);
        grid->addWidget(m_label, row, 0);
        grid->addLayout(fields, row, 1);
    }
    connect(this, &QFileDialog::filterSelected, this, &CExportFileDialog::UpdateHotspotRow);
    UpdateHotspotRow();
}

void CExportFileDialog::SetFileType(int type) {
    int entry = type;
    if (m_nDepth > 8 && entry > 2) {
        --entry;
    }
    const QStringList filters = nameFilters();
    if (entry >= 1 && entry <= filters.size()) {
        selectNameFilter(filters[entry - 1]);
    }
    UpdateHotspotRow();
}

int CExportFileDialog::FilterIndex() const {
    return static_cast<int>(nameFilters().indexOf(selectedNameFilter())) + 1;
}

int CExportFileDialog::GetFileType() const {
    int type = FilterIndex();
    if (m_nDepth > 8 && type > 2) {
        ++type;
    }
    return type;
}

QString CExportFileDialog::GetPathName() const {
    const QStringList files = selectedFiles();
    return files.isEmpty() ? QString() : files.first();
}

bool CExportFileDialog::HotspotEnabled() const {
    return m_editX->isEnabled();
}

void CExportFileDialog::ProposeFile(const QString& folder, const QString& name) {
    if (!folder.isEmpty()) {
        setDirectory(folder);
    }
    selectFile(name);
}

void CExportFileDialog::UpdateHotspotRow() {
    const int cursorEntry = m_nDepth <= 8 ? 4 : 3;
    const bool on = FilterIndex() == cursorEntry;

    for (QWidget* w : {static_cast<QWidget*>(m_label), static_cast<QWidget*>(m_editX),
                       static_cast<QWidget*>(m_editY)}) {
        w->setEnabled(on);
    }
}

void CExportFileDialog::showEvent(QShowEvent* event) {
    QFileDialog::showEvent(event);
    UpdateHotspotRow();
}

void CExportFileDialog::accept() {
    m_editX->ClampToRange();
    m_editY->ClampToRange();
    m_nHotspotX = m_editX->GetValue();
    m_nHotspotY = m_editY->GetValue();
    // The question is about the file that will be written: the name with the type's
    // extension added.
    const QString typed = GetPathName();
    const QFileInfo target(WithDefaultExtension(typed, GetFileType()));
    if (!typed.isEmpty() && !QFileInfo(typed).isDir() && target.exists() && !target.isDir() &&
        ShowMessage(this, {tr(kAskReplace).arg(target.fileName()), MessageIcon::kWarning,
                           MessageButtons::kYesNo, MessageAnswer::kNo, windowTitle()}) !=
            MessageAnswer::kYes) {
        return;
    }
    QFileDialog::accept();
}

QString ExportFolder(const CVarlenState& sheet) {
    const QString picture = sheet.m_strPictureFile.isEmpty()
                                ? QString()
                                : QFileInfo(sheet.m_strPictureFile).absolutePath();
    for (const QString& folder :
         {sheet.m_strExportPath, picture,
          QStandardPaths::writableLocation(QStandardPaths::PicturesLocation)}) {
        if (!folder.isEmpty() && QFileInfo(folder).isDir()) {
            return folder;
        }
    }
    return QDir::homePath();
}

QString ExportFileName(const CVarlenState& sheet, const FormatRequest& format, int type) {
    QString stem = sheet.m_strPictureFile.isEmpty()
                       ? QString()
                       : QFileInfo(sheet.m_strPictureFile).completeBaseName();
    if (stem.isEmpty()) {
        stem = QStringLiteral("icon");
    }
    return QStringLiteral("%1-%2x%3%4")
        .arg(stem)
        .arg(format.width)
        .arg(format.height)
        .arg(DefaultExtension(type));
}

void ExportFormat(QWidget* parent, CVarlenState& sheet, const FormatRequest& format,
                  bool smoothing) {
    CExportFileDialog dialog(format.width, format.height, format.bpp,
                             parent != nullptr ? parent->window() : nullptr);
    dialog.SetFileType(sheet.m_nExportFileType);
    dialog.ProposeFile(ExportFolder(sheet), ExportFileName(sheet, format, dialog.GetFileType()));
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    const QString chosen = dialog.GetPathName();
    const QString folderBefore = sheet.m_strExportPath;
    if (!chosen.isEmpty()) {
        // Before the settings are saved after success.
        sheet.m_strExportPath = QFileInfo(chosen).absolutePath();
    }
    if (FinishExport(parent, sheet, format, smoothing, dialog.GetFileType(), chosen,
                     dialog.m_nHotspotX, dialog.m_nHotspotY) == ExportResult::kCancelled) {
        sheet.m_strExportPath = folderBefore;
    }
}

ExportResult FinishExport(QWidget* parent, CVarlenState& sheet, const FormatRequest& format,
                          bool smoothing, int type, const QString& path, int hotspotX,
                          int hotspotY) {
    const QString target = WithDefaultExtension(path, type);
    Workers& pool = sheet.Pool();
    bool ok = false;
    int error = 0;
    if (!RunFormatWork(parent, sheet, FormatSourcePixels(sheet, format),
                       CExportFileDialog::tr(kExporting), [&] {
                           const std::unique_ptr<CIcon> image =
                               BuildSheetFormat(sheet, format, smoothing, pool);
                           if (const Progress* progress = pool.Observer()) {
                               progress->Check();  // the last moment a cancel writes nothing
                           }
                           errno = 0;
                           ok = image != nullptr &&
                                WriteExportFile(*image, type, target, hotspotX, hotspotY);
                           error = errno;
                       })) {
        return ExportResult::kCancelled;
    }
    sheet.m_nExportFileType = type;
    const QString title = CExportFileDialog::tr("エクスポート");
    if (ok) {
        ShowMessage(parent,
                    {CExportFileDialog::tr("エクスポートが完了しました。"),
                     MessageIcon::kInformation, MessageButtons::kOk, MessageAnswer::kOk, title});
        sheet.SaveSettings(parent);
    } else {
        ShowMessage(parent, {CExportFileDialog::tr("エクスポートに失敗しました。"),
                             MessageIcon::kError, MessageButtons::kOk, MessageAnswer::kOk, title,
                             WriteFailureDetail(target, error)});
    }
    return ok ? ExportResult::kWritten : ExportResult::kFailed;
}

}  // namespace varlen
