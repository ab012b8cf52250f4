// CWaitCursor: shows the wait cursor for the lifetime of the guard. Long work (loading,
// rendering, writing) runs on the user-interface thread inside the handler that started
// it, so the guard lives in that handler's scope. Guards nest: Qt keeps a stack of
// override cursors, and each guard removes exactly the one it pushed.
#pragma once

#include <QApplication>
#include <QCursor>

namespace varlen {

class CWaitCursor {
  public:
    CWaitCursor() { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    ~CWaitCursor() { QApplication::restoreOverrideCursor(); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};

}  // namespace varlen
