// Export of one format: the save dialog with its hotspot row, and the export command.
//
// Export types are the numbers of ExportType (io/export.h) everywhere they are stored or
// compared; GIF only at 8 bits or less. Above 8 bits the dialog's list has no GIF entry, so the
// cursor is its third entry; the dialog translates between entries and type numbers.
#pragma once

#include <QFileDialog>
#include <QString>

#include "core/icon.h"
#include "core/pipeline.h"
#include "io/export.h"

class QLabel;

namespace varlen {

class CNumberEdit;
class CVarlenState;

inline constexpr int kExportBmp = static_cast<int>(ExportType::kBmp);
inline constexpr int kExportPng = static_cast<int>(ExportType::kPng);
inline constexpr int kExportGif = static_cast<int>(ExportType::kGif);
inline constexpr int kExportCursor = static_cast<int>(ExportType::kCursor);

// ".bmp", ".png", ".gif", ".cur"; empty for any other number.
QString DefaultExtension(int type);
// path with the type's extension appended when its file name has none.
QString WithDefaultExtension(const QString& path, int type);
// Writes image as type to path (as given, no extension added); the hotspot is used only
// by the cursor. False for an unknown type or when the writer fails.
bool WriteExportFile(const CIcon& image, int type, const QString& path, int hotspotX, int hotspotY);

// A non-native save dialog for one format of width x height at depth. The hotspot row
// ("ホットスポット(&H):" and the x and y fields, ranges 0 ... width - 1 and
// 0 ... height - 1) stands below the file-type row and is enabled only while the cursor
// type is selected; a field that loses the focus is clamped into its range.
class CExportFileDialog : public QFileDialog {
    Q_OBJECT

  public:
    CExportFileDialog(int width, int height, int depth, QWidget* parent = nullptr);

    // The type shown at first (before exec): above 8 bits a stored GIF becomes PNG and the
    // cursor becomes the list's third entry.
    void SetFileType(int type);
    // The selected entry as an export-type number.
    int GetFileType() const;
    // The chosen path as typed (no extension added).
    QString GetPathName() const;
    // The selected entry of the list, 1-based.
    int FilterIndex() const;
    // Opens in folder with name proposed (its extension follows the file type chosen).
    void ProposeFile(const QString& folder, const QString& name);

    // Read from the fields when the name is accepted; 0 at first.
    int m_nHotspotX = 0;
    int m_nHotspotY = 0;

    CNumberEdit* HotspotXEdit() const { return m_editX; }
    CNumberEdit* HotspotYEdit() const { return m_editY; }
    QLabel* HotspotLabel() const { return m_label; }
    bool HotspotEnabled() const;

    // The name is accepted: the hotspot fields are read (clamped into their ranges), then
    // the dialog goes on as a save dialog does.
    void accept() override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    // Enables the hotspot row exactly while the cursor entry is selected, and makes the
    // entry's extension the one added to a name without any, before the overwrite
    // question is asked.
    void UpdateHotspotRow();

    int m_nWidth;
    int m_nHeight;
    int m_nDepth;
    QLabel* m_label = nullptr;
    CNumberEdit* m_editX = nullptr;
    CNumberEdit* m_editY = nullptr;
};

// The folder the export dialog opens in: the last export folder, else the picture's
// folder, else the user's pictures folder (each only when it exists).
QString ExportFolder(const CVarlenState& sheet);
// The proposed name: the picture's name (or "icon" for pasted data), the format's size
// and the type's extension: "photo-32x32.png".
QString ExportFileName(const CVarlenState& sheet, const FormatRequest& format, int type);

// The export command for one format of the formats page: runs the dialog on the stored
// ExportFileType in ExportFolder with ExportFileName proposed; after OK stores the chosen
// folder and finishes with FinishExport (a cancel there takes the folder back).
void ExportFormat(QWidget* parent, CVarlenState& sheet, const FormatRequest& format,
                  bool smoothing);

enum class ExportResult { kWritten, kFailed, kCancelled };

// Everything after the dialog: builds the format from the sheet's picture and writes it (in
// the background for large pictures, see RunFormatWork), the type's extension added to a
// bare name; then stores type as m_nExportFileType and reports "エクスポートが完了しました。"
// (then saves every setting) or "エクスポートに失敗しました。" with the path and the reason.
// Cancelled in the progress dialog: nothing written (an old file stays as it was), nothing
// stored, nothing reported.
ExportResult FinishExport(QWidget* parent, CVarlenState& sheet, const FormatRequest& format,
                          bool smoothing, int type, const QString& path, int hotspotX,
                          int hotspotY);

}  // namespace varlen
