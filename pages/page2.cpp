// The transparency page.
//
// Contract: the sheet's m_pIcon is changed in place by each click (core's ClearColorRegion
// or ClearClosedRegion with the mode, tolerance and expansion of the sheet); marks add up.
// m_pSnapshot is the reset point while the page is shown, taken at every entry; Next
// replaces it by a copy of the picture as it is left, and the next entry puts that copy
// back as m_pIcon before taking a new reset point, so Back from page 3 always finds the
// picture that page 2 handed on. Back to page 1 drops the copy: page 1 then owns the
// picture again.
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
#include "pages/page2.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/controls.h"
#include "gui/icon_wnd.h"
#include "gui/up_down.h"
#include "gui/varlen_state.h"
#include "gui/wait_cursor.h"

namespace varlen {

namespace {

constexpr int kMaxValue = 255;

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
    LayOutBesideView(left, *column, m_wndIcon);

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
}

bool CVarlenPage2::eventFilter(QObject* watched, QEvent* event) {
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
    const int tolerance = TransparentRangeForUse(*m_pSheet);
    const int expansion = TransparentSurroundingForUse(*m_pSheet);
    if (m_pSheet->m_nTransparentMode == 0) {
        icon.ClearColorRegion(pixel, tolerance, expansion);
    } else if (m_pSheet->m_nTransparentMode == 1) {
        icon.ClearClosedRegion(x, y, tolerance, expansion);
    }
    m_wndIcon->update();
}

void CVarlenPage2::OnReset() {
    if (!m_pSnapshot) {
        return;
    }
    const CWaitCursor wait;
    m_pSheet->m_pIcon->Render(*m_pSnapshot, nullptr, nullptr, false, 0.0, false);
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
    m_pSnapshot = CloneIcon(m_pSheet->m_pIcon.get());
    m_wndIcon->SetImage(m_pSheet->m_pIcon.get());
    ShowMode();
    m_editRange->setText(QString::number(m_pSheet->m_nTransparentRange));
    m_editSurrounding->setText(QString::number(m_pSheet->m_nTransparentSurrounding));
    CVarlenPage::OnSetActive();
}

bool CVarlenPage2::OnWizardNext() {
    const CWaitCursor wait;
    m_pSnapshot = CloneIcon(m_pSheet->m_pIcon.get());
    return true;
}

void CVarlenPage2::OnWizardBack() {
    m_pSnapshot.reset();
    // Page 1 takes the picture over and may replace it; this view no longer shows it.
    m_wndIcon->SetImage(nullptr);
}

}  // namespace varlen
