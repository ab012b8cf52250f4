// Background work: the user-interface thread goes on handling events, user input is refused
// while the work runs, the progress dialog's Cancel stops the work (false, nothing kept), and
// other failures reach the caller on the user-interface thread.
#include "gui/background_work.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <new>
#include <thread>

#include "core/workers.h"

namespace varlen {
namespace {

// Work that goes on until released, touching the pool (and so its cancel check) meanwhile.
void WaitUntil(Workers& pool, const std::atomic<bool>& release) {
    while (!release.load()) {
        pool.For(2, [](std::size_t) {});
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

// Calls check every 5 ms on the user-interface thread until it returns true.
void Poll(QObject* context, std::function<bool()> check) {
    auto* timer = new QTimer(context);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, check = std::move(check)] {
        if (check()) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(5);
}

QProgressDialog* ShownProgressDialog() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<QProgressDialog*>(w); dialog && dialog->isVisible()) {
            return dialog;
        }
    }
    return nullptr;
}

TEST(BackgroundWork, EventsGoOnAndInputIsRefused) {
    Workers pool(2);
    QWidget window;
    auto* button = new QPushButton(QStringLiteral("b"), &window);
    window.resize(100, 60);
    button->resize(80, 30);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    int clicks = 0;
    QObject::connect(button, &QPushButton::clicked, [&clicks] { ++clicks; });

    std::atomic<bool> release{false};
    int ticks = 0;
    bool clickedDuring = false;
    bool closedDuring = false;
    Poll(&window, [&] {
        // Timers run while the work runs; a click and a close request are refused.
        if (++ticks == 3) {
            QTest::mouseClick(button, Qt::LeftButton);
            clickedDuring = true;
            closedDuring = !window.close();
            release = true;
            return true;
        }
        return false;
    });
    int result = 0;
    EXPECT_TRUE(RunInBackground(&window, pool, QStringLiteral("w"), [&] {
        WaitUntil(pool, release);
        result = 42;
    }));
    EXPECT_EQ(result, 42);
    EXPECT_GE(ticks, 3);
    EXPECT_TRUE(clickedDuring);
    EXPECT_EQ(clicks, 0);
    EXPECT_TRUE(closedDuring);
    EXPECT_TRUE(window.isVisible());
    // Afterwards input works again.
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(clicks, 1);
}

TEST(BackgroundWork, CancelInTheDialogStopsTheWork) {
    Workers pool(2);
    QWidget window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    std::atomic<bool> release{false};
    bool cancelSeen = false;
    Poll(&window, [&] {
        QProgressDialog* dialog = ShownProgressDialog();
        if (dialog == nullptr) {
            return false;
        }
        auto* cancel = dialog->findChild<QPushButton*>();
        EXPECT_NE(cancel, nullptr);
        if (cancel != nullptr) {
            EXPECT_EQ(cancel->text(),
                      QCoreApplication::translate("varlen::RunInBackground", kWorkingCancel));
            cancelSeen = true;
            QTest::mouseClick(cancel, Qt::LeftButton);  // the dialog takes input
        }
        return true;
    });
    bool completed = false;
    EXPECT_FALSE(RunInBackground(&window, pool, QStringLiteral("w"), [&] {
        WaitUntil(pool, release);  // never released: only the cancel ends it
        completed = true;
    }));
    EXPECT_TRUE(cancelSeen);
    EXPECT_FALSE(completed);
    EXPECT_EQ(ShownProgressDialog(), nullptr);
    EXPECT_EQ(pool.Observer(), nullptr);
}

TEST(BackgroundWork, OtherFailuresReachTheCaller) {
    Workers pool(2);
    QWidget window;
    EXPECT_THROW(
        RunInBackground(&window, pool, QStringLiteral("w"), [] { throw std::bad_alloc(); }),
        std::bad_alloc);
    // A failure inside the pool's tasks too.
    EXPECT_THROW(RunInBackground(&window, pool, QStringLiteral("w"),
                                 [&pool] {
                                     pool.For(8, [](std::size_t i) {
                                         if (i == 5) {
                                             throw std::bad_alloc();
                                         }
                                     });
                                 }),
                 std::bad_alloc);
    EXPECT_EQ(pool.Observer(), nullptr);
}

}  // namespace
}  // namespace varlen
