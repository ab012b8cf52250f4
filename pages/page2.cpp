// The transparency page.
//
// Contract: the sheet's m_pIcon is changed in place by each click (core's ClearColorRegion
// or ClearClosedRegion with the mode, tolerance and expansion of the sheet); marks add up.
// The clicks change alpha only, so the reset point is the alpha of the picture at entry
// (an AlphaPlane, compressed by rows: a few bytes a row for the usual placed picture), taken
// just before the first change: colour and that alpha are exactly the picture at entry,
// with no full-size copy. Undo and redo keep the clicks made since the reset point (their
// mode, point, pixel, tolerance and expansion), not pictures: undo puts the reset alpha
// back and applies the clicks still in effect again, which gives the same pixels because
// each click is a function of the picture and its recorded values. A new click drops the
// clicks undone. Next and Back keep the picture as it is and drop the reset point: the
// later pages only read the picture, so Back from page 3 finds it as page 2 handed it on,
// and page 1 owns it again after Back (and hands the same one back with Next when its
// placement is unchanged).
//
// Traps:
// - Every change (a click, undo, redo, reset) runs through RunInBackground on the sheet's
//   pool, so the window keeps answering and long work shows its rows with a Cancel; input
//   is refused meanwhile, so no second click can start. The worker writes the picture, so
//   the view is held (it shows what it showed before and reads nothing) until the work
//   has ended.
// - Before a change the picture's alpha is kept; a change that is cancelled or fails half
//   way (out of memory) has its alpha put back from there before RunInBackground returns,
//   so the picture, the clicks and the undo state are all as before. A cancel pressed while
//   the change was ending still counts.
// - An edit's value is committed when the edit loses the focus and again before every
//   click, so a value typed but not confirmed takes effect with that click. The commit
//   rule has no lower clamp: it maps every value that is 255 or more as an unsigned number
//   (negatives included) to 255 and keeps the rest.
// - The view only points at the sheet's picture; Reset puts the alpha back into that same
//   picture instead of replacing it, so the pointer stays valid.
// - The arrows step the shown number within 0 ... 255 but do not commit it; like typing,
//   that waits for the focus to leave or for a click.
// - A stored mode other than 0 or 1 leaves both mode buttons up; the buttons are
//   exclusive, so they are released with exclusivity switched off for the moment.
// - The edits have their own Ctrl+Z; they give those keys up so that undo always means the
//   clicks of this page.
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

#include "core/effects.h"
#include "core/progress.h"
#include "core/workers.h"
#include "gui/background_work.h"
#include "gui/controls.h"
#include "gui/icon_wnd.h"
#include "gui/up_down.h"
#include "gui/varlen_state.h"
#include "gui/wait_cursor.h"

namespace varlen {

namespace {

// The tolerance and the expansion fields share one range.
constexpr int kMaxValue = kToleranceRange.hi;
static_assert(kToleranceRange == kExpandRange && kToleranceRange.lo == 0);
const char* const kChanging =
    QT_TRANSLATE_NOOP("varlen::CVarlenPage2", "透過領域を反映しています...");

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
    const CIcon& icon = *m_pSheet->m_pIcon;
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
    if (!ChangePicture([&click](CIcon& picture, Workers& pool) { Apply(picture, click, pool); })) {
        return;  // cancelled: as before the click
    }
    m_clicks.resize(m_nApplied);
    m_clicks.push_back(click);
    m_nApplied = m_clicks.size();
}

void CVarlenPage2::Apply(CIcon& picture, const Click& click, Workers& pool) {
    if (click.mode == 0) {
        picture.ClearColorRegion(click.pixel, click.tolerance, click.expansion, &pool);
    } else {
        picture.ClearClosedRegion(click.point.x(), click.point.y(), click.tolerance,
                                  click.expansion, &pool);
    }
}

void CVarlenPage2::Rebuild(CIcon& picture, std::size_t count, Workers& pool) const {
    if (!m_resetAlpha) {
        return;  // nothing has changed since entry
    }
    m_resetAlpha->RestoreInto(picture);
    for (std::size_t i = 0; i < count; ++i) {
        Apply(picture, m_clicks[i], pool);
    }
}

bool CVarlenPage2::ChangePicture(const std::function<void(CIcon&, Workers&)>& change) {
    CIcon& picture = *m_pSheet->m_pIcon;
    Workers& pool = m_pSheet->Pool();
    std::optional<AlphaPlane> before;
    const auto work = [&] {
        before = AlphaPlane::Of(picture, &pool);  // reads only: a cancel here changes nothing
        try {
            change(picture, pool);
            if (m_fnAfterChange) {
                m_fnAfterChange();
            }
            if (const Progress* progress = pool.Observer()) {
                progress->Check();
            }
        } catch (...) {
            before->RestoreInto(picture);
            throw;
        }
    };
    m_wndIcon->HoldPicture(true);
    bool done = false;
    try {
        done = RunInBackground(this, pool, tr(kChanging), work);
    } catch (...) {
        m_wndIcon->HoldPicture(false);
        throw;
    }
    m_wndIcon->HoldPicture(false);
    if (done && !m_resetAlpha) {
        m_resetAlpha = std::move(before);  // the first change: the alpha at entry
    }
    return done;
}

bool CVarlenPage2::OnUndo() {
    if (!CanUndo()) {
        QApplication::beep();
        return false;
    }
    const CWaitCursor wait;
    const std::size_t count = m_nApplied - 1;
    if (!ChangePicture(
            [this, count](CIcon& picture, Workers& pool) { Rebuild(picture, count, pool); })) {
        return false;
    }
    m_nApplied = count;
    return true;
}

bool CVarlenPage2::OnRedo() {
    if (!CanRedo()) {
        QApplication::beep();
        return false;
    }
    const CWaitCursor wait;
    const Click& click = m_clicks[m_nApplied];
    if (!ChangePicture([&click](CIcon& picture, Workers& pool) { Apply(picture, click, pool); })) {
        return false;
    }
    ++m_nApplied;
    return true;
}

void CVarlenPage2::OnReset() {
    const CWaitCursor wait;
    if (m_resetAlpha &&
        !ChangePicture([this](CIcon& picture, Workers& pool) { Rebuild(picture, 0, pool); })) {
        return;  // cancelled: the clicks stay
    }
    m_clicks.clear();
    m_nApplied = 0;
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
    m_resetAlpha.reset();
    m_clicks.clear();
    m_nApplied = 0;
    m_wndIcon->SetImage(m_pSheet->m_pIcon.get());
    ShowMode();
    m_editRange->setText(QString::number(m_pSheet->m_nTransparentRange));
    m_editSurrounding->setText(QString::number(m_pSheet->m_nTransparentSurrounding));
    CVarlenPage::OnSetActive();
}

bool CVarlenPage2::OnWizardNext() {
    m_resetAlpha.reset();
    m_clicks.clear();
    m_nApplied = 0;
    return true;
}

void CVarlenPage2::OnWizardBack() {
    m_resetAlpha.reset();
    m_clicks.clear();
    m_nApplied = 0;
    // Page 1 takes the picture over and may replace it; this view no longer shows it.
    m_wndIcon->SetImage(nullptr);
}

}  // namespace varlen
