// The arrow pair beside a field: proposed changes from the arrows and the field's keys.
#include "gui/up_down.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

namespace varlen {
namespace {

TEST(UpDown, ArrowsAndBuddyKeysProposeChanges) {
    QWidget parent;
    auto* field = new QLineEdit(&parent);
    auto* arrows = new CUpDown(&parent);
    arrows->SetBuddy(field);
    QSignalSpy spy(arrows, &CUpDown::deltaPos);
    QTest::mouseClick(arrows->UpButton(), Qt::LeftButton);
    QTest::mouseClick(arrows->DownButton(), Qt::LeftButton);
    QTest::keyClick(field, Qt::Key_Up);
    QTest::keyClick(field, Qt::Key_Down);
    ASSERT_EQ(spy.count(), 4);
    EXPECT_EQ(spy[0][0].toInt(), -1);
    EXPECT_EQ(spy[1][0].toInt(), 1);
    EXPECT_EQ(spy[2][0].toInt(), -1);
    EXPECT_EQ(spy[3][0].toInt(), 1);
    // Other keys stay with the field.
    QTest::keyClicks(field, QStringLiteral("12"));
    EXPECT_EQ(field->text(), QStringLiteral("12"));
    EXPECT_EQ(spy.count(), 4);
}

TEST(UpDown, DisabledProposesNothingAndTakesNoFocus) {
    QWidget parent;
    auto* field = new QLineEdit(&parent);
    auto* arrows = new CUpDown(&parent);
    arrows->SetBuddy(field);
    EXPECT_EQ(arrows->UpButton()->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(arrows->sizeHint().height(), field->sizeHint().height());
    arrows->setEnabled(false);
    QSignalSpy spy(arrows, &CUpDown::deltaPos);
    QTest::keyClick(field, Qt::Key_Up);
    QTest::mouseClick(arrows->UpButton(), Qt::LeftButton);
    EXPECT_EQ(spy.count(), 0);
}

}  // namespace
}  // namespace varlen
