// Background work with a progress dialog. Traps:
// - The thread reports the end with a queued call to the waiting event loop; when it ends
//   before the loop runs, the call waits in the queue and ends the loop at once.
// - The input filter is installed on the application, so it sees input for every window,
//   those opened later included; the progress dialog and its children are let through.
// - The dialog is shown by a timer of our own rather than QProgressDialog's estimate, so
//   that short work never flashes a dialog and long work always shows one.
#include "gui/background_work.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QPointer>
#include <QProgressDialog>
#include <QTimer>
#include <algorithm>
#include <exception>
#include <limits>
#include <thread>

#include "core/progress.h"
#include "core/workers.h"

namespace varlen {

namespace {

constexpr int kUpdateMs = 50;
constexpr int kSteps = 1000;

// Refuses user input to everything but the progress dialog.
class InputRefusal : public QObject {
  public:
    explicit InputRefusal(QWidget* allowed) : m_allowed(allowed) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
            case QEvent::MouseMove:
            case QEvent::Wheel:
            case QEvent::KeyPress:
            case QEvent::KeyRelease:
            case QEvent::ShortcutOverride:
            case QEvent::Shortcut:
            case QEvent::DragEnter:
            case QEvent::DragMove:
            case QEvent::Drop:
            case QEvent::ContextMenu:
            case QEvent::Close:
                break;
            default:
                return false;
        }
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget != nullptr && m_allowed != nullptr &&
            (widget == m_allowed || m_allowed->isAncestorOf(widget))) {
            return false;
        }
        if (event->type() == QEvent::Close) {
            event->ignore();
        }
        return true;
    }

  private:
    QPointer<QWidget> m_allowed;
};

}  // namespace

bool RunInBackground(QWidget* parent, Workers& pool, const QString& label,
                     const std::function<void()>& work, bool cancellable) {
    return RunInBackground(parent, pool, label, work, cancellable, BackgroundPacing{});
}

bool RunInBackground(QWidget* parent, Workers& pool, const QString& label,
                     const std::function<void()>& work, bool cancellable,
                     const BackgroundPacing& pacing) {
    Progress progress;
    std::exception_ptr error;
    QEventLoop loop;

    QProgressDialog dialog(label,
                           QCoreApplication::translate("varlen::RunInBackground", kWorkingCancel),
                           0, kSteps, parent);
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setAutoReset(false);
    dialog.setAutoClose(false);
    // QProgressDialog would show itself on its own estimate; only our timer shows it.
    dialog.setMinimumDuration(std::numeric_limits<int>::max());
    dialog.hide();
    if (cancellable) {
        QObject::connect(&dialog, &QProgressDialog::canceled, [&progress] { progress.Cancel(); });
    } else {
        dialog.setCancelButton(nullptr);
    }

    InputRefusal refusal(&dialog);
    qApp->installEventFilter(&refusal);

    QTimer show;
    show.setSingleShot(true);
    QObject::connect(&show, &QTimer::timeout, &dialog, [&dialog] { dialog.show(); });
    QTimer update;
    QObject::connect(&update, &QTimer::timeout, &dialog, [&dialog, &progress] {
        const std::size_t expected = progress.Expected();
        const std::size_t done = std::min(progress.Done(), expected);
        dialog.setValue(expected == 0 ? 0
                                      : static_cast<int>(static_cast<double>(done) * kSteps /
                                                         static_cast<double>(expected)));
    });

    std::thread thread([&] {
        {
            const Workers::ObservedBy observe(pool, progress);
            try {
                if (pacing.beforeWork) {
                    pacing.beforeWork(progress);
                }
                work();
            } catch (...) {
                error = std::current_exception();
            }
        }
        QMetaObject::invokeMethod(
            &loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
    });
    show.start(std::max(0, pacing.showAfterMs));
    update.start(kUpdateMs);
    loop.exec();
    thread.join();
    update.stop();
    show.stop();
    qApp->removeEventFilter(&refusal);
    dialog.hide();

    if (error) {
        try {
            std::rethrow_exception(error);
        } catch (const WorkCancelled&) {
            return false;
        }
    }
    return true;
}

}  // namespace varlen
