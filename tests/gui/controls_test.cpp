// Tests of the size field, the rotation field and the colour button.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QEnterEvent>
#include <QHBoxLayout>
#include <QImage>
#include <QTest>
#include <climits>

#include "gui/controls.h"

namespace varlen {
namespace {

// A shown, active window holding the control under test and a second field to move the
// focus to.
template <typename Control>
struct FocusWindow {
    FocusWindow() {
        auto* layout = new QHBoxLayout(&window);
        control = new Control;
        other = new QLineEdit;
        layout->addWidget(control);
        layout->addWidget(other);
        window.show();
        QApplication::setActiveWindow(&window);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
        FocusOther();
    }
    void FocusControl() {
        control->setFocus(Qt::TabFocusReason);
        EXPECT_TRUE(control->hasFocus());
    }
    void FocusOther() {
        other->setFocus(Qt::TabFocusReason);
        EXPECT_FALSE(control->hasFocus());
    }
    QWidget window;
    Control* control = nullptr;
    QLineEdit* other = nullptr;
};

TEST(SizeEdit, LeadingInteger) {
    EXPECT_EQ(LeadingInteger(u"100 x 100"), 100);
    EXPECT_EQ(LeadingInteger(u"abc"), 0);
    EXPECT_EQ(LeadingInteger(u""), 0);
    EXPECT_EQ(LeadingInteger(u" -5x"), -5);
    EXPECT_EQ(LeadingInteger(u"+7"), 7);
    EXPECT_EQ(LeadingInteger(u"x 12"), 0);
    EXPECT_EQ(LeadingInteger(u"99999999999"), INT_MAX);
    EXPECT_EQ(LeadingInteger(u"-99999999999"), INT_MIN);
}

TEST(SizeEdit, TextFormatFollowsTheFocus) {
    FocusWindow<CSizeEdit> w;
    w.control->SetValue(64);
    EXPECT_EQ(w.control->text(), QStringLiteral("64 x 64"));
    EXPECT_EQ(w.control->GetValue(), 64);

    w.FocusControl();
    EXPECT_EQ(w.control->text(), QStringLiteral("64"));
    EXPECT_EQ(w.control->selectedText(), QStringLiteral("64"));
    w.control->SetValue(32);
    EXPECT_EQ(w.control->text(), QStringLiteral("32"));

    w.FocusOther();
    EXPECT_EQ(w.control->text(), QStringLiteral("32 x 32"));
    EXPECT_EQ(w.control->GetValue(), 32);

    // Typed text replaces the selection and is reformatted on leaving.
    w.FocusControl();
    QTest::keyClicks(w.control, QStringLiteral("100"));
    EXPECT_EQ(w.control->text(), QStringLiteral("100"));
    w.FocusOther();
    EXPECT_EQ(w.control->text(), QStringLiteral("100 x 100"));
    // Text that does not begin with a number reads as 0.
    w.FocusControl();
    QTest::keyClicks(w.control, QStringLiteral("ab"));
    w.FocusOther();
    EXPECT_EQ(w.control->text(), QStringLiteral("0 x 0"));
}

TEST(RotationEdit, ValueAndFormat) {
    CRotationEdit edit;
    const struct {
        const char* text;
        int value;
    } cases[] = {{"12.3", 12300}, {"-5.25", -5250}, {".5", 500}, {"7", 7000}, {"-0.5", -500}};
    for (const auto& c : cases) {
        edit.setText(QString::fromLatin1(c.text));
        EXPECT_EQ(edit.GetValue(), c.value) << c.text;
    }
    edit.SetValue(12300);
    EXPECT_EQ(edit.text(), QStringLiteral("12.3"));
    EXPECT_EQ(edit.selectedText(), QStringLiteral("12.3"));
    edit.SetValue(359999);
    EXPECT_EQ(edit.text(), QStringLiteral("360.0"));
    EXPECT_EQ(edit.GetValue(), 360000);
}

TEST(RotationEdit, IsValid) {
    CRotationEdit edit;
    for (const char* ok : {"", "-", "+", ".", "12.", "+1.5", "-0.125", "360"}) {
        edit.setText(QString::fromLatin1(ok));
        EXPECT_TRUE(edit.IsValid()) << ok;
    }
    for (const char* bad : {"1.2345", "1.2.3", "--1", " 1", "1e5", "1 ", "+-1"}) {
        edit.setText(QString::fromLatin1(bad));
        EXPECT_FALSE(edit.IsValid()) << bad;
    }
}

TEST(RotationEdit, TypingStopsAtThreeDecimals) {
    FocusWindow<CRotationEdit> w;
    w.FocusControl();
    w.control->clear();
    QTest::keyClicks(w.control, QStringLiteral("1234.5678"));
    EXPECT_EQ(w.control->text(), QStringLiteral("1234.567"));
    EXPECT_EQ(w.control->cursorPosition(), 8);
    // Accepted characters around refused ones.
    w.control->clear();
    QTest::keyClicks(w.control, QStringLiteral("-x1e.5"));
    EXPECT_EQ(w.control->text(), QStringLiteral("-1.5"));
}

TEST(RotationEdit, RefusedEditRestoresTextAndSelection) {
    FocusWindow<CRotationEdit> w;
    w.FocusControl();
    w.control->setText(QStringLiteral("12.5"));
    w.control->setSelection(0, 2);
    QTest::keyClick(w.control, Qt::Key_A);
    EXPECT_EQ(w.control->text(), QStringLiteral("12.5"));
    EXPECT_EQ(w.control->selectedText(), QStringLiteral("12"));
    EXPECT_EQ(w.control->selectionStart(), 0);

    // A selection made backwards keeps the cursor at its start.
    w.control->setSelection(4, -2);
    QTest::keyClick(w.control, Qt::Key_Minus);  // would give "12-"
    EXPECT_EQ(w.control->text(), QStringLiteral("12.5"));
    EXPECT_EQ(w.control->selectedText(), QStringLiteral(".5"));
    EXPECT_EQ(w.control->cursorPosition(), 2);

    // A paste of invalid text is refused; a valid one goes in.
    w.control->setText(QStringLiteral("7"));
    w.control->setCursorPosition(1);
    QApplication::clipboard()->setText(QStringLiteral("1e5"));
    QTest::keyClick(w.control, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(w.control->text(), QStringLiteral("7"));
    EXPECT_EQ(w.control->cursorPosition(), 1);
    QApplication::clipboard()->setText(QStringLiteral(".25"));
    QTest::keyClick(w.control, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(w.control->text(), QStringLiteral("7.25"));
}

// The middle button pastes the primary selection (X11) where the pointer is; that paste
// is a user edit like any other and must not leave text that is no angle.
TEST(RotationEdit, MiddleClickPasteIsCheckedToo) {
    QClipboard* clipboard = QApplication::clipboard();
    if (!clipboard->supportsSelection()) {
        GTEST_SKIP() << "this platform has no primary selection";
    }
    // No focus is needed for this paste (nor an active window).
    struct {
        QWidget window;
        CRotationEdit* control = new CRotationEdit(&window);
    } w;
    w.window.resize(200, 60);
    w.control->setGeometry(10, 10, 150, 30);
    w.window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w.window));
    w.control->SetValue(12000);
    const QPoint end(w.control->width() - 4, w.control->height() / 2);
    clipboard->setText(QStringLiteral("154.7abc"), QClipboard::Selection);
    QTest::mousePress(w.control, Qt::MiddleButton, Qt::NoModifier, end);
    QTest::mouseRelease(w.control, Qt::MiddleButton, Qt::NoModifier, end);
    EXPECT_EQ(w.control->text(), QStringLiteral("12.0"));
    EXPECT_EQ(w.control->GetValue(), 12000);

    w.control->clear();
    clipboard->setText(QStringLiteral("154.7"), QClipboard::Selection);
    QTest::mousePress(w.control, Qt::MiddleButton, Qt::NoModifier, end);
    QTest::mouseRelease(w.control, Qt::MiddleButton, Qt::NoModifier, end);
    EXPECT_EQ(w.control->text(), QStringLiteral("154.7"));
    EXPECT_EQ(w.control->GetValue(), 154700);
}

TEST(ColorButton, ColourPropertyAndLightening) {
    CColorButton button;
    EXPECT_EQ(button.GetColor(), 0x00FFFFFFu);
    button.SetColor(0x00123456);
    EXPECT_EQ(button.property("color").toUInt(), 0x00123456u);
    button.setProperty("color", 0x000000FFu);
    EXPECT_EQ(button.GetColor(), 0x000000FFu);

    // Pure blue (0, 0, 255) becomes (128, 128, 255); 255 - (255 - 1) / 2 = 128 too.
    EXPECT_EQ(LightenHalfway(0x00FF0000), 0x00FF8080u);
    EXPECT_EQ(LightenHalfway(0x00FE0001), 0x00FF8080u);
    EXPECT_EQ(LightenHalfway(0x00FFFFFF), 0x00FFFFFFu);
}

TEST(ColorButton, HoverFollowsTheMouse) {
    CColorButton button;
    EXPECT_FALSE(button.IsHover());
    QEnterEvent enter(QPointF(3, 3), QPointF(3, 3), QPointF(3, 3));
    QApplication::sendEvent(&button, &enter);
    EXPECT_TRUE(button.IsHover());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&button, &leave);
    EXPECT_FALSE(button.IsHover());
}

TEST(ColorButton, SwatchFramedAndFilled) {
    CColorButton button;
    button.resize(60, 30);
    button.SetColor(0x000000FF);  // red
    QImage image = button.grab().toImage();
    EXPECT_EQ(image.pixel(30, 15) & 0xFFFFFFu, 0xFF0000u);
    EXPECT_EQ(image.pixel(5, 5) & 0xFFFFFFu, 0x000000u);
    EXPECT_EQ(image.pixel(54, 24) & 0xFFFFFFu, 0x000000u);
    EXPECT_EQ(image.pixel(6, 6) & 0xFFFFFFu, 0xFF0000u);

    button.setEnabled(false);
    image = button.grab().toImage();
    EXPECT_EQ(image.pixel(30, 15) & 0xFFFFFFu, 0xFF8080u);
    EXPECT_EQ(QColor(image.pixel(5, 5)),
              button.palette().color(QPalette::Disabled, QPalette::Text));
}

}  // namespace
}  // namespace varlen
