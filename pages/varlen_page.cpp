// The common page base. Contract: the sheet calls OnSetActive whenever a page becomes the
// current one (QWizard's initializePage runs only when moving forward, so the sheet uses
// its currentIdChanged signal instead); validatePage stands for Next and Finish and
// cleanupPage for Back. Trap: QWizardPage::cleanupPage would reset registered fields; the
// pages register none and the override does not call it.
#include "pages/varlen_page.h"

#include "app/sheet.h"

namespace varlen {

CVarlenPage::CVarlenPage(CVarlen* sheet, int number, const QString& title, const QString& subtitle)
    : QWizardPage(sheet),
      m_pSheet(sheet),
      m_strCaption(QStringLiteral("Varlen (%1/5)").arg(number)) {
    setTitle(title);
    setSubTitle(subtitle);
}

void CVarlenPage::OnSetActive() {
    m_pSheet->EnableReset(true);
}

}  // namespace varlen
