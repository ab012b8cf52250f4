// CVarlen: the program's only window, a five-page wizard that owns the state the pages
// share: the current picture, the placement chosen on page 1, the settings, the output
// file name and the format list. Pages reach it through their m_pSheet and read and write
// these members directly.
#pragma once

#include <QString>
#include <QWizard>
#include <memory>

#include "app/settings.h"
#include "core/icon.h"

class QAction;

namespace varlen {

class CVarlenPage;
class CVarlenPage1;
class CVarlenPage2;
class CVarlenPage3;
class CVarlenPage4;
class CVarlenPage5;
class Workers;

class CVarlen : public QWizard, public VarlenSettings {
    Q_OBJECT

  public:
    // Sets every value to its default, then reads the user's store.
    explicit CVarlen(QWidget* parent = nullptr);
    // Writes the format list (and only that) to the store, however the wizard ended.
    ~CVarlen() override;

    // Writes every setting to the user's store: after an icon file has been created and
    // after one format has been exported. When the store cannot be written (a full disk,
    // a read-only folder) the user is told, over parent, and the old store stays as it was;
    // the work just done is not affected. False then.
    bool SaveSettings(QWidget* parent) const;

    // The active page, or null before the wizard has started.
    CVarlenPage* ActivePage() const;
    QAbstractButton* ResetButton() const { return button(QWizard::CustomButton1); }
    void EnableReset(bool enable);
    // Opens the About dialog modally.
    void ShowAbout();
    // "バージョン情報(&A)", in the Help button's menu and the wizard's context menu.
    QAction* AboutAction() const { return m_pAboutAction; }
    // True while Finish is being handled: the active page hears OnWizardFinish, not
    // OnWizardNext.
    bool IsFinishing() const { return m_bFinishing; }
    // The worker threads (one per processor) that the pages' previews and the icon build
    // spread their work over: one pool for the whole wizard, made at its first use.
    Workers& Pool();

    CVarlenPage1* m_pPage1 = nullptr;
    CVarlenPage2* m_pPage2 = nullptr;
    CVarlenPage3* m_pPage3 = nullptr;
    CVarlenPage4* m_pPage4 = nullptr;
    CVarlenPage5* m_pPage5 = nullptr;

    QString m_strStartupFile;  // picture path from the command line; read once by page 1
    // The current picture; never null. A blank 512 x 512 32-bit image until page 1 loads.
    std::unique_ptr<CIcon> m_pIcon;
    // Placement chosen on page 1, in picture pixels (right and bottom exclusive); may
    // reach outside the picture. Never stored.
    Rect m_rcSource;
    bool m_bMirror = false;
    int m_nRotation = 0;    // thousandths of a degree, 0 ... 359999
    QString m_strIconFile;  // output icon file, proposed by page 1, edited on page 5

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // Finish (accept) runs through here; it validates the active page as a Finish.
    void done(int result) override;

  private:
    void OnCurrentIdChanged(int id);
    void OnCustomButtonClicked(int which);

    // Freezes the window size at the first show, when every page has its controls.
    void FixSize();
    // Gives the header room for every line of the subtitles.
    void FitHeader();

    QAction* m_pAboutAction = nullptr;
    std::unique_ptr<Workers> m_pWorkers;
    bool m_bSizeFixed = false;
    bool m_bFinishing = false;
};

}  // namespace varlen
