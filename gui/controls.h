// The small controls of the source page: the size field, the rotation field and the
// background colour button.
#pragma once

#include <QLineEdit>
#include <QPushButton>
#include <QString>
#include <QStringView>

#include "core/icon.h"

namespace varlen {

// The leading decimal integer of text: leading blanks, an optional sign, then digits
// (0 when there are none), saturated at the int range.
int LeadingInteger(QStringView text);

// The size field: the side of the source square. It shows "64 x 64" while it does not
// have the keyboard focus and "64" while the user edits it (all of it selected on entry).
class CSizeEdit : public QLineEdit {
    Q_OBJECT

  public:
    explicit CSizeEdit(QWidget* parent = nullptr);

    // The leading integer of the text: "100 x 100" gives 100.
    int GetValue() const;
    void SetValue(int n);

  protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
};

// The rotation field: degrees with at most three decimals, shown with one decimal. Any
// edit by the user that would leave text that is not on the way to such a number is
// refused with a beep; text and selection stay as they were.
class CRotationEdit : public QLineEdit {
    Q_OBJECT

  public:
    explicit CRotationEdit(QWidget* parent = nullptr);

    // Thousandths of a degree: "12.3" gives 12300, "-0.5" gives -500.
    int GetValue() const;
    // Shows value / 1000 with one decimal and selects all of it.
    void SetValue(int value);
    bool IsValid() const;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    // The middle button pastes the primary selection on release.
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    // Runs one user edit; if it leaves invalid text, beeps and puts back the text and the
    // selection from before it.
    template <typename Edit>
    void CheckedEdit(Edit edit);
};

// Each of red, green and blue of a Windows colour value halfway to white:
// 255 - (255 - c) / 2. The alpha byte becomes 0.
ColorRef LightenHalfway(ColorRef colour);

// A push button showing a colour swatch: framed black and filled with the colour, or,
// while disabled, framed grey and filled with the colour lightened halfway to white. The
// button itself (bevel, pressed, hover, focus) is drawn by the application's style.
class CColorButton : public QPushButton {
    Q_OBJECT
    Q_PROPERTY(quint32 color READ GetColor WRITE SetColor)

  public:
    explicit CColorButton(QWidget* parent = nullptr);

    // A Windows colour value (red in the low byte); white at first.
    ColorRef GetColor() const { return m_crColor; }
    void SetColor(ColorRef colour);
    bool IsHover() const { return m_bHover; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    bool m_bHover = false;
    ColorRef m_crColor = 0x00FFFFFF;
};

}  // namespace varlen
