// The wizard sheet: page order, titles, buttons, the reset button's state and routing,
// the shared state, and the format list stored on destruction.
#include "wizard/sheet.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include "gui/about_dialog.h"
#include "gui/message_box.h"
#include "pages/page1.h"
#include "pages/page2.h"
#include "pages/page3.h"
#include "pages/page4.h"
#include "pages/page5.h"

namespace varlen {
namespace {

class Sheet : public ::testing::Test {
  protected:
    void SetUp() override { DeleteSettingsStore(); }
    void TearDown() override { DeleteSettingsStore(); }
    static QVariant Raw(const char* key) {
        QSettings store(QStringLiteral("Orvik"), QStringLiteral("Varlen"));
        return store.value(QStringLiteral("Settings/") + QLatin1String(key));
    }
};

// A page that counts what the sheet routes to it.
class SpyPage : public CVarlenPage {
  public:
    SpyPage(CVarlen* sheet, int number) : CVarlenPage(sheet, number, QStringLiteral("t"), {}) {}
    void OnReset() override { ++resets; }
    void OnSetActive() override {
        ++activations;
        CVarlenPage::OnSetActive();
    }
    bool OnWizardNext() override {
        ++nexts;
        return allowNext;
    }
    void OnWizardBack() override { ++backs; }
    bool CanDrop(const QMimeData& mime) const override { return mime.hasUrls(); }
    bool OnDrop(const QMimeData&) override {
        ++drops;
        return true;
    }
    int resets = 0, activations = 0, nexts = 0, backs = 0, drops = 0;
    bool allowNext = true;
};

const char* const kTitles[5] = {"画像を開く", "透過領域", "フィルタ・加工", "画像フォーマット",
                                "アイコンファイルの作成"};
const char* const kSubTitles[5] = {
    "アイコンに使用する画像を用意します。\n画像をファイルから開くか、クリップボードから貼り付け"
    "るか、\nまたはウィンドウ上にドロップしてください。\n ",
    "透過領域を設定します。\n右の画像から透過したい色、または領域をクリックしてください。\n ",
    "画像にフィルタ・加工を追加するには、以下のタブ項目を選択してください。\n ",
    "アイコンファイルに複数のサイズを含めることができます。\n含める画像フォーマットにチェックを"
    "入れてください。\nアイコンファイルを Windows 2000 で使用する場合は、10種類以下にして下さい"
    "。",
    "作成するアイコンファイルの名前を入れてください。\n[完了]をクリックすると、ファイルが作成され"
    "ます。\nリサイズ、減色処理を行うため、多少時間がかかります。\n ",
};

TEST_F(Sheet, FivePagesInOrderWithTheirHeaderTexts) {
    CVarlen sheet;
    ASSERT_EQ(sheet.pageIds(), (QList<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(sheet.page(0), sheet.m_pPage1);
    EXPECT_EQ(sheet.page(1), sheet.m_pPage2);
    EXPECT_EQ(sheet.page(2), sheet.m_pPage3);
    EXPECT_EQ(sheet.page(3), sheet.m_pPage4);
    EXPECT_EQ(sheet.page(4), sheet.m_pPage5);
    EXPECT_NE(dynamic_cast<CVarlenPage1*>(sheet.page(0)), nullptr);
    EXPECT_NE(dynamic_cast<CVarlenPage5*>(sheet.page(4)), nullptr);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(sheet.page(i)->title(), QString::fromUtf8(kTitles[i])) << i;
        EXPECT_EQ(sheet.page(i)->subTitle(), QString::fromUtf8(kSubTitles[i])) << i;
    }
    EXPECT_EQ(sheet.wizardStyle(), QWizard::ModernStyle);
}

TEST_F(Sheet, WindowTitleFollowsTheActivePage) {
    CVarlen sheet;
    sheet.show();
    EXPECT_EQ(sheet.windowTitle(), QStringLiteral("Varlen (1/5)"));
    for (int n = 2; n <= 5; ++n) {
        sheet.next();
        EXPECT_EQ(sheet.windowTitle(), QStringLiteral("Varlen (%1/5)").arg(n));
    }
    sheet.back();
    EXPECT_EQ(sheet.windowTitle(), QStringLiteral("Varlen (4/5)"));
}

TEST_F(Sheet, ButtonTextsAndNoCancel) {
    CVarlen sheet;
    sheet.show();
    EXPECT_EQ(sheet.buttonText(QWizard::BackButton), QStringLiteral("< 戻る(&B)"));
    EXPECT_EQ(sheet.buttonText(QWizard::NextButton), QStringLiteral("次へ(&N) >"));
    EXPECT_EQ(sheet.buttonText(QWizard::FinishButton), QStringLiteral("完了"));
    EXPECT_EQ(sheet.buttonText(QWizard::HelpButton), QStringLiteral("ヘルプ(&H)"));
    EXPECT_EQ(sheet.buttonText(QWizard::CustomButton1), QStringLiteral("リセット"));
    EXPECT_TRUE(sheet.testOption(QWizard::NoCancelButton));
    EXPECT_FALSE(sheet.button(QWizard::CancelButton)->isVisible());
    EXPECT_TRUE(sheet.button(QWizard::HelpButton)->isVisible());
    EXPECT_TRUE(sheet.ResetButton()->isVisible());
    // Page 1: Next only (Back greyed); the last page: Finish instead of Next.
    EXPECT_FALSE(sheet.button(QWizard::BackButton)->isEnabled());
    EXPECT_TRUE(sheet.button(QWizard::NextButton)->isEnabled());
    for (int i = 0; i < 4; ++i) {
        sheet.next();
    }
    EXPECT_TRUE(sheet.button(QWizard::BackButton)->isEnabled());
    EXPECT_TRUE(sheet.button(QWizard::FinishButton)->isVisible());
    EXPECT_FALSE(sheet.button(QWizard::NextButton)->isVisible());
}

TEST_F(Sheet, ResetButtonStandsLeftOfTheOtherButtons) {
    CVarlen sheet;
    sheet.show();
    const int reset = sheet.ResetButton()->geometry().right();
    EXPECT_LT(reset, sheet.button(QWizard::BackButton)->geometry().left());
    EXPECT_LT(sheet.button(QWizard::NextButton)->geometry().right(),
              sheet.button(QWizard::HelpButton)->geometry().left());
    EXPECT_EQ(sheet.ResetButton()->geometry().top(),
              sheet.button(QWizard::HelpButton)->geometry().top());
}

TEST_F(Sheet, ResetButtonIsGreyedOnPagesFourAndFive) {
    CVarlen sheet;
    sheet.show();
    const bool expected[5] = {true, true, true, false, false};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(sheet.ResetButton()->isEnabled(), expected[i]) << "page " << i + 1;
        if (i < 4) {
            sheet.next();
        }
    }
    sheet.back();  // 4
    EXPECT_FALSE(sheet.ResetButton()->isEnabled());
    sheet.back();  // 3: enabled again after leaving page 4 by Back
    EXPECT_TRUE(sheet.ResetButton()->isEnabled());
}

TEST_F(Sheet, ResetGoesToTheActivePageOnly) {
    CVarlen sheet;
    sheet.removePage(1);
    sheet.removePage(2);
    auto* spy2 = new SpyPage(&sheet, 2);
    auto* spy3 = new SpyPage(&sheet, 3);
    sheet.setPage(1, spy2);
    sheet.setPage(2, spy3);
    sheet.show();
    sheet.next();
    ASSERT_EQ(sheet.currentPage(), spy2);
    QTest::mouseClick(sheet.ResetButton(), Qt::LeftButton);
    EXPECT_EQ(spy2->resets, 1);
    EXPECT_EQ(spy3->resets, 0);
    sheet.next();
    QTest::mouseClick(sheet.ResetButton(), Qt::LeftButton);
    EXPECT_EQ(spy2->resets, 1);
    EXPECT_EQ(spy3->resets, 1);
}

TEST_F(Sheet, PagesHearActivationNextAndBack) {
    CVarlen sheet;
    sheet.removePage(1);
    auto* spy = new SpyPage(&sheet, 2);
    sheet.setPage(1, spy);
    sheet.show();
    sheet.next();
    EXPECT_EQ(spy->activations, 1);
    spy->allowNext = false;
    sheet.next();  // refused: the page stays
    EXPECT_EQ(spy->nexts, 1);
    EXPECT_EQ(sheet.currentPage(), spy);
    spy->allowNext = true;
    sheet.next();
    EXPECT_EQ(sheet.currentId(), 2);
    sheet.back();  // back onto the spy: activated again
    EXPECT_EQ(spy->activations, 2);
    sheet.back();  // leaving the spy by Back
    EXPECT_EQ(spy->backs, 1);
    EXPECT_EQ(sheet.currentId(), 0);
}

TEST_F(Sheet, DropsGoToTheActivePageThatTakesThem) {
    CVarlen sheet;
    sheet.removePage(0);
    auto* spy = new SpyPage(&sheet, 1);
    sheet.setPage(0, spy);
    sheet.show();
    ASSERT_EQ(sheet.currentPage(), spy);
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/a.png"))});
    QMimeData text;
    text.setText(QStringLiteral("a"));
    const QPoint at(10, 10);

    QDragEnterEvent enterText(at, Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&sheet, &enterText);
    EXPECT_FALSE(enterText.isAccepted());
    QDragEnterEvent enterFiles(at, Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&sheet, &enterFiles);
    EXPECT_TRUE(enterFiles.isAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&sheet, &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(spy->drops, 1);

    sheet.next();  // a page that takes no drops
    QDragEnterEvent later(at, Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&sheet, &later);
    EXPECT_FALSE(later.isAccepted());
}

TEST_F(Sheet, SharedStateStartsBlank) {
    CVarlen sheet;
    ASSERT_NE(sheet.m_pIcon, nullptr);
    EXPECT_EQ(sheet.m_pIcon->Width(), 512);
    EXPECT_EQ(sheet.m_pIcon->Height(), 512);
    EXPECT_EQ(sheet.m_pIcon->Bpp(), 32);
    for (Pixel p : sheet.m_pIcon->Pixels()) {
        ASSERT_EQ(p, 0u);
    }
    EXPECT_EQ(sheet.m_rcSource, Rect{});
    EXPECT_FALSE(sheet.m_bMirror);
    EXPECT_EQ(sheet.m_nRotation, 0);
    EXPECT_TRUE(sheet.m_strIconFile.isEmpty());
    EXPECT_TRUE(sheet.m_strStartupFile.isEmpty());
    EXPECT_EQ(sheet.m_aFormat.size(), 15u);
    EXPECT_TRUE(sheet.m_bFinishOpenFolder);
    EXPECT_TRUE(sheet.m_bFinishClose);
}

TEST_F(Sheet, ConstructionReadsTheStore) {
    VarlenSettings s;
    s.m_nBrightness = 12;
    s.m_ptShadow = {-3, 4};
    s.m_aFormat = {{1, 4, 16, 16, 0}};
    SaveSettings(s);
    CVarlen sheet;
    EXPECT_EQ(sheet.m_nBrightness, 12);
    EXPECT_EQ(sheet.m_ptShadow, (Point{-3, 4}));
    EXPECT_EQ(sheet.m_aFormat, s.m_aFormat);
}

TEST_F(Sheet, DestructionStoresTheFormatListButNoOtherSetting) {
    {
        CVarlen sheet;
        sheet.show();
        sheet.next();
        sheet.m_nBrightness = 40;                       // a filter change ...
        sheet.m_aFormat.push_back({1, 32, 64, 64, 0});  // ... and an added format
        sheet.close();
    }
    EXPECT_EQ(Raw("FormatCount").toInt(), 16);
    EXPECT_FALSE(Raw("Brightness").isValid());
    CVarlen next;
    ASSERT_EQ(next.m_aFormat.size(), 16u);
    EXPECT_EQ(next.m_aFormat.back(), (FORMAT{1, 32, 64, 64, 0}));
    EXPECT_EQ(next.m_nBrightness, 0);
}

TEST_F(Sheet, SaveSettingsWritesEverything) {
    {
        CVarlen sheet;
        sheet.m_nBrightness = 40;
        sheet.m_bPng = true;
        EXPECT_TRUE(sheet.SaveSettings(nullptr));
    }
    EXPECT_EQ(Raw("Brightness").toInt(), 40);
    EXPECT_EQ(Raw("PNG").toInt(), 1);
}

TEST_F(Sheet, FailedSettingsSaveIsReported) {
    // A plain file stands where the store's folder would be, so nothing can be written.
    const QFileInfo store(QSettings(QStringLiteral("Orvik"), QStringLiteral("Varlen")).fileName());
    ASSERT_TRUE(QDir(store.absolutePath()).removeRecursively());
    QFile blocker(store.absolutePath());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    std::vector<MessageRequest> shown;
    {
        ScopedMessageHook hook([&](const MessageRequest& r) {
            shown.push_back(r);
            return MessageAnswer::kOk;
        });
        CVarlen sheet;
        EXPECT_FALSE(sheet.SaveSettings(nullptr));
    }
    blocker.remove();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].icon, MessageIcon::kWarning);
    EXPECT_TRUE(shown[0].text.startsWith(QStringLiteral("設定を保存できませんでした。")));
}

TEST_F(Sheet, FixedSizeWindowThatCanBeMinimisedButNotMaximised) {
    CVarlen sheet;
    sheet.show();
    const Qt::WindowFlags flags = sheet.windowFlags();
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_EQ(sheet.minimumSize(), sheet.maximumSize());
    const QSize size = sheet.size();
    for (int i = 0; i < 4; ++i) {
        sheet.next();
        EXPECT_EQ(sheet.size(), size);
    }
}

TEST_F(Sheet, AboutFromTheHelpMenuAndTheContextMenu) {
    CVarlen sheet;
    auto* help = qobject_cast<QPushButton*>(sheet.button(QWizard::HelpButton));
    ASSERT_NE(help, nullptr);
    ASSERT_NE(help->menu(), nullptr);
    ASSERT_EQ(help->menu()->actions().size(), 2);
    EXPECT_EQ(help->menu()->actions()[0], sheet.ManualAction());
    EXPECT_EQ(help->menu()->actions()[1], sheet.AboutAction());
    EXPECT_EQ(sheet.AboutAction()->text(), QStringLiteral("バージョン情報(&A)"));
    EXPECT_EQ(sheet.contextMenuPolicy(), Qt::ActionsContextMenu);
    EXPECT_TRUE(sheet.actions().contains(sheet.AboutAction()));

    // Triggering it opens the About dialog modally; close it from inside its loop.
    QString seenTitle;
    QTimer::singleShot(0, [&seenTitle] {
        if (auto* dialog = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget())) {
            seenTitle = dialog->windowTitle();
            dialog->accept();
        }
    });
    sheet.AboutAction()->trigger();
    EXPECT_EQ(seenTitle, QStringLiteral("バージョン情報"));
}

// The header's label that shows text, outside every page.
QLabel* HeaderLabel(CVarlen& sheet, const QString& text) {
    for (QLabel* label : sheet.findChildren<QLabel*>()) {
        bool onPage = false;
        for (int id : sheet.pageIds()) {
            onPage = onPage || sheet.page(id)->isAncestorOf(label);
        }
        if (!onPage && label->text() == text) {
            return label;
        }
    }
    return nullptr;
}

TEST_F(Sheet, HeaderShowsEveryLineOfTheSubtitle) {
    CVarlen sheet;
    sheet.show();
    for (int i = 0; i < 5; ++i) {
        QApplication::processEvents();
        QLabel* subTitle = HeaderLabel(sheet, QString::fromUtf8(kSubTitles[i]));
        ASSERT_NE(subTitle, nullptr) << "page " << i + 1;
        EXPECT_TRUE(subTitle->isVisible());
        EXPECT_GE(subTitle->height(), subTitle->heightForWidth(subTitle->width()))
            << "page " << i + 1;
        // The header (the label's parent) holds the whole label.
        EXPECT_LE(subTitle->geometry().bottom(), subTitle->parentWidget()->height())
            << "page " << i + 1;
        QLabel* title = HeaderLabel(sheet, QString::fromUtf8(kTitles[i]));
        ASSERT_NE(title, nullptr);
        EXPECT_LE(title->geometry().bottom(), subTitle->geometry().top());
        sheet.next();
    }
}

TEST_F(Sheet, WindowIconIsSet) {
    CVarlen sheet;
    EXPECT_FALSE(sheet.windowIcon().isNull());
    EXPECT_FALSE(sheet.windowIcon().pixmap(32, 32).isNull());
}

}  // namespace
}  // namespace varlen
