// CVarlenState: what the five pages of the wizard share. The settings (each member named
// after its stored value), the current picture and its placement, the output file name,
// the format list, the worker pool, and two hooks the sheet fills in: the reset button's
// state and whether Finish is being handled. Plain state below the pages, so a page never
// needs the sheet that holds it.
#pragma once

#include <QCoreApplication>
#include <QString>
#include <functional>
#include <memory>

#include "core/icon.h"
#include "core/size_pictures.h"
#include "gui/background_work.h"
#include "gui/settings.h"

class QWidget;

namespace varlen {

class Workers;

class CVarlenState : public VarlenSettings {
    Q_DECLARE_TR_FUNCTIONS(CVarlenState)

  public:
    CVarlenState();
    ~CVarlenState();
    CVarlenState(const CVarlenState&) = delete;
    CVarlenState& operator=(const CVarlenState&) = delete;

    // Writes every setting to the user's store: after an icon file has been created and
    // after one format has been exported. When the store cannot be written (a full disk,
    // a read-only folder) the user is told, over parent, and the old store stays as it was;
    // the work just done is not affected. False then.
    bool SaveSettings(QWidget* parent) const;

    // The worker threads (one per processor) that the pages' previews and the icon build
    // spread their work over: one pool for the whole wizard, made at its first use.
    Workers& Pool();

    // The sheet's reset button; a no-op until the sheet has set m_fnEnableReset.
    void EnableReset(bool enable) const;
    // True while Finish is being handled: the active page hears OnWizardFinish, not
    // OnWizardNext.
    bool IsFinishing() const { return m_bFinishing; }

    QString m_strStartupFile;  // picture path from the command line; read once by page 1
    // The current picture; never null. A blank 512 x 512 32-bit image until page 1 loads
    // one. Two meanings: while page 1 is shown it is the picture as loaded (unplaced);
    // page 1's Next replaces it by the placed square, which pages 2 to 5 work on.
    std::unique_ptr<CIcon> m_pIcon;
    // Placement chosen on page 1, in picture pixels (right and bottom exclusive); may
    // reach outside the picture. Never stored.
    Rect m_rcSource;
    bool m_bMirror = false;
    int m_nRotation = 0;    // thousandths of a degree, 0 ... 359999
    QString m_strIconFile;  // output icon file, proposed by page 1, edited on page 5
    // Pictures of their own for chosen sizes, given on page 4 (label: the file's path as
    // UTF-8); every build of a format of such a size uses it. For this run only, never
    // stored; page 4's reset clears it.
    SizePictures m_aSizePictures;
    // The file the current picture was loaded from; empty for pasted or dropped data and
    // for the blank picture. Output names without a folder go beside it. Never stored.
    QString m_strPictureFile;
    // True once a picture has been opened, pasted or dropped, until page 1's reset: from
    // then on closing the wizard would throw work away, and the sheet asks first.
    bool m_bPictureLoaded = false;

    // How the pages' long work shows its progress dialog (RunInBackground); tests change it.
    BackgroundPacing m_backgroundPacing;

    std::function<void(bool)> m_fnEnableReset;  // set by the sheet
    bool m_bFinishing = false;                  // set by the sheet around Finish

  private:
    mutable std::unique_ptr<Workers> m_pWorkers;
};

}  // namespace varlen
