// What the source page computes without widgets: the proposed output name, the open
// dialog's filters, which clipboard or drop data the page can load, the size field's
// square and the largest square that Next will render.
#pragma once

#include <QString>
#include <QStringList>
#include <memory>

#include "core/icon.h"

class QFileDialog;
class QMimeData;
class QWidget;

namespace varlen {

// The picture's path with its extension replaced by ".ico", or ".ico" appended when it has
// none. The extension is the last "." of the file name, and only when neither a space nor
// a folder separator follows it: "C:/pics/cat.png" gives "C:/pics/cat.ico", "a.b c"
// gives "a.b c.ico".
QString IconFileFor(const QString& picturePath);

// The folder of a chosen file, without a separator at its end (except for the root).
QString FolderOf(const QString& filePath);

// The open dialog's file types as the user reads them, in order.
QStringList OpenFilterTexts();
// The same types as QFileDialog name filters: each text followed by the patterns that the
// dialog matches, which it hides (QFileDialog::HideNameFilterDetails).
QStringList OpenNameFilters();
// The open dialog: existing files only, starting in folder, with the filters above.
std::unique_ptr<QFileDialog> BuildOpenDialog(QWidget* parent, const QString& folder);

// The message when a picture file cannot be opened: it is missing, no picture, or of a kind
// (or a size) the loaders refuse.
QString OpenFailedText();

// The data holds local files (the drop list).
bool OffersFiles(const QMimeData& data);
// The data holds something the page tries to load: files, or a picture as CF_DIB, "PNG"
// or "PBPIXEL32".
bool OffersPicture(const QMimeData& data);

// The size field's square of side n (0 taken as 1) around the centre of current, with the
// extra pixel of an odd side at the right and bottom.
Rect SquareAround(const Rect& current, int n);
// rect grown by d on every side (shrunk when d is negative).
Rect Inflated(const Rect& rect, int d);

// The largest side of the placed square that Next renders: four times the picture's
// larger side, at least 1024 and at most 16384.
int PlacementLimit(const CIcon& picture);

}  // namespace varlen
