// The transparency page's changes of the picture in the background: a click, undo, redo and
// reset give the bytes the core gives on the calling thread; the view is held and input is
// refused while one runs; Cancel in the progress dialog leaves the picture, the clicks and
// the undo state as they were; and the page keeps only the alpha of its reset point.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <functional>
#include <random>
#include <thread>

#include "core/workers.h"
#include "gui/icon_wnd.h"
#include "pages/page2.h"
#include "wizard/sheet.h"

namespace varlen {
namespace {

// A picture of ragged blocks in a few colours (two of them near each other), opaque but for
// a half-transparent band, so that regions are large, uneven and touch each other.
std::unique_ptr<CIcon> Blocks(int width, int height, std::uint32_t seed) {
    const Pixel colours[] = {0xFF204080u, 0xFF224484u, 0xFFE0C000u, 0xFF10A030u};
    std::mt19937 rng(seed);
    auto icon = CreateIcon(width, height, 32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const auto cell = static_cast<std::uint32_t>((x + (y / 7) * 3) / 9 + (y / 11) * 131);
            Pixel p = colours[(cell * 2654435761u >> 7) % std::size(colours)];
            if (rng() % 97 == 0) {
                p = colours[rng() % std::size(colours)];
            }
            if (y > height - 6) {
                p = (p & 0x00FFFFFFu) | 0x80000000u;
            }
            icon->Row(y)[x] = p;
        }
    }
    return icon;
}

bool SamePixels(const CIcon& a, const CIcon& b) {
    return a.Width() == b.Width() && a.Height() == b.Height() &&
           std::ranges::equal(a.Pixels(), b.Pixels());
}

QProgressDialog* ShownProgressDialog() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<QProgressDialog*>(w); dialog && dialog->isVisible()) {
            return dialog;
        }
    }
    return nullptr;
}

// A wizard whose only working page is the transparency page (as in page2_test.cpp).
class Page2Work : public ::testing::Test {
  protected:
    void SetUp() override {
        DeleteSettingsStore();
        m_sheet = std::make_unique<CVarlen>();
        m_sheet->m_pIcon = Blocks(300, 220, 3);
        for (int id : {0, 2, 3, 4}) {
            m_sheet->removePage(id);
        }
        m_sheet->setPage(0, new CVarlenPage(m_sheet.get(), 1, QStringLiteral("a"), {}));
        m_sheet->setPage(2, new CVarlenPage(m_sheet.get(), 3, QStringLiteral("b"), {}));
        m_page = m_sheet->m_pPage2;
        m_sheet->show();
        QApplication::setActiveWindow(m_sheet.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_sheet.get()));
        m_sheet->next();
        ASSERT_EQ(m_sheet->currentPage(), m_page);
    }
    void TearDown() override {
        m_page->m_fnAfterChange = nullptr;
        m_sheet.reset();
        DeleteSettingsStore();
    }
    CIconWnd& View() const { return *m_page->m_wndIcon; }
    const CIcon& Icon() const { return *m_sheet->m_pIcon; }
    // A user's click at a point of the view given as fractions of its size; returns the
    // picture point the view maps it to.
    Point Click(double fx, double fy) {
        const QPoint at(static_cast<int>(View().width() * fx),
                        static_cast<int>(View().height() * fy));
        const Point p = View().ClientToSource(Point{at.x(), at.y()});
        QTest::mouseClick(&View(), Qt::LeftButton, Qt::NoModifier, at);
        return p;
    }
    // Sets the values a click takes, as typed into the page.
    void Values(int mode, int tolerance, int expansion) {
        QTest::mouseClick(mode == 0 ? m_page->m_btnColorMode : m_page->m_btnClosedMode,
                          Qt::LeftButton);
        m_page->m_editRange->setText(QString::number(tolerance));
        m_page->m_editSurrounding->setText(QString::number(expansion));
    }
    void Press(Qt::Key key, Qt::KeyboardModifiers modifiers) {
        QWidget* target = QApplication::focusWidget() != nullptr ? QApplication::focusWidget()
                                                                 : static_cast<QWidget*>(m_page);
        QTest::keyClick(target, key, modifiers);
    }

    // Makes the next change wait on its working thread, after it has changed the picture,
    // until the progress dialog's Cancel has been pressed by a mouse click (or 10 s have
    // passed). While the dialog is up, the view is checked to be held and a click on it and
    // the undo key are tried (both must be refused). Returns a flag set once Cancel was
    // pressed.
    std::shared_ptr<std::atomic<bool>> CancelNextChange() {
        auto pressed = std::make_shared<std::atomic<bool>>(false);
        Workers& pool = m_sheet->Pool();
        m_page->m_fnAfterChange = [&pool] {
            const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (std::chrono::steady_clock::now() < until &&
                   !(pool.Observer() != nullptr && pool.Observer()->Cancelled())) {
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        };
        auto* timer = new QTimer(m_sheet.get());
        QObject::connect(timer, &QTimer::timeout, timer, [this, timer, pressed] {
            QProgressDialog* dialog = ShownProgressDialog();
            if (dialog == nullptr) {
                return;
            }
            timer->stop();
            timer->deleteLater();
            m_heldWhileWorking = View().IsHoldingPicture();
            QTest::mouseClick(&View(), Qt::LeftButton, Qt::NoModifier,
                              QPoint(View().width() / 3, View().height() / 3));
            QTest::keyClick(m_page, Qt::Key_Z, Qt::ControlModifier);
            auto* cancel = dialog->findChild<QPushButton*>();
            ASSERT_NE(cancel, nullptr);
            QTest::mouseClick(cancel, Qt::LeftButton);
            pressed->store(true);
        });
        timer->start(5);
        return pressed;
    }

    std::unique_ptr<CVarlen> m_sheet;
    CVarlenPage2* m_page = nullptr;
    bool m_heldWhileWorking = false;
};

TEST_F(Page2Work, ClicksUndoRedoAndResetGiveTheBytesOfTheCoreOnOneThread) {
    const auto atEntry = CloneIcon(&Icon());
    const CIcon* shown = &Icon();
    EXPECT_FALSE(m_page->HasResetPoint());

    // What each click must give: the core's own operations on a copy, on this thread.
    auto expected = CloneIcon(atEntry.get());
    Values(1, 12, 3);
    const Point first = Click(0.4, 0.45);
    expected->ClearClosedRegion(first.x, first.y, 12, 3);
    ASSERT_TRUE(SamePixels(Icon(), *expected));
    EXPECT_TRUE(m_page->HasResetPoint());
    const auto afterFirst = CloneIcon(expected.get());

    Values(0, 5, 2);
    const Point second = Click(0.7, 0.2);
    expected->ClearColorRegion(atEntry->GetPixel(second.x, second.y), 5, 2);
    ASSERT_TRUE(SamePixels(Icon(), *expected));
    const auto afterSecond = CloneIcon(expected.get());

    Values(1, 0, 0);
    const Point third = Click(0.15, 0.8);
    expected->ClearClosedRegion(third.x, third.y, 0, 0);
    ASSERT_TRUE(SamePixels(Icon(), *expected));

    Press(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(SamePixels(Icon(), *afterSecond));
    Press(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(SamePixels(Icon(), *afterFirst));
    Press(Qt::Key_Y, Qt::ControlModifier);
    EXPECT_TRUE(SamePixels(Icon(), *afterSecond));
    Press(Qt::Key_Y, Qt::ControlModifier);
    EXPECT_TRUE(SamePixels(Icon(), *expected));
    QTest::mouseClick(m_sheet->ResetButton(), Qt::LeftButton);
    EXPECT_TRUE(SamePixels(Icon(), *atEntry));
    EXPECT_FALSE(m_page->CanUndo());
    EXPECT_EQ(&Icon(), shown);
    // Between the changes the view reads the picture again.
    EXPECT_FALSE(View().IsHoldingPicture());
    // The reset point is the alpha alone: here far less than the picture.
    EXPECT_GT(m_page->KeptBytes(), 0u);
    EXPECT_LT(m_page->KeptBytes(), Icon().PixelCount());
}

TEST_F(Page2Work, CancelledClickLeavesPictureClicksAndUndoStateAsBefore) {
    Values(0, 0, 0);
    Click(0.5, 0.5);
    Values(1, 20, 4);
    Click(0.2, 0.3);
    Press(Qt::Key_Z, Qt::ControlModifier);  // one click in effect, one to redo
    ASSERT_TRUE(m_page->CanUndo());
    ASSERT_TRUE(m_page->CanRedo());
    const auto before = CloneIcon(&Icon());
    const std::size_t kept = m_page->KeptBytes();

    const auto pressed = CancelNextChange();
    Values(1, 60, 9);  // a large region, widened
    Click(0.8, 0.6);
    EXPECT_TRUE(pressed->load());
    EXPECT_TRUE(m_heldWhileWorking);
    EXPECT_FALSE(View().IsHoldingPicture());
    EXPECT_TRUE(SamePixels(Icon(), *before));
    // The click was not added, so the undone one can still be redone.
    EXPECT_TRUE(m_page->CanUndo());
    EXPECT_TRUE(m_page->CanRedo());
    EXPECT_EQ(m_page->KeptBytes(), kept);
    m_page->m_fnAfterChange = nullptr;
    Press(Qt::Key_Y, Qt::ControlModifier);
    Press(Qt::Key_Z, Qt::ControlModifier);
    Press(Qt::Key_Z, Qt::ControlModifier);
    QTest::mouseClick(m_sheet->ResetButton(), Qt::LeftButton);
    EXPECT_FALSE(m_page->CanRedo());
}

TEST_F(Page2Work, CancelledUndoRedoAndResetChangeNothing) {
    const auto atEntry = CloneIcon(&Icon());
    Values(0, 8, 1);
    Click(0.3, 0.3);
    Values(1, 8, 1);
    Click(0.6, 0.7);
    Press(Qt::Key_Z, Qt::ControlModifier);
    const auto state = CloneIcon(&Icon());

    for (int which = 0; which < 3; ++which) {
        // The keys go to the page as after a click into it.
        QApplication::setActiveWindow(m_sheet.get());
        m_page->m_editRange->setFocus();
        const auto pressed = CancelNextChange();
        if (which == 0) {
            Press(Qt::Key_Z, Qt::ControlModifier);
        } else if (which == 1) {
            Press(Qt::Key_Y, Qt::ControlModifier);
        } else {
            QTest::mouseClick(m_sheet->ResetButton(), Qt::LeftButton);
        }
        EXPECT_TRUE(pressed->load()) << which;
        EXPECT_TRUE(SamePixels(Icon(), *state)) << which;
        EXPECT_TRUE(m_page->CanUndo()) << which;
        EXPECT_TRUE(m_page->CanRedo()) << which;
    }
    m_page->m_fnAfterChange = nullptr;
    QTest::mouseClick(m_sheet->ResetButton(), Qt::LeftButton);
    EXPECT_TRUE(SamePixels(Icon(), *atEntry));
}

TEST_F(Page2Work, TheResultIsKeptAcrossNextAndBackWithoutACopy) {
    Values(1, 10, 2);
    Click(0.5, 0.4);
    const auto marked = CloneIcon(&Icon());
    const CIcon* picture = &Icon();
    m_sheet->next();
    EXPECT_FALSE(m_page->HasResetPoint());
    m_sheet->back();
    EXPECT_EQ(&Icon(), picture);
    EXPECT_TRUE(SamePixels(Icon(), *marked));
    // The new reset point is the picture as it was left: reset after another click gives
    // it back, marks of the first visit included.
    Values(0, 0, 0);
    Click(0.1, 0.5);
    EXPECT_FALSE(SamePixels(Icon(), *marked));
    QTest::mouseClick(m_sheet->ResetButton(), Qt::LeftButton);
    EXPECT_TRUE(SamePixels(Icon(), *marked));
}

}  // namespace
}  // namespace varlen
