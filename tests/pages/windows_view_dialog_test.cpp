// The formats page's view of what Windows draws: opened by its button, built from the
// ticked formats, and its add button adding the sizes that are scaled up.
#include "pages/windows_view_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QTranslator>
#include <functional>

#include "gui/settings.h"
#include "pages/page4.h"
#include "wizard/sheet.h"
#include "wizard/varlen_app.h"

namespace varlen {
namespace {

QStringList ChildTexts(const QTreeWidgetItem* node) {
    QStringList texts;
    for (int i = 0; i < node->childCount(); ++i) {
        texts << node->child(i)->text(0);
    }
    return texts;
}

int Row(std::string_view id) {
    for (std::size_t i = 0; i < kWindowsIconSurfaces.size(); ++i) {
        if (kWindowsIconSurfaces[i].id == id) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void Click(QWidget* w) {
    QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center());
}

class WindowsView : public ::testing::Test {
  protected:
    void SetUp() override {
        DeleteSettingsStore();
        sheet = std::make_unique<CVarlen>();
        sheet->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(sheet.get()));
        sheet->next();
        sheet->next();
        sheet->next();
        ASSERT_EQ(sheet->currentPage(), static_cast<QWizardPage*>(sheet->m_pPage4));
        page = sheet->m_pPage4;
    }
    void TearDown() override {
        if (m_english) {
            QCoreApplication::removeTranslator(&m_program);
        }
        sheet.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        DeleteSettingsStore();
    }
    // Clicks the page's button and runs inspect on the dialog it opens; inspect closes it.
    bool OpenAndInspect(const std::function<void(CWindowsViewDialog*)>& inspect) {
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<CWindowsViewDialog*>(QApplication::activeModalWidget());
            if (dialog != nullptr) {
                seen = true;
                inspect(dialog);
                if (dialog->isVisible()) {
                    dialog->reject();
                }
            }
        });
        Click(page->Button(CVarlenPage4::kIdWindowsView));
        return seen;
    }
    QTreeWidgetItem* Depth(int i) const { return page->Tree()->topLevelItem(i); }

    std::unique_ptr<CVarlen> sheet;
    CVarlenPage4* page = nullptr;
    QTranslator m_qt;
    QTranslator m_program;
    bool m_english = false;
};

TEST_F(WindowsView, StandardFormatsAndAddingTheSizesScaledUp) {
    EXPECT_EQ(page->Button(CVarlenPage4::kIdWindowsView)->text(),
              QStringLiteral("Windows での表示(&W)..."));
    const bool seen = OpenAndInspect([&](CWindowsViewDialog* d) {
        QTableWidget* t = d->Table();
        EXPECT_EQ(d->windowTitle(), QStringLiteral("Windows での表示"));
        ASSERT_EQ(t->rowCount(), 7);
        ASSERT_EQ(t->columnCount(), 7);
        EXPECT_EQ(t->horizontalHeaderItem(1)->text(), QStringLiteral("125 %"));
        const int menu = Row("menu-titlebar-tray");
        const int taskbar = Row("taskbar-search-allapps");
        const int big = Row("explorer-256");
        EXPECT_EQ(t->verticalHeaderItem(menu)->text(),
                  QStringLiteral("コンテキストメニュー、タイトルバー、通知領域"));
        EXPECT_EQ(t->item(menu, 0)->text(), QStringLiteral("16: 16 ="));
        EXPECT_EQ(t->item(taskbar, 1)->text(), QStringLiteral("30: 32 ↓1.07"));
        EXPECT_EQ(t->item(menu, 4)->text(), QStringLiteral("40: 48 ↓1.20"));
        // LoadIcon/LoadImage take 48 for 64: 2 x 16 per side against 192 for 256.
        EXPECT_EQ(t->item(menu, 6)->text(), QStringLiteral("64: 256 ↓4.00 *"));
        EXPECT_EQ(t->item(menu, 6)->toolTip(), QStringLiteral("LoadIcon/LoadImage: 64: 48 ↑1.33"));
        EXPECT_EQ(t->item(menu, 6)->background().color(), QColor(255, 236, 196));
        EXPECT_EQ(t->item(big, 1)->text(), QStringLiteral("320: 256 ↑1.25"));
        // The sides LoadIcon/LoadImage scale up (36 from 32, 60 ... 96 from 48), those that
        // adding them makes it scale up next (120 and 128 from 96, then 144 from 128), and
        // above 256 only 512, which serves every request up there.
        EXPECT_EQ(d->SidesToAdd(), (std::vector<int>{36, 60, 64, 72, 80, 96, 120, 128, 144, 512}));
        EXPECT_TRUE(
            d->Summary()->text().contains(QStringLiteral("512 を超えるサイズは追加できません。")));
        ASSERT_TRUE(d->AddButton()->isEnabled());
        Click(d->AddButton());
        EXPECT_EQ(t->item(big, 1)->text(), QStringLiteral("320: 512 ↓1.60"));
        EXPECT_EQ(t->item(big, 3)->text(), QStringLiteral("512: 512 ="));
        EXPECT_EQ(t->item(menu, 6)->text(), QStringLiteral("64: 64 ="));
        EXPECT_TRUE(d->SidesToAdd().empty());
        EXPECT_FALSE(d->AddButton()->isEnabled());
        // Closed with its own button.
        auto* box = d->findChild<QDialogButtonBox*>();
        ASSERT_NE(box, nullptr);
        Click(box->button(QDialogButtonBox::Close));
        EXPECT_FALSE(d->isVisible());
    });
    EXPECT_TRUE(seen);
    EXPECT_EQ(ChildTexts(Depth(3)),
              (QStringList{"512 x 512", "256 x 256", "144 x 144", "128 x 128", "120 x 120",
                           "96 x 96", "80 x 80", "72 x 72", "64 x 64", "60 x 60", "48 x 48",
                           "36 x 36", "32 x 32", "24 x 24", "16 x 16"}));
    EXPECT_EQ(Depth(3)->child(0)->checkState(0), Qt::Checked);
}

TEST_F(WindowsView, OnlyTickedFormatsCountAndMissingSizesAreAdded) {
    // Untick everything but 32 x 32 at 32 bits.
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < Depth(i)->childCount(); ++j) {
            QTreeWidgetItem* item = Depth(i)->child(j);
            const bool keep = i == 3 && item->text(0) == QStringLiteral("32 x 32");
            item->setCheckState(0, keep ? Qt::Checked : Qt::Unchecked);
        }
    }
    const bool seen = OpenAndInspect([&](CWindowsViewDialog* d) {
        QTableWidget* t = d->Table();
        const int taskbar = Row("taskbar-search-allapps");
        EXPECT_EQ(t->item(taskbar, 0)->text(), QStringLiteral("24: 32 ↓1.33"));
        EXPECT_EQ(t->item(taskbar, 3)->text(), QStringLiteral("48: 32 ↑1.50"));
        EXPECT_EQ(t->item(taskbar, 3)->background().color(), QColor(255, 214, 214));
        EXPECT_EQ(d->SidesToAdd(),
                  (std::vector<int>{36, 40, 48, 60, 64, 72, 80, 96, 120, 128, 144, 192, 256, 512}));
        Click(d->AddButton());
        EXPECT_EQ(t->item(taskbar, 3)->text(), QStringLiteral("48: 48 ="));
        EXPECT_EQ(t->item(taskbar, 0)->text(), QStringLiteral("24: 32 ↓1.33"));
        EXPECT_TRUE(d->SidesToAdd().empty());
    });
    EXPECT_TRUE(seen);
    // 48, 256 and 32 were listed: ticked again instead of added twice.
    EXPECT_EQ(ChildTexts(Depth(3)),
              (QStringList{"512 x 512", "256 x 256", "192 x 192", "144 x 144", "128 x 128",
                           "120 x 120", "96 x 96", "80 x 80", "72 x 72", "64 x 64", "60 x 60",
                           "48 x 48", "40 x 40", "36 x 36", "32 x 32", "24 x 24", "16 x 16"}));
    EXPECT_EQ(page->TickedShapes().size(), 15u);
}

TEST_F(WindowsView, NothingTickedShowsDashes) {
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < Depth(i)->childCount(); ++j) {
            Depth(i)->child(j)->setCheckState(0, Qt::Unchecked);
        }
    }
    const bool seen = OpenAndInspect([&](CWindowsViewDialog* d) {
        EXPECT_EQ(d->Table()->item(0, 0)->text(), QStringLiteral("-"));
        EXPECT_EQ(d->Summary()->text(),
                  QStringLiteral("チェックされた画像フォーマットがありません。"));
        EXPECT_FALSE(d->AddButton()->isEnabled());
    });
    EXPECT_TRUE(seen);
}

TEST_F(WindowsView, EnglishThroughTheTranslation) {
    ASSERT_TRUE(InstallTranslations(*QCoreApplication::instance(), {QStringLiteral("en-US")}, m_qt,
                                    m_program));
    m_english = true;
    const bool seen = OpenAndInspect([&](CWindowsViewDialog* d) {
        EXPECT_EQ(d->windowTitle(), QStringLiteral("How Windows draws the icon"));
        EXPECT_EQ(d->AddButton()->text(), QStringLiteral("&Add the sizes that are scaled up"));
        EXPECT_EQ(d->Table()->verticalHeaderItem(Row("explorer-48"))->text(),
                  QStringLiteral("Explorer views of 48 (measured)"));
        EXPECT_TRUE(d->Summary()->text().startsWith(QStringLiteral("Scaled up: ")));
    });
    EXPECT_TRUE(seen);
}

}  // namespace
}  // namespace varlen
