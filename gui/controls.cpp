// The size field, the rotation field and the colour button.
//
// Contracts and traps:
// - Size field: the value is whatever integer the text begins with, so the reformatting
//   between "64 x 64" (not focused) and "64" (focused) never changes it. Rewriting the
//   text emits textChanged like any other change; a page that reacts to it must accept
//   being told the same value again. A focus change caused by a popup menu (the field's
//   own context menu) is not an end of editing and leaves the text alone.
// - Rotation field: every user edit (typed key, paste, middle-click paste of the primary
//   selection, cut, undo, drop, input-method commit, context-menu action) is checked after it has
//   been applied; text that could not become a number of degrees with at most three decimals is
//   refused with a beep, and the text and the selection (with its direction) from before the edit
//   come back. Text set by the program is not checked. Validation and value reading are the shared
//   rotation text rules of the core, so the field and the command line agree.
// - Colour button: the style draws the button; only the swatch is ours. The swatch frame
//   is one pixel wide inside the rectangle, drawn as a filled rectangle with the inner
//   part filled over it, so it has no antialiasing or pen-width questions.
#include "gui/controls.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionButton>
#include <climits>
#include <memory>

#include "core/rotation_text.h"

namespace varlen {

int LeadingInteger(QStringView text) {
    qsizetype i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        value = value * 10 + (text[i].unicode() - u'0');
        if (value > static_cast<long long>(INT_MAX) + 1) {
            value = static_cast<long long>(INT_MAX) + 1;
        }
    }
    if (negative) {
        value = -value;
    }
    return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

// --- CSizeEdit ---

CSizeEdit::CSizeEdit(QWidget* parent) : QLineEdit(parent) {}

int CSizeEdit::GetValue() const {
    return LeadingInteger(text());
}

void CSizeEdit::SetValue(int n) {
    if (hasFocus()) {
        setText(QString::number(n));
    } else {
        setText(QStringLiteral("%1 x %1").arg(n));
    }
}

void CSizeEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    setText(QString::number(GetValue()));
    selectAll();
}

void CSizeEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    if (event->reason() != Qt::PopupFocusReason) {
        const int n = GetValue();
        setText(QStringLiteral("%1 x %1").arg(n));
    }
}

// --- CRotationEdit ---

CRotationEdit::CRotationEdit(QWidget* parent) : QLineEdit(parent) {}

int CRotationEdit::GetValue() const {
    return RotationTextValue(text().toStdString());
}

void CRotationEdit::SetValue(int value) {
    setText(QString::fromStdString(FormatRotation(value)));
    selectAll();
}

bool CRotationEdit::IsValid() const {
    return IsValidRotationText(text().toStdString());
}

template <typename Edit>
void CRotationEdit::CheckedEdit(Edit edit) {
    const QString before = text();
    const int cursor = cursorPosition();
    const int start = selectionStart();
    const int length = static_cast<int>(selectedText().size());
    edit();
    if (IsValid()) {
        return;
    }
    QApplication::beep();
    setText(before);
    if (start < 0 || length == 0) {
        setCursorPosition(cursor);
    } else if (cursor == start) {
        // The cursor sat at the start: select backwards so it stays there.
        setSelection(start + length, -length);
    } else {
        setSelection(start, length);
    }
}

void CRotationEdit::keyPressEvent(QKeyEvent* event) {
    CheckedEdit([&] { QLineEdit::keyPressEvent(event); });
}

void CRotationEdit::inputMethodEvent(QInputMethodEvent* event) {
    CheckedEdit([&] { QLineEdit::inputMethodEvent(event); });
}

void CRotationEdit::dropEvent(QDropEvent* event) {
    CheckedEdit([&] { QLineEdit::dropEvent(event); });
}

void CRotationEdit::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::MiddleButton) {
        CheckedEdit([&] { QLineEdit::mouseReleaseEvent(event); });
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

void CRotationEdit::contextMenuEvent(QContextMenuEvent* event) {
    // The standard menu runs to its end here, so that a paste or an undo chosen from it is
    // checked like a typed key.
    const std::unique_ptr<QMenu> menu(createStandardContextMenu());
    if (menu) {
        CheckedEdit([&] { menu->exec(event->globalPos()); });
    }
    event->accept();
}

// --- CColorButton ---

ColorRef LightenHalfway(ColorRef colour) {
    auto lighten = [](ColorRef c) { return 255 - (255 - (c & 0xFF)) / 2; };
    return lighten(colour) | (lighten(colour >> 8) << 8) | (lighten(colour >> 16) << 16);
}

CColorButton::CColorButton(QWidget* parent) : QPushButton(parent) {}

void CColorButton::SetColor(ColorRef colour) {
    m_crColor = colour;
    update();
}

void CColorButton::enterEvent(QEnterEvent* event) {
    if (!m_bHover) {
        m_bHover = true;
        update();
    }
    QPushButton::enterEvent(event);
}

void CColorButton::leaveEvent(QEvent* event) {
    m_bHover = false;
    update();
    QPushButton::leaveEvent(event);
}

void CColorButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    option.icon = QIcon();
    if (m_bHover) {
        option.state |= QStyle::State_MouseOver;
    }
    style()->drawControl(QStyle::CE_PushButton, &option, &painter, this);

    QRect r = rect().adjusted(5, 5, -5, -5);
    if (isDown() || isChecked()) {
        r.translate(style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &option, this),
                    style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &option, this));
    }
    const bool enabled = isEnabled();
    const QColor frame =
        enabled ? QColor(Qt::black) : palette().color(QPalette::Disabled, QPalette::Text);
    const ColorRef fill = enabled ? m_crColor : LightenHalfway(m_crColor);
    painter.fillRect(r, frame);
    painter.fillRect(r.adjusted(1, 1, -1, -1),
                     QColor(static_cast<int>(fill & 0xFF), static_cast<int>((fill >> 8) & 0xFF),
                            static_cast<int>((fill >> 16) & 0xFF)));
}

}  // namespace varlen
