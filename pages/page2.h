// CVarlenPage2, the transparency page: clicks into the view make parts of the placed
// picture transparent, either every pixel of the clicked colour (within a tolerance) or the
// connected region around the click, each widened by an expansion. Unlike the later pages
// this one changes the sheet's picture itself; Reset brings back the picture as it was
// when the page was entered, and Undo (Ctrl+Z) and Redo (Ctrl+Y, Ctrl+Shift+Z) step back and
// forth through the clicks made since then.
#pragma once

#include <QPoint>
#include <QStringView>
#include <memory>
#include <vector>

#include "core/icon.h"
#include "pages/varlen_page.h"

class QLineEdit;
class QPushButton;

namespace varlen {

class CIconWnd;
class CUpDown;

// The value an edit of this page commits: the leading integer of text (0 when there is
// none), and 255 for anything that is 255 or more as an unsigned 32-bit number, so
// negative values become 255 too.
int CommittedValue(QStringView text);

class CVarlenPage2 : public CVarlenPage {
    Q_OBJECT

  public:
    CVarlenPage2(CVarlenState* sheet, QWidget* parent);
    ~CVarlenPage2() override;

    // Takes the reset point (after putting back the picture left with Next, if any) and
    // loads the controls.
    void OnSetActive() override;
    // Keeps a copy of the picture as it is now, to be put back when the page is entered
    // again.
    bool OnWizardNext() override;
    // Drops the reset point; the picture keeps its marks.
    void OnWizardBack() override;
    // Restores every pixel, alpha included, to the state at entry, and forgets the clicks.
    void OnReset() override;
    // Takes back the last click still in effect, or makes the next one taken back again;
    // false (with a beep) when there is none.
    bool OnUndo();
    bool OnRedo();
    bool CanUndo() const { return m_nApplied > 0; }
    bool CanRedo() const { return m_nApplied < m_clicks.size(); }

    // A click of the view at the picture point, whose pixel is pixel.
    void OnPick(quint32 pixel, QPoint point);
    // Store an edit's value in the sheet and write it back into the edit.
    void CommitTolerance();
    void CommitExpansion();

    // The reset point while the page is shown; the picture left with Next while a later
    // page is shown; else null.
    const CIcon* Snapshot() const { return m_pSnapshot.get(); }

    QPushButton* m_btnColorMode = nullptr;
    QPushButton* m_btnClosedMode = nullptr;
    QLineEdit* m_editRange = nullptr;
    CUpDown* m_spinRange = nullptr;
    QLineEdit* m_editSurrounding = nullptr;
    CUpDown* m_spinSurrounding = nullptr;
    CIconWnd* m_wndIcon = nullptr;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildControls();
    void ConnectControls();
    void ShowMode();

    // One click as it was applied: everything the region operation read.
    struct Click {
        int mode = 0;
        QPoint point;
        quint32 pixel = 0;
        int tolerance = 0;
        int expansion = 0;
    };
    void Apply(const Click& click);
    // A copy of picture; large ones are made off the user-interface thread.
    std::unique_ptr<CIcon> CloneInBackground(const CIcon& picture);
    // The picture as at entry with the first count clicks applied again.
    void Replay(std::size_t count);

    std::unique_ptr<CIcon> m_pSnapshot;
    std::vector<Click> m_clicks;  // since the reset point; the first m_nApplied are in effect
    std::size_t m_nApplied = 0;
};

}  // namespace varlen
