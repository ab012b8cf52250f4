// RunInBackground: long pixel work of a page, done on a thread of its own while the
// user-interface thread goes on handling events (repaints, window moves, timers).
//
// Contract: work runs with progress attached to pool (every row range it spreads over the
// pool counts). While it runs, input to every window (mouse, keys, wheel, drops, closing) is
// refused, so nothing can start conflicting work; once it has run for half a second a
// window-modal progress dialog over parent shows the rows done with a Cancel button, the only
// thing that takes input then. Cancel asks the work to stop at its next row range. Returns
// true when work finished, false when it was cancelled; any other exception of work is
// rethrown here, on the user-interface thread.
// Traps: work must not touch a widget or change anything the user-interface thread reads
// (it builds new images from images nobody changes meanwhile); the caller applies the
// result after a true return, so a cancel or failure leaves everything as it was.
#pragma once

#include <QCoreApplication>
#include <QString>
#include <cstddef>
#include <functional>

class QWidget;

namespace varlen {

class Progress;
class Workers;

// Pictures of fewer pixels than this are worked on at once on the user-interface thread:
// their work ends before any dialog would show.
inline constexpr std::size_t kBackgroundFromPixels = 256 * 256;

// How RunInBackground paces itself. The defaults are what users get; the sheet holds one,
// so that tests can show the dialog at once and hold the work back until they have acted
// on it.
struct BackgroundPacing {
    int showAfterMs = 500;
    // Runs on the work's thread just before work, with the progress the dialog shows;
    // null: nothing.
    std::function<void(const Progress&)> beforeWork;
};

// cancellable false: work that cannot stop part way (a copy); the dialog has no Cancel
// button and the call returns true once work has finished.
bool RunInBackground(QWidget* parent, Workers& pool, const QString& label,
                     const std::function<void()>& work, bool cancellable = true);
bool RunInBackground(QWidget* parent, Workers& pool, const QString& label,
                     const std::function<void()>& work, bool cancellable,
                     const BackgroundPacing& pacing);

// The Cancel button's text, translated in the context "varlen::RunInBackground".
inline constexpr const char* kWorkingCancel =
    QT_TRANSLATE_NOOP("varlen::RunInBackground", "キャンセル");

}  // namespace varlen
