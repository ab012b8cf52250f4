// The add-size dialog. Contract: every change of the width's text copies that text into
// the height field (so a programmatic change does it too), then both fields are read;
// every change of the height reads both. OK is enabled exactly when 1 <= width <= 512 and
// 1 <= height <= 512. Trap: the fields are filled while the dialog is being built, before
// the OK button exists; the handlers then leave the button alone.
#include "pages/icon_size_dialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "pages/number_edit.h"

namespace varlen {

namespace {

bool InRange(int side) {
    return side >= CIconSizeDialog::kMinSide && side <= CIconSizeDialog::kMaxSide;
}

}  // namespace

CIconSizeDialog::CIconSizeDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("サイズの追加"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    m_editWidth = new CNumberEdit(this);
    m_editHeight = new CNumberEdit(this);
    connect(m_editWidth, &CNumberEdit::textChanged, this, &CIconSizeDialog::OnWidthChanged);
    connect(m_editHeight, &CNumberEdit::textChanged, this, &CIconSizeDialog::OnHeightChanged);
    // Filled before the OK button exists, as the dialog's initialisation does.
    m_editWidth->SetValue(32);
    m_editHeight->SetValue(32);
    for (CNumberEdit* edit : {m_editWidth, m_editHeight}) {
        edit->SetRange(kMinSide, kMaxSide);
        edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("0000")) * 2);
    }

    auto* widthLabel = new QLabel(tr("幅(&W):"), this);
    widthLabel->setBuddy(m_editWidth);
    auto* heightLabel = new QLabel(tr("高さ(&H):"), this);
    heightLabel->setBuddy(m_editHeight);
    auto* times = new QLabel(QStringLiteral("x"), this);
    times->setAlignment(Qt::AlignCenter);

    m_btnOk = new QPushButton(QStringLiteral("OK"), this);
    m_btnOk->setDefault(true);
    m_btnOk->setAutoDefault(true);
    auto* cancel = new QPushButton(tr("キャンセル"), this);
    connect(m_btnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* grid = new QGridLayout;
    grid->addWidget(widthLabel, 0, 0);
    grid->addWidget(heightLabel, 0, 2);
    grid->addWidget(m_editWidth, 1, 0);
    grid->addWidget(times, 1, 1);
    grid->addWidget(m_editHeight, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_btnOk);
    buttons->addWidget(cancel);
    auto* column = new QVBoxLayout(this);
    column->addLayout(grid);
    column->addSpacing(fontMetrics().height() / 2);
    column->addLayout(buttons);
    column->setSizeConstraint(QLayout::SetFixedSize);

    ReadSizes();
}

void CIconSizeDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    m_editWidth->setFocus(Qt::OtherFocusReason);
    m_editWidth->selectAll();
}

void CIconSizeDialog::OnWidthChanged() {
    m_editHeight->blockSignals(true);
    m_editHeight->SetText(m_editWidth->text());
    m_editHeight->blockSignals(false);
    ReadSizes();
}

void CIconSizeDialog::OnHeightChanged() {
    ReadSizes();
}

void CIconSizeDialog::ReadSizes() {
    m_nWidth = m_editWidth->GetValue();
    m_nHeight = m_editHeight->GetValue();
    if (m_btnOk != nullptr) {
        m_btnOk->setEnabled(InRange(m_nWidth) && InRange(m_nHeight));
    }
}

}  // namespace varlen
