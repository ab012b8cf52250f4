// CVarlenPage2, the transparency page: clicks into the view make parts of the placed
// picture transparent, either every pixel of the clicked colour (within a tolerance) or the
// connected region around the click, each widened by an expansion. Unlike the later pages
// this one changes the sheet's picture itself; Reset brings back the picture as it was
// when the page was entered, and Undo (Ctrl+Z) and Redo (Ctrl+Y, Ctrl+Shift+Z) step back and
// forth through the clicks made since then. Every change of the picture runs in the
// background with progress and a Cancel that leaves picture, clicks and undo state as they
// were.
#pragma once

#include <QPoint>
#include <QString>
#include <QStringView>
#include <functional>
#include <optional>
#include <vector>

#include "core/alpha_plane.h"
#include "core/icon.h"
#include "pages/varlen_page.h"

class QLineEdit;
class QPushButton;

namespace varlen {

class CIconWnd;
class CUpDown;
class Workers;

// The value an edit of this page commits: the leading integer of text (0 when there is
// none), and 255 for anything that is 255 or more as an unsigned 32-bit number, so
// negative values become 255 too.
int CommittedValue(QStringView text);

class CVarlenPage2 : public CVarlenPage {
    Q_OBJECT

  public:
    CVarlenPage2(CVarlenState* sheet, QWidget* parent);
    ~CVarlenPage2() override;

    // Starts with the picture as it is now as the reset point and loads the controls.
    void OnSetActive() override;
    // Next and Back drop the reset point and the clicks; the picture keeps its marks.
    bool OnWizardNext() override;
    void OnWizardBack() override;
    // Restores every pixel, alpha included, to the state at entry, and forgets the clicks.
    void OnReset() override;
    // Takes back the last click still in effect, or makes the next one taken back again;
    // false (with a beep) when there is none, false too when cancelled.
    bool OnUndo();
    bool OnRedo();
    bool CanUndo() const { return m_nApplied > 0; }
    bool CanRedo() const { return m_nApplied < m_clicks.size(); }

    // A click of the view at the picture point, whose pixel is pixel.
    void OnPick(quint32 pixel, QPoint point);
    // Store an edit's value in the sheet and write it back into the edit.
    void CommitTolerance();
    void CommitExpansion();

    // True once the page holds a reset point: from the first change of the picture after
    // entering it until Next or Back.
    bool HasResetPoint() const { return m_resetAlpha.has_value(); }
    // The bytes the kept alpha takes (the reset point and nothing else).
    std::size_t KeptBytes() const { return m_resetAlpha ? m_resetAlpha->Bytes() : 0; }

    // For tests: runs on the working thread after every change of the picture, before the
    // change counts (a Cancel pressed meanwhile still takes it back).
    std::function<void()> m_fnAfterChange;

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
    static void Apply(CIcon& picture, const Click& click, Workers& pool);
    // Runs change on the sheet's picture in the background; true when it ran to its end.
    bool ChangePicture(const std::function<void(CIcon&, Workers&)>& change);
    // Makes picture the one at entry with the first count clicks applied again.
    void Rebuild(CIcon& picture, std::size_t count, Workers& pool) const;

    // The alpha of the picture at entry (the clicks change nothing else); taken with the
    // first change.
    std::optional<AlphaPlane> m_resetAlpha;
    std::vector<Click> m_clicks;  // since the reset point; the first m_nApplied are in effect
    std::size_t m_nApplied = 0;
};

}  // namespace varlen
