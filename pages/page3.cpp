// The filters page.
//
// Contract: the sliders write the sheet's filter values, the view shows the sheet's picture
// with those values applied (core's view preview: filters, sharpen, corners, at the
// picture's own size). When a slider change is stored and when the preview follows depends
// on what moved the slider:
// - line and page steps (arrow keys, wheel, Page keys, clicks on the channel) store at
//   once and refresh 500 ms after the last of them: the one-shot timer restarts on each;
// - a released thumb, Home, End and a picked light or shadow point store and refresh as
//   soon as the event queue is idle (the timer with 0 ms);
// - while the thumb is dragged only the position label follows; the stored value and the
//   preview change on release.
// A change that leaves the slider at the stored value starts nothing. The selected tab and
// the "no light for 4-bit icons" box are stored when the page is left; leaving drops a
// pending refresh (the values are already stored, the next entry renders with them).
//
// Traps:
// - The view only points at the preview: a new preview is handed to the view before the
//   old one is destroyed, and the view is emptied before the preview goes on leaving.
// - Picks are mapped through the corners of the square the view shows, so the light and
//   shadow positions are in 1/256 of the shown square; a degenerate square (a zero-sized
//   view) would divide by zero and is ignored.
// - Large pictures are filtered on the sheet's worker pool, in the background (the window
//   keeps answering, input waits, a Cancel after half a second keeps the preview shown
//   until then); the result does not depend on the number of threads.
#include "pages/page3.h"
#include "gui/dialog_units.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <algorithm>

#include "core/pipeline.h"
#include "core/workers.h"
#include "gui/background_work.h"
#include "gui/icon_wnd.h"
#include "gui/varlen_state.h"
#include "gui/wait_cursor.h"
#include "pages/effect_dialogs.h"

namespace varlen {

namespace {

const char* const kRefreshing =
    QT_TRANSLATE_NOOP("varlen::CVarlenPage3", "プレビューを更新しています...");

constexpr int kTabCount = 6;

}  // namespace

CVarlenPage3::CVarlenPage3(CVarlenState* sheet, QWidget* parent)
    : CVarlenPage(sheet, 3, tr("フィルタ・加工"),
                  tr("画像にフィルタ・加工を追加するには、以下のタブ項目を選択してください。\n "),
                  parent) {
    m_timer.setSingleShot(true);
    BuildControls();
    connect(&m_timer, &QTimer::timeout, this, &CVarlenPage3::UpdatePreview);
    connect(m_tabFilter, &QTabWidget::currentChanged, this, &CVarlenPage3::ShowEffectDialog);
    connect(m_wndIcon, &CIconWnd::pick, this,
            [this](quint32 /*pixel*/, QPoint point) { OnPick(point); });
    for (CEffectDialog* dialog :
         {static_cast<CEffectDialog*>(m_dlgBrightness), static_cast<CEffectDialog*>(m_dlgSharp),
          static_cast<CEffectDialog*>(m_dlgLight), static_cast<CEffectDialog*>(m_dlgTransparent),
          static_cast<CEffectDialog*>(m_dlgShadow), static_cast<CEffectDialog*>(m_dlgFrame)}) {
        connect(dialog, &CEffectDialog::scrolled, this, &CVarlenPage3::OnScroll);
    }
}

CVarlenPage3::~CVarlenPage3() {
    m_wndIcon->SetImage(nullptr);
}

void CVarlenPage3::BuildControls() {
    m_tabFilter = new QTabWidget(this);
    m_dlgBrightness = new CBrightnessDialog;
    m_dlgSharp = new CSharpDialog;
    m_dlgLight = new CLightDialog;
    m_dlgTransparent = new CTransparentDialog;
    m_dlgShadow = new CShadowDialog;
    m_dlgFrame = new CFrameDialog;
    m_tabFilter->addTab(m_dlgBrightness, tr("明るさ"));
    m_tabFilter->addTab(m_dlgSharp, tr("シャープ"));
    m_tabFilter->addTab(m_dlgLight, tr("ライト"));
    m_tabFilter->addTab(m_dlgTransparent, tr("透過"));
    m_tabFilter->addTab(m_dlgShadow, tr("影"));
    m_tabFilter->addTab(m_dlgFrame, tr("縁"));
    // Every tab shows its whole name, in any language, without scrolling the bar.
    m_tabFilter->setMinimumWidth(
        m_tabFilter->tabBar()->sizeHint().width() +
        2 * m_tabFilter->style()->pixelMetric(QStyle::PM_DefaultFrameWidth));
    m_wndIcon = new CIconWnd(this);
    LayOutBesideView(m_tabFilter, m_wndIcon);
}

void CVarlenPage3::SetControls() {
    const CVarlenState& s = *m_pSheet;
    m_dlgBrightness->SetBrightness(s.m_nBrightness);
    m_dlgBrightness->SetContrast(s.m_nContrast);
    m_dlgSharp->SetSharp(s.m_nSharp);
    m_dlgLight->SetLight(s.m_nLight);
    m_dlgTransparent->SetTransparent(s.m_nTransparent);
    m_dlgShadow->SetShadow(s.m_nShadow);
    m_dlgFrame->SetRound(s.m_nRound);
    m_dlgFrame->SetFade(s.m_nFade);
    m_dlgLight->SetNoLight4Bit(s.m_bNoLight4Bit ? 1 : 0);
}

void CVarlenPage3::OnSetActive() {
    CWaitCursor wait;
    // A stored tab out of range (an edited store) selects the first one.
    const int tab = m_pSheet->m_nFilter >= 0 && m_pSheet->m_nFilter < kTabCount
                        ? m_pSheet->m_nFilter
                        : static_cast<int>(kBrightness);
    m_tabFilter->setCurrentIndex(tab);
    SetControls();
    UpdatePreview();
    ShowEffectDialog();
    CVarlenPage::OnSetActive();
}

bool CVarlenPage3::OnWizardNext() {
    Leave();
    return true;
}

void CVarlenPage3::OnWizardBack() {
    Leave();
}

void CVarlenPage3::Leave() {
    CWaitCursor wait;
    m_timer.stop();
    m_wndIcon->SetImage(nullptr);
    m_pPreview.reset();
    m_pSheet->m_nFilter = m_tabFilter->currentIndex();
    m_pSheet->m_bNoLight4Bit = m_dlgLight->GetNoLight4Bit() != 0;
}

void CVarlenPage3::OnReset() {
    CWaitCursor wait;
    CVarlenState& s = *m_pSheet;
    s.m_nBrightness = 0;
    s.m_nContrast = 0;
    s.m_nSharp = 0;
    s.m_nLight = 0;
    s.m_ptLight = Point{0, 0};
    s.m_bNoLight4Bit = false;
    s.m_nTransparent = 0;
    s.m_nShadow = 0;
    s.m_ptShadow = Point{127, 127};
    s.m_nRound = 0;
    s.m_nFade = 0;
    SetControls();
    // The neutral values leave the picture as it is: a plain copy is the preview. A
    // pending refresh stays pending.
    ShowPreview(ViewSizedCopy(*s.m_pIcon, m_pSheet->Pool()));
}

void CVarlenPage3::UpdatePreview() {
    CWaitCursor wait;
    const CIcon& working = *m_pSheet->m_pIcon;
    const EffectSettings effects = ToEffectSettings(*m_pSheet);
    if (working.PixelCount() < kBackgroundFromPixels) {
        ShowPreview(BuildViewPreview(working, effects));
        ++m_nPreviewBuilds;
        return;
    }
    Workers& pool = m_pSheet->Pool();
    std::unique_ptr<CIcon> preview;
    if (!RunInBackground(
            this, pool, tr(kRefreshing),
            [&] { preview = BuildViewPreview(working, effects, pool); }, true,
            m_pSheet->m_backgroundPacing)) {
        return;  // cancelled: the preview shown so far stays
    }
    ShowPreview(std::move(preview));
    ++m_nPreviewBuilds;
}

void CVarlenPage3::ShowPreview(std::unique_ptr<CIcon> preview) {
    m_wndIcon->SetImage(preview.get());
    m_pPreview = std::move(preview);
}

void CVarlenPage3::ShowEffectDialog() {
    const int tab = m_tabFilter->currentIndex();
    m_wndIcon->SetMode(tab == kLight || tab == kShadow ? CIconWnd::ICONWND_PICK : 0);
    m_wndIcon->UpdateCursor();
}

int* CVarlenPage3::MemberOf(int id) const {
    CVarlenState& s = *m_pSheet;
    switch (id) {
        case IDC_BRIGHTNESS:
            return &s.m_nBrightness;
        case IDC_CONTRAST:
            return &s.m_nContrast;
        case IDC_SHARP:
            return &s.m_nSharp;
        case IDC_LIGHT:
            return &s.m_nLight;
        case IDC_TRANSPARENT:
            return &s.m_nTransparent;
        case IDC_SHADOW:
            return &s.m_nShadow;
        case IDC_ROUND:
            return &s.m_nRound;
        case IDC_FADE:
            return &s.m_nFade;
        default:
            return nullptr;
    }
}

int CVarlenPage3::PositionOf(int id) const {
    switch (id) {
        case IDC_BRIGHTNESS:
            return m_dlgBrightness->GetBrightness();
        case IDC_CONTRAST:
            return m_dlgBrightness->GetContrast();
        case IDC_SHARP:
            return m_dlgSharp->GetSharp();
        case IDC_LIGHT:
            return m_dlgLight->GetLight();
        case IDC_TRANSPARENT:
            return m_dlgTransparent->GetTransparent();
        case IDC_SHADOW:
            return m_dlgShadow->GetShadow();
        case IDC_ROUND:
            return m_dlgFrame->GetRound();
        case IDC_FADE:
            return m_dlgFrame->GetFade();
        default:
            return 0;
    }
}

void CVarlenPage3::OnScroll(int id, int code) {
    int* member = MemberOf(id);
    if (member == nullptr) {
        return;
    }
    const int position = PositionOf(id);
    if (position == *member) {
        return;
    }
    switch (code) {
        case TB_LINEUP:
        case TB_LINEDOWN:
        case TB_PAGEUP:
        case TB_PAGEDOWN:
            *member = position;
            m_timer.start(kStepDelay);
            break;
        case TB_THUMBPOSITION:
        case TB_TOP:
        case TB_BOTTOM:
            *member = position;
            m_timer.start(0);
            break;
        default:  // the thumb is being dragged: only its label follows
            break;
    }
}

void CVarlenPage3::OnPick(QPoint point) {
    const int tab = m_tabFilter->currentIndex();
    if (tab != kLight && tab != kShadow) {
        return;
    }
    const Point p0 = m_wndIcon->ClientToSource(Point{0, 0});
    const Point p1 = m_wndIcon->ClientToSource(Point{m_wndIcon->width(), m_wndIcon->height()});
    const long long w = static_cast<long long>(p1.x) - p0.x;
    const long long h = static_cast<long long>(p1.y) - p0.y;
    if (w == 0 || h == 0) {
        return;
    }
    const Point pos{static_cast<int>((point.x() - static_cast<long long>(p0.x)) * 256 / w),
                    static_cast<int>((point.y() - static_cast<long long>(p0.y)) * 256 / h)};
    if (tab == kLight) {
        m_pSheet->m_ptLight = pos;
    } else {
        m_pSheet->m_ptShadow = Point{pos.x - 127, pos.y - 127};
    }
    m_timer.start(0);
}

}  // namespace varlen
