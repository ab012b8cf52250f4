// The wizard sheet. Contract: five pages in the fixed order source, transparency, filters,
// formats, output; the window title is the active page's caption; the reset button
// (custom button 1, at the left of the button row) goes to the active page; there is no
// Cancel button, and the Help button's menu and the context menu lead to the About
// dialog. The settings are read once, at construction, before the window exists; the
// destructor writes the format list only, so the list survives every way of ending. It
// first lets every page write its edits back (OnDestroy): the pages are children and
// would otherwise go only after the list has been stored.
// Traps:
// - QWizard calls initializePage only when moving forward; the pages' OnSetActive is
//   driven from currentIdChanged so that it also runs when coming back.
// - The reset button's enabled state is the pages' business (OnSetActive); QWizard
//   itself never touches a custom button's state.
// - QWizard's header keeps room for two subtitle lines and rebuilds itself on every page
//   change; the subtitles have up to four, so after each change the header's subtitle
//   label is given the height of the tallest one (FitHeader).
// - The resources live in a static library, so they are registered explicitly.
#include "wizard/sheet.h"

#include <QAction>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QShowEvent>
#include <algorithm>
#include <utility>

#include "gui/about_dialog.h"
#include "gui/manual.h"
#include "pages/page1.h"
#include "pages/page2.h"
#include "pages/page3.h"
#include "pages/page4.h"
#include "pages/page5.h"

static void InitVarlenResources() {
    Q_INIT_RESOURCE(varlen);
}

namespace varlen {

CVarlen::CVarlen(QWidget* parent)
    : QWizard(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint) {
    InitVarlenResources();
    setWindowIcon(QIcon(QStringLiteral(":/varlen/varlen.png")));
    setWizardStyle(QWizard::ModernStyle);
    setTitleFormat(Qt::PlainText);
    setSubTitleFormat(Qt::PlainText);
    setOptions(QWizard::NoCancelButton | QWizard::HaveHelpButton | QWizard::HaveCustomButton1);
    setButtonText(QWizard::BackButton, tr("< 戻る(&B)"));
    setButtonText(QWizard::NextButton, tr("次へ(&N) >"));
    setButtonText(QWizard::FinishButton, tr("完了"));
    setButtonText(QWizard::HelpButton, tr("ヘルプ(&H)"));
    setButtonText(QWizard::CustomButton1, tr("リセット"));
    setButtonLayout({QWizard::CustomButton1, QWizard::Stretch, QWizard::BackButton,
                     QWizard::NextButton, QWizard::FinishButton, QWizard::HelpButton});

    m_pManualAction = new QAction(tr("マニュアル(&M)"), this);
    m_pManualAction->setShortcut(QKeySequence::HelpContents);
    connect(m_pManualAction, &QAction::triggered, this, &CVarlen::ShowManual);
    m_pAboutAction = new QAction(tr("バージョン情報(&A)"), this);
    connect(m_pAboutAction, &QAction::triggered, this, &CVarlen::ShowAbout);
    if (auto* help = qobject_cast<QPushButton*>(button(QWizard::HelpButton))) {
        auto* menu = new QMenu(help);
        menu->addAction(m_pManualAction);
        menu->addAction(m_pAboutAction);
        help->setMenu(menu);
    }
    addAction(m_pManualAction);
    addAction(m_pAboutAction);
    setContextMenuPolicy(Qt::ActionsContextMenu);

    m_fnEnableReset = [this](bool enable) {
        if (QAbstractButton* reset = ResetButton()) {
            reset->setEnabled(enable);
        }
    };

    m_pPage1 = new CVarlenPage1(this, this);
    m_pPage2 = new CVarlenPage2(this, this);
    m_pPage3 = new CVarlenPage3(this, this);
    m_pPage4 = new CVarlenPage4(this, this);
    m_pPage5 = new CVarlenPage5(this, this);
    for (QWizardPage* page :
         {static_cast<QWizardPage*>(m_pPage1), static_cast<QWizardPage*>(m_pPage2),
          static_cast<QWizardPage*>(m_pPage3), static_cast<QWizardPage*>(m_pPage4),
          static_cast<QWizardPage*>(m_pPage5)}) {
        addPage(page);
    }
    connect(this, &QWizard::currentIdChanged, this, &CVarlen::OnCurrentIdChanged);
    connect(this, &QWizard::customButtonClicked, this, &CVarlen::OnCustomButtonClicked);

    setAcceptDrops(true);

    varlen::LoadSettings(*this);
}

CVarlen::~CVarlen() {
    for (int id : pageIds()) {
        if (auto* p = qobject_cast<CVarlenPage*>(page(id))) {
            p->OnDestroy();
        }
    }
    varlen::SaveFormatList(m_aFormat);
}

void CVarlen::done(int result) {
    // QWizard::done validates the current page before accepting; next() on the last page
    // validates it too, and only this path is a Finish.
    const bool finishing = std::exchange(m_bFinishing, result == QDialog::Accepted);
    QWizard::done(result);
    m_bFinishing = finishing;
}

void CVarlen::showEvent(QShowEvent* event) {
    if (!m_bSizeFixed) {
        FixSize();
    }
    QWizard::showEvent(event);
}

void CVarlen::FixSize() {
    // Every page gets the page area of the largest one, and the window is then frozen at
    // the size that holds it with the first page's header (the tallest subtitle).
    QSize pageArea(0, 0);
    for (int id : pageIds()) {
        QWizardPage* p = page(id);
        pageArea = pageArea.expandedTo(p->sizeHint()).expandedTo(p->minimumSizeHint());
    }
    for (int id : pageIds()) {
        page(id)->setMinimumSize(pageArea);
    }
    setFixedSize(sizeHint());
    m_bSizeFixed = true;
}

CVarlenPage* CVarlen::ActivePage() const {
    return qobject_cast<CVarlenPage*>(currentPage());
}

void CVarlen::ShowManual() {
    OpenManual(this, ManualCandidates(QCoreApplication::applicationDirPath()));
}

void CVarlen::ShowAbout() {
    CAboutDlg dialog(this);
    dialog.exec();
}

void CVarlen::FitHeader() {
    const QWizardPage* current = currentPage();
    if (current == nullptr) {
        return;
    }
    // The header is private to QWizard; its subtitle label is the word-wrapping label
    // that shows the current page's subtitle, and the header is that label's parent.
    const auto onSomePage = [this](const QWidget* w) {
        const QList<int> ids = pageIds();
        return std::any_of(ids.begin(), ids.end(),
                           [this, w](int id) { return page(id)->isAncestorOf(w); });
    };
    QLabel* subTitle = nullptr;
    for (QLabel* label : findChildren<QLabel*>()) {
        if (label->wordWrap() && label->text() == current->subTitle() &&
            label->parentWidget() != nullptr && !onSomePage(label)) {
            subTitle = label;
            break;
        }
    }
    if (subTitle == nullptr) {
        return;
    }
    QWidget* header = subTitle->parentWidget();
    // The tallest subtitle of all pages at the label's width, so the header keeps one
    // height on every page.
    QLabel probe;
    probe.setFont(subTitle->font());
    probe.setWordWrap(true);
    probe.setTextFormat(Qt::PlainText);
    const int width = std::max(subTitle->minimumWidth(), subTitle->width());
    int height = subTitle->minimumHeight();
    for (int id : pageIds()) {
        probe.setText(page(id)->subTitle());
        height = std::max(height, probe.heightForWidth(width));
    }
    subTitle->setMinimumHeight(height);
    if (QLayout* layout = header->layout()) {
        header->setMaximumHeight(QWIDGETSIZE_MAX);
        header->setMinimumHeight(layout->totalMinimumSize().height());
        header->setMaximumHeight(header->minimumHeight());
    }
}

void CVarlen::OnCurrentIdChanged(int /*id*/) {
    FitHeader();
    if (CVarlenPage* page = ActivePage()) {
        setWindowTitle(page->Caption());
        page->OnSetActive();
    }
}

void CVarlen::OnCustomButtonClicked(int which) {
    if (which != QWizard::CustomButton1) {
        return;
    }
    if (CVarlenPage* page = ActivePage()) {
        page->OnReset();
    }
}

void CVarlen::dragEnterEvent(QDragEnterEvent* event) {
    CVarlenPage* page = ActivePage();
    if (page != nullptr && event->mimeData() != nullptr && page->CanDrop(*event->mimeData())) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void CVarlen::dragMoveEvent(QDragMoveEvent* event) {
    CVarlenPage* page = ActivePage();
    if (page != nullptr && event->mimeData() != nullptr && page->CanDrop(*event->mimeData())) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void CVarlen::dropEvent(QDropEvent* event) {
    CVarlenPage* page = ActivePage();
    if (page == nullptr || event->mimeData() == nullptr || !page->CanDrop(*event->mimeData())) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    page->OnDrop(*event->mimeData());
}

}  // namespace varlen
