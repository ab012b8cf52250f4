// The common page base. Contract: the sheet calls OnSetActive whenever a page becomes the
// current one (QWizard's initializePage runs only when moving forward, so the sheet uses
// its currentIdChanged signal instead); validatePage stands for Next, or for Finish while
// the sheet is finishing, and cleanupPage for Back. Trap: QWizard::next() validates the
// last page too, so Finish cannot be told from Next by the page's place alone. Trap:
// QWizardPage::cleanupPage would reset registered fields; the pages register none and the override
// does not call it.
#include "pages/varlen_page.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <algorithm>

#include "gui/dialog_units.h"
#include "gui/icon_wnd.h"
#include "gui/varlen_state.h"

namespace varlen {

CVarlenPage::CVarlenPage(CVarlenState* sheet, int number, const QString& title,
                         const QString& subtitle, QWidget* parent)
    : QWizardPage(parent),
      m_pSheet(sheet),
      m_strCaption(QStringLiteral("Varlen (%1/5)").arg(number)) {
    setTitle(title);
    setSubTitle(subtitle);
}

bool CVarlenPage::validatePage() {
    return m_pSheet->IsFinishing() ? OnWizardFinish() : OnWizardNext();
}

void CVarlenPage::OnSetActive() {
    m_pSheet->EnableReset(true);
}

void CVarlenPage::LayOutBesideView(QWidget* left, QLayout& column, CIconWnd* view) {
    const QFontMetrics fm = fontMetrics();
    const int side = std::max(column.totalMinimumSize().height(), DialogUnits(fm).Y(132));
    view->resize(side, side);
    view->FitToSquare();
    left->setFixedHeight(view->height());

    auto* page = new QHBoxLayout(this);
    page->setContentsMargins(0, 0, 0, 0);
    page->setSpacing(fm.averageCharWidth() * 2);
    page->addWidget(left, 1, Qt::AlignTop);
    page->addWidget(view, 0, Qt::AlignTop);
}

}  // namespace varlen
