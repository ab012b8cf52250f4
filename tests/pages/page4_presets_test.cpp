// The formats page's presets and pictures of their own for chosen sizes, driven as a user
// does: the presets button's menu and its question, the size node's context menu and the
// size-picture button, the marks and tooltips on the nodes, and what preview, copy and
// reset do with them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "core/pipeline.h"
#include "gui/clipboard_adapter.h"
#include "gui/message_box.h"
#include "io/export.h"
#include "io/loaders.h"
#include "pages/export_dialog.h"
#include "pages/icon_preview_wnd.h"
#include "pages/page4.h"
#include "pages/page5.h"
#include "tests/pages/sheet_teardown.h"
#include "wizard/sheet.h"

namespace varlen {
namespace {

std::unique_ptr<CIcon> Stripes(int side) {
    auto icon = CreateIcon(side, side, 32);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            icon->Row(y)[x] = MakePixel(255, (x * 23) & 255, (y * 41) & 255, 120);
        }
    }
    return icon;
}

// A hand-drawn 16 x 16: a cross on white with a transparent corner.
std::unique_ptr<CIcon> Drawn16() {
    auto icon = CreateIcon(16, 16, 32);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            icon->Row(y)[x] =
                (x == 7 || y == 7) ? MakePixel(255, 10, 10, 200) : MakePixel(255, 255, 255, 255);
        }
    }
    icon->Row(0)[0] = 0;
    return icon;
}

QStringList ChildTexts(const QTreeWidgetItem* node) {
    QStringList texts;
    for (int i = 0; i < node->childCount(); ++i) {
        texts << node->child(i)->text(0);
    }
    return texts;
}

bool SamePixels(const CIcon& a, const CIcon& b) {
    return a.Width() == b.Width() && a.Height() == b.Height() &&
           std::equal(a.Pixels().begin(), a.Pixels().end(), b.Pixels().begin(), b.Pixels().end());
}

// Once the menu that the next step opens is up, presses key in it.
void PressInNextMenu(Qt::Key key, bool* seen) {
    QTimer::singleShot(0, [key, seen] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr) {
            return;
        }
        *seen = true;
        QTest::keyClick(menu, key);
    });
}

class Page4Presets : public ::testing::Test {
  protected:
    void SetUp() override {
        DeleteSettingsStore();
        ASSERT_TRUE(dir.isValid());
        sheet = std::make_unique<CVarlen>();
        sheet->m_pIcon = Stripes(40);
        page = sheet->m_pPage4;
        page->SetFileChooser([this](QWidget*, const QString&) { return chosen; });
        sheet->show();
        QApplication::setActiveWindow(sheet.get());
        sheet->next();
        sheet->next();
        sheet->next();
        ASSERT_EQ(sheet->ActivePage(), page);
    }
    void TearDown() override { testing_support::CloseSheet(sheet); }
    ScopedMessageHook Hook(MessageAnswer answer) {
        return ScopedMessageHook([this, answer](const MessageRequest& r) {
            messages.push_back(r);
            return answer;
        });
    }
    QTreeWidgetItem* Depth(int index) const { return page->Tree()->topLevelItem(index); }
    QTreeWidgetItem* Find(int depthIndex, const QString& text) const {
        QTreeWidgetItem* node = Depth(depthIndex);
        for (int i = 0; i < node->childCount(); ++i) {
            if (node->child(i)->text(0).startsWith(text)) {
                return node->child(i);
            }
        }
        return nullptr;
    }
    // A right click on item, then the key in its context menu.
    void RightClickAndPress(QTreeWidgetItem* item, Qt::Key key) {
        QTreeWidget* tree = page->Tree();
        tree->scrollToItem(item);
        const QPoint at = tree->visualItemRect(item).center();
        QTest::mousePress(tree->viewport(), Qt::RightButton, Qt::NoModifier, at);
        bool seen = false;
        PressInNextMenu(key, &seen);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, tree->viewport()->mapToGlobal(at));
        QApplication::sendEvent(tree->viewport(), &event);
        QTest::mouseRelease(tree->viewport(), Qt::RightButton, Qt::NoModifier, at);
        EXPECT_TRUE(seen);
    }
    void ClickItem(QTreeWidgetItem* item) {
        page->Tree()->scrollToItem(item);
        QTest::mouseClick(page->Tree()->viewport(), Qt::LeftButton, Qt::NoModifier,
                          page->Tree()->visualItemRect(item).center());
    }
    // Presses a menu button and then key in its menu.
    void ChooseFromButton(QPushButton* button, Qt::Key key) {
        bool seen = false;
        PressInNextMenu(key, &seen);
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_TRUE(seen);
    }

    QTemporaryDir dir;
    QString chosen;
    std::unique_ptr<CVarlen> sheet;
    CVarlenPage4* page = nullptr;
    std::vector<MessageRequest> messages;
};

TEST_F(Page4Presets, ThePresetMenuAsksAndThenReplacesTheList) {
    EXPECT_EQ(page->PresetsButton()->text(), QStringLiteral("プリセット(&T)"));
    page->Tree()->topLevelItem(0)->child(0)->setCheckState(0, Qt::Unchecked);
    {
        auto hook = Hook(MessageAnswer::kNo);
        ChooseFromButton(page->PresetsButton(), Qt::Key_L);
    }
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].buttons, MessageButtons::kYesNo);
    EXPECT_TRUE(messages[0].text.contains(QStringLiteral("置き換えます")));
    EXPECT_EQ(ChildTexts(Depth(0)), (QStringList{"32 x 32", "16 x 16"}));  // said no
    EXPECT_EQ(Depth(0)->child(0)->checkState(0), Qt::Unchecked);

    const std::vector<std::pair<Qt::Key, std::vector<QStringList>>> presets = {
        {Qt::Key_L,
         {{},
          {"32 x 32", "16 x 16"},
          {},
          {"256 x 256", "48 x 48", "32 x 32", "24 x 24", "16 x 16"}}},
        {Qt::Key_F, {{}, {}, {}, {"48 x 48", "32 x 32", "16 x 16"}}},
        {Qt::Key_W,
         {{},
          {},
          {},
          {"256 x 256", "96 x 96", "80 x 80", "72 x 72", "64 x 64", "60 x 60", "48 x 48", "40 x 40",
           "36 x 36", "32 x 32", "30 x 30", "24 x 24", "20 x 20", "16 x 16"}}},
        {Qt::Key_C,
         {{"32 x 32", "16 x 16"},
          {"48 x 48", "32 x 32", "24 x 24", "16 x 16"},
          {"48 x 48", "32 x 32", "24 x 24", "16 x 16"},
          {"256 x 256", "48 x 48", "32 x 32", "24 x 24", "16 x 16"}}},
    };
    for (const auto& [key, lists] : presets) {
        auto hook = Hook(MessageAnswer::kYes);
        ChooseFromButton(page->PresetsButton(), key);
        for (int d = 0; d < 4; ++d) {
            EXPECT_EQ(ChildTexts(Depth(d)), lists[static_cast<std::size_t>(d)]) << key << " " << d;
            for (int j = 0; j < Depth(d)->childCount(); ++j) {
                EXPECT_EQ(Depth(d)->child(j)->checkState(0), Qt::Checked);
            }
        }
    }
    // Win11 again, then Next: the list in use is the preset's, in order.
    {
        auto hook = Hook(MessageAnswer::kYes);
        ChooseFromButton(page->PresetsButton(), Qt::Key_W);
    }
    QTest::mouseClick(sheet->button(QWizard::NextButton), Qt::LeftButton);
    ASSERT_EQ(sheet->ActivePage(), sheet->m_pPage5);
    ASSERT_EQ(sheet->m_aFormat.size(), 14u);
    const int sides[14] = {256, 96, 80, 72, 64, 60, 48, 40, 36, 32, 30, 24, 20, 16};
    for (std::size_t i = 0; i < 14; ++i) {
        EXPECT_EQ(sheet->m_aFormat[i], (FORMAT{1, 32, static_cast<std::uint16_t>(sides[i]),
                                               static_cast<std::uint16_t>(sides[i]), 0}))
            << i;
    }
}

TEST_F(Page4Presets, ASizeTakesItsOwnPictureUntilTheMainOneIsChosenAgain) {
    chosen = dir.filePath(QStringLiteral("px16.png"));
    const auto drawn = Drawn16();
    ASSERT_TRUE(SavePng(*drawn, std::filesystem::path(chosen.toStdString())));
    QAbstractButton* reset = sheet->ResetButton();
    EXPECT_FALSE(reset->isEnabled());

    // The context menu of 8-bit 16 x 16: every 16 x 16 node gets the mark and the file.
    RightClickAndPress(Find(1, QStringLiteral("16 x 16")), Qt::Key_U);
    const QString marked = QStringLiteral("16 x 16 [画像]");
    for (int d = 0; d < 4; ++d) {
        QTreeWidgetItem* node = Find(d, QStringLiteral("16 x 16"));
        ASSERT_NE(node, nullptr);
        EXPECT_EQ(node->text(0), marked) << d;
        EXPECT_EQ(node->toolTip(0), QDir::toNativeSeparators(chosen)) << d;
        EXPECT_EQ(Find(d, QStringLiteral("32 x 32"))->text(0), QStringLiteral("32 x 32")) << d;
        EXPECT_EQ(Find(d, QStringLiteral("32 x 32"))->toolTip(0), QString()) << d;
    }
    EXPECT_TRUE(reset->isEnabled());

    // Preview and Copy of 32-bit 16 x 16 show the drawn pixels, effects and all ignored.
    sheet->m_nBrightness = 60;
    ClickItem(Find(3, QStringLiteral("16 x 16")));
    QTest::mouseClick(page->Button(CVarlenPage4::kIdPreview), Qt::LeftButton);
    CIconPreviewWnd* preview = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* p = qobject_cast<CIconPreviewWnd*>(w); p != nullptr && p->isVisible()) {
            preview = p;
        }
    }
    ASSERT_NE(preview, nullptr);
    EXPECT_TRUE(SamePixels(preview->GetImage(), *drawn));
    preview->close();
    QTest::mouseClick(page->Button(CVarlenPage4::kIdCopy), Qt::LeftButton);
    const auto copied = FromDataObject(MimeDataSource(*QApplication::clipboard()->mimeData()));
    ASSERT_TRUE(copied);
    EXPECT_TRUE(SamePixels(*copied, *drawn));

    // The export of that format writes the drawn pixels too; Qt's own PNG reader agrees.
    const QString exported = dir.filePath(QStringLiteral("x16.png"));
    {
        auto hook = Hook(MessageAnswer::kOk);
        ASSERT_EQ(
            FinishExport(page, *sheet, FormatRequest{16, 16, 32}, true, kExportPng, exported, 0, 0),
            ExportResult::kWritten);
    }
    const QImage png = QImage(exported).convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(png.size(), QSize(16, 16));
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            const Pixel p = drawn->GetPixel(x, y);
            if (Alpha(p) != 0) {
                EXPECT_EQ(png.pixel(x, y), qRgba(Red(p), Green(p), Blue(p), Alpha(p))) << x << y;
            } else {
                EXPECT_EQ(qAlpha(png.pixel(x, y)), 0);
            }
        }
    }

    // "元の画像に戻す(&M)" from the button's menu: marks gone, the build is the main picture's.
    ChooseFromButton(page->SizePictureButton(), Qt::Key_M);
    EXPECT_EQ(Find(2, QStringLiteral("16 x 16"))->text(0), QStringLiteral("16 x 16"));
    EXPECT_TRUE(sheet->m_aSizePictures.Empty());
    EXPECT_FALSE(reset->isEnabled());
    const auto main = page->BuildTargetImage();
    ASSERT_TRUE(main);
    EXPECT_TRUE(SamePixels(
        *main, *BuildFormatIcon(*sheet->m_pIcon, 16, 16, 32, true, ToEffectSettings(*sheet))));

    // Given again through the button, then taken away by the sheet's reset.
    ChooseFromButton(page->SizePictureButton(), Qt::Key_U);
    EXPECT_EQ(Find(0, QStringLiteral("16 x 16"))->text(0), marked);
    QTest::mouseClick(reset, Qt::LeftButton);
    EXPECT_EQ(Find(0, QStringLiteral("16 x 16"))->text(0), QStringLiteral("16 x 16"));
    EXPECT_TRUE(sheet->m_aSizePictures.Empty());
}

TEST_F(Page4Presets, AnUnreadableFileIsReportedAndChangesNothing) {
    chosen = dir.filePath(QStringLiteral("notes.png"));
    QFile text(chosen);
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not a picture");
    text.close();
    auto hook = Hook(MessageAnswer::kOk);
    RightClickAndPress(Find(3, QStringLiteral("32 x 32")), Qt::Key_U);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text,
              QStringLiteral("ファイルが開けません。\n画像ではないか、対応していない形式です。"));
    EXPECT_EQ(messages[0].icon, MessageIcon::kError);
    EXPECT_TRUE(sheet->m_aSizePictures.Empty());
    EXPECT_EQ(Find(3, QStringLiteral("32 x 32"))->text(0), QStringLiteral("32 x 32"));

    // On a depth node neither entry can be chosen.
    int seen = 0;
    for (QTreeWidgetItem* target : {Depth(3), Find(3, QStringLiteral("32 x 32"))}) {
        const auto menu = page->BuildTreeMenu(target);
        for (QAction* action : menu->actions()) {
            const int id = action->data().toInt();
            if (id == CVarlenPage4::kIdSizePicture || id == CVarlenPage4::kIdMainPicture) {
                ++seen;
                // On the size node only the first can be chosen: it has no picture of its own.
                EXPECT_EQ(action->isEnabled(),
                          target != Depth(3) && id == CVarlenPage4::kIdSizePicture)
                    << id;
            }
        }
    }
    EXPECT_EQ(seen, 4);
    ClickItem(Depth(3));
    EXPECT_FALSE(page->SizePictureButton()->isEnabled());
}

}  // namespace
}  // namespace varlen
