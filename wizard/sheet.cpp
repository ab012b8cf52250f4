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
// - Drops are always copies (never the source's proposed action), and a drop whose
//   picture does not load is reported to the source as ignored.
// - The resources live in a static library, so they are registered explicitly.
// - Esc and the close box both end in reject() (QDialog turns a close event into it), so the
//   question before throwing work away is asked there, and only there. Esc pressed in a
//   dialog, menu or preview window of the wizard goes to that window, never to this one.
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
#include <QShortcutEvent>
#include <QShowEvent>
#include <algorithm>
#include <utility>

#include "gui/about_dialog.h"
#include "gui/manual.h"
#include "gui/message_box.h"
#include "pages/page1.h"
#include "pages/page2.h"
#include "pages/page3.h"
#include "pages/page4.h"
#include "pages/page5.h"

static void InitVarlenResources() {
    Q_INIT_RESOURCE(varlen);
}

namespace varlen {

namespace {

// A dropped picture is always copied, whatever the source proposes: a source that
// proposes Move would otherwise delete its file once the drop is accepted.
void AcceptAsCopy(QDropEvent* event) {
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

}  // namespace

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

void CVarlen::reject() {
    if (m_bPictureLoaded &&
        ShowMessage(this, {tr("作成中のアイコンの設定は失われます。\nVarlen を終了しますか？"),
                           MessageIcon::kQuestion, MessageButtons::kYesNo, MessageAnswer::kNo}) !=
            MessageAnswer::kYes) {
        return;
    }
    QWizard::reject();
}

void CVarlen::showEvent(QShowEvent* event) {
    if (!m_bSizeFixed) {
        SetUpKeyboard();
        FixSize();
    }
    QWizard::showEvent(event);
}

void CVarlen::SetUpKeyboard() {
    QAbstractButton* reset = ResetButton();
    QAbstractButton* help = button(QWizard::HelpButton);
    QAbstractButton* back = button(QWizard::BackButton);
    QAbstractButton* next = button(QWizard::NextButton);
    QAbstractButton* finish = button(QWizard::FinishButton);
    if (help != nullptr && reset != nullptr) {
        reset->setFixedWidth(std::max(help->sizeHint().width(), help->minimumSizeHint().width()));
        help->setFixedWidth(reset->width());
    }
    // The chain runs through every page (hidden ones are skipped), then the button row.
    const QList<int> ids = pageIds();
    if (!ids.isEmpty() && reset != nullptr) {
        QWidget* lastPage = page(ids.constLast());
        QWidget* last = lastPage;
        for (QWidget* w = last->nextInFocusChain(); w != lastPage && lastPage->isAncestorOf(w);
             w = w->nextInFocusChain()) {
            last = w;
        }
        QWidget* previous = last;
        for (QWidget* w : {static_cast<QWidget*>(reset), static_cast<QWidget*>(back),
                           static_cast<QWidget*>(next), static_cast<QWidget*>(finish),
                           static_cast<QWidget*>(help)}) {
            if (w != nullptr) {
                setTabOrder(previous, w);
                previous = w;
            }
        }
    }
    for (QAbstractButton* b : {reset, back, next, finish, help}) {
        if (auto* push = qobject_cast<QPushButton*>(b)) {
            push->setAutoDefault(false);
        }
    }
    // A page's control showing the letter of Back or Next leaves the key to the button;
    // ambiguous shortcuts only move the focus, so both sides are watched.
    const QKeySequence keys[2] = {back != nullptr ? back->shortcut() : QKeySequence(),
                                  next != nullptr ? next->shortcut() : QKeySequence()};
    for (int id : ids) {
        for (QWidget* w : page(id)->findChildren<QWidget*>()) {
            if (auto* push = qobject_cast<QPushButton*>(w)) {
                push->setAutoDefault(false);
                push->setDefault(false);
            }
            QKeySequence own;
            if (const auto* b = qobject_cast<QAbstractButton*>(w)) {
                own = b->shortcut();
            } else if (const auto* label = qobject_cast<QLabel*>(w);
                       label != nullptr && label->buddy() != nullptr) {
                own = QKeySequence::mnemonic(label->text());
            }
            if (!own.isEmpty() && (own == keys[0] || own == keys[1])) {
                w->installEventFilter(this);
            }
        }
    }
    for (QAbstractButton* b : {back, next}) {
        if (b != nullptr) {
            b->installEventFilter(this);
        }
    }
}

bool CVarlen::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Shortcut) {
        const QKeySequence key = static_cast<QShortcutEvent*>(event)->key();
        for (QAbstractButton* b : {button(QWizard::BackButton), button(QWizard::NextButton)}) {
            if (b != nullptr && !key.isEmpty() && b->shortcut() == key && b->isVisible() &&
                b->isEnabled()) {
                b->click();
                return true;
            }
        }
    }
    return QWizard::eventFilter(watched, event);
}

void CVarlen::FixSize() {
    // Every page gets the page area of the largest one, and the window is then frozen at
    // the size that holds it with the first page's header (the tallest subtitle).
    // The control columns first take the widest one's width, so that every page shows
    // its view in the same place.
    int column = 0;
    for (int id : pageIds()) {
        if (const auto* p = qobject_cast<CVarlenPage*>(page(id))) {
            column = std::max(column, p->ColumnWidth());
        }
    }
    for (int id : pageIds()) {
        if (auto* p = qobject_cast<CVarlenPage*>(page(id)); p != nullptr && p->ColumnWidth() > 0) {
            p->SetColumnWidth(column);
        }
    }
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
        AcceptAsCopy(event);
    } else {
        event->ignore();
    }
}

void CVarlen::dragMoveEvent(QDragMoveEvent* event) {
    CVarlenPage* page = ActivePage();
    if (page != nullptr && event->mimeData() != nullptr && page->CanDrop(*event->mimeData())) {
        AcceptAsCopy(event);
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
    // The source learns whether the picture was taken: a failed load is not a drop.
    if (page->OnDrop(*event->mimeData())) {
        AcceptAsCopy(event);
    } else {
        event->ignore();
    }
}

}  // namespace varlen
