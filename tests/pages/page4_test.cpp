// The formats page: the tree built from the format list, the order and duplicate rules of
// adding, deleting, the context menu, the space key, the smoothing box, and writing the
// tree back on Back, Next and destruction.
#include "pages/page4.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <vector>

#include "core/pipeline.h"
#include "gui/clipboard_adapter.h"
#include "gui/icon_wnd.h"
#include "gui/message_box.h"
#include "io/loaders.h"
#include "pages/icon_preview_wnd.h"
#include "pages/icon_size_dialog.h"
#include "pages/number_edit.h"
#include "tests/pages/sheet_teardown.h"
#include "wizard/sheet.h"

namespace varlen {
namespace {

// A 40 x 40 picture of fine stripes and an alpha ramp, so smoothing and filters show.
std::unique_ptr<CIcon> Picture() {
    auto icon = CreateIcon(40, 40, 32);
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 40; ++x) {
            const int v = (x + y) % 3 == 0 ? 250 : 10;
            icon->Row(y)[x] = MakePixel(std::min(255, 100 + 4 * x), v, 255 - v, (x * 6) & 255);
        }
    }
    return icon;
}

QStringList ChildTexts(const QTreeWidgetItem* node) {
    QStringList texts;
    for (int i = 0; i < node->childCount(); ++i) {
        texts << node->child(i)->text(0);
    }
    return texts;
}

class Page4 : public ::testing::Test {
  protected:
    void SetUp() override {
        DeleteSettingsStore();
        sheet = std::make_unique<CVarlen>();
        sheet->m_pIcon = Picture();
        page = sheet->m_pPage4;
    }
    void TearDown() override { testing_support::CloseSheet(sheet); }
    QTreeWidgetItem* Depth(int index) const { return page->Tree()->topLevelItem(index); }
    QTreeWidgetItem* Find(int depthIndex, const QString& text) const {
        QTreeWidgetItem* node = Depth(depthIndex);
        for (int i = 0; i < node->childCount(); ++i) {
            if (node->child(i)->text(0) == text) {
                return node->child(i);
            }
        }
        return nullptr;
    }
    // Records the messages and answers them with answer.
    ScopedMessageHook Hook(MessageAnswer answer = MessageAnswer::kOk) {
        return ScopedMessageHook([this, answer](const MessageRequest& r) {
            messages.push_back(r);
            return answer;
        });
    }

    std::unique_ptr<CVarlen> sheet;
    CVarlenPage4* page = nullptr;
    std::vector<MessageRequest> messages;
};

TEST_F(Page4, DefaultListShowsFourDepthNodesAndSizesInOrder) {
    page->OnSetActive();
    QTreeWidget* tree = page->Tree();
    ASSERT_EQ(tree->topLevelItemCount(), 4);
    EXPECT_EQ(Depth(0)->text(0), QStringLiteral("4 ビット (16 色)"));
    EXPECT_EQ(Depth(1)->text(0), QStringLiteral("8 ビット (256 色)"));
    EXPECT_EQ(Depth(2)->text(0), QStringLiteral("24 ビット (フルカラー)"));
    EXPECT_EQ(Depth(3)->text(0), QStringLiteral("32 ビット (フルカラー + 半透明)"));
    EXPECT_EQ(ChildTexts(Depth(0)), (QStringList{"32 x 32", "16 x 16"}));
    EXPECT_EQ(ChildTexts(Depth(1)), (QStringList{"48 x 48", "32 x 32", "24 x 24", "16 x 16"}));
    EXPECT_EQ(ChildTexts(Depth(3)),
              (QStringList{"256 x 256", "48 x 48", "32 x 32", "24 x 24", "16 x 16"}));
    for (int i = 0; i < 4; ++i) {
        EXPECT_FALSE(Depth(i)->data(0, Qt::CheckStateRole).isValid());
        EXPECT_FALSE(Depth(i)->flags() & Qt::ItemIsUserCheckable);
        EXPECT_TRUE(Depth(i)->isExpanded());
        for (int j = 0; j < Depth(i)->childCount(); ++j) {
            EXPECT_EQ(Depth(i)->child(j)->checkState(0), Qt::Checked);
        }
    }
    EXPECT_EQ(tree->currentItem(), Depth(0));
    for (int id : {CVarlenPage4::kIdPreview, CVarlenPage4::kIdCopy, CVarlenPage4::kIdExport,
                   CVarlenPage4::kIdDelete}) {
        EXPECT_FALSE(page->Button(id)->isEnabled()) << id;
    }
    EXPECT_TRUE(page->Button(CVarlenPage4::kIdAdd)->isEnabled());
    EXPECT_EQ(page->Button(CVarlenPage4::kIdExport)->text(), QStringLiteral("エクスポート(&E)..."));
    EXPECT_EQ(page->SmoothingBox()->text(),
              QStringLiteral("画像のスムージング処理を有効にする(&S)"));
    EXPECT_NE(page->View()->GetImage(), nullptr);
    EXPECT_EQ(page->View()->GetMode(), 0);
}

TEST_F(Page4, ViewShowsTheFilteredPictureAlsoWhenLarge) {
    for (const int side : {40, 300}) {
        auto picture = CreateIcon(side, side, 32);
        for (int y = 0; y < side; ++y) {
            for (int x = 0; x < side; ++x) {
                picture->Row(y)[x] = MakePixel((x * y) & 255, x & 255, y & 255, (x + y) & 255);
            }
        }
        sheet->m_pIcon = std::move(picture);
        sheet->m_nBrightness = 20;
        sheet->m_nSharp = 3;
        sheet->m_nRound = 30;
        page->OnSetActive();
        const auto expected = BuildViewPreview(*sheet->m_pIcon, ToEffectSettings(*sheet));
        ASSERT_NE(page->PreviewImage(), nullptr);
        EXPECT_EQ(page->View()->GetImage(), page->PreviewImage());
        EXPECT_TRUE(std::equal(page->PreviewImage()->Pixels().begin(),
                               page->PreviewImage()->Pixels().end(), expected->Pixels().begin(),
                               expected->Pixels().end()))
            << side;
        page->OnWizardBack();
    }
}

TEST_F(Page4, SelectingASizeEnablesItsCommands) {
    page->OnSetActive();
    page->Tree()->setCurrentItem(Find(2, QStringLiteral("24 x 24")));
    for (int id : {CVarlenPage4::kIdPreview, CVarlenPage4::kIdCopy, CVarlenPage4::kIdExport,
                   CVarlenPage4::kIdDelete}) {
        EXPECT_TRUE(page->Button(id)->isEnabled()) << id;
    }
    page->Tree()->setCurrentItem(Depth(2));
    EXPECT_FALSE(page->Button(CVarlenPage4::kIdDelete)->isEnabled());
}

TEST_F(Page4, AddedSizesKeepDescendingOrder) {
    page->OnSetActive();
    page->Tree()->setCurrentItem(Depth(1));
    auto hook = Hook();
    EXPECT_TRUE(page->AddSizeOf(40, 40));
    EXPECT_EQ(ChildTexts(Depth(1)),
              (QStringList{"48 x 48", "40 x 40", "32 x 32", "24 x 24", "16 x 16"}));
    const QTreeWidgetItem* added = page->Tree()->currentItem();
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added->text(0), QStringLiteral("40 x 40"));
    EXPECT_EQ(added->checkState(0), Qt::Checked);
    // From a size node the size goes under that node's depth.
    EXPECT_TRUE(page->AddSizeOf(64, 64));
    EXPECT_TRUE(page->AddSizeOf(8, 8));
    EXPECT_EQ(ChildTexts(Depth(1)), (QStringList{"64 x 64", "48 x 48", "40 x 40", "32 x 32",
                                                 "24 x 24", "16 x 16", "8 x 8"}));
    // Same width: the larger height first; the width decides before the height.
    page->Tree()->setCurrentItem(Depth(0));
    EXPECT_TRUE(page->AddSizeOf(64, 32));
    EXPECT_TRUE(page->AddSizeOf(48, 64));
    EXPECT_TRUE(page->AddSizeOf(64, 48));
    EXPECT_EQ(ChildTexts(Depth(0)),
              (QStringList{"64 x 48", "64 x 32", "48 x 64", "32 x 32", "16 x 16"}));
    EXPECT_TRUE(messages.empty());
}

TEST_F(Page4, DuplicateSizeIsRefusedPerDepth) {
    page->OnSetActive();
    page->Tree()->setCurrentItem(Find(1, QStringLiteral("16 x 16")));
    auto hook = Hook();
    EXPECT_FALSE(page->AddSizeOf(32, 32));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, QStringLiteral("そのサイズは既にリストにあります。"));
    EXPECT_EQ(messages[0].icon, MessageIcon::kWarning);
    EXPECT_EQ(messages[0].buttons, MessageButtons::kOk);
    EXPECT_EQ(ChildTexts(Depth(1)), (QStringList{"48 x 48", "32 x 32", "24 x 24", "16 x 16"}));
    // 48 x 48 exists under 8 bits but not under 4 bits.
    page->Tree()->setCurrentItem(Depth(0));
    EXPECT_TRUE(page->AddSizeOf(48, 48));
    EXPECT_EQ(ChildTexts(Depth(0)), (QStringList{"48 x 48", "32 x 32", "16 x 16"}));
}

TEST_F(Page4, DeleteAsksAndNoKeepsTheNode) {
    page->OnSetActive();
    page->Tree()->setCurrentItem(Find(0, QStringLiteral("16 x 16")));
    {
        auto hook = Hook(MessageAnswer::kNo);
        page->DeleteSize();
    }
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text,
              QStringLiteral("4 ビット 16 x 16 を削除します。\nよろしいですか？"));
    EXPECT_EQ(messages[0].title, QStringLiteral("削除"));
    EXPECT_EQ(messages[0].icon, MessageIcon::kQuestion);
    EXPECT_EQ(messages[0].buttons, MessageButtons::kYesNo);
    EXPECT_EQ(ChildTexts(Depth(0)), (QStringList{"32 x 32", "16 x 16"}));
    {
        auto hook = Hook(MessageAnswer::kYes);
        page->DeleteSize();
    }
    EXPECT_EQ(ChildTexts(Depth(0)), QStringList{"32 x 32"});
    // The caret moved on, and the buttons follow it.
    EXPECT_EQ(page->Button(CVarlenPage4::kIdDelete)->isEnabled(),
              page->Tree()->currentItem() != nullptr && page->Tree()->currentItem()->parent());
}

TEST_F(Page4, DeleteOnADepthNodeDoesNothing) {
    page->OnSetActive();
    page->Tree()->setCurrentItem(Depth(3));
    auto hook = Hook(MessageAnswer::kYes);
    page->DeleteSize();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(Depth(3)->childCount(), 5);
}

TEST_F(Page4, UnknownDepthAndBadSidesAreDroppedAndTreeOrderWrittenBack) {
    sheet->m_aFormat = {{1, 16, 32, 32, 0}, {1, 32, 48, 48, 5},  {0, 4, 16, 16, 0},
                        {1, 8, 0, 16, 0},   {1, 24, 16, 600, 0}, {1, 32, 20, 10, 0}};
    page->OnSetActive();
    EXPECT_EQ(Depth(0)->childCount() + Depth(1)->childCount() + Depth(2)->childCount() +
                  Depth(3)->childCount(),
              3);
    page->OnWizardBack();
    const std::vector<FORMAT> expected = {
        {0, 4, 16, 16, 0}, {1, 32, 48, 48, 0}, {1, 32, 20, 10, 0}};
    EXPECT_EQ(sheet->m_aFormat, expected);
    EXPECT_EQ(page->PreviewImage(), nullptr);
    EXPECT_EQ(page->View()->GetImage(), nullptr);
}

TEST_F(Page4, NextNeedsOneTickedFormat) {
    page->OnSetActive();
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < Depth(i)->childCount(); ++j) {
            Depth(i)->child(j)->setCheckState(0, Qt::Unchecked);
        }
    }
    {
        auto hook = Hook();
        EXPECT_FALSE(page->OnWizardNext());
    }
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text,
              QStringLiteral("最低でも１つ以上の画像フォーマットを選択する必要があります。"));
    EXPECT_EQ(messages[0].icon, MessageIcon::kWarning);
    EXPECT_NE(page->PreviewImage(), nullptr);  // still on the page
    ASSERT_EQ(sheet->m_aFormat.size(), 15u);
    EXPECT_EQ(sheet->m_aFormat[0].bEnabled, 0);

    Find(2, QStringLiteral("24 x 24"))->setCheckState(0, Qt::Checked);
    page->SmoothingBox()->setChecked(false);
    {
        auto hook = Hook();
        EXPECT_TRUE(page->OnWizardNext());
    }
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_FALSE(sheet->m_bSmoothing);
    EXPECT_EQ(page->PreviewImage(), nullptr);
    const FORMAT ticked{1, 24, 24, 24, 0};
    EXPECT_EQ(std::count(sheet->m_aFormat.begin(), sheet->m_aFormat.end(), ticked), 1);
}

TEST_F(Page4, SmoothingIsStoredOnNextOnly) {
    page->OnSetActive();
    EXPECT_TRUE(page->SmoothingBox()->isChecked());
    page->SmoothingBox()->setChecked(false);
    page->OnWizardBack();
    EXPECT_TRUE(sheet->m_bSmoothing);
    page->OnSetActive();
    EXPECT_TRUE(page->SmoothingBox()->isChecked());
    sheet->m_bSmoothing = false;
    page->OnSetActive();
    EXPECT_FALSE(page->SmoothingBox()->isChecked());
}

TEST_F(Page4, ResetButtonGreyedWhileActive) {
    page->OnSetActive();
    EXPECT_FALSE(sheet->ResetButton()->isEnabled());
    page->OnWizardBack();
    EXPECT_TRUE(sheet->ResetButton()->isEnabled());
}

TEST_F(Page4, ContextMenuEntriesAndStates) {
    page->OnSetActive();
    const auto onDepth = page->BuildContextMenu(Depth(1));
    const QList<QAction*> actions = onDepth->actions();
    ASSERT_EQ(actions.size(), 6);
    const QStringList texts{"プレビュー(&P)", "コピー(&C)", "エクスポート(&E)...", "",
                            "追加(&A)...",    "削除(&D)..."};
    const int ids[6] = {CVarlenPage4::kIdPreview, CVarlenPage4::kIdCopy,
                        CVarlenPage4::kIdExport,  0,
                        CVarlenPage4::kIdAdd,     CVarlenPage4::kIdDelete};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(actions[i]->text(), texts[i]) << i;
        EXPECT_EQ(actions[i]->isSeparator(), i == 3) << i;
        if (i != 3) {
            EXPECT_EQ(actions[i]->data().toInt(), ids[i]);
            EXPECT_EQ(actions[i]->isEnabled(), i == 4) << i;
        }
    }
    EXPECT_EQ(onDepth->defaultAction(), actions[0]);
    const auto onSize = page->BuildContextMenu(Find(1, QStringLiteral("24 x 24")));
    for (QAction* action : onSize->actions()) {
        EXPECT_TRUE(action->isEnabled()) << action->text().toStdString();
    }
    EXPECT_EQ(onSize->defaultAction(), onSize->actions()[0]);
}

TEST_F(Page4, MenuCommandsActOnTheRightClickedItem) {
    page->OnSetActive();
    QTreeWidgetItem* caret = Find(3, QStringLiteral("48 x 48"));
    page->Tree()->setCurrentItem(caret);
    QTreeWidgetItem* clicked = Find(3, QStringLiteral("24 x 24"));
    {
        auto hook = Hook(MessageAnswer::kYes);
        page->RunMenuCommand(clicked, CVarlenPage4::kIdDelete);
    }
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text,
              QStringLiteral("32 ビット 24 x 24 を削除します。\nよろしいですか？"));
    EXPECT_EQ(ChildTexts(Depth(3)), (QStringList{"256 x 256", "48 x 48", "32 x 32", "16 x 16"}));
    EXPECT_EQ(page->Tree()->currentItem(), caret);
    // The target is released with the menu: the button acts on the caret again.
    EXPECT_EQ(page->TargetItem(), caret);
}

TEST_F(Page4, RealRightClickAndMenuChoiceDeletesThatNode) {
    sheet->show();
    page->OnSetActive();
    QTreeWidgetItem* caret = Find(1, QStringLiteral("48 x 48"));
    page->Tree()->setCurrentItem(caret);
    QTreeWidgetItem* clicked = Find(1, QStringLiteral("16 x 16"));
    page->Tree()->scrollToItem(clicked);
    const QPoint at = page->Tree()->visualItemRect(clicked).center();
    bool menuSeen = false;
    QTimer::singleShot(0, [&menuSeen] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr) {
            return;
        }
        menuSeen = true;
        for (QAction* action : menu->actions()) {
            if (action->text() == QStringLiteral("削除(&D)...")) {
                menu->setActiveAction(action);
            }
        }
        QTest::keyClick(menu, Qt::Key_Return);
    });
    auto hook = Hook(MessageAnswer::kYes);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at,
                            page->Tree()->viewport()->mapToGlobal(at));
    QApplication::sendEvent(page->Tree()->viewport(), &event);
    EXPECT_TRUE(menuSeen);
    EXPECT_EQ(ChildTexts(Depth(1)), (QStringList{"48 x 48", "32 x 32", "24 x 24"}));
    EXPECT_EQ(page->Tree()->currentItem(), caret);
}

TEST_F(Page4, AddFromTheMenuLeavesTheCaretWhereItWas) {
    page->OnSetActive();
    QTreeWidgetItem* caret = Find(0, QStringLiteral("32 x 32"));
    page->Tree()->setCurrentItem(caret);
    QTimer::singleShot(0, [] {
        if (auto* dialog = qobject_cast<CIconSizeDialog*>(QApplication::activeModalWidget())) {
            dialog->WidthEdit()->SetText(QStringLiteral("20"));
            dialog->accept();
        }
    });
    page->RunMenuCommand(Depth(2), CVarlenPage4::kIdAdd);
    EXPECT_EQ(ChildTexts(Depth(2)),
              (QStringList{"48 x 48", "32 x 32", "24 x 24", "20 x 20", "16 x 16"}));
    EXPECT_EQ(page->Tree()->currentItem(), caret);
}

TEST_F(Page4, SpaceTogglesOnlySizeNodes) {
    sheet->show();
    page->OnSetActive();
    QTreeWidget* tree = page->Tree();
    tree->setFocus();
    tree->setCurrentItem(Depth(1));
    QTest::keyClick(tree, Qt::Key_Space);
    EXPECT_FALSE(Depth(1)->data(0, Qt::CheckStateRole).isValid());
    EXPECT_EQ(tree->currentItem(), Depth(1));
    for (int j = 0; j < Depth(1)->childCount(); ++j) {
        EXPECT_EQ(Depth(1)->child(j)->checkState(0), Qt::Checked);
    }
    QTreeWidgetItem* size = Find(1, QStringLiteral("32 x 32"));
    tree->setCurrentItem(size);
    QTest::keyClick(tree, Qt::Key_Space);
    EXPECT_EQ(size->checkState(0), Qt::Unchecked);
    QTest::keyClick(tree, Qt::Key_Space);
    EXPECT_EQ(size->checkState(0), Qt::Checked);
}

TEST_F(Page4, DoubleClickOnASizeOpensThePreview) {
    sheet->show();
    sheet->next();
    sheet->next();
    sheet->next();
    ASSERT_EQ(sheet->ActivePage(), page);
    QTreeWidget* tree = page->Tree();
    QTreeWidgetItem* size = Find(0, QStringLiteral("16 x 16"));
    // Through the window, so that the double click is made from two clicks as on a desktop.
    const auto doubleClick = [this, tree](const QTreeWidgetItem* item) {
        const QPoint at = tree->viewport()->mapTo(sheet.get(), tree->visualItemRect(item).center());
        QTest::mouseDClick(sheet->windowHandle(), Qt::LeftButton, {}, at);
        QCoreApplication::processEvents();
    };
    doubleClick(size);
    CIconPreviewWnd* preview = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* p = qobject_cast<CIconPreviewWnd*>(w); p != nullptr && p->isVisible()) {
            preview = p;
        }
    }
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(preview->GetImage().Width(), 16);
    EXPECT_EQ(preview->GetImage().Bpp(), 4);
    preview->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // On a depth node the double click only collapses it.
    doubleClick(Depth(2));
    EXPECT_FALSE(Depth(2)->isExpanded());
    for (QWidget* w : QApplication::topLevelWidgets()) {
        EXPECT_EQ(qobject_cast<CIconPreviewWnd*>(w), nullptr);
    }
}

TEST_F(Page4, NonSquareFormatIsBuiltPreviewedAndCopiedAtItsSize) {
    page->OnSetActive();
    page->Tree()->setCurrentItem(Depth(3));
    ASSERT_TRUE(page->AddSizeOf(64, 48));
    const auto image = page->BuildTargetImage();
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->Width(), 64);
    EXPECT_EQ(image->Height(), 48);
    EXPECT_EQ(image->Bpp(), 32);

    QPointer<CIconPreviewWnd> preview = page->Preview();
    ASSERT_FALSE(preview.isNull());
    EXPECT_EQ(preview->GetImage().Width(), 64);
    EXPECT_EQ(preview->GetImage().Height(), 48);
    EXPECT_EQ(preview->size(), QSize(64, 48));
    preview->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    QGuiApplication::clipboard()->clear();
    page->Copy();
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    const auto pasted = FromDataObject(MimeDataSource(*data));
    ASSERT_NE(pasted, nullptr);
    EXPECT_EQ(pasted->Width(), 64);
    EXPECT_EQ(pasted->Height(), 48);
    EXPECT_TRUE(std::equal(pasted->Pixels().begin(), pasted->Pixels().end(),
                           image->Pixels().begin(), image->Pixels().end()));
}

TEST_F(Page4, BuildUsesTheSmoothingBoxAsItIsNow) {
    sheet->m_nBrightness = 30;
    page->OnSetActive();
    page->Tree()->setCurrentItem(Find(2, QStringLiteral("16 x 16")));
    page->SmoothingBox()->setChecked(false);
    const auto rough = page->BuildTargetImage();
    page->SmoothingBox()->setChecked(true);
    const auto smooth = page->BuildTargetImage();
    ASSERT_NE(rough, nullptr);
    ASSERT_NE(smooth, nullptr);
    const auto expectedRough =
        BuildFormatIcon(*sheet->m_pIcon, 16, 16, 24, false, ToEffectSettings(*sheet));
    const auto expectedSmooth =
        BuildFormatIcon(*sheet->m_pIcon, 16, 16, 24, true, ToEffectSettings(*sheet));
    const auto same = [](const CIcon& a, const CIcon& b) {
        return std::equal(a.Pixels().begin(), a.Pixels().end(), b.Pixels().begin(),
                          b.Pixels().end());
    };
    EXPECT_FALSE(same(*expectedRough, *expectedSmooth));  // the picture shows the difference
    EXPECT_TRUE(same(*rough, *expectedRough));
    EXPECT_TRUE(same(*smooth, *expectedSmooth));
    EXPECT_TRUE(sheet->m_bSmoothing);
}

TEST_F(Page4, DestroyingTheWizardStoresThePageEdits) {
    page->OnSetActive();
    page->Tree()->setCurrentItem(Depth(0));
    ASSERT_TRUE(page->AddSizeOf(20, 20));
    Find(3, QStringLiteral("256 x 256"))->setCheckState(0, Qt::Unchecked);
    sheet.reset();
    VarlenSettings stored;
    LoadSettings(stored);
    ASSERT_EQ(stored.m_aFormat.size(), 16u);
    EXPECT_EQ(stored.m_aFormat[0], (FORMAT{1, 4, 32, 32, 0}));
    EXPECT_EQ(stored.m_aFormat[1], (FORMAT{1, 4, 20, 20, 0}));
    EXPECT_EQ(stored.m_aFormat[11], (FORMAT{0, 32, 256, 256, 0}));
}

TEST_F(Page4, AnUnvisitedPageLeavesTheListAlone) {
    sheet->m_aFormat = {{1, 8, 20, 20, 0}};
    sheet.reset();
    VarlenSettings stored;
    LoadSettings(stored);
    EXPECT_EQ(stored.m_aFormat, (std::vector<FORMAT>{{1, 8, 20, 20, 0}}));
}

TEST(IconSizeDialog, HeightFollowsWidthAndOkNeedsTheRange) {
    CIconSizeDialog dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("サイズの追加"));
    EXPECT_EQ(dialog.WidthEdit()->text(), QStringLiteral("32"));
    EXPECT_EQ(dialog.HeightEdit()->text(), QStringLiteral("32"));
    EXPECT_TRUE(dialog.OkButton()->isEnabled());
    EXPECT_EQ(dialog.WidthEdit()->Minimum(), 1);
    EXPECT_EQ(dialog.WidthEdit()->Maximum(), 512);

    dialog.WidthEdit()->SetText(QString());
    QTest::keyClicks(dialog.WidthEdit(), QStringLiteral("64"));
    EXPECT_EQ(dialog.HeightEdit()->text(), QStringLiteral("64"));
    dialog.HeightEdit()->SetText(QString());
    QTest::keyClicks(dialog.HeightEdit(), QStringLiteral("48"));
    EXPECT_EQ(dialog.WidthEdit()->text(), QStringLiteral("64"));
    EXPECT_EQ(dialog.m_nWidth, 64);
    EXPECT_EQ(dialog.m_nHeight, 48);
    EXPECT_TRUE(dialog.OkButton()->isEnabled());

    dialog.HeightEdit()->SetText(QStringLiteral("0"));
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    dialog.HeightEdit()->SetText(QStringLiteral("512"));
    EXPECT_TRUE(dialog.OkButton()->isEnabled());
    dialog.WidthEdit()->SetText(QStringLiteral("513"));
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    EXPECT_EQ(dialog.m_nHeight, 513);  // the height followed
    dialog.WidthEdit()->SetText(QStringLiteral("1"));
    EXPECT_TRUE(dialog.OkButton()->isEnabled());
    dialog.HeightEdit()->SetText(QStringLiteral("99999999999"));
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
}

TEST(IconSizeDialog, FieldsTakeDigitsOnlyAndArrowsStayInRange) {
    CIconSizeDialog dialog;
    dialog.WidthEdit()->SetText(QString());
    QTest::keyClicks(dialog.WidthEdit(), QStringLiteral("1a-2"));
    EXPECT_EQ(dialog.WidthEdit()->text(), QStringLiteral("12"));
    dialog.WidthEdit()->SetText(QStringLiteral("511"));
    dialog.WidthEdit()->stepBy(5);
    EXPECT_EQ(dialog.WidthEdit()->text(), QStringLiteral("512"));
    dialog.WidthEdit()->SetText(QStringLiteral("700"));
    dialog.WidthEdit()->stepBy(-1);
    EXPECT_EQ(dialog.WidthEdit()->text(), QStringLiteral("512"));
    dialog.HeightEdit()->SetText(QStringLiteral("2"));
    dialog.HeightEdit()->stepBy(-3);
    EXPECT_EQ(dialog.HeightEdit()->text(), QStringLiteral("1"));
}

// --- right clicks, the add-size dialog, rows, the cursor --------------------------------

// A real right press (through the window, which then asks for the context menu) on
// another size: while the menu is open that size is highlighted, the caret stays; after
// the menu is dismissed the buttons still act on the caret.
TEST_F(Page4, RightClickHighlightsTheTargetAndKeepsTheCaret) {
    sheet->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(sheet.get()));
    sheet->next();
    sheet->next();
    sheet->next();
    ASSERT_EQ(sheet->ActivePage(), page);
    QTreeWidget* tree = page->Tree();
    QTreeWidgetItem* caret = Find(1, QStringLiteral("48 x 48"));
    tree->setCurrentItem(caret);
    QTreeWidgetItem* clicked = Find(1, QStringLiteral("16 x 16"));
    tree->scrollToItem(clicked);
    const QPoint at = tree->viewport()->mapTo(sheet.get(), tree->visualItemRect(clicked).center());
    bool menuSeen = false;
    bool targetShown = false;
    QTreeWidgetItem* currentDuringMenu = nullptr;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr) {
            return;
        }
        menuSeen = true;
        targetShown = clicked->isSelected() && !caret->isSelected();
        currentDuringMenu = tree->currentItem();
        QTest::keyClick(menu, Qt::Key_Escape);
    });
    QTest::mousePress(sheet->windowHandle(), Qt::RightButton, Qt::NoModifier, at);
    QTest::mouseRelease(sheet->windowHandle(), Qt::RightButton, Qt::NoModifier, at);
    QCoreApplication::processEvents();
    EXPECT_TRUE(menuSeen);
    EXPECT_TRUE(targetShown);
    EXPECT_EQ(currentDuringMenu, caret);
    EXPECT_EQ(tree->currentItem(), caret);
    EXPECT_TRUE(caret->isSelected());
    EXPECT_FALSE(clicked->isSelected());

    auto hook = Hook(MessageAnswer::kNo);
    QTest::mouseClick(page->Button(CVarlenPage4::kIdDelete), Qt::LeftButton);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text,
              QStringLiteral("8 ビット 48 x 48 を削除します。\nよろしいですか？"));
}

// Typing into the freshly shown add-size dialog replaces the "32" it opens with.
TEST_F(Page4, TypingIntoTheAddDialogReplacesTheWidth) {
    sheet->show();
    sheet->next();
    sheet->next();
    sheet->next();
    ASSERT_EQ(sheet->ActivePage(), page);
    page->Tree()->setCurrentItem(Depth(2));
    QString typed;
    bool okEnabled = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<CIconSizeDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            return;
        }
        QTest::keyClicks(dialog->WidthEdit(), QStringLiteral("64"));
        typed = dialog->WidthEdit()->text();
        okEnabled = dialog->OkButton()->isEnabled();
        QTest::keyClick(dialog->WidthEdit(), Qt::Key_Return);
    });
    QTest::mouseClick(page->Button(CVarlenPage4::kIdAdd), Qt::LeftButton);
    EXPECT_EQ(typed, QStringLiteral("64"));
    EXPECT_TRUE(okEnabled);
    EXPECT_EQ(ChildTexts(Depth(2)),
              (QStringList{"64 x 64", "48 x 48", "32 x 32", "24 x 24", "16 x 16"}));
}

TEST_F(Page4, TreeRowsAreSixteenPixelsHigh) {
    sheet->show();
    sheet->next();
    sheet->next();
    sheet->next();
    QTreeWidget* tree = page->Tree();
    for (QTreeWidgetItem* item : {Depth(0), Depth(0)->child(0), Depth(3)->child(4)}) {
        tree->scrollToItem(item);
        EXPECT_EQ(tree->visualItemRect(item).height(), CCheckTreeCtrl::kRowHeight)
            << item->text(0).toStdString();
    }
    EXPECT_EQ(CCheckTreeCtrl::kRowHeight, 16);
}

// The message that nothing is ticked is read with the normal cursor.
TEST_F(Page4, NothingTickedMessageShowsNoWaitCursor) {
    sheet->show();
    sheet->next();
    sheet->next();
    sheet->next();
    ASSERT_EQ(sheet->ActivePage(), page);
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < Depth(i)->childCount(); ++j) {
            Depth(i)->child(j)->setCheckState(0, Qt::Unchecked);
        }
    }
    bool waitCursor = true;
    ScopedMessageHook hook([&](const MessageRequest& r) {
        messages.push_back(r);
        waitCursor = QApplication::overrideCursor() != nullptr;
        return MessageAnswer::kOk;
    });
    QTest::mouseClick(sheet->button(QWizard::NextButton), Qt::LeftButton);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_FALSE(waitCursor);
    EXPECT_EQ(sheet->ActivePage(), page);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace
}  // namespace varlen
