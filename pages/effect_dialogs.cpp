// The effect dialogs of the filters page.
//
// Contract: every user change of a slider first sets the slider's position label, then
// emits scrolled(id, code) with the trackbar code that stands for the change. Changes made
// by the program (the Set operations) set the label and emit nothing.
//
// Traps:
// - QAbstractSlider::actionTriggered comes before the value is committed: sliderPosition()
//   is already the new position, value() still the old one. Everything here reads the
//   position, so the label and the page see the new value.
// - SliderMove means two things: a thumb drag (the slider is down) and a wheel turn (the
//   slider is not down). Only the drag is the trackbar's "thumb track"; a wheel turn is a
//   line step, or the stored value would never follow the wheel.
// - A released thumb arrives as sliderReleased, not as an action: that is the "thumb
//   position" code.
#include "pages/effect_dialogs.h"
#include "gui/dialog_units.h"

#include <QAbstractSlider>
#include <QCheckBox>
#include <QCursor>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QSlider>
#include <QToolTip>
#include <QVBoxLayout>
#include <algorithm>

namespace varlen {

namespace {

// The trackbar code of a slider action, or -1 for none.
int CodeOf(const QSlider& slider, int action) {
    switch (action) {
        case QAbstractSlider::SliderSingleStepSub:
            return TB_LINEUP;
        case QAbstractSlider::SliderSingleStepAdd:
            return TB_LINEDOWN;
        case QAbstractSlider::SliderPageStepSub:
            return TB_PAGEUP;
        case QAbstractSlider::SliderPageStepAdd:
            return TB_PAGEDOWN;
        case QAbstractSlider::SliderToMinimum:
            return TB_TOP;
        case QAbstractSlider::SliderToMaximum:
            return TB_BOTTOM;
        case QAbstractSlider::SliderMove:
            if (slider.isSliderDown()) {
                return TB_THUMBTRACK;
            }
            return slider.sliderPosition() < slider.value() ? TB_LINEUP : TB_LINEDOWN;
        default:
            return -1;
    }
}

QLabel* WrappedText(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

}  // namespace

CEffectDialog::CEffectDialog(const QString& text, QWidget* parent) : QWidget(parent) {
    const DialogUnits du(fontMetrics());
    m_pColumn = new QVBoxLayout(this);
    m_pColumn->setContentsMargins(du.X(6), du.Y(6), du.X(6), du.Y(6));
    m_pColumn->setSpacing(du.Y(4));
    m_pText = WrappedText(text, this);
    m_pColumn->addWidget(m_pText);
}

QSlider* CEffectDialog::AddSlider(int id, const QString& label, int min, int max, int tick,
                                  int page, bool tooltips) {
    const DialogUnits du(fontMetrics());
    auto* name = new QLabel(label, this);
    auto* slider = new QSlider(Qt::Horizontal, this);
    slider->setObjectName(QString::number(id));
    slider->setRange(min, max);
    slider->setTickPosition(QSlider::TicksAbove);
    slider->setTickInterval(tick);
    slider->setPageStep(page);
    slider->setSingleStep(1);
    slider->setValue(0);
    slider->setMinimumWidth(du.X(126));
    name->setBuddy(slider);
    auto* position = new QLabel(QStringLiteral("0"), this);
    position->setMinimumWidth(du.X(20));
    position->setTextFormat(Qt::PlainText);

    auto* grid = new QGridLayout;
    grid->setContentsMargins(0, du.Y(4), 0, 0);
    grid->setHorizontalSpacing(du.X(6));
    grid->setVerticalSpacing(du.Y(2));
    grid->addWidget(name, 0, 0, 1, 2);
    grid->addWidget(slider, 1, 0);
    grid->addWidget(position, 1, 1, Qt::AlignVCenter);
    grid->setColumnStretch(0, 1);
    m_pColumn->addLayout(grid);

    m_rows.push_back(Row{id, slider, position, tooltips});
    connect(slider, &QAbstractSlider::actionTriggered, this,
            [this, id](int action) { OnAction(*Find(id), action); });
    connect(slider, &QAbstractSlider::sliderReleased, this, [this, id] { OnReleased(*Find(id)); });
    return slider;
}

const CEffectDialog::Row* CEffectDialog::Find(int id) const {
    const auto it =
        std::find_if(m_rows.begin(), m_rows.end(), [id](const Row& r) { return r.id == id; });
    return it == m_rows.end() ? nullptr : &*it;
}

QSlider* CEffectDialog::Slider(int id) const {
    const Row* row = Find(id);
    return row != nullptr ? row->slider : nullptr;
}

QLabel* CEffectDialog::PositionLabel(int id) const {
    const Row* row = Find(id);
    return row != nullptr ? row->position : nullptr;
}

int CEffectDialog::Position(int id) const {
    const Row* row = Find(id);
    return row != nullptr ? row->slider->sliderPosition() : 0;
}

void CEffectDialog::SetPosition(int id, int value) {
    const Row* row = Find(id);
    if (row == nullptr) {
        return;
    }
    row->slider->setValue(value);
    row->position->setText(QString::number(row->slider->sliderPosition()));
}

void CEffectDialog::OnAction(const Row& row, int action) {
    const int code = CodeOf(*row.slider, action);
    if (code < 0) {
        return;
    }
    const int position = row.slider->sliderPosition();
    row.position->setText(QString::number(position));
    if (code == TB_THUMBTRACK && row.tooltips) {
        QToolTip::showText(QCursor::pos(), QString::number(position), row.slider);
    }
    emit scrolled(row.id, code);
}

void CEffectDialog::OnReleased(const Row& row) {
    row.position->setText(QString::number(row.slider->sliderPosition()));
    if (row.tooltips) {
        QToolTip::hideText();
    }
    emit scrolled(row.id, TB_THUMBPOSITION);
}

CBrightnessDialog::CBrightnessDialog(QWidget* parent)
    : CEffectDialog(tr("画像全体の明るさとコントラストを調整します。"), parent) {
    AddSlider(IDC_BRIGHTNESS, tr("明るさ(&B):"), -100, 100, 10, 10);
    AddSlider(IDC_CONTRAST, tr("コントラスト(&C):"), -100, 100, 10, 10);
    Column()->addStretch(1);
}

CSharpDialog::CSharpDialog(QWidget* parent)
    : CEffectDialog(
          tr("画像を鮮鋭化します。\nリサイズによって画像がぼやけてしまう場合に有効です。"),
          parent) {
    AddSlider(IDC_SHARP, tr("シャープ(&S):"), 0, 8, 1, 1);
    Column()->addStretch(1);
}

CLightDialog::CLightDialog(QWidget* parent)
    : CEffectDialog(tr("画像に光を当てたような効果を与えます。\n画像をクリックして、"
                       "ライトの位置を変更できます。"),
                    parent) {
    AddSlider(IDC_LIGHT, tr("ライト(&L):"), 0, 100, 10, 10);
    m_pNoLight4Bit = new QCheckBox(tr("&4ビット(16色)アイコンには適用しない"), this);
    Column()->addWidget(m_pNoLight4Bit);
    QLabel* note =
        WrappedText(tr("ライトを使用するとグラデーションが掛かり、色数が劇的に増えます。16色では"
                       "表現しきれず、汚く見えてしまう場合があります。"),
                    this);
    const DialogUnits du(fontMetrics());
    note->setContentsMargins(du.X(6), 0, 0, 0);
    Column()->addWidget(note);
    Column()->addStretch(1);
}

void CLightDialog::SetNoLight4Bit(int value) {
    m_pNoLight4Bit->setChecked(value != 0);
}

int CLightDialog::GetNoLight4Bit() const {
    return m_pNoLight4Bit->checkState() == Qt::Checked ? 1 : 0;
}

CTransparentDialog::CTransparentDialog(QWidget* parent)
    : CEffectDialog(tr("画像全体の透過度を変更します。\n32ビットアイコンでのみ有効に"
                       "なります。\n\n※透過度が半分以下になると、32ビット以外のアイ"
                       "コンでは透明になってしまうので、注意してください。"),
                    parent) {
    AddSlider(IDC_TRANSPARENT, tr("透過度(&T):"), -100, 100, 10, 10, false);
    Column()->addStretch(1);
}

CShadowDialog::CShadowDialog(QWidget* parent)
    : CEffectDialog(tr("画像の透過領域に半透明の影を入れます。32 ビットアイコンでのみ"
                       "有効です。\n画像をクリックして、影の方向を指定できます。"),
                    parent) {
    AddSlider(IDC_SHADOW, tr("影(&S):"), 0, 100, 10, 10);
    Column()->addStretch(1);
}

CFrameDialog::CFrameDialog(QWidget* parent)
    : CEffectDialog(tr("画像の四隅の面取りと、縁にフェード効果を加えます。"), parent) {
    AddSlider(IDC_ROUND, tr("面取り(&R):"), 0, 200, 10, 10);
    AddSlider(IDC_FADE, tr("フェード(&F):"), 0, 100, 10, 10);
    Column()->addStretch(1);
}

}  // namespace varlen
