// CNumberEdit: an edit that takes digits only, with an arrow pair that steps its number
// within a range (the arrow keys and the wheel step too). The text itself may hold any
// run of digits, in range or not: the dialogs decide what an out-of-range number means
// (a greyed OK, or a clamp when the field is left).
#pragma once

#include <QAbstractSpinBox>
#include <QString>

namespace varlen {

class CNumberEdit : public QAbstractSpinBox {
    Q_OBJECT

  public:
    explicit CNumberEdit(QWidget* parent = nullptr);

    // The range of the arrows (and of ClampToRange); min <= max.
    void SetRange(int min, int max);
    int Minimum() const { return m_nMin; }
    int Maximum() const { return m_nMax; }

    // The text read as a signed integer: 0 without digits, saturated at the int range.
    int GetValue() const;
    // Shows value as decimal digits.
    void SetValue(int value);
    // Replaces the text as it stands (text() reads it).
    void SetText(const QString& text);
    // The value clamped into the range, written back as text.
    void ClampToRange();

    void stepBy(int steps) override;
    QValidator::State validate(QString& input, int& pos) const override;

  signals:
    // The text changed, by the user or by SetValue.
    void textChanged(const QString& text);
    // The field lost the keyboard focus.
    void focusLost();

  protected:
    StepEnabled stepEnabled() const override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    int m_nMin = 0;
    int m_nMax = 99;
};

}  // namespace varlen
