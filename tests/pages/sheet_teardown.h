// The end of a page test that shows a wizard: preview windows are top-level windows of their
// own and outlive the sheet, so they are closed first; then the sheet goes, its deferred
// deletions run, and the test's settings store is removed.
#pragma once

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <memory>

#include "gui/settings.h"
#include "pages/icon_preview_wnd.h"
#include "wizard/sheet.h"

namespace varlen::testing_support {

inline void CloseSheet(std::unique_ptr<CVarlen>& sheet) {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (qobject_cast<CIconPreviewWnd*>(w) != nullptr) {
            w->close();
        }
    }
    sheet.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    DeleteSettingsStore();
}

}  // namespace varlen::testing_support
