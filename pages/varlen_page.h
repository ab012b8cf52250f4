// CVarlenPage: what every page of the wizard has in common. The sheet calls the hooks;
// a page overrides only those it needs.
#pragma once

#include <QString>
#include <QWizardPage>

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
    // Drag and drop on the sheet while this page is active; the default refuses. OnDrop
    // is true when the page took the data.
    virtual bool CanDrop(const QMimeData& /*data*/) const { return false; }
    virtual bool OnDrop(const QMimeData& /*data*/) { return false; }
    // The sheet is being destroyed; called before it stores the format list, while every
    // page still exists.
    virtual void OnDestroy() {}

    // The width of the control column left of the view; the sheet gives every page the
    // widest one, so the view stands in one place on every page.
    int ColumnWidth() const;
    void SetColumnWidth(int width);

  protected:
    // Lays the page out as the template of every page has it: the control column left at
    // 0, 0, 162 x 132 dialog units (wider or taller only when its controls need it) and
    // the view at 168, 0, 114 x 132 made square (FitToSquare).
    void LayOutBesideView(QWidget* left, CIconWnd* view);

    CVarlenState* const m_pSheet;  // the shared state of the sheet that holds the page

  private:
    bool validatePage() final;
    void cleanupPage() final { OnWizardBack(); }

    QString m_strCaption;
    QWidget* m_pColumn = nullptr;
};

}  // namespace varlen
