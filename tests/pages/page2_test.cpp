// The transparency page: the commit rule of the two edits, clicks that clear by colour or
// by closed region (alpha maps worked out by hand), the mode buttons, Reset to the entry
// snapshot, undo and redo of the clicks, and the snapshot rules on Back, Next and re-entry.
#include "pages/page2.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "gui/icon_wnd.h"
#include "gui/up_down.h"
#include "tests/pages/view_points.h"
#include "wizard/sheet.h"

namespace varlen {
namespace {

constexpr Pixel kRed = MakePixel(255, 200, 0, 0);
constexpr Pixel kRedNear = MakePixel(255, 203, 4, 0);  // distance 5 from kRed
constexpr Pixel kBlue = MakePixel(255, 0, 0, 220);
constexpr Pixel kGreen = MakePixel(128, 0, 180, 0);

// A picture from rows of letters: R red, r near red, B blue, G half-transparent green.
std::unique_ptr<CIcon> Picture(const std::vector<std::string>& rows) {
    auto icon = CreateIcon(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()), 32);
    for (int y = 0; y < icon->Height(); ++y) {
        for (int x = 0; x < icon->Width(); ++x) {
            const char c = rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
            icon->Row(y)[x] = c == 'R' ? kRed : c == 'r' ? kRedNear : c == 'B' ? kBlue : kGreen;
        }
    }
    return icon;
}

// The picture's alpha as rows: '.' for 0, '#' for 255, '+' for anything else.
std::vector<std::string> AlphaMap(const CIcon& icon) {
    std::vector<std::string> rows;
    for (int y = 0; y < icon.Height(); ++y) {
        std::string row;
        for (int x = 0; x < icon.Width(); ++x) {
            const int a = Alpha(icon.Row(y)[x]);
            row += a == 0 ? '.' : a == 255 ? '#' : '+';
        }
        rows.push_back(row);
    }
    return rows;
}

bool SamePixels(const CIcon& a, const CIcon& b) {
    return a.Width() == b.Width() && a.Height() == b.Height() &&
           std::ranges::equal(a.Pixels(), b.Pixels());
}

// Two red areas apart, joined to nothing; near-red pixels beside the left one; a green
// corner that is already half transparent.
const std::vector<std::string> kRows = {
    "RRRBBBRR",  //
    "RRRBBBRR",  //
    "RRrBBBRR",  //
    "BBBBBBBB",  //
    "BBBBBBBB",  //
    "RRBBBBBG",  //
    "RRBBBBGG",  //
    "BBBBBBGG",  //
};

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
  public:
    explicit PaintCounter(QWidget* w) { w->installEventFilter(this); }
    int count = 0;

  protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) {
            ++count;
        }
        return false;
    }
};

// A wizard of a plain page, the transparency page and another plain page, so that only
// this page acts on the shared picture.
class Page2 : public ::testing::Test {
  protected:
    void SetUp() override {
        DeleteSettingsStore();
        m_sheet = std::make_unique<CVarlen>();
        m_sheet->m_pIcon = Picture(kRows);
        for (int id : {0, 2, 3, 4}) {
            m_sheet->removePage(id);
        }
        m_sheet->setPage(0, new CVarlenPage(m_sheet.get(), 1, QStringLiteral("a"), {}));
        m_sheet->setPage(2, new CVarlenPage(m_sheet.get(), 3, QStringLiteral("b"), {}));
        m_page = m_sheet->m_pPage2;
    }
    void TearDown() override {
        m_sheet.reset();
        DeleteSettingsStore();
    }
    void Enter() {
        m_sheet->show();
        QApplication::setActiveWindow(m_sheet.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_sheet.get()));
        m_sheet->next();
        ASSERT_EQ(m_sheet->currentPage(), m_page);
    }
    std::optional<QPoint> ViewPointOf(int x, int y) const {
        return testing_support::ViewPointOf(*m_page->m_wndIcon, x, y);
    }
    void ClickPixel(int x, int y) {
        const std::optional<QPoint> at = ViewPointOf(x, y);
        ASSERT_TRUE(at.has_value());
        QTest::mouseClick(m_page->m_wndIcon, Qt::LeftButton, Qt::NoModifier, *at);
    }
    const CIcon& Icon() const { return *m_sheet->m_pIcon; }

    std::unique_ptr<CVarlen> m_sheet;
    CVarlenPage2* m_page = nullptr;
};

TEST(Page2Commit, UnsignedRuleWithoutLowerClamp) {
    EXPECT_EQ(CommittedValue(u"0"), 0);
    EXPECT_EQ(CommittedValue(u"17"), 17);
    EXPECT_EQ(CommittedValue(u"254"), 254);
    EXPECT_EQ(CommittedValue(u"255"), 255);
    EXPECT_EQ(CommittedValue(u"300"), 255);
    EXPECT_EQ(CommittedValue(u"99999999999"), 255);
    // Negative numbers are huge as unsigned numbers.
    EXPECT_EQ(CommittedValue(u"-1"), 255);
    EXPECT_EQ(CommittedValue(u"-300"), 255);
    // Text that is no number reads as 0; a number stops at the first other character.
    EXPECT_EQ(CommittedValue(u""), 0);
    EXPECT_EQ(CommittedValue(u"abc"), 0);
    EXPECT_EQ(CommittedValue(u"12abc"), 12);
    EXPECT_EQ(CommittedValue(u" 7"), 7);
}

TEST_F(Page2, ControlsAndEntryState) {
    m_sheet->m_nTransparentMode = 1;
    m_sheet->m_nTransparentRange = 12;
    m_sheet->m_nTransparentSurrounding = 3;
    Enter();
    EXPECT_EQ(m_page->m_btnColorMode->text(), QStringLiteral("色領域指定(&C)"));
    EXPECT_EQ(m_page->m_btnClosedMode->text(), QStringLiteral("閉領域指定(&L)"));
    EXPECT_FALSE(m_page->m_btnColorMode->isChecked());
    EXPECT_TRUE(m_page->m_btnClosedMode->isChecked());
    EXPECT_EQ(m_page->m_editRange->text(), QStringLiteral("12"));
    EXPECT_EQ(m_page->m_editSurrounding->text(), QStringLiteral("3"));
    int labels = 0;
    for (QLabel* label : m_page->findChildren<QLabel*>()) {
        labels += (label->text() == QStringLiteral("色の許容範囲(&R):") &&
                   label->buddy() == m_page->m_editRange) ||
                  (label->text() == QStringLiteral("領域拡大(&S):") &&
                   label->buddy() == m_page->m_editSurrounding);
    }
    EXPECT_EQ(labels, 2);
    EXPECT_EQ(m_page->m_wndIcon->GetMode(), CIconWnd::ICONWND_PICK);
    EXPECT_EQ(m_page->m_wndIcon->GetImage(), m_sheet->m_pIcon.get());
    EXPECT_TRUE(m_sheet->ResetButton()->isEnabled());
    EXPECT_TRUE(m_sheet->button(QWizard::BackButton)->isEnabled());
    EXPECT_TRUE(m_sheet->button(QWizard::NextButton)->isEnabled());
    // The edits take digits only.
    m_page->m_editRange->setFocus();
    m_page->m_editRange->selectAll();
    QTest::keyClicks(m_page->m_editRange, QStringLiteral("-4x2"));
    EXPECT_EQ(m_page->m_editRange->text(), QStringLiteral("42"));
}

TEST_F(Page2, UnknownStoredModeLeavesBothButtonsUp) {
    m_sheet->m_nTransparentMode = 7;
    Enter();
    EXPECT_FALSE(m_page->m_btnColorMode->isChecked());
    EXPECT_FALSE(m_page->m_btnClosedMode->isChecked());
    const auto before = CloneIcon(&Icon());
    ClickPixel(0, 0);  // neither operation runs
    EXPECT_TRUE(SamePixels(Icon(), *before));
    QTest::mouseClick(m_page->m_btnColorMode, Qt::LeftButton);
    EXPECT_EQ(m_sheet->m_nTransparentMode, 0);
    EXPECT_TRUE(m_page->m_btnColorMode->isChecked());
}

TEST_F(Page2, LeavingAnEditCommitsAndShowsTheStoredValue) {
    Enter();
    m_page->m_editRange->setFocus();
    m_page->m_editRange->selectAll();
    QTest::keyClicks(m_page->m_editRange, QStringLiteral("300"));
    EXPECT_EQ(m_sheet->m_nTransparentRange, 0);  // not yet
    m_page->m_editSurrounding->setFocus();
    EXPECT_EQ(m_sheet->m_nTransparentRange, 255);
    EXPECT_EQ(m_page->m_editRange->text(), QStringLiteral("255"));

    m_page->m_editSurrounding->clear();
    m_page->m_editRange->setFocus();
    EXPECT_EQ(m_sheet->m_nTransparentSurrounding, 0);
    EXPECT_EQ(m_page->m_editSurrounding->text(), QStringLiteral("0"));

    // Text put in by other means than typing follows the same rule.
    m_page->m_editSurrounding->setText(QStringLiteral("-5"));
    m_page->m_editSurrounding->setFocus();
    m_page->m_editRange->setFocus();
    EXPECT_EQ(m_sheet->m_nTransparentSurrounding, 255);
    EXPECT_EQ(m_page->m_editSurrounding->text(), QStringLiteral("255"));
}

TEST_F(Page2, ArrowsStepWithinTheRangeWithoutCommitting) {
    m_sheet->m_nTransparentRange = 254;
    Enter();
    QTest::mouseClick(m_page->m_spinRange->UpButton(), Qt::LeftButton);
    EXPECT_EQ(m_page->m_editRange->text(), QStringLiteral("255"));
    QTest::mouseClick(m_page->m_spinRange->UpButton(), Qt::LeftButton);
    EXPECT_EQ(m_page->m_editRange->text(), QStringLiteral("255"));
    EXPECT_EQ(m_sheet->m_nTransparentRange, 254);
    QTest::mouseClick(m_page->m_spinSurrounding->DownButton(), Qt::LeftButton);
    EXPECT_EQ(m_page->m_editSurrounding->text(), QStringLiteral("0"));
    QTest::mouseClick(m_page->m_spinSurrounding->UpButton(), Qt::LeftButton);
    EXPECT_EQ(m_page->m_editSurrounding->text(), QStringLiteral("1"));
}

TEST_F(Page2, ColourRegionClearsThatColourEverywhere) {
    Enter();
    ClickPixel(7, 0);
    const std::vector<std::string> expected = {
        "...###..",  //
        "...###..",  //
        "..####..",  //
        "########",  //
        "########",  //
        "..#####+",  //
        "..####++",  //
        "######++",  //
    };
    EXPECT_EQ(AlphaMap(Icon()), expected);
    // Colours stay as they were.
    EXPECT_EQ(Icon().Row(0)[0] & 0xFFFFFFu, kRed & 0xFFFFFFu);
}

TEST_F(Page2, ToleranceTakesNearColoursIn) {
    m_sheet->m_nTransparentRange = 5;
    Enter();
    ClickPixel(0, 0);
    EXPECT_EQ(AlphaMap(Icon())[2], "...###..");  // the near red at (2, 2) too
    EXPECT_EQ(AlphaMap(Icon())[0], "...###..");
}

TEST_F(Page2, ClosedRegionClearsOnlyTheConnectedArea) {
    m_sheet->m_nTransparentMode = 1;
    Enter();
    ClickPixel(0, 1);
    const std::vector<std::string> expected = {
        "...#####",  //
        "...#####",  //
        "..######",  //
        "########",  //
        "########",  //
        "#######+",  //
        "######++",  //
        "######++",  //
    };
    EXPECT_EQ(AlphaMap(Icon()), expected);
}

TEST_F(Page2, ExpansionWidensEveryClearedPixel) {
    m_sheet->m_nTransparentMode = 1;
    m_sheet->m_nTransparentSurrounding = 1;
    Enter();
    ClickPixel(0, 5);  // the 2 x 2 red block at the lower left, grown by one step
    const std::vector<std::string> expected = {
        "########",  //
        "########",  //
        "########",  //
        "########",  //
        "..######",  //
        "...####+",  //
        "...###++",  //
        "..####++",  //
    };
    EXPECT_EQ(AlphaMap(Icon()), expected);
}

TEST_F(Page2, TypedValuesTakeEffectWithTheClick) {
    m_sheet->m_nTransparentMode = 1;
    Enter();
    m_page->m_editRange->setFocus();
    m_page->m_editRange->selectAll();
    QTest::keyClicks(m_page->m_editRange, QStringLiteral("5"));
    m_page->m_editSurrounding->setText(QStringLiteral("007"));
    // The view takes no focus, so the range edit keeps it through the click.
    m_page->OnPick(Icon().GetPixel(1, 1), QPoint(1, 1));
    EXPECT_EQ(m_sheet->m_nTransparentRange, 5);
    EXPECT_EQ(m_sheet->m_nTransparentSurrounding, 7);
    EXPECT_EQ(m_page->m_editSurrounding->text(), QStringLiteral("7"));
    // The region is the 3 x 3 red block at the top left (its near red included), each
    // pixel widened by 7 steps: the nearest block pixel to (7, 7) is (2, 2), 10 steps away.
    EXPECT_EQ(Alpha(Icon().Row(7)[7]), 128);
    EXPECT_EQ(Alpha(Icon().Row(0)[0]), 0);
    EXPECT_EQ(Alpha(Icon().Row(2)[2]), 0);    // near red, inside the tolerance
    EXPECT_EQ(Alpha(Icon().Row(0)[6]), 0);    // 4 steps from (2, 0)
    EXPECT_EQ(Alpha(Icon().Row(6)[5]), 0);    // 7 steps from (2, 2)
    EXPECT_EQ(Alpha(Icon().Row(6)[6]), 128);  // 8 steps from the nearest block pixel
}

TEST_F(Page2, ClicksOutsideThePictureChangeNothingAndRepaintNothing) {
    m_sheet->m_pIcon = Picture({"RRRRRR", "BBBBBB"});  // a wide picture
    Enter();
    const auto before = CloneIcon(&Icon());
    // The square view shows a margin above and below the picture.
    const std::optional<QPoint> above = ViewPointOf(0, -1);
    ASSERT_TRUE(above.has_value());
    QApplication::processEvents();
    PaintCounter paints(m_page->m_wndIcon);
    QTest::mouseClick(m_page->m_wndIcon, Qt::LeftButton, Qt::NoModifier, *above);
    for (QPoint p : {QPoint(-1, 0), QPoint(6, 0), QPoint(0, 2), QPoint(0, -1)}) {
        m_page->OnPick(kRed, p);
    }
    QApplication::processEvents();
    EXPECT_EQ(paints.count, 0);
    EXPECT_TRUE(SamePixels(Icon(), *before));
    // A click on the picture repaints the view.
    ClickPixel(5, 1);
    QApplication::processEvents();
    EXPECT_GT(paints.count, 0);
    EXPECT_EQ(AlphaMap(Icon()), (std::vector<std::string>{"######", "......"}));
}

TEST_F(Page2, ModeButtonsChangeOnlyTheMode) {
    Enter();
    const auto before = CloneIcon(&Icon());
    QTest::mouseClick(m_page->m_btnClosedMode, Qt::LeftButton);
    EXPECT_EQ(m_sheet->m_nTransparentMode, 1);
    EXPECT_FALSE(m_page->m_btnColorMode->isChecked());
    QTest::mouseClick(m_page->m_btnColorMode, Qt::LeftButton);
    EXPECT_EQ(m_sheet->m_nTransparentMode, 0);
    EXPECT_FALSE(m_page->m_btnClosedMode->isChecked());
    EXPECT_TRUE(SamePixels(Icon(), *before));
    EXPECT_EQ(m_page->m_wndIcon->GetImage(), m_sheet->m_pIcon.get());
}

TEST_F(Page2, ResetRestoresThePictureAtEntry) {
    Enter();
    const auto atEntry = CloneIcon(&Icon());
    const CIcon* shown = m_sheet->m_pIcon.get();
    QTest::mouseClick(m_sheet->ResetButton(), Qt::LeftButton);  // nothing to undo yet
    EXPECT_TRUE(SamePixels(Icon(), *atEntry));

    ClickPixel(0, 0);
    QTest::mouseClick(m_page->m_btnClosedMode, Qt::LeftButton);
    m_page->m_editSurrounding->setText(QStringLiteral("2"));
    ClickPixel(3, 3);
    EXPECT_FALSE(SamePixels(Icon(), *atEntry));
    QTest::mouseClick(m_sheet->ResetButton(), Qt::LeftButton);
    EXPECT_TRUE(SamePixels(Icon(), *atEntry));  // alpha included
    EXPECT_EQ(m_sheet->m_pIcon.get(), shown);   // the same picture, restored in place
    EXPECT_EQ(m_page->m_wndIcon->GetImage(), shown);
    // Mode and numbers stay.
    EXPECT_EQ(m_sheet->m_nTransparentMode, 1);
    EXPECT_EQ(m_sheet->m_nTransparentSurrounding, 2);
}

TEST_F(Page2, BackKeepsTheMarksAndTheNextEntryStartsFromThen) {
    Enter();
    ClickPixel(0, 0);
    const auto marked = CloneIcon(&Icon());
    EXPECT_TRUE(m_page->HasResetPoint());
    m_sheet->back();
    EXPECT_FALSE(m_page->HasResetPoint());
    EXPECT_TRUE(SamePixels(Icon(), *marked));
    // Page 1 brings another picture; the reset point is taken from it.
    m_sheet->m_pIcon = Picture(kRows);
    const auto fresh = CloneIcon(&Icon());
    m_sheet->next();
    EXPECT_FALSE(m_page->HasResetPoint());  // taken with the first change
    ClickPixel(3, 3);
    EXPECT_TRUE(m_page->HasResetPoint());
    m_page->OnReset();
    EXPECT_TRUE(SamePixels(Icon(), *fresh));
}

TEST_F(Page2, NextThenBackFindsThePictureAsItWasLeft) {
    Enter();
    ClickPixel(0, 0);
    const auto left = CloneIcon(&Icon());
    const CIcon* handedOn = m_sheet->m_pIcon.get();
    m_sheet->next();
    ASSERT_EQ(m_sheet->currentId(), 2);
    // The later pages get the picture itself; page 2 keeps nothing of it.
    EXPECT_EQ(m_sheet->m_pIcon.get(), handedOn);
    EXPECT_FALSE(m_page->HasResetPoint());
    EXPECT_EQ(m_page->KeptBytes(), 0u);
    m_sheet->back();
    // Coming back finds the picture as it was left.
    EXPECT_EQ(m_sheet->m_pIcon.get(), handedOn);
    EXPECT_TRUE(SamePixels(Icon(), *left));
    EXPECT_EQ(m_page->m_wndIcon->GetImage(), m_sheet->m_pIcon.get());
    // And that is the new reset point.
    ClickPixel(3, 3);
    m_page->OnReset();
    EXPECT_TRUE(SamePixels(Icon(), *left));
}

// --- undo and redo -------------------------------------------------------------------

// The keys as a user presses them, to whichever widget has the focus.
void Press(QWidget* fallback, Qt::Key key, Qt::KeyboardModifiers modifiers) {
    QWidget* target =
        QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : fallback;
    QTest::keyClick(target, key, modifiers);
}

TEST_F(Page2, UndoAndRedoStepThroughTheClicks) {
    Enter();
    const auto atEntry = CloneIcon(&Icon());
    // Expected pictures, made by the core operations themselves on copies.
    auto afterColour = CloneIcon(atEntry.get());
    afterColour->ClearColorRegion(kRed, 0, 0);
    auto afterBoth = CloneIcon(afterColour.get());
    afterBoth->ClearClosedRegion(3, 3, 0, 2);

    ClickPixel(0, 0);  // colour mode, red everywhere
    ASSERT_TRUE(SamePixels(Icon(), *afterColour));
    QTest::mouseClick(m_page->m_btnClosedMode, Qt::LeftButton);
    m_page->m_editSurrounding->setText(QStringLiteral("2"));
    ClickPixel(3, 3);  // the blue region around (3, 3), widened by 2
    ASSERT_TRUE(SamePixels(Icon(), *afterBoth));
    const CIcon* shown = m_sheet->m_pIcon.get();

    Press(m_page, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(SamePixels(Icon(), *afterColour));
    Press(m_page, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(SamePixels(Icon(), *atEntry));
    EXPECT_FALSE(m_page->CanUndo());
    Press(m_page, Qt::Key_Z, Qt::ControlModifier);  // nothing left: nothing changes
    EXPECT_TRUE(SamePixels(Icon(), *atEntry));

    Press(m_page, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_TRUE(SamePixels(Icon(), *afterColour));
    Press(m_page, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(SamePixels(Icon(), *afterBoth));
    EXPECT_FALSE(m_page->CanRedo());
    Press(m_page, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_TRUE(SamePixels(Icon(), *afterBoth));
    // All of it in the picture the view shows.
    EXPECT_EQ(m_sheet->m_pIcon.get(), shown);
    EXPECT_EQ(m_page->m_wndIcon->GetImage(), shown);
}

TEST_F(Page2, ANewClickDropsTheClicksUndone) {
    Enter();
    const auto atEntry = CloneIcon(&Icon());
    ClickPixel(0, 0);                               // red
    ClickPixel(3, 3);                               // blue
    Press(m_page, Qt::Key_Z, Qt::ControlModifier);  // blue back
    ClickPixel(7, 7);                               // green instead
    auto expected = CloneIcon(atEntry.get());
    expected->ClearColorRegion(kRed, 0, 0);
    expected->ClearColorRegion(kGreen, 0, 0);
    EXPECT_TRUE(SamePixels(Icon(), *expected));
    EXPECT_FALSE(m_page->CanRedo());
    Press(m_page, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_TRUE(SamePixels(Icon(), *expected));
    // Undo replays with the values each click had, not the current ones.
    m_page->m_editRange->setText(QStringLiteral("255"));
    m_page->CommitTolerance();
    Press(m_page, Qt::Key_Z, Qt::ControlModifier);
    auto redOnly = CloneIcon(atEntry.get());
    redOnly->ClearColorRegion(kRed, 0, 0);
    EXPECT_TRUE(SamePixels(Icon(), *redOnly));
}

TEST_F(Page2, UndoKeysInAnEditUndoTheClick) {
    Enter();
    const auto atEntry = CloneIcon(&Icon());
    m_page->m_editRange->setFocus();
    m_page->m_editRange->selectAll();
    QTest::keyClicks(m_page->m_editRange, QStringLiteral("5"));
    ClickPixel(0, 0);  // red and the near red within 5
    ASSERT_EQ(AlphaMap(Icon())[2][2], '.');
    QTest::keyClick(m_page->m_editRange, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(SamePixels(Icon(), *atEntry));
    EXPECT_EQ(m_page->m_editRange->text(), QStringLiteral("5"));  // the edit kept its text
    QTest::keyClick(m_page->m_editSurrounding, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(AlphaMap(Icon())[2][2], '.');
}

TEST_F(Page2, ResetForgetsTheClicks) {
    Enter();
    const auto atEntry = CloneIcon(&Icon());
    ClickPixel(0, 0);
    ClickPixel(3, 3);
    Press(m_page, Qt::Key_Z, Qt::ControlModifier);
    QTest::mouseClick(m_sheet->ResetButton(), Qt::LeftButton);
    EXPECT_TRUE(SamePixels(Icon(), *atEntry));
    EXPECT_FALSE(m_page->CanUndo());
    EXPECT_FALSE(m_page->CanRedo());
    Press(m_page, Qt::Key_Y, Qt::ControlModifier);
    Press(m_page, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(SamePixels(Icon(), *atEntry));
}

TEST_F(Page2, ClicksMadeBeforeLeavingCannotBeUndoneAfterComingBack) {
    Enter();
    ClickPixel(0, 0);
    const auto left = CloneIcon(&Icon());
    m_sheet->next();
    m_sheet->back();
    EXPECT_FALSE(m_page->CanUndo());
    Press(m_page, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(SamePixels(Icon(), *left));
}

}  // namespace
}  // namespace varlen
