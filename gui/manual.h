// The manual: the HTML rendering of the man page, shipped beside the program and opened
// with the desktop's browser.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace varlen {

// Where the manual may be, most likely first: beside the build tree's programs, then its
// installed place relative to the wizard program (share/doc/varlen/varlen.html).
QStringList ManualCandidates(const QString& programDir);

// Opens the first candidate that exists with the desktop's default handler. When none
// exists, or the desktop cannot open it, tells the user over parent, naming the places
// looked at; false then.
bool OpenManual(QWidget* parent, const QStringList& candidates);

}  // namespace varlen
