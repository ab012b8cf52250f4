// CVarlen: the program's only window, a five-page wizard over the state the pages share
// (CVarlenState: the current picture, the placement chosen on page 1, the settings, the
// output file name and the format list). Pages reach that state through their m_pSheet
// and read and write its members directly; they never see the sheet itself.
#pragma once

#include <QString>
#include <QWizard>
#include <memory>

#include "gui/varlen_state.h"

class QAction;

namespace varlen {

class CVarlenPage;
class CVarlenPage1;
class CVarlenPage2;
class CVarlenPage3;
class CVarlenPage4;
class CVarlenPage5;

class CVarlen : public QWizard, public CVarlenState {
    Q_OBJECT

  public:
    // Sets every value to its default, then reads the user's store.
    explicit CVarlen(QWidget* parent = nullptr);
    // Writes the format list (and only that) to the store, however the wizard ended.
    ~CVarlen() override;

    // The active page, or null before the wizard has started.
    CVarlenPage* ActivePage() const;
    QAbstractButton* ResetButton() const { return button(QWizard::CustomButton1); }
    // Opens the About dialog modally.
    void ShowAbout();
    // Opens the manual in the desktop's browser (or says where it was looked for).
    void ShowManual();
    // "マニュアル(&M)" (F1), first in the Help button's menu and in the context menu.
    QAction* ManualAction() const { return m_pManualAction; }
    // "バージョン情報(&A)", in the Help button's menu and the wizard's context menu.
    QAction* AboutAction() const { return m_pAboutAction; }

    CVarlenPage1* m_pPage1 = nullptr;
    CVarlenPage2* m_pPage2 = nullptr;
    CVarlenPage3* m_pPage3 = nullptr;
    CVarlenPage4* m_pPage4 = nullptr;
    CVarlenPage5* m_pPage5 = nullptr;

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // Finish (accept) runs through here; it validates the active page as a Finish.
    void done(int result) override;
    // Esc and the window's close box: once a picture is loaded, asks first (No keeps the
    // wizard open).
    void reject() override;

  private:
    void OnCurrentIdChanged(int id);
    void OnCustomButtonClicked(int which);

    // Freezes the window size at the first show, when every page has its controls.
    void FixSize();
    // The keyboard rules of the button row, set at the first show: the reset button
    // follows the page in the tab order and is as wide as Help; Enter is Next (Finish on
    // the last page) and Space presses the focused button (no push button of a page is
    // auto-default); Alt+B and Alt+N are Back and Next even where a page's control shows
    // the same letter.
    void SetUpKeyboard();
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Gives the header room for every line of the subtitles.
    void FitHeader();

    QAction* m_pAboutAction = nullptr;
    QAction* m_pManualAction = nullptr;
    bool m_bSizeFixed = false;
};

}  // namespace varlen
