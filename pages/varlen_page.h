// CVarlenPage: what every page of the wizard has in common. The sheet calls the hooks;
// a page overrides only those it needs.
#pragma once

#include <QString>
#include <QWizardPage>

class QLayout;
class QMimeData;

namespace varlen {

class CIconWnd;
class CVarlenState;

class CVarlenPage : public QWizardPage {
    Q_OBJECT

  public:
    // number is the page's place in the wizard, 1 ... 5; it names the window title. parent
    // is the sheet that shows the page (QWizard::addPage takes it over in any case).
    CVarlenPage(CVarlenState* sheet, int number, const QString& title, const QString& subtitle,
                QWidget* parent = nullptr);

    // The window title while this page is active: "Varlen (n/5)".
    QString Caption() const { return m_strCaption; }

    // The page has become the active one (forward or back). The default enables the
    // sheet's reset button; pages without a reset disable it.
    virtual void OnSetActive();
    // Next was pressed; false keeps the page.
    virtual bool OnWizardNext() { return true; }
    // Finish was pressed (on the last page); false keeps the wizard open.
    virtual bool OnWizardFinish() { return true; }
    // The page is left by Back.
    virtual void OnWizardBack() {}
    // The sheet's reset button, routed to the active page.
    virtual void OnReset() {}
    // Drag and drop on the sheet while this page is active; the default refuses.
    virtual bool CanDrop(const QMimeData& /*data*/) const { return false; }
    virtual void OnDrop(const QMimeData& /*data*/) {}
    // The sheet is being destroyed; called before it stores the format list, while every
    // page still exists.
    virtual void OnDestroy() {}

  protected:
    // Lays the page out as the control column left (holding column) beside view: the view
    // a square as tall as the page's template (132 dialog units, a dialog unit being an
    // eighth of the font's height) or the column, whichever is taller.
    void LayOutBesideView(QWidget* left, QLayout& column, CIconWnd* view);

    CVarlenState* const m_pSheet;  // the shared state of the sheet that holds the page

  private:
    bool validatePage() final;
    void cleanupPage() final { OnWizardBack(); }

    QString m_strCaption;
};

}  // namespace varlen
