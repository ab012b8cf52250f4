// The arrow pair of an edit field. Contract: it proposes changes and keeps no value, so
// the owner's step rule (a side that grows by 2, a tenth of a degree) lives with the owner.
// Traps: the buttons take no keyboard focus (Tab goes to the field, whose Up and Down keys
// do the same); while the control is disabled the buddy's arrow keys do nothing either.
#include "gui/up_down.h"

#include <QEvent>
#include <QKeyEvent>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace varlen {

namespace {

QToolButton* MakeArrow(QWidget* parent, Qt::ArrowType arrow) {
    auto* button = new QToolButton(parent);
    button->setArrowType(arrow);
    button->setAutoRepeat(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    return button;
}

}  // namespace

CUpDown::CUpDown(QWidget* parent) : QWidget(parent) {
    m_pUp = MakeArrow(this, Qt::UpArrow);
    m_pDown = MakeArrow(this, Qt::DownArrow);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_pUp);
    layout->addWidget(m_pDown);
    connect(m_pUp, &QToolButton::clicked, this, [this] { emit deltaPos(-1); });
    connect(m_pDown, &QToolButton::clicked, this, [this] { emit deltaPos(1); });
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize CUpDown::sizeHint() const {
    // As tall as the field beside it, each arrow a little wider than half of that.
    const int height =
        m_pBuddy != nullptr ? m_pBuddy->sizeHint().height() : fontMetrics().height() * 3 / 2;
    return {std::max(height * 2 / 3, 12), height};
}

void CUpDown::SetBuddy(QWidget* buddy) {
    if (m_pBuddy != nullptr) {
        m_pBuddy->removeEventFilter(this);
    }
    m_pBuddy = buddy;
    if (buddy != nullptr) {
        buddy->installEventFilter(this);
    }
    updateGeometry();
}

bool CUpDown::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_pBuddy && event->type() == QEvent::KeyPress && isEnabled()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) {
            emit deltaPos(key->key() == Qt::Key_Up ? -1 : 1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CUpDown::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        updateGeometry();
    }
    QWidget::changeEvent(event);
}

}  // namespace varlen
