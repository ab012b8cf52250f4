// The transparency page.
//
// Contract: the sheet's m_pIcon is changed in place by each click (core's ClearColorRegion
// or ClearClosedRegion with the mode, tolerance and expansion of the sheet); marks add up.
// m_pSnapshot is the reset point while the page is shown, taken at every entry; Next
// replaces it by a copy of the picture as it is left, and the next entry puts that copy
// back as m_pIcon before taking a new reset point, so Back from page 3 always finds the
// picture that page 2 handed on. Back to page 1 drops the copy: page 1 then owns the
// picture again (and hands the same one back with Next when its placement is unchanged).
// Undo and redo keep the clicks made since the reset point (their mode, point, pixel,
// tolerance and expansion), not pictures: undo puts the reset point back and applies the
// clicks still in effect again, which gives the same pixels because each click is a
// function of the picture and its recorded values. A new click drops the clicks undone.
//
// Traps:
// - An edit's value is committed when the edit loses the focus and again before every
//   click, so a value typed but not confirmed takes effect with that click. The commit
//   rule has no lower clamp: it maps every value that is 255 or more as an unsigned number
//   (negatives included) to 255 and keeps the rest.
// - The view only points at the sheet's picture; Reset renders the snapshot into that same
//   picture instead of replacing it, so the pointer stays valid.
// - The arrows step the shown number within 0 ... 255 but do not commit it; like typing,
//   that waits for the focus to leave or for a click.
// - A stored mode other than 0 or 1 leaves both mode buttons up; the buttons are
//   exclusive, so they are released with exclusivity switched off for the moment.
// - The edits have their own Ctrl+Z; they give those keys up so that undo always means the
//   clicks of this page.
// - A click that fails half way (out of memory) would leave some of its pixels changed: the
//   picture is then rebuilt from the reset point before the failure goes on.
// - The copies of a large picture (the reset point, the picture left with Next) are made in
//   the background, so the window keeps answering; the picture is only read meanwhile.
#include "pages/page2.h"

#include <QApplication>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QShortcut>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/background_work.h"
#include "gui/controls.h"
#include "gui/icon_wnd.h"
#include "gui/up_down.h"
#include "gui/varlen_state.h"
#include "gui/wait_cursor.h"

namespace varlen {

namespace {

constexpr int kMaxValue = 255;
// Copies of pictures from this size on are made in the background (a 16384 x 16384 copy
// takes seconds: its pages are cleared and filled).
constexpr std::size_t kBackgroundPixels = std::size_t{1} << 22;
const char* const kPreparing = QT_TRANSLATE_NOOP("varlen::CVarlenPage2", "画像を準備しています...");

// Steps the number shown in edit by delta within 0 ... 255 (the arrows' range).
void StepEdit(QLineEdit* edit, int delta) {
    const int shown = std::clamp(LeadingInteger(edit->text()), 0, kMaxValue);
    edit->setText(QString::number(std::clamp(shown + delta, 0, kMaxValue)));
}

QHBoxLayout* FieldWithArrows(QLineEdit* field, CUpDown* arrows) {
    auto* row = new QHBoxLayout;
    row->setSpacing(0);
    row->addWidget(field);
    row->addWidget(arrows);
    arrows->SetBuddy(field);
    return row;
}

bool IsUndoKey(const QKeyEvent& key) {
    const QKeyCombination k = key.keyCombination();
    return k == QKeyCombination(Qt::ControlModifier, Qt::Key_Z);
}

bool IsRedoKey(const QKeyEvent& key) {
    const QKeyCombination k = key.keyCombination();
    return k == QKeyCombination(Qt::ControlModifier, Qt::Key_Y) ||
           k == QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z);
}

}  // namespace

int CommittedValue(QStringView text) {
    const int value = LeadingInteger(text);
    return static_cast<unsigned>(value) >= static_cast<unsigned>(kMaxValue) ? kMaxValue : value;
}

CVarlenPage2::CVarlenPage2(CVarlenState* sheet, QWidget* parent)
    : CVarlenPage(sheet, 2, tr("透過領域"),
                  tr("透過領域を設定します。\n右の画像から透過したい色、または領域をク"
                     "リックしてください。\n "),
                  parent) {
    BuildControls();
    ConnectControls();
    m_wndIcon->SetMode(CIconWnd::ICONWND_PICK);
}

CVarlenPage2::~CVarlenPage2() {
    m_wndIcon->SetImage(nullptr);
}

void CVarlenPage2::BuildControls() {
    const QFontMetrics fm = fontMetrics();
    m_btnColorMode = new QPushButton(tr("色領域指定(&C)"), this);
    m_btnClosedMode = new QPushButton(tr("閉領域指定(&L)"), this);
    for (QPushButton* b : {m_btnColorMode, m_btnClosedMode}) {
        b->setCheckable(true);
        b->setAutoExclusive(true);
    }
    m_editRange = new QLineEdit(this);
    m_editSurrounding = new QLineEdit(this);
    const int fieldWidth =
        fm.horizontalAdvance(QStringLiteral("00000")) + fm.averageCharWidth() * 2;
    for (QLineEdit* e : {m_editRange, m_editSurrounding}) {
        e->setValidator(
            new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), e));
        e->setFixedWidth(fieldWidth);
        e->installEventFilter(this);
    }
    m_spinRange = new CUpDown(this);
    m_spinSurrounding = new CUpDown(this);
    auto* rangeLabel = new QLabel(tr("色の許容範囲(&R):"), this);
    rangeLabel->setBuddy(m_editRange);
    auto* surroundingLabel = new QLabel(tr("領域拡大(&S):"), this);
    surroundingLabel->setBuddy(m_editSurrounding);
    m_wndIcon = new CIconWnd(this);

    auto* modes = new QHBoxLayout;
    modes->setSpacing(0);
    modes->addWidget(m_btnColorMode);
    modes->addWidget(m_btnClosedMode);
    modes->addStretch(1);

    auto* grid = new QGridLayout;
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setVerticalSpacing(fm.height() / 2);
    grid->addWidget(rangeLabel, 0, 0);
    grid->addLayout(FieldWithArrows(m_editRange, m_spinRange), 0, 1, Qt::AlignLeft);
    grid->addWidget(surroundingLabel, 1, 0);
    grid->addLayout(FieldWithArrows(m_editSurrounding, m_spinSurrounding), 1, 1, Qt::AlignLeft);
    grid->setColumnStretch(2, 1);

    auto* column = new QVBoxLayout;
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(fm.height());
    column->addLayout(modes);
    column->addLayout(grid);
    column->addStretch(1);

    auto* left = new QWidget(this);
    left->setLayout(column);
    LayOutBesideView(left, m_wndIcon);

    setTabOrder(m_btnColorMode, m_btnClosedMode);
    setTabOrder(m_btnClosedMode, m_editRange);
    setTabOrder(m_editRange, m_editSurrounding);
}

void CVarlenPage2::ConnectControls() {
    connect(m_btnColorMode, &QPushButton::clicked, this,
            [this] { m_pSheet->m_nTransparentMode = 0; });
    connect(m_btnClosedMode, &QPushButton::clicked, this,
            [this] { m_pSheet->m_nTransparentMode = 1; });
    connect(m_spinRange, &CUpDown::deltaPos, this,
            [this](int delta) { StepEdit(m_editRange, -delta); });
    connect(m_spinSurrounding, &CUpDown::deltaPos, this,
            [this](int delta) { StepEdit(m_editSurrounding, -delta); });
    connect(m_wndIcon, &CIconWnd::pick, this, &CVarlenPage2::OnPick);
    const auto shortcut = [this](QKeySequence keys, bool (CVarlenPage2::*slot)()) {
        auto* s = new QShortcut(keys, this);
        s->setContext(Qt::WidgetWithChildrenShortcut);
        connect(s, &QShortcut::activated, this, slot);
    };
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Z), &CVarlenPage2::OnUndo);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Y), &CVarlenPage2::OnRedo);
    shortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), &CVarlenPage2::OnRedo);
}

bool CVarlenPage2::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        const auto& key = static_cast<const QKeyEvent&>(*event);
        if (IsUndoKey(key) || IsRedoKey(key)) {
            return true;  // not accepted by the edit: the page's shortcut gets the keys
        }
    }
    if (event->type() == QEvent::FocusOut) {
        if (watched == m_editRange) {
            CommitTolerance();
        } else if (watched == m_editSurrounding) {
            CommitExpansion();
        }
    }
    return CVarlenPage::eventFilter(watched, event);
}

void CVarlenPage2::CommitTolerance() {
    m_pSheet->m_nTransparentRange = CommittedValue(m_editRange->text());
    m_editRange->setText(QString::number(m_pSheet->m_nTransparentRange));
}

void CVarlenPage2::CommitExpansion() {
    m_pSheet->m_nTransparentSurrounding = CommittedValue(m_editSurrounding->text());
    m_editSurrounding->setText(QString::number(m_pSheet->m_nTransparentSurrounding));
}

void CVarlenPage2::OnPick(quint32 pixel, QPoint point) {
    const CWaitCursor wait;
    CommitTolerance();
    CommitExpansion();
    CIcon& icon = *m_pSheet->m_pIcon;
    const int x = point.x();
    const int y = point.y();
    if (x < 0 || x >= icon.Width() || y < 0 || y >= icon.Height()) {
        return;
    }
    const int mode = m_pSheet->m_nTransparentMode;
    if (mode != 0 && mode != 1) {
        return;
    }
    const Click click{mode, point, pixel, TransparentRangeForUse(*m_pSheet),
                      TransparentSurroundingForUse(*m_pSheet)};
    m_clicks.reserve(m_nApplied + 1);  // may fail before anything has changed
    try {
        Apply(click);
    } catch (...) {
        Replay(m_nApplied);
        m_wndIcon->update();
        throw;
    }
    m_clicks.resize(m_nApplied);
    m_clicks.push_back(click);
    m_nApplied = m_clicks.size();
    m_wndIcon->update();
}

void CVarlenPage2::Apply(const Click& click) {
    CIcon& icon = *m_pSheet->m_pIcon;
    if (click.mode == 0) {
        icon.ClearColorRegion(click.pixel, click.tolerance, click.expansion);
    } else {
        icon.ClearClosedRegion(click.point.x(), click.point.y(), click.tolerance, click.expansion);
    }
}

void CVarlenPage2::Replay(std::size_t count) {
    if (!m_pSnapshot) {
        return;
    }
    m_pSheet->m_pIcon->Render(*m_pSnapshot, nullptr, nullptr, false, 0.0, false);
    for (std::size_t i = 0; i < count; ++i) {
        Apply(m_clicks[i]);
    }
}

bool CVarlenPage2::OnUndo() {
    if (!CanUndo()) {
        QApplication::beep();
        return false;
    }
    const CWaitCursor wait;
    --m_nApplied;
    Replay(m_nApplied);
    m_wndIcon->update();
    return true;
}

bool CVarlenPage2::OnRedo() {
    if (!CanRedo()) {
        QApplication::beep();
        return false;
    }
    const CWaitCursor wait;
    Apply(m_clicks[m_nApplied]);
    ++m_nApplied;
    m_wndIcon->update();
    return true;
}

void CVarlenPage2::OnReset() {
    if (!m_pSnapshot) {
        return;
    }
    const CWaitCursor wait;
    m_clicks.clear();
    m_nApplied = 0;
    Replay(0);
    m_wndIcon->SetImage(m_pSheet->m_pIcon.get());
}

void CVarlenPage2::ShowMode() {
    const int mode = m_pSheet->m_nTransparentMode;
    for (QPushButton* b : {m_btnColorMode, m_btnClosedMode}) {
        b->setAutoExclusive(false);
    }
    m_btnColorMode->setChecked(mode == 0);
    m_btnClosedMode->setChecked(mode == 1);
    for (QPushButton* b : {m_btnColorMode, m_btnClosedMode}) {
        b->setAutoExclusive(true);
    }
}

void CVarlenPage2::OnSetActive() {
    if (m_pSnapshot) {
        m_pSheet->m_pIcon = std::move(m_pSnapshot);
    }
    m_pSnapshot = CloneInBackground(*m_pSheet->m_pIcon);
    m_clicks.clear();
    m_nApplied = 0;
    m_wndIcon->SetImage(m_pSheet->m_pIcon.get());
    ShowMode();
    m_editRange->setText(QString::number(m_pSheet->m_nTransparentRange));
    m_editSurrounding->setText(QString::number(m_pSheet->m_nTransparentSurrounding));
    CVarlenPage::OnSetActive();
}

bool CVarlenPage2::OnWizardNext() {
    const CWaitCursor wait;
    m_pSnapshot = CloneInBackground(*m_pSheet->m_pIcon);
    return true;
}

std::unique_ptr<CIcon> CVarlenPage2::CloneInBackground(const CIcon& picture) {
    if (picture.PixelCount() < kBackgroundPixels) {
        return CloneIcon(&picture);
    }
    std::unique_ptr<CIcon> copy;
    RunInBackground(
        this, m_pSheet->Pool(), tr(kPreparing), [&] { copy = CloneIcon(&picture); }, false);
    return copy;
}

void CVarlenPage2::OnWizardBack() {
    m_pSnapshot.reset();
    m_clicks.clear();
    m_nApplied = 0;
    // Page 1 takes the picture over and may replace it; this view no longer shows it.
    m_wndIcon->SetImage(nullptr);
}

}  // namespace varlen
