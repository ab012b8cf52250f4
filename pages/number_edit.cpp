// Digits-only edit with an arrow pair. Contract: the validator lets only digits in (an
// empty field included, read as 0); the arrows step from the number shown, clamped into
// the range, so a number typed beyond the range comes back into it on the first step.
// Trap: QAbstractSpinBox keeps no value of its own here; the text is the only state, so
// there is nothing to get out of step with it.
#include "pages/number_edit.h"

#include <QLineEdit>
#include <algorithm>

#include "gui/controls.h"

namespace varlen {

CNumberEdit::CNumberEdit(QWidget* parent) : QAbstractSpinBox(parent) {
    setAccelerated(false);
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    connect(lineEdit(), &QLineEdit::textChanged, this, &CNumberEdit::textChanged);
}

void CNumberEdit::SetRange(int min, int max) {
    m_nMin = min;
    m_nMax = std::max(min, max);
    update();
}

int CNumberEdit::GetValue() const {
    return LeadingInteger(lineEdit()->text());
}

void CNumberEdit::SetValue(int value) {
    SetText(QString::number(value));
}

void CNumberEdit::SetText(const QString& text) {
    lineEdit()->setText(text);
}

void CNumberEdit::ClampToRange() {
    SetValue(std::clamp(GetValue(), m_nMin, m_nMax));
}

void CNumberEdit::stepBy(int steps) {
    const long long next = static_cast<long long>(GetValue()) + steps;
    SetValue(static_cast<int>(std::clamp<long long>(next, m_nMin, m_nMax)));
    lineEdit()->selectAll();
}

QValidator::State CNumberEdit::validate(QString& input, int& /*pos*/) const {
    const bool digits =
        std::all_of(input.cbegin(), input.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    return digits ? QValidator::Acceptable : QValidator::Invalid;
}

QAbstractSpinBox::StepEnabled CNumberEdit::stepEnabled() const {
    if (!isEnabled()) {
        return StepNone;
    }
    const int value = GetValue();
    StepEnabled result = StepNone;
    if (value < m_nMax) {
        result |= StepUpEnabled;
    }
    if (value > m_nMin) {
        result |= StepDownEnabled;
    }
    return result;
}

void CNumberEdit::focusOutEvent(QFocusEvent* event) {
    QAbstractSpinBox::focusOutEvent(event);
    emit focusLost();
}

}  // namespace varlen
