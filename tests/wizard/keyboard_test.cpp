// The wizard driven from the keyboard and the place of its parts: the tab order of the
// button row, the reset button's width, Alt+N and Alt+B against the pages' own letters,
// Enter and Space, the picture views' keys, and one place for the view on every page.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <vector>

#include "gui/controls.h"
#include "gui/dialog_units.h"
#include "gui/icon_wnd.h"
#include "gui/settings.h"
#include "pages/page1.h"
#include "pages/page2.h"
#include "pages/page3.h"
#include "pages/page4.h"
#include "pages/page5.h"
#include "wizard/sheet.h"

namespace varlen {
namespace {

class Keyboard : public ::testing::Test {
  protected:
    void SetUp() override {
        DeleteSettingsStore();
        sheet = std::make_unique<CVarlen>();
        sheet->show();
        QApplication::setActiveWindow(sheet.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(sheet.get()));
    }
    void TearDown() override {
        sheet.reset();
        DeleteSettingsStore();
    }
    // The widgets Tab visits from start until it comes back to start.
    std::vector<QWidget*> TabRound(QWidget* start) const {
        start->setFocus(Qt::TabFocusReason);
        std::vector<QWidget*> seen{start};
        for (int i = 0; i < 60; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QWidget* w = QApplication::focusWidget();
            if (w == start || w == nullptr) {
                break;
            }
            seen.push_back(w);
        }
        return seen;
    }
    static int IndexOf(const std::vector<QWidget*>& order, const QWidget* w) {
        for (std::size_t i = 0; i < order.size(); ++i) {
            if (order[i] == w) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }
    std::unique_ptr<CVarlen> sheet;
};

TEST_F(Keyboard, ResetFollowsThePageAndIsAsWideAsHelp) {
    CVarlenPage1* page = sheet->m_pPage1;
    const std::vector<QWidget*> order = TabRound(page->m_btnOpen);
    const int reset = IndexOf(order, sheet->ResetButton());
    const int next = IndexOf(order, sheet->button(QWizard::NextButton));
    const int help = IndexOf(order, sheet->button(QWizard::HelpButton));
    ASSERT_GE(reset, 0);
    EXPECT_LT(reset, next);
    EXPECT_LT(next, help);
    for (QWidget* w :
         {static_cast<QWidget*>(page->m_editSize), static_cast<QWidget*>(page->m_editRotation),
          static_cast<QWidget*>(page->m_chkMirror), static_cast<QWidget*>(page->m_chkNoMargin),
          static_cast<QWidget*>(page->m_chkBackground)}) {
        const int at = IndexOf(order, w);
        EXPECT_GE(at, 0);
        EXPECT_LT(at, reset);
    }
    EXPECT_EQ(sheet->ResetButton()->width(), sheet->button(QWizard::HelpButton)->width());
}

// The view stands at 168, 0 dialog units on every page, 114 x 132 made square; page 3's
// tabs keep to their column.
TEST_F(Keyboard, TheViewHasOnePlaceOnEveryPage) {
    const CIconWnd* views[5] = {sheet->m_pPage1->m_wndIcon, sheet->m_pPage2->m_wndIcon,
                                sheet->m_pPage3->m_wndIcon, sheet->m_pPage4->View(),
                                sheet->m_pPage5->m_wndIcon};
    const DialogUnits du(sheet->m_pPage1->fontMetrics());
    const int side = std::min(du.X(114), du.Y(132)) / 8 * 8;
    QRect first;
    for (int i = 0; i < 5; ++i) {
        if (i > 0) {
            sheet->next();
        }
        ASSERT_EQ(sheet->currentId(), i);
        const CIconWnd* view = views[i];
        const QRect r(view->mapTo(sheet.get(), QPoint(0, 0)), view->size());
        EXPECT_EQ(r.size(), QSize(side, side)) << "page " << i + 1;
        if (i == 0) {
            first = r;
        }
        EXPECT_EQ(r, first) << "page " << i + 1;
    }
    const QTabWidget* tabs = sheet->m_pPage3->m_tabFilter;
    const int tabsRight = tabs->mapTo(sheet.get(), QPoint(tabs->width(), 0)).x();
    EXPECT_LE(tabsRight, first.left() - du.X(6) + 1);
    EXPECT_LE(tabs->width(), du.X(200));
}

TEST_F(Keyboard, AltNAndAltBBelongToTheWizardsButtons) {
    CVarlenPage1* page1 = sheet->m_pPage1;
    page1->m_btnOpen->setFocus();
    const bool noMargin = page1->m_chkNoMargin->isChecked();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_N, Qt::AltModifier);
    EXPECT_EQ(sheet->currentId(), 1);
    EXPECT_EQ(page1->m_chkNoMargin->isChecked(), noMargin);

    sheet->next();
    ASSERT_EQ(sheet->currentId(), 2);
    sheet->m_pPage3->m_tabFilter->setCurrentIndex(0);  // "明るさ(&B):" is shown
    sheet->m_pPage3->m_tabFilter->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_B, Qt::AltModifier);
    EXPECT_EQ(sheet->currentId(), 1);
    // The page's controls keep their texts.
    EXPECT_EQ(page1->m_chkNoMargin->text(), QStringLiteral("余白なし(&N)"));
}

TEST_F(Keyboard, EnterGoesOnAndSpacePressesTheFocusedButton) {
    CVarlenPage1* page1 = sheet->m_pPage1;
    int asked = 0;
    page1->SetFileChooser([&asked](QWidget*, const QString&) {
        ++asked;
        return QString();
    });
    page1->m_btnOpen->setFocus();
    ASSERT_TRUE(page1->m_btnOpen->hasFocus());
    QTest::keyClick(page1->m_btnOpen, Qt::Key_Return);
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(sheet->currentId(), 1);
    sheet->back();
    page1->m_btnOpen->setFocus();
    QTest::keyClick(page1->m_btnOpen, Qt::Key_Space);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(sheet->currentId(), 0);
    for (QPushButton* b : sheet->findChildren<QPushButton*>()) {
        if (b->isVisibleTo(sheet.get()) || sheet->m_pPage1->isAncestorOf(b)) {
            EXPECT_FALSE(b->autoDefault()) << b->text().toStdString();
        }
    }
}

// Page 2 without a mouse: Enter on the view clears at its mark and the wizard stays.
TEST_F(Keyboard, EnterOnThePickViewClearsAtTheMark) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QImage image(8, 8, QImage::Format_ARGB32);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            image.setPixel(x, y, x < 4 ? qRgb(200, 30, 40) : qRgb(10, 30, 40));
        }
    }
    const QString path = dir.filePath(QStringLiteral("halves.png"));
    ASSERT_TRUE(image.save(path));
    ASSERT_TRUE(sheet->m_pPage1->LoadFile(path));
    sheet->next();
    ASSERT_EQ(sheet->currentId(), 1);
    CIconWnd* view = sheet->m_pPage2->m_wndIcon;
    view->setFocus();
    ASSERT_TRUE(view->hasFocus());
    QTest::keyClick(view, Qt::Key_Left, Qt::ShiftModifier);
    QTest::keyClick(view, Qt::Key_Return);
    EXPECT_EQ(sheet->currentId(), 1);
    const CIcon& placed = *sheet->m_pIcon;
    const Point p = view->ClientToSource(Point{view->KeyboardMark().x(), view->KeyboardMark().y()});
    ASSERT_TRUE(p.x >= 0 && p.x < placed.Width() && p.y >= 0 && p.y < placed.Height());
    EXPECT_EQ(placed.GetPixel(p.x, p.y) >> 24, 0u);
    // The other colour is untouched.
    EXPECT_EQ(placed.GetPixel(placed.Width() - 1, p.y) >> 24, 255u);
}

}  // namespace
}  // namespace varlen
