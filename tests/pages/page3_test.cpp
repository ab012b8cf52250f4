// The filters page: the tabs and effect dialogs with their texts, ranges and step sizes;
// when a slider change is stored and when the preview follows (by what moved the slider);
// light and shadow picks; reset; the tab and the check box stored on leaving.
#include "pages/page3.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMouseEvent>
#include <QSlider>
#include <QTabWidget>
#include <QTest>
#include <QWheelEvent>
#include <memory>
#include <vector>

#include "gui/icon_wnd.h"
#include "gui/settings.h"
#include "wizard/sheet.h"
#include "core/pipeline.h"
#include "pages/effect_dialogs.h"

namespace varlen {
namespace {

constexpr Pixel kGrey = MakePixel(255, 200, 200, 200);
constexpr int kPage3 = 2;  // page ids count from 0

std::unique_ptr<CIcon> Flat(int side, Pixel colour) {
    auto icon = CreateIcon(side, side, 32);
    for (Pixel& p : icon->Pixels()) {
        p = colour;
    }
    return icon;
}

// A left click at pos (QTest takes the point (0, 0) for the widget's centre).
void Click(QWidget& widget, QPoint pos) {
    const QPointF local(pos);
    const QPointF global = widget.mapToGlobal(local);
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(&widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(&widget, &release);
}

std::vector<Pixel> PixelsOf(const CIcon& icon) {
    return {icon.Pixels().begin(), icon.Pixels().end()};
}

class Page3 : public ::testing::Test {
  protected:
    void SetUp() override { DeleteSettingsStore(); }
    void TearDown() override { DeleteSettingsStore(); }

    // Opens the wizard on the filters page with a flat grey 64 x 64 picture.
    CVarlenPage3& Start(int side = 64) {
        sheet.m_pIcon = Flat(side, kGrey);
        sheet.setStartId(kPage3);
        sheet.show();
        return *sheet.m_pPage3;
    }
    CVarlenPage3& Page() { return *sheet.m_pPage3; }
    QSlider& Slider(CEffectDialog* dialog, int id) { return *dialog->Slider(id); }
    QString Label(CEffectDialog* dialog, int id) { return dialog->PositionLabel(id)->text(); }
    // The colour of the shown preview at (x, y).
    Pixel Shown(int x, int y) {
        const CIcon* shown = Page().m_wndIcon->GetImage();
        return shown != nullptr ? shown->GetPixel(x, y) : 0;
    }
    // Runs the event loop until the preview has been rebuilt builds times in all.
    bool WaitForBuilds(int builds, int timeout = 2000) {
        return QTest::qWaitFor([&] { return Page().PreviewBuilds() >= builds; }, timeout) &&
               Page().PreviewBuilds() == builds;
    }

    CVarlen sheet;
};

// --- texts, ranges and step sizes ------------------------------------------------------

TEST(Page3Texts, TabsInOrder) {
    DeleteSettingsStore();
    CVarlen sheet;
    const QTabWidget& tabs = *sheet.m_pPage3->m_tabFilter;
    ASSERT_EQ(tabs.count(), 6);
    const char* const texts[] = {"明るさ", "シャープ", "ライト", "透過", "影", "縁"};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(tabs.tabText(i), QString::fromUtf8(texts[i])) << i;
    }
    EXPECT_EQ(tabs.widget(0), sheet.m_pPage3->m_dlgBrightness);
    EXPECT_EQ(tabs.widget(1), sheet.m_pPage3->m_dlgSharp);
    EXPECT_EQ(tabs.widget(2), sheet.m_pPage3->m_dlgLight);
    EXPECT_EQ(tabs.widget(3), sheet.m_pPage3->m_dlgTransparent);
    EXPECT_EQ(tabs.widget(4), sheet.m_pPage3->m_dlgShadow);
    EXPECT_EQ(tabs.widget(5), sheet.m_pPage3->m_dlgFrame);
    EXPECT_EQ(sheet.m_pPage3->title(), QStringLiteral("フィルタ・加工"));
    EXPECT_EQ(sheet.m_pPage3->subTitle(),
              QStringLiteral(
                  "画像にフィルタ・加工を追加するには、以下のタブ項目を選択してください。\n "));
}

TEST(Page3Texts, ExplanatoryTextsAndCheckBox) {
    CBrightnessDialog brightness;
    CSharpDialog sharp;
    CLightDialog light;
    CTransparentDialog transparent;
    CShadowDialog shadow;
    CFrameDialog frame;
    EXPECT_EQ(brightness.Text()->text(),
              QStringLiteral("画像全体の明るさとコントラストを調整します。"));
    EXPECT_EQ(sharp.Text()->text(),
              QStringLiteral(
                  "画像を鮮鋭化します。\nリサイズによって画像がぼやけてしまう場合に有効です。"));
    EXPECT_EQ(light.Text()->text(),
              QStringLiteral("画像に光を当てたような効果を与えます。\n画像をクリックして、ライト"
                             "の位置を変更できます。"));
    EXPECT_EQ(transparent.Text()->text(),
              QStringLiteral("画像全体の透過度を変更します。\n32ビットアイコンでのみ有効になりま"
                             "す。\n\n※透過度が半分以下になると、32ビット以外のアイコンでは透明"
                             "になってしまうので、注意してください。"));
    EXPECT_EQ(shadow.Text()->text(),
              QStringLiteral("画像の透過領域に半透明の影を入れます。32 ビットアイコンでのみ有効で"
                             "す。\n画像をクリックして、影の方向を指定できます。"));
    EXPECT_EQ(frame.Text()->text(),
              QStringLiteral("画像の四隅の面取りと、縁にフェード効果を加えます。"));

    EXPECT_EQ(light.NoLight4BitBox()->text(),
              QStringLiteral("&4ビット(16色)アイコンには適用しない"));
    bool noteFound = false;
    for (const QLabel* label : light.findChildren<QLabel*>()) {
        noteFound |=
            label->text() == QStringLiteral(
                                 "ライトを使用するとグラデーションが掛かり、色数が劇的に増え"
                                 "ます。16色では表現しきれず、汚く見えてしまう場合があります。");
    }
    EXPECT_TRUE(noteFound);
}

struct SliderCase {
    int id;
    const char* label;
    int min, max, tick, page;
};

// The slider of id, its naming label (the label whose buddy it is) and its position label.
void CheckSlider(CEffectDialog& dialog, const SliderCase& c) {
    SCOPED_TRACE(c.id);
    QSlider* slider = dialog.Slider(c.id);
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(slider->orientation(), Qt::Horizontal);
    EXPECT_EQ(slider->tickPosition(), QSlider::TicksAbove);
    EXPECT_EQ(slider->minimum(), c.min);
    EXPECT_EQ(slider->maximum(), c.max);
    EXPECT_EQ(slider->tickInterval(), c.tick);
    EXPECT_EQ(slider->pageStep(), c.page);
    EXPECT_EQ(slider->singleStep(), 1);
    EXPECT_EQ(slider->value(), 0);
    EXPECT_EQ(dialog.PositionLabel(c.id)->text(), QStringLiteral("0"));
    const QLabel* name = nullptr;
    for (const QLabel* label : dialog.findChildren<QLabel*>()) {
        if (label->buddy() == slider) {
            name = label;
        }
    }
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->text(), QString::fromUtf8(c.label));
}

TEST(Page3Texts, SlidersLabelsRangesAndSteps) {
    CBrightnessDialog brightness;
    CheckSlider(brightness, {IDC_BRIGHTNESS, "明るさ(&B):", -100, 100, 10, 10});
    CheckSlider(brightness, {IDC_CONTRAST, "コントラスト(&C):", -100, 100, 10, 10});
    CSharpDialog sharp;
    CheckSlider(sharp, {IDC_SHARP, "シャープ(&S):", 0, 8, 1, 1});
    CLightDialog light;
    CheckSlider(light, {IDC_LIGHT, "ライト(&L):", 0, 100, 10, 10});
    CTransparentDialog transparent;
    CheckSlider(transparent, {IDC_TRANSPARENT, "透過度(&T):", -100, 100, 10, 10});
    CShadowDialog shadow;
    CheckSlider(shadow, {IDC_SHADOW, "影(&S):", 0, 100, 10, 10});
    CFrameDialog frame;
    CheckSlider(frame, {IDC_ROUND, "面取り(&R):", 0, 200, 10, 10});
    CheckSlider(frame, {IDC_FADE, "フェード(&F):", 0, 100, 10, 10});
    EXPECT_EQ(frame.Slider(IDC_BRIGHTNESS), nullptr);
}

TEST(Page3Texts, SetOperationsClampAndShowThePositionWithoutReporting) {
    CFrameDialog frame;
    int reports = 0;
    QObject::connect(&frame, &CEffectDialog::scrolled, [&] { ++reports; });
    frame.SetRound(250);
    EXPECT_EQ(frame.GetRound(), 200);
    EXPECT_EQ(frame.PositionLabel(IDC_ROUND)->text(), QStringLiteral("200"));
    frame.SetFade(-3);
    EXPECT_EQ(frame.GetFade(), 0);
    EXPECT_EQ(frame.PositionLabel(IDC_FADE)->text(), QStringLiteral("0"));
    EXPECT_EQ(reports, 0);

    CLightDialog light;
    light.SetNoLight4Bit(7);
    EXPECT_TRUE(light.NoLight4BitBox()->isChecked());
    EXPECT_EQ(light.GetNoLight4Bit(), 1);
    light.SetNoLight4Bit(0);
    EXPECT_EQ(light.GetNoLight4Bit(), 0);
}

// --- the slider-change rule ------------------------------------------------------------

TEST_F(Page3, EntryShowsTheFilteredPictureAtOnce) {
    sheet.m_nBrightness = 40;
    sheet.m_nTransparent = -50;
    CVarlenPage3& page = Start();
    EXPECT_EQ(page.PreviewBuilds(), 1);
    EXPECT_EQ(page.m_wndIcon->GetImage(), page.Preview());
    EXPECT_EQ(Shown(5, 9), MakePixel(128, 240, 240, 240));
    EXPECT_EQ(page.m_dlgBrightness->GetBrightness(), 40);
    EXPECT_EQ(Label(page.m_dlgBrightness, IDC_BRIGHTNESS), QStringLiteral("40"));
    EXPECT_EQ(Label(page.m_dlgTransparent, IDC_TRANSPARENT), QStringLiteral("-50"));
    // The working picture itself is never filtered.
    EXPECT_EQ(sheet.m_pIcon->GetPixel(5, 9), kGrey);
    EXPECT_FALSE(page.RefreshTimer().isActive());
}

TEST_F(Page3, ArrowKeysStoreAtOnceAndRefreshOnce500msAfterTheLast) {
    CVarlenPage3& page = Start();
    QSlider& contrast = Slider(page.m_dlgBrightness, IDC_CONTRAST);
    const int builds = page.PreviewBuilds();
    for (int press = 1; press <= 5; ++press) {
        QTest::keyClick(&contrast, Qt::Key_Right);
        EXPECT_EQ(sheet.m_nContrast, press);
        EXPECT_EQ(Label(page.m_dlgBrightness, IDC_CONTRAST), QString::number(press));
        ASSERT_TRUE(page.RefreshTimer().isActive());
        EXPECT_EQ(page.RefreshTimer().interval(), CVarlenPage3::kStepDelay);
        EXPECT_TRUE(page.RefreshTimer().isSingleShot());
        if (press < 5) {
            QTest::qWait(100);
        }
    }
    // 400 ms after the first press: a timer that was not restarted would be nearly due.
    EXPECT_GT(page.RefreshTimer().remainingTime(), 300);
    EXPECT_EQ(page.PreviewBuilds(), builds);
    EXPECT_EQ(Shown(0, 0), kGrey);
    ASSERT_TRUE(WaitForBuilds(builds + 1));
    EXPECT_FALSE(page.RefreshTimer().isActive());
    // Contrast 5: 200 + trunc(72 * 5 / 100) = 203.
    EXPECT_EQ(Shown(0, 0), MakePixel(255, 203, 203, 203));
}

TEST_F(Page3, PageStepsAndChannelClicksWait500ms) {
    CVarlenPage3& page = Start();
    QSlider& light = Slider(page.m_dlgLight, IDC_LIGHT);
    QTest::keyClick(&light, Qt::Key_PageUp);
    EXPECT_EQ(sheet.m_nLight, 10);
    EXPECT_EQ(page.RefreshTimer().interval(), CVarlenPage3::kStepDelay);
    light.triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(sheet.m_nLight, 20);
    EXPECT_EQ(Label(page.m_dlgLight, IDC_LIGHT), QStringLiteral("20"));
    light.triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(sheet.m_nLight, 19);
    EXPECT_TRUE(page.RefreshTimer().isActive());
    EXPECT_EQ(page.RefreshTimer().interval(), CVarlenPage3::kStepDelay);
    EXPECT_EQ(page.PreviewBuilds(), 1);

    // A click on the channel right of the thumb: one page step up, refreshed later.
    page.m_tabFilter->setCurrentIndex(CVarlenPage3::kLight);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&sheet));
    QTest::mouseClick(&light, Qt::LeftButton, {}, QPoint(light.width() - 4, light.height() / 2));
    EXPECT_EQ(sheet.m_nLight, 29);
    EXPECT_EQ(Label(page.m_dlgLight, IDC_LIGHT), QStringLiteral("29"));
    EXPECT_EQ(page.RefreshTimer().interval(), CVarlenPage3::kStepDelay);
    EXPECT_EQ(page.PreviewBuilds(), 1);
}

TEST_F(Page3, TheWheelIsALineStep) {
    CVarlenPage3& page = Start();
    QSlider& fade = Slider(page.m_dlgFrame, IDC_FADE);
    const QPoint centre(fade.width() / 2, fade.height() / 2);
    QWheelEvent wheel(centre, fade.mapToGlobal(centre), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&fade, &wheel);
    ASSERT_GT(fade.value(), 0);
    EXPECT_EQ(sheet.m_nFade, fade.value());
    EXPECT_TRUE(page.RefreshTimer().isActive());
    EXPECT_EQ(page.RefreshTimer().interval(), CVarlenPage3::kStepDelay);
}

TEST_F(Page3, ThumbDragMovesOnlyTheLabelUntilRelease) {
    CVarlenPage3& page = Start();
    QSlider& brightness = Slider(page.m_dlgBrightness, IDC_BRIGHTNESS);
    // What QSlider does while its thumb is dragged: down, positions, up.
    brightness.setSliderDown(true);
    for (int position = 10; position <= 40; position += 10) {
        brightness.setSliderPosition(position);
        EXPECT_EQ(Label(page.m_dlgBrightness, IDC_BRIGHTNESS), QString::number(position));
        EXPECT_EQ(sheet.m_nBrightness, 0);
        EXPECT_FALSE(page.RefreshTimer().isActive());
    }
    brightness.setSliderDown(false);
    EXPECT_EQ(sheet.m_nBrightness, 40);
    ASSERT_TRUE(page.RefreshTimer().isActive());
    EXPECT_EQ(page.RefreshTimer().interval(), 0);
    EXPECT_EQ(page.PreviewBuilds(), 1);
    ASSERT_TRUE(WaitForBuilds(2));
    EXPECT_EQ(Shown(3, 3), MakePixel(255, 240, 240, 240));
}

TEST_F(Page3, MouseDragOfTheThumbStoresOnRelease) {
    CVarlenPage3& page = Start();
    sheet.m_pPage3->m_tabFilter->setCurrentIndex(CVarlenPage3::kShadow);
    QSlider& shadow = Slider(page.m_dlgShadow, IDC_SHADOW);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&sheet));
    // The thumb sits at the left end at 0; drag it to the right end.
    const QPoint start(3, shadow.height() / 2);
    const QPoint end(shadow.width() + 20, shadow.height() / 2);
    QTest::mousePress(&shadow, Qt::LeftButton, {}, start);
    ASSERT_TRUE(shadow.isSliderDown());
    QMouseEvent move(QEvent::MouseMove, QPointF(end), shadow.mapToGlobal(QPointF(end)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&shadow, &move);
    EXPECT_EQ(Label(page.m_dlgShadow, IDC_SHADOW), QStringLiteral("100"));
    EXPECT_EQ(sheet.m_nShadow, 0);
    EXPECT_FALSE(page.RefreshTimer().isActive());
    QTest::mouseRelease(&shadow, Qt::LeftButton, {}, end);
    EXPECT_EQ(sheet.m_nShadow, 100);
    EXPECT_TRUE(page.RefreshTimer().isActive());
    EXPECT_EQ(page.RefreshTimer().interval(), 0);
}

TEST_F(Page3, HomeAndEndRefreshAtOnce) {
    CVarlenPage3& page = Start();
    QSlider& sharp = Slider(page.m_dlgSharp, IDC_SHARP);
    QTest::keyClick(&sharp, Qt::Key_End);
    EXPECT_EQ(sheet.m_nSharp, 8);
    EXPECT_EQ(Label(page.m_dlgSharp, IDC_SHARP), QStringLiteral("8"));
    ASSERT_TRUE(page.RefreshTimer().isActive());
    EXPECT_EQ(page.RefreshTimer().interval(), 0);
    ASSERT_TRUE(WaitForBuilds(2));

    QSlider& transparent = Slider(page.m_dlgTransparent, IDC_TRANSPARENT);
    QTest::keyClick(&transparent, Qt::Key_Home);
    EXPECT_EQ(sheet.m_nTransparent, -100);
    EXPECT_EQ(page.RefreshTimer().interval(), 0);
    ASSERT_TRUE(WaitForBuilds(3));
    EXPECT_EQ(Alpha(Shown(0, 0)), 0);  // 255 - 255
}

TEST_F(Page3, AChangeToTheStoredValueStartsNothing) {
    sheet.m_nSharp = 8;
    CVarlenPage3& page = Start();
    QTest::keyClick(&Slider(page.m_dlgSharp, IDC_SHARP), Qt::Key_End);
    EXPECT_FALSE(page.RefreshTimer().isActive());
    QTest::keyClick(&Slider(page.m_dlgShadow, IDC_SHADOW), Qt::Key_Left);  // already at 0
    EXPECT_FALSE(page.RefreshTimer().isActive());
    // A thumb dragged away and back before its release.
    QSlider& round = Slider(page.m_dlgFrame, IDC_ROUND);
    round.setSliderDown(true);
    round.setSliderPosition(30);
    round.setSliderPosition(0);
    round.setSliderDown(false);
    EXPECT_FALSE(page.RefreshTimer().isActive());
    EXPECT_EQ(sheet.m_nSharp, 8);
    EXPECT_EQ(sheet.m_nRound, 0);
    QTest::qWait(20);
    EXPECT_EQ(page.PreviewBuilds(), 1);
}

TEST_F(Page3, AnImmediateRefreshCutsAPendingDelay) {
    CVarlenPage3& page = Start();
    QTest::keyClick(&Slider(page.m_dlgBrightness, IDC_BRIGHTNESS), Qt::Key_Right);
    EXPECT_EQ(page.RefreshTimer().interval(), CVarlenPage3::kStepDelay);
    QTest::keyClick(&Slider(page.m_dlgBrightness, IDC_CONTRAST), Qt::Key_End);
    EXPECT_EQ(page.RefreshTimer().interval(), 0);
    ASSERT_TRUE(WaitForBuilds(2));
    // Brightness 1 after contrast 100: 200 + 72 = 272 -> 255, then + 1 -> 255.
    EXPECT_EQ(Shown(0, 0), MakePixel(255, 255, 255, 255));
    QTest::qWait(20);
    EXPECT_EQ(page.PreviewBuilds(), 2);
}

// --- picks -----------------------------------------------------------------------------

TEST_F(Page3, ViewPicksOnlyOnTheLightAndShadowTabs) {
    CVarlenPage3& page = Start();
    const int expected[] = {0, 0, CIconWnd::ICONWND_PICK, 0, CIconWnd::ICONWND_PICK, 0};
    for (int tab = 0; tab < 6; ++tab) {
        page.m_tabFilter->setCurrentIndex(tab);
        EXPECT_EQ(page.m_wndIcon->GetMode(), expected[tab]) << tab;
        EXPECT_EQ(page.m_wndIcon->cursor().shape(),
                  expected[tab] != 0 ? Qt::CrossCursor : Qt::ArrowCursor)
            << tab;
    }
}

TEST_F(Page3, LightPickInUnitsOf256) {
    sheet.m_nLight = 100;
    CVarlenPage3& page = Start();
    page.m_tabFilter->setCurrentIndex(CVarlenPage3::kLight);
    CIconWnd& view = *page.m_wndIcon;
    Click(view, QPoint(0, 0));
    EXPECT_EQ(sheet.m_ptLight, (Point{0, 0}));
    EXPECT_TRUE(page.RefreshTimer().isActive());
    EXPECT_EQ(page.RefreshTimer().interval(), 0);

    QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(view.width() / 2, view.height() / 2));
    EXPECT_EQ(sheet.m_ptLight, (Point{128, 128}));
    ASSERT_TRUE(WaitForBuilds(2));
    // Light 100 at its own position: white; the far corner darkens.
    EXPECT_EQ(Shown(32, 32), MakePixel(255, 255, 255, 255));
    EXPECT_EQ(sheet.m_ptShadow, (Point{127, 127}));
}

TEST_F(Page3, ShadowPickIsThePositionLess127) {
    CVarlenPage3& page = Start();
    page.m_tabFilter->setCurrentIndex(CVarlenPage3::kShadow);
    CIconWnd& view = *page.m_wndIcon;
    QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(view.width() / 2, view.height() / 2));
    EXPECT_EQ(sheet.m_ptShadow, (Point{1, 1}));
    Click(view, QPoint(0, 0));
    EXPECT_EQ(sheet.m_ptShadow, (Point{-127, -127}));
    QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(view.width() - 1, view.height() - 1));
    EXPECT_GE(sheet.m_ptShadow.x, 127);
    EXPECT_LE(sheet.m_ptShadow.x, 129);
    EXPECT_EQ(sheet.m_ptShadow.y, sheet.m_ptShadow.x);
    EXPECT_EQ(sheet.m_ptLight, (Point{0, 0}));
    EXPECT_EQ(page.RefreshTimer().interval(), 0);
}

TEST_F(Page3, PicksOnOtherTabsChangeNothing) {
    CVarlenPage3& page = Start();
    CIconWnd& view = *page.m_wndIcon;
    for (int tab : {0, 1, 3, 5}) {
        page.m_tabFilter->setCurrentIndex(tab);
        QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(view.width() / 2, 5));
        EXPECT_FALSE(page.RefreshTimer().isActive()) << tab;
    }
    EXPECT_EQ(sheet.m_ptLight, (Point{0, 0}));
    EXPECT_EQ(sheet.m_ptShadow, (Point{127, 127}));
}

// --- reset, leaving and re-entry -------------------------------------------------------

TEST_F(Page3, ResetPutsEverythingToNeutralAndShowsThePictureAtOnce) {
    sheet.m_nFilter = CVarlenPage3::kFrame;
    sheet.m_nBrightness = 30;
    sheet.m_nContrast = -20;
    sheet.m_nSharp = 3;
    sheet.m_nLight = 50;
    sheet.m_ptLight = Point{10, 20};
    sheet.m_bNoLight4Bit = true;
    sheet.m_nTransparent = -10;
    sheet.m_nShadow = 60;
    sheet.m_ptShadow = Point{-5, 40};
    sheet.m_nRound = 150;
    sheet.m_nFade = 70;
    CVarlenPage3& page = Start();
    ASSERT_TRUE(page.m_dlgLight->NoLight4BitBox()->isChecked());
    ASSERT_NE(Shown(32, 32), kGrey);
    // A step leaves a refresh pending; reset does not cancel it.
    QTest::keyClick(&Slider(page.m_dlgFrame, IDC_FADE), Qt::Key_Right);
    ASSERT_TRUE(page.RefreshTimer().isActive());

    ASSERT_TRUE(sheet.ResetButton()->isEnabled());
    sheet.ResetButton()->click();
    EXPECT_EQ(sheet.m_nBrightness, 0);
    EXPECT_EQ(sheet.m_nContrast, 0);
    EXPECT_EQ(sheet.m_nSharp, 0);
    EXPECT_EQ(sheet.m_nLight, 0);
    EXPECT_EQ(sheet.m_ptLight, (Point{0, 0}));
    EXPECT_FALSE(sheet.m_bNoLight4Bit);
    EXPECT_EQ(sheet.m_nTransparent, 0);
    EXPECT_EQ(sheet.m_nShadow, 0);
    EXPECT_EQ(sheet.m_ptShadow, (Point{127, 127}));
    EXPECT_EQ(sheet.m_nRound, 0);
    EXPECT_EQ(sheet.m_nFade, 0);
    EXPECT_EQ(sheet.m_nFilter, CVarlenPage3::kFrame);
    EXPECT_EQ(page.m_tabFilter->currentIndex(), CVarlenPage3::kFrame);
    EXPECT_FALSE(page.m_dlgLight->NoLight4BitBox()->isChecked());
    const std::pair<CEffectDialog*, int> sliders[] = {{page.m_dlgBrightness, IDC_BRIGHTNESS},
                                                      {page.m_dlgBrightness, IDC_CONTRAST},
                                                      {page.m_dlgSharp, IDC_SHARP},
                                                      {page.m_dlgLight, IDC_LIGHT},
                                                      {page.m_dlgTransparent, IDC_TRANSPARENT},
                                                      {page.m_dlgShadow, IDC_SHADOW},
                                                      {page.m_dlgFrame, IDC_ROUND},
                                                      {page.m_dlgFrame, IDC_FADE}};
    for (const auto& [dialog, id] : sliders) {
        EXPECT_EQ(Slider(dialog, id).value(), 0) << id;
        EXPECT_EQ(Label(dialog, id), QStringLiteral("0")) << id;
    }
    // The unfiltered picture at once, without a filter pass.
    EXPECT_EQ(page.PreviewBuilds(), 1);
    ASSERT_NE(page.m_wndIcon->GetImage(), nullptr);
    EXPECT_EQ(PixelsOf(*page.m_wndIcon->GetImage()), PixelsOf(*sheet.m_pIcon));
    EXPECT_TRUE(page.RefreshTimer().isActive());
}

TEST_F(Page3, TheCheckBoxActsOnlyWhenThePageIsLeft) {
    sheet.m_nLight = 80;
    CVarlenPage3& page = Start();
    page.m_tabFilter->setCurrentIndex(CVarlenPage3::kLight);
    QCheckBox& box = *page.m_dlgLight->NoLight4BitBox();
    QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(5, box.height() / 2));
    ASSERT_TRUE(box.isChecked());
    EXPECT_FALSE(sheet.m_bNoLight4Bit);
    EXPECT_FALSE(page.RefreshTimer().isActive());
    sheet.next();
    EXPECT_TRUE(sheet.m_bNoLight4Bit);
}

TEST_F(Page3, LeavingStoresTheTabAndDropsAPendingRefresh) {
    CVarlenPage3& page = Start();
    page.m_tabFilter->setCurrentIndex(CVarlenPage3::kTransparent);
    QTest::keyClick(&Slider(page.m_dlgTransparent, IDC_TRANSPARENT), Qt::Key_PageDown);
    ASSERT_EQ(sheet.m_nTransparent, -10);
    ASSERT_TRUE(page.RefreshTimer().isActive());
    sheet.next();
    ASSERT_EQ(sheet.currentId(), kPage3 + 1);
    EXPECT_FALSE(page.RefreshTimer().isActive());
    EXPECT_EQ(page.Preview(), nullptr);
    EXPECT_EQ(sheet.m_nFilter, CVarlenPage3::kTransparent);
    EXPECT_EQ(sheet.m_nTransparent, -10);
    QTest::qWait(20);
    EXPECT_EQ(page.PreviewBuilds(), 1);

    // Back: the tab left selected, the new value rendered at once.
    sheet.back();
    ASSERT_EQ(sheet.currentId(), kPage3);
    EXPECT_EQ(page.m_tabFilter->currentIndex(), CVarlenPage3::kTransparent);
    EXPECT_EQ(page.PreviewBuilds(), 2);
    EXPECT_EQ(Alpha(Shown(0, 0)), 255 - 25);  // trunc(-10 * 255 / 100) = -25
    EXPECT_EQ(page.m_wndIcon->GetMode(), 0);
}

TEST_F(Page3, TheTabIsRememberedAcrossRuns) {
    {
        CVarlen first;
        first.m_pIcon = Flat(16, kGrey);
        first.setStartId(kPage3);
        first.show();
        first.m_pPage3->m_tabFilter->setCurrentIndex(CVarlenPage3::kShadow);
        first.next();
        EXPECT_EQ(first.m_nFilter, CVarlenPage3::kShadow);
        first.SaveSettings(nullptr);
    }
    CVarlen second;
    second.m_pIcon = Flat(16, kGrey);
    second.setStartId(kPage3);
    second.show();
    EXPECT_EQ(second.m_pPage3->m_tabFilter->currentIndex(), CVarlenPage3::kShadow);
    EXPECT_EQ(second.m_pPage3->m_wndIcon->GetMode(), CIconWnd::ICONWND_PICK);
}

TEST_F(Page3, AStoredTabOutOfRangeSelectsTheFirst) {
    sheet.m_nFilter = 9;
    CVarlenPage3& page = Start();
    EXPECT_EQ(page.m_tabFilter->currentIndex(), 0);
}

// --- the preview -----------------------------------------------------------------------

TEST_F(Page3, LargePicturesGiveTheSamePreviewOnThePool) {
    sheet.m_nContrast = 30;
    sheet.m_nLight = 60;
    sheet.m_ptLight = Point{40, 200};
    sheet.m_nShadow = 50;
    sheet.m_nSharp = 2;
    sheet.m_nRound = 40;
    sheet.m_nFade = 30;
    sheet.m_bNoLight4Bit = true;  // no effect on the preview
    auto picture = CreateIcon(300, 300, 32);
    for (int y = 0; y < 300; ++y) {
        for (int x = 0; x < 300; ++x) {
            picture->Row(y)[x] = (x - 150) * (x - 150) + (y - 150) * (y - 150) < 100 * 100
                                     ? MakePixel(255, x % 256, y % 256, (x * y) % 256)
                                     : 0;
        }
    }
    sheet.m_pIcon = std::move(picture);
    sheet.setStartId(kPage3);
    sheet.show();
    EffectSettings effects = ToEffectSettings(sheet);
    effects.noLight4Bit = false;
    const auto expected = BuildViewPreview(*sheet.m_pIcon, effects);
    ASSERT_NE(Page().Preview(), nullptr);
    EXPECT_EQ(PixelsOf(*Page().Preview()), PixelsOf(*expected));
}

}  // namespace
}  // namespace varlen
