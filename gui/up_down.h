// CUpDown: the pair of small arrow buttons beside an edit field. It does not hold a value:
// each press (and each auto-repeat while held) proposes a change, -1 for the up arrow and
// +1 for the down arrow, and the owner decides what a step means. The Up and Down keys
// in the buddy field propose the same changes.
#pragma once

#include <QWidget>

class QToolButton;

namespace varlen {

class CUpDown : public QWidget {
    Q_OBJECT

  public:
    explicit CUpDown(QWidget* parent = nullptr);

    // Routes the Up and Down keys of buddy to this control (the buddy keeps every other
    // key).
    void SetBuddy(QWidget* buddy);
    QWidget* Buddy() const { return m_pBuddy; }

    QToolButton* UpButton() const { return m_pUp; }
    QToolButton* DownButton() const { return m_pDown; }

    QSize sizeHint() const override;

  signals:
    // A proposed change: -1 up, +1 down.
    void deltaPos(int delta);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    QToolButton* m_pUp = nullptr;
    QToolButton* m_pDown = nullptr;
    QWidget* m_pBuddy = nullptr;
};

}  // namespace varlen
