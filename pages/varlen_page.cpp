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

void CVarlenPage::LayOutBesideView(QWidget* left, CIconWnd* view) {
    const DialogUnits du(fontMetrics());
    view->resize(du.X(114), du.Y(132));
    view->FitToSquare();
    m_pColumn = left;
    SetColumnWidth(std::max({du.X(162), left->minimumSizeHint().width(), left->minimumWidth()}));

    auto* page = new QHBoxLayout(this);
    page->setContentsMargins(0, 0, 0, 0);
    page->setSpacing(du.X(6));
    page->addWidget(left, 0, Qt::AlignTop);
    page->addWidget(view, 0, Qt::AlignTop);
    page->addStretch(1);
}

int CVarlenPage::ColumnWidth() const {
    return m_pColumn != nullptr ? m_pColumn->width() : 0;
}

void CVarlenPage::SetColumnWidth(int width) {
    if (m_pColumn == nullptr) {
        return;
    }
    // The size hint is not asked: word-wrapped texts would make it as wide as a line of
    // some eighty characters.
    m_pColumn->setFixedWidth(width);
    const DialogUnits du(fontMetrics());
    const int needed = m_pColumn->hasHeightForWidth() ? m_pColumn->heightForWidth(width)
                                                      : m_pColumn->minimumSizeHint().height();
    m_pColumn->setMinimumHeight(std::max(du.Y(132), needed));
}

}  // namespace varlen
