// CVarlenPage3, the filters page: six tabs with the effect dialogs (brightness and
// contrast, sharpen, light, transparency, shadow, corners and fade) and a view of the
// working picture with every filter applied. The values live in the sheet; the page never
// changes the sheet's picture, it shows a filtered copy of its own.
#pragma once

#include <QTimer>
#include <memory>

#include "core/icon.h"
#include "pages/varlen_page.h"

class QTabWidget;

namespace varlen {

class CBrightnessDialog;
class CFrameDialog;
class CIconWnd;
class CLightDialog;
class CShadowDialog;
class CSharpDialog;
class CTransparentDialog;

class CVarlenPage3 : public CVarlenPage {
    Q_OBJECT

  public:
    // Tab indices, in tab order.
    enum Tab { kBrightness = 0, kSharp = 1, kLight = 2, kTransparent = 3, kShadow = 4, kFrame = 5 };
    // Delay of the refresh after a line or page step, in milliseconds.
    static constexpr int kStepDelay = 500;

    CVarlenPage3(CVarlenState* sheet, QWidget* parent);
    ~CVarlenPage3() override;

    void OnSetActive() override;
    bool OnWizardNext() override;
    void OnWizardBack() override;
    void OnReset() override;

    // Rebuilds the preview from the sheet's picture and the current values and shows it.
    void UpdatePreview();

    // The filtered copy shown in the view; null while the page is not active.
    const CIcon* Preview() const { return m_pPreview.get(); }
    // The one-shot delay before a refresh (running while a refresh is pending).
    const QTimer& RefreshTimer() const { return m_timer; }
    // How many times the preview has been rebuilt with the filters (tests count refreshes).
    int PreviewBuilds() const { return m_nPreviewBuilds; }

    QTabWidget* m_tabFilter = nullptr;
    CIconWnd* m_wndIcon = nullptr;
    CBrightnessDialog* m_dlgBrightness = nullptr;
    CSharpDialog* m_dlgSharp = nullptr;
    CLightDialog* m_dlgLight = nullptr;
    CTransparentDialog* m_dlgTransparent = nullptr;
    CShadowDialog* m_dlgShadow = nullptr;
    CFrameDialog* m_dlgFrame = nullptr;

  private:
    void BuildControls();
    // Sets every slider and the check box from the sheet.
    void SetControls();
    // Shows the effect dialog of the selected tab; the view picks points on the light
    // and shadow tabs only.
    void ShowEffectDialog();
    // A slider was changed by the user (id and trackbar code from the effect dialog).
    void OnScroll(int id, int code);
    // The view reported a click at a picture point.
    void OnPick(QPoint point);
    // Makes preview the shown picture.
    void ShowPreview(std::unique_ptr<CIcon> preview);
    // Leaving by Back or Next: a pending refresh is dropped, the tab and check box stored.
    void Leave();

    // The sheet member that slider id sets, or null for an unknown id.
    int* MemberOf(int id) const;
    // The slider's position, read through its dialog.
    int PositionOf(int id) const;

    std::unique_ptr<CIcon> m_pPreview;
    QTimer m_timer;
    int m_nPreviewBuilds = 0;
};

}  // namespace varlen
